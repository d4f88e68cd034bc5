#pragma once
// Every text the program looks up in the language file, by section and five-digit
// id, with a short note of where it shows. The language file that ships with the
// program holds each of them; a translation should too.

#include <span>
#include <string_view>

namespace kp {

struct LanguageTextId {
  std::string_view section;
  std::string_view id;
  // The arguments the text is formatted with, in order: empty for a text that is
  // shown as it stands, "s" for one text, "d" for one integer, "dd" for two.
  // A formatted text holds exactly these placeholders (%s or %d; %% for a
  // percent sign); a text shown as it stands holds none.
  std::string_view arguments;
  std::string_view use;
};

// Grouped by section, in the order the language file lists them.
extern const std::span<const LanguageTextId> kLanguageTextIds;

}  // namespace kp
