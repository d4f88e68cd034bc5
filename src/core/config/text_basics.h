#pragma once
// The small text operations every registry and list of the program relies on:
// names and keys are compared trimmed and without regard to ASCII letter case.

#include <cstddef>
#include <string>
#include <string_view>

namespace kp {

// Blanks and control characters: every byte up to and including the space.
constexpr bool IsBlankOrControl(char c) noexcept {
  return static_cast<unsigned char>(c) <= 0x20;
}

constexpr char ToUpperAscii(char c) noexcept {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c;
}

constexpr char ToLowerAscii(char c) noexcept {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

// Removes leading and trailing blanks and control characters.
std::string_view Trim(std::string_view text) noexcept;

std::string ToUpperAscii(std::string_view text);
std::string ToLowerAscii(std::string_view text);

constexpr bool EqualsIgnoreCase(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ToUpperAscii(a[i]) != ToUpperAscii(b[i])) return false;
  }
  return true;
}

}  // namespace kp
