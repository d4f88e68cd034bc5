#include "ui/controls/progress_drawing.h"

#include <QColor>
#include <QPainter>
#include <algorithm>
#include <cstdint>

#include "core/config/shared_routines.h"

namespace kp {
namespace {

int RoundedRatio(std::int64_t numerator, std::int64_t denominator) {
  return static_cast<int>(RoundHalfEven(static_cast<double>(numerator) / static_cast<double>(denominator)));
}

// A shade step is taken only while every channel stays inside the range, so
// the hue never shifts by one channel clipping before the others.
QColor Lighten(const QColor& colour, int amount) {
  const int r = colour.red() + amount, g = colour.green() + amount, b = colour.blue() + amount;
  return r < 255 && g < 255 && b < 255 ? QColor(r, g, b) : colour;
}

QColor Darken(const QColor& colour, int amount) {
  const int r = colour.red() - amount, g = colour.green() - amount, b = colour.blue() - amount;
  return r > 0 && g > 0 && b > 0 ? QColor(r, g, b) : colour;
}

// Edges are left/top inclusive and right/bottom exclusive. A segment is lit
// from above: dark at its top edge growing lighter to the middle, then a
// brighter band fading darker to the bottom.
void DrawSegment(QPainter& painter, int left, int top, int right, int bottom, const QColor& base) {
  const int height = bottom - top;
  const int step = height > 0 ? RoundedRatio(150, height) : 0;
  const int half = height > 0 ? RoundedRatio(height, 2) : 0;
  const int length = right - left;
  if (length <= 0) return;
  QColor colour = Darken(base, 35);
  for (int j = 1; j <= half; ++j) {
    painter.fillRect(left, top + j, length, 1, colour);
    colour = Lighten(colour, step);
  }
  colour = Lighten(base, 25);
  for (int y = top + half; y <= top + height + 1; ++y) {
    painter.fillRect(left, y, length, 1, colour);
    colour = Darken(colour, step);
  }
}

}  // namespace

TProgressSegments ProgressSegments(const QRect& rect, int percent) noexcept {
  const auto percentage = static_cast<std::int16_t>(percent);
  const int h = rect.height() - 2;
  TProgressSegments segments;
  // 0.64 is 16/25; whole numbers keep the ceiling exact where a double product
  // lands a hair above a whole number.
  segments.width = h > 0 ? (h * 16 + 24) / 25 : 0;
  if (segments.width < 1) return segments;
  const int inner = rect.width() - 4;
  segments.count = inner > 0 ? RoundedRatio(inner, segments.width) : 0;
  segments.drawn =
      percentage > 0 ? RoundedRatio(static_cast<std::int64_t>(segments.count) * percentage, 100) : 0;
  return segments;
}

void DrawProgress(QPainter& painter, const QRect& rect, int percent, const QPalette& palette) {
  if (rect.width() <= 0 || rect.height() <= 0) return;
  const int left = rect.left(), top = rect.top();
  const int right = left + rect.width(), bottom = top + rect.height();

  painter.save();
  painter.setClipRect(rect, Qt::IntersectClip);
  painter.fillRect(rect, palette.color(QPalette::Light));
  const QColor frame = palette.color(QPalette::Dark);
  painter.fillRect(left, top, rect.width(), 1, frame);
  painter.fillRect(left, bottom - 1, rect.width(), 1, frame);
  painter.fillRect(left, top, 1, rect.height(), frame);
  painter.fillRect(right - 1, top, 1, rect.height(), frame);

  const TProgressSegments segments = ProgressSegments(rect, percent);
  const int h = rect.height() - 2;
  const QColor base = palette.color(QPalette::Highlight);
  const int w = segments.width;
  // Only whole segments that start inside the rectangle can show; the clip
  // trims the last one.
  const int visible = w > 0 ? std::min(segments.drawn, rect.width() / w + 1) : 0;
  for (int k = 0; k < visible; ++k) {
    DrawSegment(painter, left + k * w + 2, top + 1, left + (k + 1) * w, top + h - 2, base);
  }
  painter.restore();
}

}  // namespace kp
