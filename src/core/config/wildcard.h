#pragma once

#include <string_view>

namespace kp {

// Whole-name glob: "?" is any one character, "*" any run (none included), other
// characters match themselves with ASCII letters compared without regard to case.
// An empty pattern matches every name. Runs in time proportional to the product of
// the lengths at worst (patterns come from users, names from peers).
[[nodiscard]] bool MatchWildcard(std::string_view pattern, std::string_view name) noexcept;

}  // namespace kp
