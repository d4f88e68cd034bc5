#include "core/sharing/share_audio.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "core/config/shared_routines.h"
#include "core/sharing/mpeg_audio.h"

namespace kp {
namespace {

// The reader takes its bytes from a descriptor, so the file read is the one that
// was opened safely, not whatever a path names by the time the reader gets to it.
class TDescriptorByteSource final : public TByteSource {
 public:
  TDescriptorByteSource(int fd, std::uint64_t size) noexcept : fd_(fd), size_(size) {}
  [[nodiscard]] std::uint64_t Size() const noexcept override { return size_; }

 private:
  std::optional<std::size_t> DoReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) override {
    std::size_t done = 0;
    while (done < buffer.size()) {
      const ssize_t got =
          ::pread(fd_, buffer.data() + done, buffer.size() - done, static_cast<off_t>(offset + done));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) return std::nullopt;
      if (got == 0) break;
      done += static_cast<std::size_t>(got);
    }
    return done;
  }

  int fd_;
  std::uint64_t size_;
};

}  // namespace

TShareAudioInfo ReadShareAudioInfo(int fileDescriptor) {
  TShareAudioInfo info;
  struct stat status {};
  if (fileDescriptor < 0 || ::fstat(fileDescriptor, &status) != 0 || !S_ISREG(status.st_mode)) return info;
  TDescriptorByteSource source(fileDescriptor, static_cast<std::uint64_t>(status.st_size));
  TMPEGaudio reader;
  if (!reader.ReadFrom(source) || !reader.Valid()) return info;
  info.Valid = true;
  info.Bitrate = reader.BitRate();
  info.Frequency = reader.SampleRate();
  const std::int64_t seconds = RoundHalfEven(reader.Duration());
  info.Length = static_cast<std::uint32_t>(std::clamp<std::int64_t>(seconds, 0, UINT32_MAX));
  return info;
}

}  // namespace kp
