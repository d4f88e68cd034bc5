#include "host/plugin_panel.h"

#include <QApplication>
#include <QFocusEvent>
#include <QWindow>

namespace kp {

TPluginPanel::TPluginPanel(QWidget* parent) : QWidget(parent) {
  // The panel itself takes the focus only to pass it on into the hosted window.
  setFocusPolicy(Qt::TabFocus);
}

TPluginPanel::~TPluginPanel() {
  // A plugin's widget dies with the panel that adopted it, as a child does; a
  // foreign window is only let go.
  if (foreign_) foreign_->setParent(nullptr);
}

void TPluginPanel::ReleaseHosted() {
  if (!hosted_) return;
  hosted_->hide();
  if (foreign_) {
    // Qt cannot ask another program's window to close; it is handed back
    // unparented and hidden.
    foreign_->setParent(nullptr);
    foreign_->hide();
    hosted_->deleteLater();
  } else {
    hosted_->close();  // the plugin's widget gets its close event
  }
  hosted_ = nullptr;
  foreign_ = nullptr;
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
  const bool backwards = event->reason() == Qt::BacktabFocusReason;
  QWidget* target = hosted_;
  if (backwards) {
    QWidget* last = nullptr;
    for (QWidget* w = hosted_->nextInFocusChain(); w && w != hosted_; w = w->nextInFocusChain()) {
      if (hosted_->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(hosted_)) last = w;
    }
    if (last) target = last;
  } else {
    for (QWidget* w = hosted_->nextInFocusChain(); w && w != hosted_; w = w->nextInFocusChain()) {
      if (hosted_->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(hosted_)) {
        target = w;
        break;
      }
    }
  }
  target->setFocus(event->reason());
}

}  // namespace kp

// The meta-object code of the class, compiled with it.
#include "moc_plugin_panel.cpp"
