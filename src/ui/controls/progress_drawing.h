#pragma once
// The segmented progress bar: a framed light box holding a row of separate,
// shaded segments in the highlight colour. The progress bar control paints
// itself with it, and the transfer lists draw their progress cells with it.

#include <QPalette>
#include <QRect>

class QPainter;

namespace kp {

// How DrawProgress divides a rectangle: segments of `width` pixels (2 of them
// the gap before the next), `count` segments for a full bar and `drawn` of them
// for the percentage. `drawn` exceeds `count` above 100 percent; what does not
// fit is cut off at the rectangle's edge.
struct TProgressSegments {
  int width = 0;
  int count = 0;
  int drawn = 0;
};
// The percentage counts as a 16-bit signed number.
[[nodiscard]] TProgressSegments ProgressSegments(const QRect& rect, int percent) noexcept;

// Draws the frame in the palette's Dark colour, the box in Light and the
// segments shaded from Highlight, so the bar follows light and dark themes.
// Nothing is drawn outside the rectangle.
void DrawProgress(QPainter& painter, const QRect& rect, int percent, const QPalette& palette);

}  // namespace kp
