#pragma once
// One shared file of the tree, with what was learned about it when the tree first
// found it (or read it from the saved tree): size, time and audio facts.

#include <cstdint>
#include <memory>
#include <string>

#include "core/platform/file_descriptor.h"
#include "core/sharing/share_audio.h"
#include "core/sharing/share_entry.h"

namespace kp {

struct TShareFileFacts {
  bool IsMP3 = false;
  std::uint32_t Bitrate = 0;    // kbit/s
  std::uint32_t Frequency = 0;  // Hz
  std::uint32_t Length = 0;     // seconds
  std::uint32_t Size = 0;       // bytes, when the entry was made
  double Modified = 0;          // days since 30 December 1899, when the entry was made

  // The audio facts when the file holds valid audio; none otherwise.
  void TakeAudio(const TShareAudioInfo& audio) noexcept {
    IsMP3 = audio.Valid;
    Bitrate = audio.Valid ? audio.Bitrate : 0;
    Frequency = audio.Valid ? audio.Frequency : 0;
    Length = audio.Valid ? audio.Length : 0;
  }
};

class TShareFile final : public TShareEntry {
 public:
  TShareFile(TShareManager& manager, std::shared_ptr<TShareDirectory> parent, std::string name,
             const TShareFileFacts& facts);

  [[nodiscard]] bool IsMP3() const noexcept { return facts_.IsMP3; }
  [[nodiscard]] std::uint32_t Bitrate() const noexcept { return facts_.Bitrate; }
  [[nodiscard]] std::uint32_t Frequency() const noexcept { return facts_.Frequency; }
  [[nodiscard]] std::uint32_t Length() const noexcept { return facts_.Length; }
  [[nodiscard]] std::uint32_t Size() const noexcept { return facts_.Size; }
  [[nodiscard]] double Modified() const noexcept { return facts_.Modified; }
  [[nodiscard]] const TShareFileFacts& Facts() const noexcept { return facts_; }

  // Opens the file's content with the open(2) flags given, never leaving the
  // top-level folder it belongs to; invalid (errno set) when that is not possible.
  [[nodiscard]] TFileDescriptor OpenContent(int flags) const;

  // A top-level file's place on disk; used from the next verification on.
  void SetRealPath(std::string realPath);

 private:
  const TShareFileFacts facts_;  // fixed once made: read without a lock
};

// Seconds since 1970 as days since 30 December 1899.
[[nodiscard]] double UnixTimeToDays(std::int64_t seconds) noexcept;

}  // namespace kp
