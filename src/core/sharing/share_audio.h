#pragma once
// The audio facts that a shared MP3 file carries in the tree, read once when the
// tree first finds the file.

#include <cstdint>

namespace kp {

struct TShareAudioInfo {
  bool Valid = false;
  std::uint32_t Bitrate = 0;    // kbit/s
  std::uint32_t Frequency = 0;  // Hz
  std::uint32_t Length = 0;     // seconds, rounded to the nearest whole second
};

// Reads from an open regular file (the caller opened it without leaving the
// shared folder). A file that cannot be read, or holds no audio, is not valid.
[[nodiscard]] TShareAudioInfo ReadShareAudioInfo(int fileDescriptor);

}  // namespace kp
