#include "core/sharing/mp3_byte_source.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "core/platform/file_io.h"

namespace kp {

TFileByteSource::TFileByteSource(const std::string& path) {
  std::size_t size = 0;
  file_ = OpenDataFile(path, std::numeric_limits<std::size_t>::max(), size);
  size_ = size;
}

std::optional<std::size_t> TFileByteSource::DoReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) {
  if (!file_.valid()) return std::nullopt;
  std::size_t got = 0;
  while (got < buffer.size()) {
    const std::uint64_t at = offset + got;
    if (at > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) break;
    const ssize_t n = ::pread(file_.get(), buffer.data() + got, buffer.size() - got, static_cast<off_t>(at));
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return got;
}

std::optional<std::size_t> TMemoryByteSource::DoReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) {
  if (offset >= bytes_.size()) return 0;
  const std::size_t start = static_cast<std::size_t>(offset);
  const std::size_t count = std::min(buffer.size(), bytes_.size() - start);
  if (count > 0) std::memcpy(buffer.data(), bytes_.data() + start, count);
  return count;
}

}  // namespace kp
