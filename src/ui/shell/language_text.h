#pragma once
// A named text of the language file (text_ids.h), for the desktop face. The
// store's selected section changes with every read.

#include <QString>

#include "core/config/global_stores.h"
#include "core/config/text_format.h"
#include "core/config/text_ids.h"

namespace kp {

inline QString LanguageText(TSimpleConfig& language, TTextId text) {
  return QString::fromStdString(GetLanguageText(text, language));
}

// A language text with one "%d" ("Results: %d"), filled with the number; a
// translation whose placeholders do not fit shows the number alone.
inline QString WithNumber(std::string_view format, std::int64_t value) {
  return QString::fromStdString(FormatWithNumber(format, value).value_or(std::to_string(value)));
}

}  // namespace kp
