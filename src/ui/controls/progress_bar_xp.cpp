#include "ui/controls/progress_bar_xp.h"

#include <QPainter>
#include <algorithm>
#include <cstdint>

#include "core/config/shared_routines.h"
#include "ui/controls/progress_drawing.h"

namespace kp {

TProgressBarXP::TProgressBarXP(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TProgressBarXP::SetMinPosition(int value) {
  min_ = value;
  Normalise();
}

void TProgressBarXP::SetMaxPosition(int value) {
  max_ = value;
  Normalise();
}

void TProgressBarXP::SetPosition(int value) {
  position_ = value;
  Normalise();
}

void TProgressBarXP::Normalise() {
  if (max_ < min_) {
    max_ = min_;
    position_ = min_;
  }
  position_ = std::clamp(position_, min_, max_);
  // 64 bits: the distances of a range spanning all of int do not fit in 32.
  const std::int64_t done = std::int64_t{position_} - min_;
  const std::int64_t span = std::int64_t{max_} - min_;
  percentage_ =
      done <= 0 || span <= 0
          ? 0
          : static_cast<int>(RoundHalfEven(static_cast<double>(done) / static_cast<double>(span) * 100.0));
  update();
}

QSize TProgressBarXP::sizeHint() const {
  // Tall enough for segments of a visible width, about a line of text high.
  return {160, std::max(16, fontMetrics().height() + 2)};
}

QSize TProgressBarXP::minimumSizeHint() const { return {16, 8}; }

void TProgressBarXP::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  DrawProgress(painter, rect(), percentage_, palette());
}

}  // namespace kp
