#pragma once
// The core's texts are UTF-8 bytes; the desktop face shows them as Qt strings.

#include <QString>
#include <string_view>

namespace kp {

[[nodiscard]] inline QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A caption whose "&" marks an access key, for a place that has none (a window
// caption, a tip): the marks go, and "&&" becomes the "&" it stands for.
[[nodiscard]] inline QString WithoutAccessKeys(const QString& caption) {
  QString plain;
  plain.reserve(caption.size());
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == u'&' && ++i == caption.size()) break;
    plain += caption[i];
  }
  return plain;
}

}  // namespace kp
