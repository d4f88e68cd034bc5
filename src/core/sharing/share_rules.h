#pragma once
// Scanning rules: which folders the system scan shares, and under which name.
// They come from "SharedRules.dat" in the program folder, a tree configuration
// file that the program only reads.

#include <atomic>
#include <string>
#include <string_view>
#include <vector>

namespace kp {

inline constexpr std::string_view kShareRulesFileName = "SharedRules.dat";

struct TShareRule {
  std::string Keyword;        // wildcard pattern that a folder's full path must match
  std::string IgnoreKeyword;  // when not blank, a second pattern the path must match too
  std::string Description;    // the name a folder found by this rule is shared under
};

using TShareRules = std::vector<TShareRule>;

// The rules of a rules file's text, in file order. A rule value that is missing
// reads as empty text; text without the rules folder gives none.
[[nodiscard]] TShareRules ParseShareRules(std::string_view text);
// The rules of a rules file; none when it cannot be read.
[[nodiscard]] TShareRules ReadShareRules(const std::string& path);

// The first rule that the path fits, or null. Stops with null once abort is set:
// a rule list may be long, and a scan being stopped must not wait for it.
[[nodiscard]] const TShareRule* FindShareRule(const TShareRules& rules, std::string_view path,
                                              const std::atomic<bool>& abort) noexcept;

}  // namespace kp
