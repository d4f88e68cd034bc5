// The settings reader takes any bytes; what it stores must survive a save and a
// second load unchanged.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/config/simple_config.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  kp::TSimpleConfig first;
  first.LoadFromText(text);
  const std::string saved = first.SaveToText();

  kp::TSimpleConfig second;
  second.LoadFromText(saved);
  FUZZ_CHECK(second.SaveToText() == saved);
  FUZZ_CHECK(second.SectionCount() == first.SectionCount());
  return 0;
}
