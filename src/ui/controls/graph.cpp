#include "ui/controls/graph.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cmath>
#include <utility>

#include "core/config/shared_routines.h"
#include "core/config/text_format.h"
#include "ui/shell/qt_text.h"

namespace kp {
namespace {

std::int64_t FloorDiv(std::int64_t numerator, std::int64_t denominator) {
  std::int64_t quotient = numerator / denominator;
  if ((numerator % denominator != 0) && ((numerator < 0) != (denominator < 0))) --quotient;
  return quotient;
}

// Far outside any screen, yet safe for the painter's integer arithmetic.
constexpr std::int64_t kCoordinateLimit = 1 << 20;

}  // namespace

TGraph::TGraph(QWidget* parent) : QWidget(parent) {
  // Every paint covers its whole rectangle.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void TGraph::SetLineColor(QColor colour) {
  lineColour_ = colour;
  Repaint();
}

void TGraph::SetGridColor(QColor colour) {
  gridColour_ = colour;
  Repaint();
}

void TGraph::SetBackColor(QColor colour) {
  backColour_ = colour;
  Repaint();
}

void TGraph::SetGridSize(int pixels) {
  gridSize_ = std::max(1, pixels);
  if (scrollOffset_ <= -gridSize_) scrollOffset_ = 0;
  Repaint();
}

void TGraph::SetMaximum(int maximum) {
  maximum_ = maximum;
  // Unlike a new sample, a new maximum changes the scale at once: nothing else
  // may come to repaint a graph that stays still.
  fullScale_ = CurrentFullScale();
  Repaint();
}

void TGraph::SetSuffix(QString suffix) {
  suffix_ = std::move(suffix);
  Repaint();
}

void TGraph::SetLabelGraph(bool labels) {
  labelGraph_ = labels;
  labelWidth_ = LayoutLabels().width;
  Repaint();
}

void TGraph::AddValue(std::int32_t value) {
  values_.push_back(value);
  while (!values_.empty() && static_cast<qsizetype>(values_.size()) + labelWidth_ > width()) {
    values_.pop_front();
    if (painting_ && --scrollOffset_ <= -gridSize_) scrollOffset_ = 0;
  }
  Repaint();
}

void TGraph::ClearValues() {
  values_.clear();
  Repaint();
}

void TGraph::BeginUpdate() { painting_ = false; }

void TGraph::EndUpdate() {
  painting_ = true;
  fullScale_ = CurrentFullScale();
  update();
}

void TGraph::Repaint() {
  if (painting_) update();
}

std::int64_t TGraph::CurrentFullScale() const {
  std::int64_t scale = maximum_;
  for (std::int32_t value : values_) scale = std::max<std::int64_t>(scale, value);
  return scale;
}

int TGraph::ValueY(std::int32_t value) const {
  const double factor =
      fullScale_ > 0 ? static_cast<double>(height() - 20) / static_cast<double>(fullScale_) : 1.0;
  const std::int64_t y = height() - RoundHalfEven(static_cast<double>(value) * factor) - 2;
  return static_cast<int>(std::clamp(y, -kCoordinateLimit, kCoordinateLimit));
}

TGraph::TLabels TGraph::LayoutLabels() const {
  TLabels labels;
  if (!labelGraph_) return labels;
  // Labels at every other grid line at least, further apart until each step
  // is worth a whole unit.
  int multiplier = 2;
  auto rowsFor = [this](int factor) { return height() / (gridSize_ * factor); };
  int rows = rowsFor(multiplier);
  while (rows > 0 && FloorDiv(fullScale_, rows) == 0) rows = rowsFor(++multiplier);
  const std::int64_t step = rows > 0 ? FloorDiv(fullScale_, rows) : 1;
  const QFontMetrics metrics = fontMetrics();
  int widest = 0;
  for (int k = 0; k <= rows; ++k) {
    const std::int64_t value = step * k;
    // "#,###": no digits at all for zero.
    QString text = value == 0 ? QString() : ToQString(FormatThousands(value));
    text += suffix_;
    widest = std::max(widest, metrics.horizontalAdvance(text));
    labels.texts.push_back(std::move(text));
  }
  labels.width = widest + 10;
  labels.spacing = multiplier * gridSize_;
  return labels;
}

void TGraph::ResizeImage() {
  const qreal ratio = devicePixelRatio();
  const QSize pixels(static_cast<int>(std::ceil(width() * ratio)),
                     static_cast<int>(std::ceil(height() * ratio)));
  if (image_.size() == pixels && image_.devicePixelRatio() == ratio) return;
  image_ = QPixmap(pixels.expandedTo(QSize(1, 1)));
  image_.setDevicePixelRatio(ratio);
}

void TGraph::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  ResizeImage();
}

void TGraph::paintEvent(QPaintEvent* event) {
  // The screen may have changed its pixel ratio since the last resize.
  ResizeImage();
  const QRect clip = event->rect();
  const int w = width(), h = height();
  const TLabels labels = LayoutLabels();
  labelWidth_ = labels.width;
  {
    QPainter painter(&image_);
    painter.setClipRect(clip);
    painter.fillRect(clip, backColour_);

    // One-pixel rectangles rather than pen strokes: exact pixels at any ratio.
    for (int x = labelWidth_ + scrollOffset_; x < w; x += gridSize_)
      painter.fillRect(x, 0, 1, h, gridColour_);
    for (int y = h - 3; y > 0; y -= gridSize_)
      painter.fillRect(labelWidth_, y, w - labelWidth_, 1, gridColour_);

    if (labelGraph_) {
      painter.fillRect(0, 0, labelWidth_, h, palette().color(QPalette::Button));
      painter.setPen(palette().color(QPalette::ButtonText));
      painter.setFont(font());
      const int ascent = fontMetrics().ascent();
      for (int k = 0; k < labels.texts.size(); ++k) {
        // The label's top edge sits at its height.
        painter.drawText(1, h - k * labels.spacing + ascent, labels.texts[k]);
      }
    }

    if (!values_.empty()) {
      QPolygon line;
      line.reserve(static_cast<qsizetype>(values_.size()));
      int x = labelWidth_;
      for (std::int32_t value : values_) line.append(QPoint(x++, ValueY(value)));
      QPen pen(lineColour_, 2);
      pen.setCapStyle(Qt::RoundCap);
      pen.setJoinStyle(Qt::RoundJoin);
      painter.setPen(pen);
      painter.drawPolyline(line);
    }
  }
  fullScale_ = CurrentFullScale();

  QPainter screen(this);
  screen.setClipRect(clip);
  screen.drawPixmap(0, 0, image_);
}

QSize TGraph::sizeHint() const { return {200, 100}; }

}  // namespace kp
