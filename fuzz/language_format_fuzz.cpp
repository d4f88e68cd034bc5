// Language texts used as formats come from a file the user may edit: any text
// must format or be refused, never crash, and a text without "%" is kept as is.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/config/simple_config.h"
#include "core/config/text_format.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view format(reinterpret_cast<const char*>(data), size);
  const auto text = kp::FormatWithText(format, "1,234.5");
  if (format.find('%') == std::string_view::npos) {
    FUZZ_CHECK(text.has_value() && *text == format);
  }

  kp::TSimpleConfig language;
  language.SelectSection("General");
  language.WriteString("00022", format);
  const kp::NumberFormat english;
  const auto expected = kp::FormatWithText(format, "1.5");
  FUZZ_CHECK(kp::FormatSize(1'500'000, language, english) == expected.value_or("Check Language File"));
  return 0;
}
