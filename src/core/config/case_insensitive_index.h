#pragma once
// A name → position index that compares names without regard to ASCII letter
// case, for the ordered lists of the stores (sections, keys) that must stay fast
// when a file holds many thousands of entries.

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/config/text_basics.h"

namespace kp {

struct CaseInsensitiveHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const noexcept {
    std::size_t hash = 14695981039346656037ull;  // FNV-1a over the upper-cased bytes
    for (char c : text) {
      hash ^= static_cast<unsigned char>(ToUpperAscii(c));
      hash *= 1099511628211ull;
    }
    return hash;
  }
};

struct CaseInsensitiveEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const noexcept {
    return EqualsIgnoreCase(a, b);
  }
};

using CaseInsensitiveIndex =
    std::unordered_map<std::string, std::size_t, CaseInsensitiveHash, CaseInsensitiveEqual>;

}  // namespace kp
