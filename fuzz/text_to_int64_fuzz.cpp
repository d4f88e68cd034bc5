// Number reading against a slow reference: keep digits and minus signs, then
// read an optional sign and digits, saturating at the 64-bit bounds.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "core/config/text_conversions.h"
#include "fuzz_check.h"

namespace {

__extension__ using Int128 = __int128;

std::optional<std::int64_t> Reference(std::string_view text) {
  std::string kept;
  for (char c : text) {
    if (c == '\0') break;
    if (c == '-' || (c >= '0' && c <= '9')) kept += c;
  }
  if (kept.empty()) return 0;
  const bool negative = kept[0] == '-';
  const std::string digits = negative ? kept.substr(1) : kept;
  if (digits.empty() || digits.find('-') != std::string::npos) return std::nullopt;
  Int128 value = 0;
  for (char c : digits) {
    value = value * 10 + (c - '0');
    if (value > (static_cast<Int128>(1) << 64)) value = static_cast<Int128>(1) << 64;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<std::int64_t>::max()) return std::numeric_limits<std::int64_t>::max();
  if (value < std::numeric_limits<std::int64_t>::min()) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  FUZZ_CHECK(kp::TryTextToInt64(text) == Reference(text));
  (void)kp::TextToBoolean(text);
  return 0;
}
