#pragma once
// Language texts that take one integer ("Results: %d", "%d kbps"). A
// translation is user-edited text, so it never reaches printf: the first "%d"
// takes the number, "%%" is a percent sign, anything else stands as written.

#include <QString>
#include <cstdint>

namespace kp {

[[nodiscard]] QString FormatWithNumber(const QString& format, std::int64_t value);

}  // namespace kp
