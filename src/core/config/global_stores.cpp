#include "core/config/global_stores.h"

namespace kp {

TSimpleConfig& SettingsConfig() {
  static TSimpleConfig store;
  return store;
}

TSimpleConfig& LanguageConfig() {
  static TSimpleConfig store;
  return store;
}

void SetLanguageSection(std::string_view section, TSimpleConfig& language) {
  language.SelectSection(section);
}

std::string GetLanguageText(std::string_view id, const TSimpleConfig& language) {
  return language.ReadString(id);
}

std::string GetLanguageText(TTextId text, TSimpleConfig& language) {
  SetLanguageSection(text.section, language);
  return GetLanguageText(text.id, language);
}

}  // namespace kp
