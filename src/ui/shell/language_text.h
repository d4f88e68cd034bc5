#pragma once
// A text of the language file by section and id, for the desktop face. The
// store's selected section changes with every read.

#include <QString>

#include "core/config/global_stores.h"
#include "core/config/text_ids.h"

namespace kp {

inline QString LanguageText(TSimpleConfig& language, TTextId text) {
  return QString::fromStdString(GetLanguageText(text, language));
}

inline QString LanguageText(TSimpleConfig& language, const char* section, const char* id) {
  SetLanguageSection(section, language);
  return QString::fromStdString(GetLanguageText(id, language));
}

}  // namespace kp
