#include "ui/search/results_tree_view.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace kp {

TResultsTreeView::TResultsTreeView(QWidget* parent) : QTreeView(parent) {
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Every row one line high: the view then needs not measure a hundred
  // thousand rows to scroll.
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setExpandsOnDoubleClick(false);  // a double click downloads
  // In order of arrival until the user picks a column.
  header()->setSortIndicator(-1, Qt::AscendingOrder);
  setSortingEnabled(true);
  setContextMenuPolicy(Qt::CustomContextMenu);
  header()->setSectionsMovable(true);
  header()->setSectionResizeMode(QHeaderView::Interactive);
  header()->setStretchLastSection(false);
}

void TResultsTreeView::mousePressEvent(QMouseEvent* event) {
  QTreeView::mousePressEvent(event);
  emit inputHandled();
}

void TResultsTreeView::mouseReleaseEvent(QMouseEvent* event) {
  QTreeView::mouseReleaseEvent(event);
  emit inputHandled();
}

void TResultsTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeView::mouseDoubleClickEvent(event);
  emit inputHandled();
  emit downloadRequested();
}

void TResultsTreeView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    emit inputHandled();
    emit downloadRequested();
    event->accept();
    return;
  }
  QTreeView::keyPressEvent(event);
  emit inputHandled();
}

}  // namespace kp
