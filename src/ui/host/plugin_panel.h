#pragma once
// Hosts one window that a plugin owns: a tab, the services section's right side
// and the wizards' plugin pages. The plugin passes a native window id; a widget
// of the plugin in this process is found by its id and adopted, any other window
// is embedded as a foreign window. Replacing the window hides the previous one,
// asks it to close and hands it back to its plugin without a parent.

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>

class QWindow;

namespace kp {

class TPluginPanel : public QWidget {
  Q_OBJECT

 public:
  explicit TPluginPanel(QWidget* parent = nullptr);
  ~TPluginPanel() override;

  // Places the window in the panel (0 empties it). The same window again
  // changes nothing.
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

  // Fired after a new window has been placed: (new window, old window).
  std::function<void(std::uint32_t, std::uint32_t)> OnPanelChange;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;

 private:
  void ReleaseHosted();

  std::uint32_t hostedId_ = 0;
  QPointer<QWidget> hosted_;
  QPointer<QWindow> foreign_;
};

}  // namespace kp
