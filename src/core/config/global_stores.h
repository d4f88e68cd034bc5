#pragma once
// The two process-wide stores: the settings file and the language file. They are
// used on the main thread only; plugin calls reach them through the dispatch.

#include <string>
#include <string_view>

#include "core/config/language_ids.h"
#include "core/config/simple_config.h"

namespace kp {

inline constexpr std::string_view kSettingsFileName = "Application4.cfg";
inline constexpr std::string_view kLanguageFileName = "Application.flf";

[[nodiscard]] TSimpleConfig& SettingsConfig();
[[nodiscard]] TSimpleConfig& LanguageConfig();

// Selects the section that the following GetLanguageText calls read.
void SetLanguageSection(std::string_view section, TSimpleConfig& language = LanguageConfig());

// The text of a five-digit id such as "00014" in the selected section; empty
// when the section or the id is missing (there is no fallback text).
[[nodiscard]] std::string GetLanguageText(std::string_view id,
                                          const TSimpleConfig& language = LanguageConfig());

// A named text (text_ids.h): selects its section and reads its id.
[[nodiscard]] std::string GetLanguageText(TTextId text, TSimpleConfig& language = LanguageConfig());

}  // namespace kp
