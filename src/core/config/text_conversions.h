#pragma once
// Conversions between typed values and the texts that the stores and packets hold.

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace kp {

// Keeps every decimal digit and minus sign of the text, in order, wherever it
// stands (so "1,024 KB" is 1024 and "2.5 MB" is 25), stopping at an embedded NUL,
// and reads what is kept as a signed decimal number.
//   - nothing kept: 0;
//   - a well-formed number out of the 64-bit range: saturated to the nearest bound;
//   - kept characters that are not a number at all (a lone "-", "--5", "12-3"):
//     no value.
[[nodiscard]] std::optional<std::int64_t> TryTextToInt64(std::string_view text) noexcept;

// TryTextToInt64, with 0 for texts that hold no number. Never throws.
[[nodiscard]] std::int64_t TextToInt64(std::string_view text) noexcept;

// The low 32 bits of a number, as the 32-bit readers of stores and packets and
// the results that reach plugins keep them.
[[nodiscard]] constexpr std::int32_t LowThirtyTwoBits(std::int64_t value) noexcept {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
}

// The number, or the nearest 32-bit bound when it lies beyond them: for
// counts and rates that are summed in 64 bits and reported in 32.
[[nodiscard]] constexpr std::int32_t ClampToInt32(std::int64_t value) noexcept {
  if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

// True exactly when the text, trimmed and upper-cased, is "TRUE".
[[nodiscard]] bool TextToBoolean(std::string_view text) noexcept;

[[nodiscard]] std::string BooleanToText(bool value);

}  // namespace kp
