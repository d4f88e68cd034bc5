#pragma once
// The small text operations every registry and list of the program relies on:
// names and keys are compared trimmed and without regard to ASCII letter case.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

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
constexpr std::string_view Trim(std::string_view text) noexcept {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && IsBlankOrControl(text[first])) ++first;
  while (last > first && IsBlankOrControl(text[last - 1])) --last;
  return text.substr(first, last - first);
}

// The lines of a text, at most maxLines of them: CR, LF or CR LF end a line,
// the last line needs no end, and an empty line is an empty one.
[[nodiscard]] std::vector<std::string> SplitLines(std::string_view text,
                                                  std::size_t maxLines = static_cast<std::size_t>(-1));

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
