#include "ui/host/plugin_panel.h"

#include <QFocusEvent>
#include <QWindow>

namespace kp {

TPluginPanel::TPluginPanel(QWidget* parent) : QWidget(parent) {
  // The panel itself takes the focus only to pass it on into the hosted window.
  setFocusPolicy(Qt::TabFocus);
}

TPluginPanel::~TPluginPanel() {
  // A plugin's widget still hosted dies with the panel, as a child does (the
  // program gives every one back before plugins stop); a foreign window is only
  // let go.
  if (foreign_) foreign_->setParent(nullptr);
}

void TPluginPanel::ReleaseHosted() {
  if (!hosted_) return;
  // Taken out first: a plugin may host another window from inside the close event.
  const QPointer<QWidget> released = hosted_;
  const QPointer<QWindow> foreign = foreign_;
  hosted_ = nullptr;
  foreign_ = nullptr;
  released->hide();
  if (foreign) {
    // Qt cannot ask another program's window to close; it is handed back
    // unparented and hidden.
    foreign->setParent(nullptr);
    foreign->hide();
    // The container is ours and, without its window, good for nothing: it goes
    // at once. Left in the panel until later, layouts and moves of the panel
    // would reach a container whose window has gone.
    delete released.data();
    return;
  }
  released->close();  // the plugin's widget gets its close event
  // And goes back to the plugin, hidden and without a parent: nothing the
  // program destroys later (perhaps after the plugin's library is gone) takes a
  // plugin's widget, and its code, with it. Shown again, it is adopted again.
  if (released) released->setParent(nullptr);
}

void TPluginPanel::GiveBackHostedWindow() {
  ReleaseHosted();
  hostedId_ = 0;
}

void TPluginPanel::SetHostedWindow(std::uint32_t windowId) {
  if (windowId == hostedId_) return;
  const std::uint32_t old = hostedId_;
  ReleaseHosted();

  if (windowId != 0) {
    if (QWidget* own = QWidget::find(static_cast<WId>(windowId))) {
      // The adopted widget's controls keep their order; Tab reaches them right
      // after the panel and leaves them for whatever follows the panel.
      QList<QWidget*> controls;
      for (QWidget* w = own->nextInFocusChain(); w && w != own; w = w->nextInFocusChain()) {
        if (own->isAncestorOf(w)) controls.append(w);
      }
      own->setParent(this, Qt::Widget);
      QWidget* previous = this;
      for (QWidget* control : controls) {
        QWidget::setTabOrder(previous, control);
        previous = control;
      }
      hosted_ = own;
    } else if (QWindow* window = QWindow::fromWinId(static_cast<WId>(windowId))) {
      foreign_ = window;
      hosted_ = QWidget::createWindowContainer(window, this);
    }
    if (hosted_) {
      hosted_->setProperty("keplinorHostedWindow", true);
      hosted_->setGeometry(rect());
      hosted_->show();
    }
  }
  if (OnPanelChange) OnPanelChange(windowId, old);
  hostedId_ = windowId;
}

void TPluginPanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (hosted_) hosted_->setGeometry(rect());
}

void TPluginPanel::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  if (!hosted_) return;
  // Tabbing in from before lands on the first control, Shift+Tab from after on
  // the last; Qt's focus chain then moves through the controls and out again.
  QWidget* first = nullptr;
  QWidget* last = nullptr;
  for (QWidget* w = hosted_->nextInFocusChain(); w && w != hosted_; w = w->nextInFocusChain()) {
    if (hosted_->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(hosted_)) {
      if (!first) first = w;
      last = w;
    }
  }
  QWidget* control = event->reason() == Qt::BacktabFocusReason ? last : first;
  QWidget* target = control ? control : hosted_.data();
  target->setFocus(event->reason());
}

}  // namespace kp

// The meta-object code of the class, compiled with it.
#include "moc_plugin_panel.cpp"
