#pragma once
// A progress bar of separate shaded segments over a range of positions. The
// range and the position are kept consistent on every change: the maximum is
// never below the minimum and the position stays inside the range.

#include <QWidget>

namespace kp {

class TProgressBarXP : public QWidget {
  Q_OBJECT

 public:
  explicit TProgressBarXP(QWidget* parent = nullptr);

  void SetMinPosition(int value);
  void SetMaxPosition(int value);
  void SetPosition(int value);
  [[nodiscard]] int MinPosition() const noexcept { return min_; }
  [[nodiscard]] int MaxPosition() const noexcept { return max_; }
  [[nodiscard]] int Position() const noexcept { return position_; }
  // 0 to 100, rounded, halves to even.
  [[nodiscard]] int Percentage() const noexcept { return percentage_; }

  [[nodiscard]] QSize sizeHint() const override;
  [[nodiscard]] QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Normalise();

  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
  int percentage_ = 0;
};

}  // namespace kp
