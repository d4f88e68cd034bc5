#include "core/sharing/id3v1.h"

#include <array>
#include <span>

#include "core/config/text_basics.h"
#include "core/sharing/mp3_tag_text.h"

namespace kp {
namespace {

// Fields are padded with NULs or blanks.
std::string FieldText(std::span<const std::uint8_t> tag, std::size_t first, std::size_t length) {
  const std::string text = DecodeEightBitText(tag.subspan(first, length));
  std::size_t end = text.size();
  while (end > 0 && IsBlankOrControl(text[end - 1])) --end;
  return text.substr(0, end);
}

}  // namespace

bool TID3v1::ReadFromFile(const std::string& path) {
  TFileByteSource source(path);
  if (!source.IsOpen()) {
    Reset();
    return false;
  }
  return ReadFrom(source);
}

bool TID3v1::ReadFrom(TByteSource& source) {
  Reset();
  const std::uint64_t size = source.Size();
  if (size < kTagSize) return false;
  std::array<std::uint8_t, kTagSize> tag{};
  const auto got = source.ReadAt(size - kTagSize, tag);
  if (!got || *got != kTagSize) return false;
  if (tag[0] != 'T' || tag[1] != 'A' || tag[2] != 'G') return true;

  exists_ = true;
  const bool withTrack = (tag[125] == 0 && tag[126] != 0) || (tag[125] == ' ' && tag[126] != ' ');
  versionId_ = withTrack ? 2 : 1;
  title_ = FieldText(tag, 3, 30);
  artist_ = FieldText(tag, 33, 30);
  album_ = FieldText(tag, 63, 30);
  year_ = FieldText(tag, 93, 4);
  comment_ = FieldText(tag, 97, withTrack ? 28 : 30);
  track_ = withTrack ? tag[126] : 0;
  genreId_ = tag[127];
  return true;
}

void TID3v1::Reset() { *this = TID3v1(); }

std::string_view TID3v1::Genre() const noexcept { return Id3GenreName(genreId_); }

}  // namespace kp
