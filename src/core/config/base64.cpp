#include "core/config/base64.h"

#include <array>
#include <cstdint>

namespace kp {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::size_t kBytesPerLine = 60;

constexpr int kSkip = -1;
constexpr int kPadding = -2;

constexpr std::array<int, 256> MakeDecodeTable() {
  std::array<int, 256> table{};
  for (int& value : table) value = kSkip;
  for (int i = 0; i < 64; ++i) table[static_cast<unsigned char>(kAlphabet[i])] = i;
  table[static_cast<unsigned char>('=')] = kPadding;
  return table;
}
constexpr std::array<int, 256> kDecode = MakeDecodeTable();

}  // namespace

std::string Base64Encode(std::string_view bytes) {
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4 + bytes.size() / kBytesPerLine * 2);
  std::size_t i = 0;
  while (i + 3 <= bytes.size()) {
    const std::uint32_t group = (std::uint32_t{static_cast<unsigned char>(bytes[i])} << 16) |
                                (std::uint32_t{static_cast<unsigned char>(bytes[i + 1])} << 8) |
                                std::uint32_t{static_cast<unsigned char>(bytes[i + 2])};
    text += kAlphabet[(group >> 18) & 63];
    text += kAlphabet[(group >> 12) & 63];
    text += kAlphabet[(group >> 6) & 63];
    text += kAlphabet[group & 63];
    i += 3;
    if (i % kBytesPerLine == 0) text += "\r\n";
  }
  const std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    std::uint32_t group = std::uint32_t{static_cast<unsigned char>(bytes[i])} << 16;
    if (rest == 2) group |= std::uint32_t{static_cast<unsigned char>(bytes[i + 1])} << 8;
    text += kAlphabet[(group >> 18) & 63];
    text += kAlphabet[(group >> 12) & 63];
    text += rest == 2 ? kAlphabet[(group >> 6) & 63] : '=';
    text += '=';
  }
  return text;
}

std::string Base64Decode(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size() / 4 * 3 + 3);
  int quad[4];
  int count = 0;
  auto flush = [&](int present) {
    // Byte k is made of characters k and k + 1 of the group.
    for (int k = 0; k + 1 < present; ++k) {
      if (quad[k] < 0 || quad[k + 1] < 0) continue;
      const unsigned high = static_cast<unsigned>(quad[k]) << (2 + 2 * k);
      const unsigned low = static_cast<unsigned>(quad[k + 1]) >> (4 - 2 * k);
      bytes += static_cast<char>((high | low) & 0xFF);
    }
  };
  for (const char c : text) {
    const int value = kDecode[static_cast<unsigned char>(c)];
    if (value == kSkip) continue;
    quad[count++] = value;
    if (count == 4) {
      flush(4);
      count = 0;
    }
  }
  if (count > 0) flush(count);
  return bytes;
}

}  // namespace kp
