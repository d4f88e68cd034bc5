#include "core/host/guid.h"

#include <cstdio>

#include "core/config/text_basics.h"

namespace kp {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads `digits` hex digits at `at`, advancing it; no value on a non-digit.
std::optional<std::uint32_t> ReadHex(std::string_view text, std::size_t& at, std::size_t digits) {
  if (at + digits > text.size()) return std::nullopt;
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < digits; ++i) {
    const int digit = HexValue(text[at + i]);
    if (digit < 0) return std::nullopt;
    value = value << 4 | static_cast<std::uint32_t>(digit);
  }
  at += digits;
  return value;
}

bool Expect(std::string_view text, std::size_t& at, char c) {
  if (at >= text.size() || text[at] != c) return false;
  ++at;
  return true;
}

}  // namespace

std::string GuidToText(const TGuid& guid) {
  char text[39];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.data1, guid.data2,
                guid.data3, guid.data4[0], guid.data4[1], guid.data4[2], guid.data4[3], guid.data4[4],
                guid.data4[5], guid.data4[6], guid.data4[7]);
  return text;
}

std::optional<TGuid> GuidFromText(std::string_view text) {
  text = Trim(text);
  const bool braced = !text.empty() && text.front() == '{';
  if (braced) {
    if (text.size() != 38 || text.back() != '}') return std::nullopt;
    text = text.substr(1, 36);
  }
  if (text.size() != 36) return std::nullopt;
  std::size_t at = 0;
  TGuid guid;
  const auto d1 = ReadHex(text, at, 8);
  if (!d1 || !Expect(text, at, '-')) return std::nullopt;
  const auto d2 = ReadHex(text, at, 4);
  if (!d2 || !Expect(text, at, '-')) return std::nullopt;
  const auto d3 = ReadHex(text, at, 4);
  if (!d3 || !Expect(text, at, '-')) return std::nullopt;
  guid.data1 = *d1;
  guid.data2 = static_cast<std::uint16_t>(*d2);
  guid.data3 = static_cast<std::uint16_t>(*d3);
  for (std::size_t i = 0; i < 8; ++i) {
    if (i == 2 && !Expect(text, at, '-')) return std::nullopt;
    const auto byte = ReadHex(text, at, 2);
    if (!byte) return std::nullopt;
    guid.data4[i] = static_cast<std::uint8_t>(*byte);
  }
  return guid;
}

}  // namespace kp
