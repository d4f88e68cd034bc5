#pragma once
// The list of a results tab. The tab rebuilds its commands after every mouse
// button press or release and every key press in the list, so the list says
// when one has been handled; a double click and the Enter key ask for the
// download.

#include <QTreeView>

namespace kp {

class TResultsTreeView final : public QTreeView {
  Q_OBJECT

 public:
  explicit TResultsTreeView(QWidget* parent = nullptr);

 signals:
  // After the list has handled the event (so the selection is up to date).
  void inputHandled();
  void downloadRequested();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace kp
