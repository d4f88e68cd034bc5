#pragma once
// Builders for MP3 files made byte by byte, for what an encoder does not make.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace kp::test {

using Bytes = std::vector<std::uint8_t>;
using Header = std::array<std::uint8_t, 4>;

// MPEG 1 Layer III, 128 kbit/s, 44,100 Hz, joint stereo, no padding: 417-byte frames.
inline constexpr Header kCbr128 = {0xFF, 0xFB, 0x90, 0x44};

inline void Append(Bytes& bytes, std::string_view text) {
  bytes.insert(bytes.end(), text.begin(), text.end());
}
inline void Append(Bytes& bytes, std::span<const std::uint8_t> more) {
  bytes.insert(bytes.end(), more.begin(), more.end());
}
inline void AppendBigEndian(Bytes& bytes, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}
inline void PutBigEndian(Bytes& bytes, std::size_t at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}
inline void Put(Bytes& bytes, std::size_t at, std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) bytes[at + i] = static_cast<std::uint8_t>(text[i]);
}

// count frames of the given length, each the header and zeros.
inline Bytes Frames(const Header& header, std::size_t length, int count) {
  Bytes bytes;
  for (int i = 0; i < count; ++i) {
    Append(bytes, header);
    bytes.resize(bytes.size() + length - 4);
  }
  return bytes;
}

// An ID3v2 tag header that announces a tag of totalSize bytes (header included).
inline Bytes Id3v2Header(std::uint8_t version, std::uint32_t totalSize) {
  Bytes bytes{'I', 'D', '3', version, 0, 0};
  const std::uint32_t size = totalSize - 10;
  for (int shift = 21; shift >= 0; shift -= 7)
    bytes.push_back(static_cast<std::uint8_t>((size >> shift) & 0x7F));
  return bytes;
}

inline void AppendId3v2Frame(Bytes& bytes, std::string_view id, std::string_view data) {
  Append(bytes, id);
  AppendBigEndian(bytes, static_cast<std::uint32_t>(data.size()));
  bytes.push_back(0);
  bytes.push_back(0);
  Append(bytes, data);
}

}  // namespace kp::test
