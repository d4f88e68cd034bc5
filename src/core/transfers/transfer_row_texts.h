#pragma once
// What a transfer row shows in each state: the cells' texts and the state
// image. Groups show their name (and a plugin group its status text) only.

#include <cstdint>
#include <string>

namespace kp {

class TSimpleConfig;
class TTransferBase;
class TTransferList;

// Indices of the state images in a list's image list.
enum TransferImage : std::int32_t {
  kQueuedImage = 0,
  kStartingImage = 1,
  kTransferringImage = 2,
  kPausedImage = 3,
  kFailedImage = 4,
  kCompleteImage = 5,
  kRootImage = 6,
  kRemotelyQueuedImage = 7,
  kNoStateImage = -1,  // a service or plugin group: its own icon
};

struct TTransferRowTexts {
  std::string Name;
  std::string Status;
  std::string Nick;
  std::string Speed;
  std::string Estimated;
  std::string Size;
  std::string Transferred;
  std::int32_t Image = kNoStateImage;
  // The icon file to show instead of a state image (groups, custom info).
  std::string IconFile;
  // The Progress cell draws a bar at this percentage; none when false.
  bool ShowsProgress = false;
  std::int32_t Progress = 0;
};

[[nodiscard]] TTransferRowTexts TransferRowTexts(const TTransferList& list, const TTransferBase& node,
                                                 TSimpleConfig& language);

}  // namespace kp
