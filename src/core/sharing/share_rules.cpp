#include "core/sharing/share_rules.h"

#include "core/config/text_basics.h"
#include "core/config/tree_config.h"
#include "core/config/wildcard.h"

namespace kp {
namespace {

TShareRules RulesOf(const TConfig& config) {
  TShareRules rules;
  const TConfigNode* folder = config.Root().FindFolder("SCANNING_RULES");
  if (!folder) return rules;
  // Each rule is a folder of its own; its name carries no meaning.
  for (const TConfigNode::Child& child : folder->folders) {
    const auto value = [&](std::string_view name) {
      const std::string* text = child.node->FindValue(name);
      return text ? *text : std::string();
    };
    rules.push_back({value("KEYWORD"), value("IGNORE_KEYWORD"), value("DESCRIPTION")});
  }
  return rules;
}

}  // namespace

TShareRules ParseShareRules(std::string_view text) {
  TConfig config;
  config.LoadFromBuffer(text);
  return RulesOf(config);
}

TShareRules ReadShareRules(const std::string& path) {
  TConfig config;
  try {
    config.LoadFromFile(path);
  } catch (const EConfig&) {
    // A file cut short still gives the rules read before the cut.
  }
  return RulesOf(config);
}

const TShareRule* FindShareRule(const TShareRules& rules, std::string_view path,
                                const std::atomic<bool>& abort) noexcept {
  for (const TShareRule& rule : rules) {
    if (abort.load(std::memory_order_relaxed)) return nullptr;
    if (!MatchWildcard(rule.Keyword, path)) continue;
    if (Trim(rule.IgnoreKeyword).empty() || MatchWildcard(rule.IgnoreKeyword, path)) return &rule;
  }
  return nullptr;
}

}  // namespace kp
