// Wildcard matching against a table-driven reference matcher. The first byte
// says where the pattern ends and the name begins.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/config/wildcard.h"
#include "fuzz_check.h"
#include "support/wildcard_reference.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::size_t split = data[0] % (rest.size() + 1);
  const std::string_view pattern = rest.substr(0, split);
  const std::string_view name = rest.substr(split);
  FUZZ_CHECK(kp::MatchWildcard(pattern, name) == kp::test::ReferenceWildcardMatch(pattern, name));
  return 0;
}
