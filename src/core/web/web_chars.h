#pragma once
// The byte classes and number readers that every parser of the web client shares.

#include <array>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

namespace kp {

enum class EWebCharClass : std::uint8_t {
  LineEnd = 0,  // CR, LF
  Word = 1,     // letters and - / \ : ; =
  Digit = 2,    // 0-9
  Blank = 3,    // TAB, space
  Other = 4,    // every other byte
  End = 5,      // NUL, and the end of the connection
};

namespace web_detail {

constexpr std::array<EWebCharClass, 256> MakeCharClasses() {
  std::array<EWebCharClass, 256> table{};
  for (auto& entry : table) entry = EWebCharClass::Other;
  table['\r'] = table['\n'] = EWebCharClass::LineEnd;
  for (int c = 'A'; c <= 'Z'; ++c) table[static_cast<std::size_t>(c)] = EWebCharClass::Word;
  for (int c = 'a'; c <= 'z'; ++c) table[static_cast<std::size_t>(c)] = EWebCharClass::Word;
  for (char c : std::string_view("-/\\:;=")) table[static_cast<unsigned char>(c)] = EWebCharClass::Word;
  for (int c = '0'; c <= '9'; ++c) table[static_cast<std::size_t>(c)] = EWebCharClass::Digit;
  table['\t'] = table[' '] = EWebCharClass::Blank;
  table[0] = EWebCharClass::End;
  return table;
}

constexpr std::array<std::int8_t, 256> MakeHexValues() {
  std::array<std::int8_t, 256> table{};
  for (auto& entry : table) entry = -1;
  for (int c = 0; c < 10; ++c) table[static_cast<std::size_t>('0' + c)] = static_cast<std::int8_t>(c);
  for (int c = 0; c < 6; ++c) {
    table[static_cast<std::size_t>('a' + c)] = static_cast<std::int8_t>(10 + c);
    table[static_cast<std::size_t>('A' + c)] = static_cast<std::int8_t>(10 + c);
  }
  return table;
}

inline constexpr std::array<EWebCharClass, 256> kCharClasses = MakeCharClasses();
inline constexpr std::array<std::int8_t, 256> kHexValues = MakeHexValues();

}  // namespace web_detail

[[nodiscard]] constexpr EWebCharClass WebCharClass(char c) noexcept {
  return web_detail::kCharClasses[static_cast<unsigned char>(c)];
}

// 0-15 for a hexadecimal digit, -1 for every other byte.
[[nodiscard]] constexpr int WebHexValue(char c) noexcept {
  return web_detail::kHexValues[static_cast<unsigned char>(c)];
}

[[nodiscard]] constexpr bool IsWebBlank(char c) noexcept { return WebCharClass(c) == EWebCharClass::Blank; }

// A text made only of decimal digits (no sign, no blanks) whose value fits the
// range 0..maxValue; anything else is no number. Servers write these numbers,
// so nothing looser is accepted.
[[nodiscard]] inline std::optional<std::int64_t> ReadWebDecimal(std::string_view text,
                                                                std::int64_t maxValue) noexcept {
  if (text.empty() || text.size() > 18) return std::nullopt;
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text[0] == '-') return std::nullopt;
  if (value > maxValue) return std::nullopt;
  return value;
}

}  // namespace kp
