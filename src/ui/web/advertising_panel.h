#pragma once
// The advertisement panel along the bottom of the main window: the server's page
// in an embedded browser above a banner line whose text scrolls to the left and
// opens its link in the desktop's browser when clicked. Its logic is the core's
// TAdvertising; this widget gives it a window, a 200 ms timer and what it sees
// of the mouse and the application.

#include <QFont>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/web/advertising.h"

namespace kp {

class IWebView;

class TAdvertisingPanel final : public QWidget, private IAdvertisingView {
  Q_OBJECT

 public:
  // The panel's height in the main window.
  static constexpr int kPanelHeight = 89;
  // Seconds between two loads, as the main window sets them.
  static constexpr std::int32_t kMainWindowRotateTime = 180;
  static constexpr std::int32_t kMainWindowInactiveTime = 5;

  // The hooks carry the load's results to the main thread and let the main
  // loop run while Stop waits (see TAdvertising).
  explicit TAdvertisingPanel(TAdvertisingHooks hooks, QWidget* parent = nullptr);
  ~TAdvertisingPanel() override;

  [[nodiscard]] TAdvertising& Core() noexcept { return *core_; }
  [[nodiscard]] IWebView& Browser() const noexcept { return *browser_; }
  // The address to load, or none: then the panel stays hidden and loads nothing.
  void SetServerUrl(const std::optional<std::string>& url);

  // What a tick sees; by default the screen cursor, the mouse buttons and the
  // active state of the panel's window and of the application.
  using TTickSource = std::function<TAdvertisingTick()>;
  void SetTickSource(TTickSource source) { tickSource_ = std::move(source); }
  void Tick();

  // The banner line: its top and bottom in panel coordinates.
  [[nodiscard]] int BannerTop() const;
  [[nodiscard]] int BannerBottom() const { return height() - 2; }

 protected:
  // The panel runs while it is on screen: it starts when the main window is
  // shown and stops (waiting for a load) when the window hides.
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // IAdvertisingView
  int PanelWidth() const override { return width(); }
  int TextWidth(std::string_view text) const override;
  void ShowPage(const std::string& url, const THeaderList& headers) override;
  void BannerChanged() override { update(0, BannerTop(), width(), BannerBottom() - BannerTop()); }

  [[nodiscard]] bool OverBanner(const QPoint& point) const;
  [[nodiscard]] TAdvertisingTick SeenNow() const;
  void PlaceBrowser();
  void OpenLink(const QUrl& link);

  QFont bannerFont_;
  IWebView* browser_ = nullptr;  // a child widget
  std::unique_ptr<TAdvertising> core_;
  TTickSource tickSource_;
  QTimer timer_;
};

}  // namespace kp
