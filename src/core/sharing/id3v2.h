#pragma once
// The ID3v2 tag at the start of an MP3 file: its size tells where the audio
// starts; the texts of a version 2.3 tag are decoded as well.

#include <cstdint>
#include <span>
#include <string>

#include "core/sharing/mp3_byte_source.h"

namespace kp {

class TID3v2 {
 public:
  // The one read at the start of the file covers the tag header and the frames
  // that begin within it. Bigger tags are mostly pictures, which taggers put
  // after the texts; this keeps every file to one read however its tag is built.
  static constexpr std::size_t kHeadSize = 16 * 1024;
  static constexpr std::size_t kHeaderSize = 10;

  // True when the file could be read, whether or not it starts with a tag; false
  // for files shorter than a tag header.
  [[nodiscard]] bool ReadFromFile(const std::string& path);
  // One read of the source's first kHeadSize bytes.
  [[nodiscard]] bool ReadFrom(TByteSource& source);
  // The same from the first bytes of a file of the given size, read by the caller.
  [[nodiscard]] bool ReadFromHead(std::span<const std::uint8_t> head, std::uint64_t fileSize);
  void Reset();

  [[nodiscard]] bool Exists() const noexcept { return exists_; }
  // The major version byte of the tag header (3 for ID3v2.3).
  [[nodiscard]] std::uint8_t VersionID() const noexcept { return versionId_; }
  // The whole tag with its header; 0 without a tag or when the file is shorter.
  [[nodiscard]] std::uint32_t Size() const noexcept { return size_; }
  // UTF-8 and trimmed; read from version 2.3 tags only.
  [[nodiscard]] const std::string& Title() const noexcept { return title_; }
  [[nodiscard]] const std::string& Artist() const noexcept { return artist_; }
  [[nodiscard]] const std::string& Album() const noexcept { return album_; }
  [[nodiscard]] const std::string& Year() const noexcept { return year_; }
  // The genre without the references in front: "(17)Rock" gives "Rock", a lone "(17)"
  // the name of code 17.
  [[nodiscard]] const std::string& Genre() const noexcept { return genre_; }
  [[nodiscard]] const std::string& Comment() const noexcept { return comment_; }
  // The number before a "/" ("3/12" gives 3); 0 when there is none.
  [[nodiscard]] std::int32_t Track() const noexcept { return track_; }

 private:
  void ReadFrames(std::span<const std::uint8_t> head, std::uint64_t fileSize);

  bool exists_ = false;
  std::uint8_t versionId_ = 0;
  std::uint32_t size_ = 0;
  std::string title_, artist_, album_, year_, genre_, comment_;
  std::int32_t track_ = 0;
};

}  // namespace kp
