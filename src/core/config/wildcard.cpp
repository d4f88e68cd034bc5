#include "core/config/wildcard.h"

#include "core/config/text_basics.h"

namespace kp {

bool MatchWildcard(std::string_view pattern, std::string_view name) noexcept {
  if (pattern.empty()) return true;
  // Greedy match that, on a mismatch, lets the most recent "*" swallow one more
  // character. Earlier stars never need revisiting: whatever the later star can
  // absorb covers every choice they could make, so no backtracking tree is built.
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t starAt = std::string_view::npos;
  std::size_t resumeAt = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starAt = p++;
      resumeAt = n;
      if (p == pattern.size()) return true;  // a final star takes the rest at once
    } else if (p < pattern.size() &&
               (pattern[p] == '?' || ToUpperAscii(pattern[p]) == ToUpperAscii(name[n]))) {
      ++p;
      ++n;
    } else if (starAt != std::string_view::npos) {
      p = starAt + 1;
      n = ++resumeAt;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace kp
