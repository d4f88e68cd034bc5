#pragma once
// The textbook table matcher for "*" and "?" patterns. The tests and the wildcard
// fuzz target hold MatchWildcard against it: far too slow for the program, but
// simple enough to trust.

#include <cstddef>
#include <string_view>
#include <vector>

#include "core/config/text_basics.h"

namespace kp::test {

// Row i of the table tells which name prefixes the first i pattern characters
// match. An empty pattern matches everything, as in MatchWildcard.
inline bool ReferenceWildcardMatch(std::string_view pattern, std::string_view name) {
  if (pattern.empty()) return true;
  std::vector<bool> previous(name.size() + 1, false);
  previous[0] = true;
  for (const char p : pattern) {
    std::vector<bool> row(name.size() + 1, false);
    for (std::size_t j = 0; j <= name.size(); ++j) {
      if (p == '*') {
        row[j] = previous[j] || (j > 0 && row[j - 1]);
      } else {
        row[j] = j > 0 && previous[j - 1] && (p == '?' || ToUpperAscii(p) == ToUpperAscii(name[j - 1]));
      }
    }
    previous.swap(row);
  }
  return previous[name.size()];
}

}  // namespace kp::test
