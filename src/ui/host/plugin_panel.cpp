#include "ui/host/plugin_panel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QWindow>

namespace kp {
namespace {

constexpr char kCoreWindow[] = "keplinorCoreWindow";

// Whether a panel may adopt the widget that a plugin named. A panel, or anything
// holding one, never: that covers the panel's own ancestors, whose adoption
// would make a widget its own descendant. Otherwise the nearer of the two
// decides: a panel above the widget (it is a plugin's window, or inside one) or
// a marked window of the program.
bool MayHost(const QWidget& widget) {
  if (qobject_cast<const TPluginPanel*>(&widget) || widget.findChild<TPluginPanel*>()) return false;
  for (const QWidget* w = &widget; w; w = w->parentWidget()) {
    if (w->property(kCoreWindow).toBool()) return false;
    if (qobject_cast<const TPluginPanel*>(w->parentWidget())) return true;
  }
  return true;
}

}  // namespace

void MarkCoreWindow(QWidget& window) { window.setProperty(kCoreWindow, true); }

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
  if (foreign) {
    // Qt cannot ask another program's window to close; it is handed back
    // unparented and hidden.
    released->hide();
    foreign->setParent(nullptr);
    foreign->hide();
    // The container is ours and, without its window, good for nothing: it goes
    // at once. Left in the panel until later, layouts and moves of the panel
    // would reach a container whose window has gone.
    delete released.data();
    return;
  }
  // Back to the plugin, hidden and without a parent, before its handlers run:
  // one that removes this panel (with its tab) must not take its own window
  // down with it, and nothing the program destroys later (perhaps after the
  // plugin's library is gone) takes a plugin's widget, and its code, with it.
  // Shown again, it is adopted again. From here on plugin code runs, which may
  // have deleted this panel: nothing of it is touched.
  released->setParent(nullptr);
  if (released) released->hide();
  if (!released) return;
  // The close request is sent to the widget itself: close() skips the event for
  // a hidden window without a parent (the host's window may be in the tray).
  QCloseEvent close;
  QCoreApplication::sendEvent(released, &close);
  if (released && close.isAccepted() && released->testAttribute(Qt::WA_DeleteOnClose)) released->deleteLater();
}

std::uint32_t TPluginPanel::Forget() noexcept {
  const std::uint32_t old = hostedId_;
  hosted_ = nullptr;
  foreign_ = nullptr;
  hostedId_ = 0;
  ++changes_;
  return old;
}

void TPluginPanel::GiveBackHostedWindow() {
  hostedId_ = 0;
  ++changes_;
  ReleaseHosted();
}

void TPluginPanel::Take(std::uint32_t windowId, QPointer<TPluginPanel>& previous) {
  const auto id = static_cast<WId>(windowId);
  if (QWidget* own = QWidget::find(id)) {
    if (!MayHost(*own)) return;
    auto* panel = qobject_cast<TPluginPanel*>(own->parentWidget());
    if (panel && panel->hosted_ == own) previous = panel;
    hosted_ = own;
    return;
  }
  for (QWidget* widget : QApplication::allWidgets()) {
    auto* panel = qobject_cast<TPluginPanel*>(widget);
    if (panel && panel != this && panel->foreign_ &&
        static_cast<std::uint32_t>(panel->foreign_->winId()) == windowId) {
      // The container moves over whole; the foreign window in it is not touched.
      previous = panel;
      hosted_ = panel->hosted_;
      foreign_ = panel->foreign_;
      return;
    }
  }
  if (QWindow* window = QWindow::fromWinId(id)) {
    foreign_ = window;
    hosted_ = QWidget::createWindowContainer(window, this);
    MarkCoreWindow(*hosted_);
  }
}

void TPluginPanel::SetHostedWindow(std::uint32_t windowId) {
  if (windowId == hostedId_) return;
  // The same widget under the id it got here (adopted, it became a child window
  // with an id of its own) changes nothing either.
  if (hosted_ && !foreign_ && QWidget::find(static_cast<WId>(windowId)) == hosted_) return;
  const std::uint32_t old = hostedId_;
  const QPointer<TPluginPanel> self(this);
  const std::uint64_t change = ++changes_;
  // Plugin code runs from here on (close, parent change and show events, the
  // other panel's handler); each time, this call ends when the panel has gone or
  // a nested call has changed it.
  auto interrupted = [&] { return !self || change != changes_; };

  hostedId_ = 0;
  ReleaseHosted();
  if (interrupted()) return;

  QPointer<TPluginPanel> previous;
  if (windowId != 0) Take(windowId, previous);
  // A refused widget and an id that names no window alike leave the panel empty.
  hostedId_ = windowId;
  if (previous) {
    const std::uint32_t previousId = previous->Forget();
    if (previous->OnPanelChange) previous->OnPanelChange(0, previousId);
    if (interrupted()) return;
  }

  if (QWidget* own = hosted_; own && !foreign_) {
    // The adopted widget's controls keep their order; Tab reaches them right
    // after the panel and leaves them for whatever follows the panel.
    QList<QWidget*> controls;
    for (QWidget* w = own->nextInFocusChain(); w && w != own; w = w->nextInFocusChain()) {
      if (own->isAncestorOf(w)) controls.append(w);
    }
    own->setParent(this, Qt::Widget);
    if (interrupted()) return;
    QWidget* before = this;
    for (QWidget* control : controls) {
      QWidget::setTabOrder(before, control);
      before = control;
    }
  } else if (hosted_ && hosted_->parentWidget() != this) {
    hosted_->setParent(this);  // a container taken over from another panel
  }
  if (hosted_) {
    hosted_->setGeometry(rect());
    if (interrupted()) return;
    if (hosted_) hosted_->show();
    if (interrupted()) return;
  }
  if (OnPanelChange) OnPanelChange(windowId, old);
}

void TPluginPanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (hosted_) hosted_->setGeometry(rect());
}

void TPluginPanel::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  // Leaving the hosted window, the focus goes past the panel, not back in.
  if (!hosted_ || leaving_) return;
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

bool TPluginPanel::focusNextPrevChild(bool next) {
  // Qt passes Tab up from the focused widget through its parents, so this runs
  // when the focus leaves a control inside the panel (or the panel itself).
  // Shift+Tab from the first control lands on the panel, which is only a way in:
  // the focus then takes one more step the same way instead of going back into
  // the hosted window, or no window could be left backwards.
  const QPointer<TPluginPanel> self(this);
  leaving_ = true;
  bool moved = QWidget::focusNextPrevChild(next);
  if (!self) return moved;
  leaving_ = false;
  if (moved && hasFocus()) moved = QWidget::focusNextPrevChild(next);
  return moved;
}

}  // namespace kp

// The meta-object code of the class, compiled with it.
#include "moc_plugin_panel.cpp"
