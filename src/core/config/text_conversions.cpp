#include "core/config/text_conversions.h"

#include <limits>

#include "core/config/text_basics.h"

namespace kp {

std::optional<std::int64_t> TryTextToInt64(std::string_view text) noexcept {
  // One pass over the text: the kept characters are validated as they come, so
  // nothing is copied and an over-long run of digits cannot overflow.
  bool anyKept = false;
  bool negative = false;
  bool seenDigit = false;
  bool malformed = false;
  bool saturated = false;
  std::uint64_t magnitude = 0;
  constexpr std::uint64_t kMaxNegative = std::uint64_t{1} << 63;  // |INT64_MIN|

  for (char c : text) {
    if (c == '\0') break;
    if (c == '-') {
      anyKept = true;
      if (seenDigit || negative) malformed = true;
      negative = true;
      continue;
    }
    if (c < '0' || c > '9') continue;
    anyKept = true;
    seenDigit = true;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (!saturated) {
      if (magnitude > (kMaxNegative - digit) / 10) {
        saturated = true;
      } else {
        magnitude = magnitude * 10 + digit;
      }
    }
  }

  if (!anyKept) return 0;
  if (malformed || !seenDigit) return std::nullopt;
  if (negative) {
    if (saturated || magnitude >= kMaxNegative) return std::numeric_limits<std::int64_t>::min();
    return -static_cast<std::int64_t>(magnitude);
  }
  if (saturated || magnitude > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
    return std::numeric_limits<std::int64_t>::max();
  }
  return static_cast<std::int64_t>(magnitude);
}

std::int64_t TextToInt64(std::string_view text) noexcept {
  return TryTextToInt64(text).value_or(0);
}

bool TextToBoolean(std::string_view text) noexcept {
  return EqualsIgnoreCase(Trim(text), "TRUE");
}

std::string BooleanToText(bool value) {
  return value ? "TRUE" : "FALSE";
}

}  // namespace kp
