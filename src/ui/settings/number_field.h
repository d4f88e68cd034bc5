#pragma once
// A field that holds one 32-bit number. Whatever is typed counts by its digits
// and minus signs only ("1a2" is 12), and the field shows the number again
// through its display pattern once it loses the focus or is set: "#" leaves a
// zero empty, "0" shows it. There is no range check beyond the 32 bits.

#include <QLineEdit>

#include <cstdint>

namespace kp {

class TNumberField : public QLineEdit {
  Q_OBJECT

 public:
  enum class TPattern { Hash, Zero };

  explicit TNumberField(TPattern pattern = TPattern::Hash, QWidget* parent = nullptr);

  // The number the text stands for now.
  [[nodiscard]] std::int32_t Value() const;
  void SetValue(std::int32_t value);

  [[nodiscard]] static QString Display(std::int32_t value, TPattern pattern);

 protected:
  void focusOutEvent(QFocusEvent* event) override;

 private:
  TPattern pattern_;
};

}  // namespace kp
