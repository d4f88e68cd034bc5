#include "core/sharing/id3v2.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

#include "core/config/text_basics.h"
#include "core/sharing/mp3_tag_text.h"

namespace kp {
namespace {

// Frame data beyond this is not looked at: every text kept is shorter.
constexpr std::size_t kMaxFrameData = 250;

enum TFrameSlot : std::size_t { kTitle, kArtist, kAlbum, kTrack, kYear, kGenre, kComment, kFrameCount };
constexpr std::array<std::string_view, kFrameCount> kFrameIds = {"TIT2", "TPE1", "TALB", "TRCK",
                                                                 "TYER", "TCON", "COMM"};

std::uint32_t BigEndian32(std::span<const std::uint8_t> bytes) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) |
         bytes[3];
}

std::string TrimmedText(std::string_view text) { return std::string(Trim(text)); }

// A text frame: the encoding byte, then the text.
std::string FrameText(std::span<const std::uint8_t> data) {
  if (data.empty()) return {};
  return TrimmedText(DecodeId3v2Text(data[0], data.subspan(1)));
}

// A comment frame: the encoding byte, a three-letter language, a description and the text.
std::string CommentText(std::span<const std::uint8_t> data) {
  if (data.size() <= 4) return {};
  return TrimmedText(DecodeId3v2Text(data[0], SkipId3v2Text(data[0], data.subspan(4))));
}

bool IsDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A decimal number of at most nine digits (so it fits), else 0.
std::int32_t SmallNumber(std::string_view text) {
  if (!IsDigits(text) || text.size() > 9) return 0;
  std::int32_t value = 0;
  for (const char c : text) value = value * 10 + (c - '0');
  return value;
}

std::int32_t TrackNumber(std::string_view text) { return SmallNumber(Trim(text.substr(0, text.find('/')))); }

// Drops the references in front of the name, such as "(17)" or "(RX)"; without a
// name the first numeric reference gives it. Parentheses inside a name stay, and
// "((" at the start stands for one "(".
std::string GenreText(std::string_view text) {
  std::string_view firstCode;
  while (text.size() >= 2 && text[0] == '(' && text[1] != '(') {
    const std::size_t close = text.find(')');
    if (close == std::string_view::npos) break;
    if (firstCode.empty() && IsDigits(text.substr(1, close - 1))) firstCode = text.substr(1, close - 1);
    text.remove_prefix(close + 1);
  }
  if (text.starts_with("((")) text.remove_prefix(1);
  text = Trim(text);
  if (!text.empty() || firstCode.empty()) return std::string(text);
  return std::string(Id3GenreName(SmallNumber(firstCode)));
}

}  // namespace

bool TID3v2::ReadFromFile(const std::string& path) {
  TFileByteSource source(path);
  if (!source.IsOpen()) {
    Reset();
    return false;
  }
  return ReadFrom(source);
}

bool TID3v2::ReadFrom(TByteSource& source) {
  Reset();
  std::vector<std::uint8_t> head(static_cast<std::size_t>(std::min<std::uint64_t>(source.Size(), kHeadSize)));
  const auto got = source.ReadAt(0, head);
  if (!got) return false;
  return ReadFromHead(std::span(head).first(*got), source.Size());
}

bool TID3v2::ReadFromHead(std::span<const std::uint8_t> head, std::uint64_t fileSize) {
  Reset();
  if (head.size() < kHeaderSize) return false;
  if (head[0] != 'I' || head[1] != 'D' || head[2] != '3') return true;
  exists_ = true;
  versionId_ = head[3];
  std::uint32_t size = kHeaderSize;
  for (std::size_t i = 6; i < 10; ++i) size += static_cast<std::uint32_t>(head[i] & 0x7F) << (7 * (9 - i));
  size_ = size <= fileSize ? size : 0;
  if (versionId_ == 3 && size_ > 0) ReadFrames(head, fileSize);
  return true;
}

void TID3v2::ReadFrames(std::span<const std::uint8_t> head, std::uint64_t fileSize) {
  std::array<std::span<const std::uint8_t>, kFrameCount> found{};
  // Every frame moves on by at least its header, so the walk ends within the head.
  std::uint64_t position = kHeaderSize;
  while (position < size_ && position < fileSize && position + kHeaderSize <= head.size()) {
    const auto header = head.subspan(static_cast<std::size_t>(position), kHeaderSize);
    if (header[0] < 'A' || header[0] > 'Z') break;
    const std::uint32_t dataSize = BigEndian32(header.subspan(4, 4));
    const std::size_t dataStart = static_cast<std::size_t>(position) + kHeaderSize;
    const std::size_t length = std::min<std::size_t>({dataSize, kMaxFrameData, head.size() - dataStart});
    const std::string_view id(reinterpret_cast<const char*>(header.data()), 4);
    const auto known = std::find(kFrameIds.begin(), kFrameIds.end(), id);
    if (known != kFrameIds.end()) {
      found[static_cast<std::size_t>(known - kFrameIds.begin())] = head.subspan(dataStart, length);
    }
    position = dataStart + std::uint64_t{dataSize};
  }
  title_ = FrameText(found[kTitle]);
  artist_ = FrameText(found[kArtist]);
  album_ = FrameText(found[kAlbum]);
  year_ = FrameText(found[kYear]);
  genre_ = GenreText(FrameText(found[kGenre]));
  comment_ = CommentText(found[kComment]);
  track_ = TrackNumber(FrameText(found[kTrack]));
}

void TID3v2::Reset() { *this = TID3v2(); }

}  // namespace kp
