#pragma once
// The core's texts are UTF-8 bytes; the desktop face shows them as Qt strings.

#include <QString>
#include <string_view>

namespace kp {

[[nodiscard]] inline QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace kp
