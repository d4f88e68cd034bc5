#pragma once
// What every text from a tag must be, whatever the bytes: well-formed UTF-8,
// without NUL, of bounded length.

#include <cstddef>
#include <string_view>

inline bool IsCleanTagText(std::string_view text, std::size_t maxBytes) {
  if (text.size() > maxBytes) return false;
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    std::size_t length = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 ? 2 : 0;
    if (b == 0 || length == 0 || b > 0xF4 || i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}
