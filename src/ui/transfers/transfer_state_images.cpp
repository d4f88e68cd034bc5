#include "ui/transfers/transfer_state_images.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "core/transfers/transfer_row_texts.h"

namespace kp {
namespace {

enum class Glyph { Clock, Dots, Arrow, Pause, Cross, Check };

struct TBadge {
  QColor colour;
  Glyph glyph;
};

// On a 16-unit grid; the painter scales it to the pixmap.
void DrawGlyph(QPainter& painter, Glyph glyph, bool up) {
  QPen pen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  switch (glyph) {
    case Glyph::Clock:
      painter.drawLine(QPointF(8, 8), QPointF(8, 4));
      painter.drawLine(QPointF(8, 8), QPointF(11, 9.5));
      break;
    case Glyph::Dots:
      painter.setPen(Qt::NoPen);
      painter.setBrush(Qt::white);
      for (double x : {4.5, 8.0, 11.5}) painter.drawEllipse(QPointF(x, 8), 1.2, 1.2);
      break;
    case Glyph::Arrow: {
      const double tip = up ? 3.5 : 12.5;
      const double back = up ? 7.5 : 8.5;
      painter.drawLine(QPointF(8, up ? 12.5 : 3.5), QPointF(8, tip));
      painter.drawPolyline(QPolygonF({QPointF(4.5, back), QPointF(8, tip), QPointF(11.5, back)}));
      break;
    }
    case Glyph::Pause:
      painter.drawLine(QPointF(6, 4.5), QPointF(6, 11.5));
      painter.drawLine(QPointF(10, 4.5), QPointF(10, 11.5));
      break;
    case Glyph::Cross:
      painter.drawLine(QPointF(5, 5), QPointF(11, 11));
      painter.drawLine(QPointF(11, 5), QPointF(5, 11));
      break;
    case Glyph::Check:
      painter.drawPolyline(QPolygonF({QPointF(4.5, 8.5), QPointF(7, 11), QPointF(11.5, 5)}));
      break;
  }
}

QPixmap DrawBadge(const TBadge& badge, bool up, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 16.0, size / 16.0);
  painter.setPen(QPen(badge.colour.darker(140), 1));
  painter.setBrush(badge.colour);
  painter.drawEllipse(QRectF(1, 1, 14, 14));
  DrawGlyph(painter, badge.glyph, up);
  return pixmap;
}

}  // namespace

QIcon TransferStateImage(int index, TransferDirection direction) {
  TBadge badge;
  switch (index) {
    case kQueuedImage:
      badge = {QColor(128, 128, 128), Glyph::Clock};
      break;
    case kStartingImage:
      badge = {QColor(214, 160, 20), Glyph::Dots};
      break;
    case kTransferringImage:
      badge = {QColor(46, 150, 60), Glyph::Arrow};
      break;
    case kPausedImage:
      badge = {QColor(60, 110, 190), Glyph::Pause};
      break;
    case kFailedImage:
      badge = {QColor(200, 45, 40), Glyph::Cross};
      break;
    case kCompleteImage:
      badge = {QColor(30, 120, 50), Glyph::Check};
      break;
    case kRootImage:
      badge = {QColor(70, 80, 95), Glyph::Arrow};
      break;
    case kRemotelyQueuedImage:
      badge = {QColor(130, 80, 170), Glyph::Clock};
      break;
    default:
      return {};
  }
  const bool up = direction == TransferDirection::Upload;
  QIcon icon;
  for (int size : {16, 32}) icon.addPixmap(DrawBadge(badge, up, size));
  return icon;
}

}  // namespace kp
