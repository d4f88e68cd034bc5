#pragma once
// Hosts one window that a plugin owns: a tab, the services section's right side
// and the wizards' plugin pages. The plugin passes a native window id; a widget
// of the plugin in this process is found by its id and adopted, any other window
// is embedded as a foreign window. Replacing the window hides the previous one,
// asks it to close and hands it back to its plugin without a parent.
//
// An id is only a number a plugin hands over: it may name the program's own
// window or the panel's own ancestors. Such a widget is refused and the panel
// stays empty, as for an id that names no window; adopting it would make a
// window its own descendant or tear a piece out of the program.

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>

class QWindow;

namespace kp {

// Marks a top-level window of the program itself, once, when it is made. No
// panel adopts it or anything inside it, except a plugin's window shown in one
// of its panels. A window whose parent is marked needs no mark of its own.
void MarkCoreWindow(QWidget& window);

class TPluginPanel : public QWidget {
  Q_OBJECT

 public:
  explicit TPluginPanel(QWidget* parent = nullptr);
  ~TPluginPanel() override;

  // Places the window in the panel (0 empties it). The same window again
  // changes nothing. A window that another panel shows moves here, and that
  // panel is left empty (it hears of it through its OnPanelChange). The old
  // window's close handler may remove this panel or host another window in it:
  // then this call ends there and leaves the new window with its plugin.
  void SetHostedWindow(std::uint32_t windowId);
  [[nodiscard]] std::uint32_t HostedWindow() const noexcept { return hostedId_; }
  // Before the plugins stop: the hosted window is released as a replaced one is
  // and the panel is empty. Whatever the program destroys afterwards (when a
  // plugin's library may be gone) then takes no plugin widget, and no plugin
  // code, with it; the plugin deletes its own.
  void GiveBackHostedWindow();
  // The widget that shows the hosted window (the plugin's own widget, or the
  // container of a foreign window); null when the panel is empty.
  [[nodiscard]] QWidget* HostedWidget() const noexcept { return hosted_.data(); }

  // Fired after a new window has been placed: (new window, old window). The
  // panel is already in its new state, so a handler may call back into it.
  std::function<void(std::uint32_t, std::uint32_t)> OnPanelChange;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  bool focusNextPrevChild(bool next) override;

 private:
  void ReleaseHosted();
  // Finds what shows the window: the plugin's widget, or a foreign window's
  // container (taken over from the panel that shows it, or made). Sets hosted_
  // and foreign_; `previous` is the panel that showed it until now.
  void Take(std::uint32_t windowId, QPointer<TPluginPanel>& previous);
  // Lets go of a window that another panel has taken, without hiding or closing
  // it; answers the id the panel held.
  std::uint32_t Forget() noexcept;

  std::uint32_t hostedId_ = 0;
  QPointer<QWidget> hosted_;
  QPointer<QWindow> foreign_;
  // Counts the changes of the hosted window, so that a call which ran plugin
  // code can tell that a nested call changed the panel meanwhile.
  std::uint64_t changes_ = 0;
  // True while Tab moves the focus out of a control inside the panel.
  bool leaving_ = false;
};

}  // namespace kp
