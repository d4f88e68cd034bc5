#pragma once
// The desktop program: the run's start-up and shutdown sequence (the same as a
// headless run's) with the window's steps filled in. The program folder is an
// argument, so tests run whole programs in a temporary folder.

#include <memory>
#include <string>

#include "core/config/settings.h"
#include "core/host/notification_icons.h"
#include "core/host/plugin_manager.h"
#include "core/shell/program_run.h"

namespace kp {

class TApplicationApi;
class TCommandManager;
class TMainForm;
class TQtMainThread;
class TQtShellServices;
class TSearchRequestDialog;
class TSearchResults;
class TSettingsDialog;
class TSetupTabs;
class TSetupWizardDialog;
class TDesktopServices;
class TSharedFilesSection;
class TStartPageView;
class THomeSection;
class TAdvertisingPanel;
class TSimpleConfig;
class TTransferSection;

class TDesktopProgram final : private IProgramViews {
 public:
  // The stores are loaded by the caller before (settings and texts); the
  // registry must not have the Application functions yet.
  TDesktopProgram(std::string programFolder, TSimpleConfig& settingsStore, TSimpleConfig& language,
                  TApiRegistry& registry, TMainThreadQueue& queue);
  ~TDesktopProgram() override;

  // Builds the window and everything it holds, loads and starts the plugins and
  // tells them that the program has started. False when the program should end
  // at once (the first-run setup was not completed).
  bool Start();
  // What runs once the event loop has ended: the settings are written into their
  // store and the file saved, then plugins are told of the end and unloaded.
  void Finish();

  // The core's side of the run (settings, plugins, services).
  [[nodiscard]] TProgramRun& Run() noexcept { return run_; }
  [[nodiscard]] TMainForm& MainForm() const noexcept { return *mainForm_; }
  [[nodiscard]] TPluginManager& Plugins() noexcept { return run_.Plugins(); }
  // The services, their section, menu, wizard and dialogs; none before Start.
  [[nodiscard]] TDesktopServices* Services() const noexcept { return services_.get(); }
  // The Downloads and Uploads sections; none before Start.
  [[nodiscard]] TTransferSection* DownloadsSection() const noexcept { return downloadsSection_.get(); }
  [[nodiscard]] TTransferSection* UploadsSection() const noexcept { return uploadsSection_.get(); }
  // The Shared files section; none before Start.
  [[nodiscard]] TSharedFilesSection* SharedSection() const noexcept { return sharedSection_.get(); }
  [[nodiscard]] TStartPageView* StartPage() const noexcept { return startPage_.get(); }
  // The settings dialog, hidden until the settings command; none before Start.
  [[nodiscard]] TSettingsDialog* SettingsDialog() const noexcept { return settingsDialog_.get(); }
  // The setup wizard's window, hidden until start-up shows it; none before Start.
  [[nodiscard]] TSetupWizardDialog* SetupWizard() const noexcept { return setupWizard_.get(); }
  [[nodiscard]] bool ApplicationStarted() const noexcept { return run_.ApplicationStarted(); }
  // The window has closed (the program ends), possibly already during Start when a
  // plugin asked to exit from its start event: then there is no loop to run.
  [[nodiscard]] bool Closed() const noexcept { return closed_; }

 private:
  struct Commands;
  void RouteClicks(TCommandManager& manager, bool mainManager);

  // The window's steps of the run.
  void BuildWindow() override;
  void StartProcessTimer() override;
  void SettingsLoaded() override;
  bool RunFirstRunSetup() override;
  void ShowAtStart(bool minimized) override;
  void StoreIntoSettings() override;
  void StopProcessTimer() override;
  void GiveBackPluginWindows() override;
  void DestroyWindow() override;

  std::string programFolder_;
  TSimpleConfig& language_;
  TApiRegistry& registry_;
  std::unique_ptr<TQtMainThread> mainThread_;
  TProgramRun run_;
  TNotificationIcons notificationIcons_;
  std::unique_ptr<TMainForm> mainForm_;
  std::unique_ptr<Commands> commands_;
  std::unique_ptr<TApplicationApi> applicationApi_;
  std::unique_ptr<TDesktopServices> services_;
  std::unique_ptr<TSearchResults> searchResults_;
  std::unique_ptr<TSearchRequestDialog> searchRequestDialog_;
  std::unique_ptr<TSettingsDialog> settingsDialog_;
  std::unique_ptr<TSetupTabs> setupTabs_;
  std::unique_ptr<TSetupWizardDialog> setupWizard_;
  std::unique_ptr<TTransferSection> downloadsSection_;
  std::unique_ptr<TTransferSection> uploadsSection_;
  std::unique_ptr<TSharedFilesSection> sharedSection_;
  std::unique_ptr<TStartPageView> startPage_;
  // Children of the window: the Home section around the start page, and the
  // advertisement panel in its place (hidden while no server is named).
  THomeSection* homeSection_ = nullptr;
  TAdvertisingPanel* advertising_ = nullptr;
  TMainThreadQueue& queue_;
  // The details panels were set from the settings, so they may be written back.
  bool transferPanelsApplied_ = false;
  std::unique_ptr<TQtShellServices> shellServices_;
  bool closed_ = false;
};

}  // namespace kp
