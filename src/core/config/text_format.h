#pragma once
// Numbers, sizes and durations as the user sees them. Sizes and durations take
// their words from the "General" section of the language file.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "core/config/global_stores.h"

namespace kp {

// The separators of the user's locale (LC_NUMERIC from the environment). A locale
// without grouping (the C locale) gets the English "," so the "#,###" patterns
// still group.
struct NumberFormat {
  std::string thousandsSeparator = ",";
  std::string decimalSeparator = ".";
};
[[nodiscard]] const NumberFormat& UserNumberFormat();

// "0" for zero, otherwise the number grouped by thousands.
[[nodiscard]] std::string FormatThousands(std::int64_t value,
                                          const NumberFormat& format = UserNumberFormat());

// Whole minutes, ":", seconds as two digits: 3725 gives "62:05". Negative counts
// keep their sign in front.
[[nodiscard]] std::string FormatMinutesSeconds(std::int64_t seconds);

// The count in decimal units (bytes, kilo-, mega-, giga-, terabytes) with at most
// one rounded decimal, put into the unit's language text at its "%s". A text that
// is not a format for one string gives "Check Language File".
[[nodiscard]] std::string FormatSize(std::int64_t bytes, TSimpleConfig& language = LanguageConfig(),
                                     const NumberFormat& format = UserNumberFormat());

// Years, days, hours, minutes and seconds with a count above zero, each as the
// count, a blank, the unit's word and a blank; zero (or a negative count) gives
// the zero text alone.
[[nodiscard]] std::string FormatDuration(std::int32_t seconds, TSimpleConfig& language = LanguageConfig());

// The "#,###.#" pattern on a count of tenths: grouped whole part without a leading
// zero, then the decimal separator and the tenths digit when it is not zero.
// Zero gives empty text and five tenths ".5".
[[nodiscard]] std::string FormatTenths(std::int64_t tenths, const NumberFormat& format = UserNumberFormat());

// Puts one text argument into a format text with "%s"-style placeholders (an
// optional "0:" index, "-" for left alignment, a width and a ".precision" that
// cuts the argument; "%%" is a percent sign). No value when the format needs
// anything other than that one text.
[[nodiscard]] std::optional<std::string> FormatWithText(std::string_view format, std::string_view argument);
// The same for one integer with "%d"-style placeholders ("Results: %d").
[[nodiscard]] std::optional<std::string> FormatWithNumber(std::string_view format, std::int64_t value);
// Several integers: each placeholder takes the next one, or the one its index
// names ("%1:d of %0:d"). No value when a placeholder has no argument.
[[nodiscard]] std::optional<std::string> FormatWithNumbers(std::string_view format,
                                                           std::initializer_list<std::int64_t> values);

// What a text shows when the language file's format does not fit its values.
inline constexpr std::string_view kCheckLanguageFile = "Check Language File";

}  // namespace kp
