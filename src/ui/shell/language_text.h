#pragma once
// A named text of the language file (text_ids.h), for the desktop face. The
// store's selected section changes with every read.

#include <QString>

#include "core/config/global_stores.h"
#include "core/config/text_ids.h"

namespace kp {

inline QString LanguageText(TSimpleConfig& language, TTextId text) {
  return QString::fromStdString(GetLanguageText(text, language));
}

}  // namespace kp
