#pragma once
// Where the MP3 readers get their bytes: a file on disk for the share tree, a
// block of memory for tests and fuzzing. Every read is counted, so the limit on
// reads per file can be checked from outside.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "core/platform/file_descriptor.h"

namespace kp {

class TByteSource {
 public:
  TByteSource() = default;
  TByteSource(const TByteSource&) = delete;
  TByteSource& operator=(const TByteSource&) = delete;
  virtual ~TByteSource() = default;

  [[nodiscard]] virtual std::uint64_t Size() const noexcept = 0;
  // Up to buffer.size() bytes from the offset, fewer only at the end of the
  // source; no value on a read error.
  [[nodiscard]] std::optional<std::size_t> ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) {
    ++reads_;
    return DoReadAt(offset, buffer);
  }
  [[nodiscard]] int ReadCount() const noexcept { return reads_; }

 protected:
  [[nodiscard]] virtual std::optional<std::size_t> DoReadAt(std::uint64_t offset,
                                                            std::span<std::uint8_t> buffer) = 0;

 private:
  int reads_ = 0;
};

class TFileByteSource final : public TByteSource {
 public:
  // A regular file, opened once; anything else (a folder, a named pipe that would
  // block the scan) leaves the source closed.
  explicit TFileByteSource(const std::string& path);

  [[nodiscard]] bool IsOpen() const noexcept { return file_.valid(); }
  [[nodiscard]] std::uint64_t Size() const noexcept override { return size_; }

 private:
  std::optional<std::size_t> DoReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) override;

  TFileDescriptor file_;
  std::uint64_t size_ = 0;
};

// Reads from bytes that the caller keeps alive.
class TMemoryByteSource final : public TByteSource {
 public:
  explicit TMemoryByteSource(std::span<const std::uint8_t> bytes) noexcept : bytes_(bytes) {}

  [[nodiscard]] std::uint64_t Size() const noexcept override { return bytes_.size(); }

 private:
  std::optional<std::size_t> DoReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) override;

  std::span<const std::uint8_t> bytes_;
};

}  // namespace kp
