#pragma once
// The list of a transfer section. The section rebuilds its commands after
// every mouse button press or release, key press or release and whenever the
// list gains the focus, so the list says when it has handled one; Enter (and
// a double click) asks to open the selection, Delete to remove it.

#include <QTreeView>

namespace kp {

class TTransferTreeView final : public QTreeView {
  Q_OBJECT

 public:
  explicit TTransferTreeView(QWidget* parent = nullptr);

 signals:
  // After the list has handled the event (so the selection is up to date).
  void inputHandled();
  void openRequested();
  void removeRequested();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void KeepSelectionVisible();
};

}  // namespace kp
