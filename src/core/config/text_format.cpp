#include "core/config/text_format.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <span>
#include <vector>

#include "core/config/global_stores.h"
#include "core/config/text_basics.h"
#include "core/config/text_ids.h"

namespace kp {
namespace {

NumberFormat ReadUserNumberFormat() {
  NumberFormat format;
  locale_t user = ::newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
  if (!user) return format;
  const char* thousands = ::nl_langinfo_l(THOUSEP, user);
  const char* decimal = ::nl_langinfo_l(RADIXCHAR, user);
  if (thousands && *thousands) format.thousandsSeparator = thousands;
  if (decimal && *decimal) format.decimalSeparator = decimal;
  ::freelocale(user);
  return format;
}

// Digits of a magnitude grouped by three.
std::string GroupedDigits(std::uint64_t magnitude, const NumberFormat& format) {
  const std::string digits = std::to_string(magnitude);
  std::string grouped;
  grouped.reserve(digits.size() + digits.size() / 3 * format.thousandsSeparator.size());
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += format.thousandsSeparator;
    grouped += digits[i];
  }
  return grouped;
}

std::uint64_t Magnitude(std::int64_t value) {
  return value < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
}

}  // namespace

const NumberFormat& UserNumberFormat() {
  static const NumberFormat format = ReadUserNumberFormat();
  return format;
}

std::string FormatThousands(std::int64_t value, const NumberFormat& format) {
  if (value == 0) return "0";
  std::string text = value < 0 ? "-" : "";
  text += GroupedDigits(Magnitude(value), format);
  return text;
}

std::string FormatMinutesSeconds(std::int64_t seconds) {
  const std::uint64_t magnitude = Magnitude(seconds);
  const std::uint64_t rest = magnitude % 60;
  std::string text = seconds < 0 ? "-" : "";
  text += std::to_string(magnitude / 60);
  text += rest < 10 ? ":0" : ":";
  text += std::to_string(rest);
  return text;
}

std::string FormatTenths(std::int64_t tenths, const NumberFormat& format) {
  const std::uint64_t magnitude = Magnitude(tenths);
  const std::uint64_t whole = magnitude / 10;
  const std::uint64_t fraction = magnitude % 10;
  std::string text = tenths < 0 ? "-" : "";
  if (whole > 0) text += GroupedDigits(whole, format);
  if (fraction > 0) {
    text += format.decimalSeparator;
    text += static_cast<char>('0' + fraction);
  }
  return text;
}

namespace {

// The arguments, already text, into the format's placeholders of the type
// ('s' or 'd', in either letter case). A placeholder takes the argument its
// index names, or the one after the argument last taken.
std::optional<std::string> FormatWithArguments(std::string_view format,
                                               std::span<const std::string> arguments, char type) {
  std::string result;
  result.reserve(format.size() + 16);
  std::size_t nextArgument = 0;
  std::size_t i = 0;
  auto readNumber = [&](std::size_t& at) -> std::optional<std::size_t> {
    std::size_t value = 0;
    const std::size_t start = at;
    while (at < format.size() && format[at] >= '0' && format[at] <= '9') {
      value = value * 10 + static_cast<std::size_t>(format[at] - '0');
      if (value > 4096) return std::nullopt;  // no sane caption is wider
      ++at;
    }
    if (at == start) return std::nullopt;
    return value;
  };

  while (i < format.size()) {
    const char c = format[i++];
    if (c != '%') {
      result += c;
      continue;
    }
    if (i < format.size() && format[i] == '%') {
      result += '%';
      ++i;
      continue;
    }
    // [index ":"] ["-"] [width] ["." precision] type
    std::size_t at = i;
    if (auto index = readNumber(at); index && at < format.size() && format[at] == ':') {
      nextArgument = *index;
      i = at + 1;
    }
    at = i;
    const bool leftAlign = at < format.size() && format[at] == '-';
    if (leftAlign) ++at;
    std::size_t width = 0;
    if (at < format.size() && format[at] >= '0' && format[at] <= '9') {
      auto parsed = readNumber(at);
      if (!parsed) return std::nullopt;
      width = *parsed;
    }
    std::optional<std::size_t> precision;
    if (at < format.size() && format[at] == '.') {
      ++at;
      precision = readNumber(at);
      if (!precision) return std::nullopt;
    }
    if (at >= format.size() || ToLowerAscii(format[at]) != type) return std::nullopt;
    i = at + 1;
    if (nextArgument >= arguments.size()) return std::nullopt;
    std::string_view value = arguments[nextArgument++];
    if (precision && *precision < value.size()) value = value.substr(0, *precision);
    const std::size_t padding = width > value.size() ? width - value.size() : 0;
    if (!leftAlign) result.append(padding, ' ');
    result += value;
    if (leftAlign) result.append(padding, ' ');
  }
  return result;
}

}  // namespace

std::optional<std::string> FormatWithText(std::string_view format, std::string_view argument) {
  const std::string arguments[] = {std::string(argument)};
  return FormatWithArguments(format, arguments, 's');
}

std::optional<std::string> FormatWithNumber(std::string_view format, std::int64_t value) {
  return FormatWithNumbers(format, {value});
}

std::optional<std::string> FormatWithNumbers(std::string_view format,
                                             std::initializer_list<std::int64_t> values) {
  std::vector<std::string> arguments;
  arguments.reserve(values.size());
  for (std::int64_t value : values) arguments.push_back(std::to_string(value));
  return FormatWithArguments(format, arguments, 'd');
}

std::string FormatSize(std::int64_t bytes, TSimpleConfig& language, const NumberFormat& format) {
  struct Unit {
    std::int64_t divisor;
    TTextId text;
  };
  static constexpr Unit kUnits[] = {{1'000'000'000'000, text::kTerabytes},
                                    {1'000'000'000, text::kGigabytes},
                                    {1'000'000, text::kMegabytes},
                                    {1'000, text::kKilobytes}};
  std::int64_t tenths = 0;
  TTextId unitText = text::kBytes;
  bool found = false;
  for (const Unit& unit : kUnits) {
    if (bytes >= unit.divisor) {
      // Rounded half up in exact integer arithmetic.
      const std::int64_t perTenth = unit.divisor / 10;
      tenths = bytes / perTenth + ((bytes % perTenth) * 2 >= perTenth ? 1 : 0);
      unitText = unit.text;
      found = true;
      break;
    }
  }
  std::string number;
  if (found) {
    number = FormatTenths(tenths, format);
  } else {
    number = bytes == 0 ? std::string() : FormatThousands(bytes, format);
  }
  const auto text = FormatWithText(GetLanguageText(unitText, language), number);
  return text ? *text : std::string(kCheckLanguageFile);
}

std::string FormatDuration(std::int32_t seconds, TSimpleConfig& language) {
  if (seconds <= 0) return GetLanguageText(text::kZeroSeconds, language);
  struct Unit {
    std::int32_t length;
    TTextId text;
  };
  static constexpr Unit kUnits[] = {{31'536'000, text::kYears},
                                    {86'400, text::kDays},
                                    {3'600, text::kHours},
                                    {60, text::kMinutes},
                                    {1, text::kSeconds}};
  std::string text;
  std::int32_t left = seconds;
  for (const Unit& unit : kUnits) {
    const std::int32_t count = left / unit.length;
    left %= unit.length;
    if (count > 0) {
      text += std::to_string(count);
      text += ' ';
      text += GetLanguageText(unit.text, language);
      text += ' ';
    }
  }
  return text;
}

}  // namespace kp
