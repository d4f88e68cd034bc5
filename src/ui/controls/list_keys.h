#pragma once
// The keys of the program's editable lists: Enter edits the selected row,
// Delete removes it.

#include <QEvent>
#include <QKeyEvent>

namespace kp {

// True when the event was one of those keys and its action ran.
template <typename Edit, typename Remove>
bool ActOnListKey(const QEvent* event, Edit edit, Remove remove) {
  if (event->type() != QEvent::KeyPress) return false;
  const int key = static_cast<const QKeyEvent*>(event)->key();
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    edit();
    return true;
  }
  if (key == Qt::Key_Delete) {
    remove();
    return true;
  }
  return false;
}

}  // namespace kp
