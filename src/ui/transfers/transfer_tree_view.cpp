#include "ui/transfers/transfer_tree_view.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace kp {

TTransferTreeView::TTransferTreeView(QWidget* parent) : QTreeView(parent) {
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Thousands of rows: every one a line high, so scrolling measures nothing.
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setExpandsOnDoubleClick(false);  // a double click opens
  setSortingEnabled(false);
  setContextMenuPolicy(Qt::CustomContextMenu);
  header()->setSectionsMovable(true);
  header()->setSectionResizeMode(QHeaderView::Interactive);
  header()->setStretchLastSection(false);
  header()->setSortIndicatorShown(false);
  header()->setSectionsClickable(false);
  KeepSelectionVisible();
}

void TTransferTreeView::KeepSelectionVisible() {
  // The selection looks the same whether the list, the command bar or the
  // details panel has the focus.
  QPalette shown = QApplication::palette(this);
  for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText}) {
    shown.setColor(QPalette::Inactive, role, shown.color(QPalette::Active, role));
  }
  setPalette(shown);
}

void TTransferTreeView::changeEvent(QEvent* event) {
  QTreeView::changeEvent(event);
  // A new theme (a dark one, say) brings its own highlight.
  if (event->type() == QEvent::ApplicationPaletteChange) KeepSelectionVisible();
}

void TTransferTreeView::mousePressEvent(QMouseEvent* event) {
  QTreeView::mousePressEvent(event);
  emit inputHandled();
}

void TTransferTreeView::mouseReleaseEvent(QMouseEvent* event) {
  QTreeView::mouseReleaseEvent(event);
  emit inputHandled();
}

void TTransferTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeView::mouseDoubleClickEvent(event);
  emit inputHandled();
  if (event->button() == Qt::LeftButton) emit openRequested();
}

void TTransferTreeView::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      event->accept();
      emit openRequested();
      break;
    case Qt::Key_Delete:
      event->accept();
      emit removeRequested();
      break;
    default:
      QTreeView::keyPressEvent(event);
      break;
  }
  emit inputHandled();
}

void TTransferTreeView::keyReleaseEvent(QKeyEvent* event) {
  QTreeView::keyReleaseEvent(event);
  if (!event->isAutoRepeat()) emit inputHandled();
}

void TTransferTreeView::focusInEvent(QFocusEvent* event) {
  QTreeView::focusInEvent(event);
  emit inputHandled();
}

}  // namespace kp
