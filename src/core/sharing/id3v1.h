#pragma once
// The 128-byte ID3v1 tag at the end of an MP3 file, in both forms: 1.0, and 1.1
// whose comment gives up its last two bytes to a track number.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/sharing/mp3_byte_source.h"

namespace kp {

class TID3v1 {
 public:
  static constexpr std::size_t kTagSize = 128;
  static constexpr std::uint8_t kNoGenre = 255;

  // True when the file could be read, whether or not it ends with a tag; false
  // (and no tag) for files shorter than a tag.
  [[nodiscard]] bool ReadFromFile(const std::string& path);
  // One read of the source's last 128 bytes.
  [[nodiscard]] bool ReadFrom(TByteSource& source);
  void Reset();

  [[nodiscard]] bool Exists() const noexcept { return exists_; }
  // 1 for ID3v1.0, 2 for ID3v1.1; 0 without a tag.
  [[nodiscard]] std::uint8_t VersionID() const noexcept { return versionId_; }
  // UTF-8, right-trimmed; at most 30 characters (Year 4, Comment 28 in ID3v1.1).
  [[nodiscard]] const std::string& Title() const noexcept { return title_; }
  [[nodiscard]] const std::string& Artist() const noexcept { return artist_; }
  [[nodiscard]] const std::string& Album() const noexcept { return album_; }
  [[nodiscard]] const std::string& Year() const noexcept { return year_; }
  [[nodiscard]] const std::string& Comment() const noexcept { return comment_; }
  // ID3v1.1 only, else 0.
  [[nodiscard]] std::uint8_t Track() const noexcept { return track_; }
  [[nodiscard]] std::uint8_t GenreID() const noexcept { return genreId_; }
  // The name of GenreID, or empty text when the code has none.
  [[nodiscard]] std::string_view Genre() const noexcept;

 private:
  bool exists_ = false;
  std::uint8_t versionId_ = 0;
  std::string title_, artist_, album_, year_, comment_;
  std::uint8_t track_ = 0;
  std::uint8_t genreId_ = kNoGenre;
};

}  // namespace kp
