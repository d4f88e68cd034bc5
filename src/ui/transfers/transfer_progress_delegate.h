#pragma once
// The Progress column of a transfer list: a running or paused transfer shows a
// segmented bar at its percentage, every other row an empty cell.

#include <QStyledItemDelegate>

namespace kp {

class TTransferProgressDelegate final : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace kp
