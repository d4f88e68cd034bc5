#include "ui/settings/number_field.h"

#include "core/config/text_conversions.h"

namespace kp {

TNumberField::TNumberField(TPattern pattern, QWidget* parent) : QLineEdit(parent), pattern_(pattern) {
  // Far more than any 32-bit number with its sign; a paste of a book is cut.
  setMaxLength(64);
}

std::int32_t TNumberField::Value() const {
  // Clamped, not wrapped: an over-long number must not turn into a negative limit.
  return ClampToInt32(TextToInt64(text().toStdString()));
}

void TNumberField::SetValue(std::int32_t value) { setText(Display(value, pattern_)); }

QString TNumberField::Display(std::int32_t value, TPattern pattern) {
  if (value == 0 && pattern == TPattern::Hash) return {};
  return QString::number(value);
}

void TNumberField::focusOutEvent(QFocusEvent* event) {
  SetValue(Value());
  QLineEdit::focusOutEvent(event);
}

}  // namespace kp

#include "moc_number_field.cpp"
