// Wildcard matching against a table-driven reference matcher. The first byte
// says where the pattern ends and the name begins.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "config/text_basics.h"
#include "config/wildcard.h"
#include "fuzz_check.h"

namespace {

bool Reference(std::string_view pattern, std::string_view name) {
  if (pattern.empty()) return true;
  // matches[j]: the pattern so far matches the first j characters of the name.
  std::vector<char> matches(name.size() + 1, 0);
  matches[0] = 1;
  for (char p : pattern) {
    std::vector<char> next(name.size() + 1, 0);
    if (p == '*') {
      char any = 0;
      for (std::size_t j = 0; j <= name.size(); ++j) next[j] = any = static_cast<char>(any | matches[j]);
    } else {
      for (std::size_t j = 1; j <= name.size(); ++j) {
        const bool same = p == '?' || kp::ToUpperAscii(p) == kp::ToUpperAscii(name[j - 1]);
        next[j] = static_cast<char>(matches[j - 1] && same);
      }
    }
    matches.swap(next);
  }
  return matches[name.size()] != 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::size_t split = data[0] % (rest.size() + 1);
  const std::string_view pattern = rest.substr(0, split);
  const std::string_view name = rest.substr(split);
  FUZZ_CHECK(kp::MatchWildcard(pattern, name) == Reference(pattern, name));
  return 0;
}
