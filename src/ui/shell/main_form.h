#pragma once
// The one main window: the main menu, the button bar, the section tabs and the
// advertisement panel's place. It lives in the notification area as much as on
// the screen: minimising (and, when the user wants it, the close button) only
// hides it, and the tray icon brings it back.

#include <QMainWindow>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QMenu;
class QMenuBar;
class QToolBar;
class QLabel;

namespace kp {

class TNotificationIcons;
class TPluginManager;
class TSectionPages;
class TSimpleConfig;
class TTrayIcon;
struct TSettings;
struct TTextId;

// What the window works with; all of it outlives the window.
struct TMainFormContext {
  TPluginManager& plugins;
  TSettings& settings;
  TSimpleConfig& language;
  TNotificationIcons& notificationIcons;
};

class TMainForm : public QMainWindow {
  Q_OBJECT

 public:
  explicit TMainForm(TMainFormContext context, QWidget* parent = nullptr);
  ~TMainForm() override;

  [[nodiscard]] QToolBar* ButtonBar() const noexcept { return buttonBar_; }
  [[nodiscard]] QMenu* TrayMenu() const noexcept { return trayMenu_.get(); }
  [[nodiscard]] TSectionPages& Sections() const noexcept { return *sections_; }
  [[nodiscard]] QWidget* AdvertisementPlace() const noexcept { return advertisementPlace_; }

  // Visible and in front; the first time the first-show preparation runs before.
  void ShowMainWindow();
  // Only the tray icon remains.
  void HideMainWindow();
  // Command 111.
  void ToggleMainWindow();
  // Asks the plugins; when they agree the window closes (and the close request
  // asks them once more).
  void ExitCommand();

  // The indicator's two states: searching, or its normal image, which is the
  // small image of the online state.
  void SetSearching(bool searching);

  void SetOnlineState(bool online);

  // The tray icon comes at the end of start-up.
  void CreateNotificationIcon();
  [[nodiscard]] TTrayIcon* NotificationIcon() const noexcept { return trayIcon_.get(); }

  // 64 ticks a second: the notification icon rotation, then the transfers' ticks.
  void StartProcessTimer();
  void StopProcessTimer();
  void ProcessTick();
  std::function<void()> OnTransfersTick;

  void ShowAboutDialog();
  // The core's own commands (those of entries and buttons without a plugin).
  void RunCoreCommand(std::int32_t command);
  // The service commands are carried out by the services part of the program:
  // the service wizard, the Customize dialog, and a service's entry of the
  // services list (whose command is the service's handle).
  std::function<void()> OnAddService;
  std::function<void()> OnCustomizeServices;
  std::function<void(std::uint32_t service)> OnSelectService;
  // The settings dialog (its command does nothing until that part of the
  // program is built) and the search request.
  std::function<void()> OnOpenSettings;
  std::function<void()> OnShowSearchRequest;

  // Writes the window as the user leaves it into the settings (at every
  // shutdown): its normal rectangle, whether it is maximised, and the active
  // section. A window that was never shown leaves the loaded values as they are.
  void StoreGeometry() const;

  // Told when the window has really closed: the program then ends.
  std::function<void()> OnClosed;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void FirstShowPreparation();
  void RestoreWindowState();
  void AddShortcuts();
  void ShowApplicationIcon();
  void ShowIndicator();
  // The tray menu's show/hide entries (command 111) say what they will do.
  void ShowToggleCaptions();
  QString SmallStateIcon() const;
  QString LargeStateIcon() const;
  QString Language(TTextId text) const;
  void SetShownToUser(bool shown);

  TMainFormContext context_;
  QToolBar* buttonBar_ = nullptr;
  QLabel* indicator_ = nullptr;
  TSectionPages* sections_ = nullptr;
  QWidget* advertisementPlace_ = nullptr;
  std::unique_ptr<QMenu> trayMenu_;
  std::unique_ptr<TTrayIcon> trayIcon_;
  QTimer processTimer_;
  unsigned tickNumber_ = 0;
  bool firstShowDone_ = false;
  bool online_ = false;
  bool searching_ = false;
  bool shownToUser_ = false;
  bool exitCommandRunning_ = false;
};

}  // namespace kp
