#include "ui/transfers/transfer_progress_delegate.h"

#include <QPainter>

#include "ui/controls/progress_drawing.h"
#include "ui/transfers/transfer_model.h"

namespace kp {

void TTransferProgressDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                      const QModelIndex& index) const {
  // The list's own background even in a selected row: the bar's colours are
  // chosen against it.
  painter->fillRect(option.rect, option.palette.brush(QPalette::Active, QPalette::Base));
  if (!index.data(TTransferModel::kShowsProgressRole).toBool()) return;
  const int percent = index.data(TTransferModel::kProgressRole).toInt();
  painter->save();
  painter->setClipRect(option.rect);
  DrawProgress(*painter, option.rect.adjusted(2, 2, -2, -2), percent, option.palette);
  painter->restore();
}

}  // namespace kp
