#pragma once
// The program's life from start-up to its end, as one sequence for the desktop
// program and the headless run: what the core does at each step, in the fixed
// order plugins rely on, with the window's steps left to the views that a
// desktop program adds (none in a headless run).

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/config/settings.h"
#include "core/host/api_registry.h"
#include "core/host/plugin_manager.h"
#include "core/shell/url_routes.h"
#include "core/shell/url_scheme_entries.h"

namespace kp {

class TDownloadList;
class TSearchApi;
class TSearchList;
class TSearchListOpener;
class TSearchRequest;
class TServiceApi;
class TShareManager;
class TSharedAccessCheck;
class TSharedApi;
class TSharedItemList;
class TServiceRegistry;
class TSetupApi;
class TSetupWizard;
class TSimpleConfig;
class TTransferApi;
class TUploadList;
class TUsers;
class TUsersApi;

// The steps a program with a window adds to the run.
class IProgramViews {
 public:
  virtual ~IProgramViews() = default;
  // The window, its hidden helpers and the face's working lists; the layout.
  virtual void BuildWindow() = 0;
  virtual void StartProcessTimer() = 0;
  // The settings are loaded and the download folders made.
  virtual void SettingsLoaded() = 0;
  // The setup wizard when start-up shows it: always while SetupComplete is
  // false, otherwise when a plugin asked for it. False when the first start's
  // setup was not completed and the program ends.
  virtual bool RunFirstRunSetup() = 0;
  // The notification icon, the offline state, and the window unless it starts minimised.
  virtual void ShowAtStart(bool minimized) = 0;
  // After the loop, before the settings are written: what the window keeps there.
  virtual void StoreIntoSettings() = 0;
  virtual void StopProcessTimer() = 0;
  // Before the plugins go: every window of a plugin that ours hosts goes back to it.
  virtual void GiveBackPluginWindows() = 0;
  // Once the plugins are gone: the face's working lists, the helpers, the window.
  virtual void DestroyWindow() = 0;
};

class TProgramRun {
 public:
  // processPendingMessages keeps the program responsive while plugins are
  // loaded (and serves their threads' calls meanwhile).
  TProgramRun(std::string programFolder, TSimpleConfig& settingsStore, TApiRegistry& registry,
              std::function<void()> processPendingMessages);
  TProgramRun(const TProgramRun&) = delete;
  TProgramRun& operator=(const TProgramRun&) = delete;
  // Finishes the run if nobody did.
  ~TProgramRun();

  // Where the entry that starts the program at log-on lives, and the program
  // file it runs. Without them (tests, a headless run) the entry is left alone;
  // with them start-up makes it follow the setting LaunchAtSystemStartup.
  void SetAutostartPlaces(std::string configHome, std::string executable);
  // The desktop's link handlers: the program's own scheme is (re)registered for
  // this executable at once, and plugins' schemes are registered there. Without
  // this call (tests, a headless run) no scheme can be claimed.
  void SetUrlSchemePlaces(TXdgPlaces places, std::string executable);
  // A link handed to the program, routed to the plugin that claimed it.
  void DispatchUrl(std::string_view link) const { urlRoutes_->DispatchUrl(link); }
  [[nodiscard]] TUrlRoutes& UrlRoutes() const noexcept { return *urlRoutes_; }

  // Start-up. The views may be null. False when the program should end at once
  // (the first-run setup was not completed): no start event was sent.
  bool Start(IProgramViews* views);
  // After the loop: the settings are written, then the end event, the plugins
  // stopped and unloaded, the working lists destroyed. Runs once.
  void Finish();

  [[nodiscard]] TSettings& Settings() noexcept { return settings_; }
  [[nodiscard]] TPluginManager& Plugins() noexcept { return plugins_; }
  [[nodiscard]] TServiceRegistry& Services() const noexcept { return *services_; }
  [[nodiscard]] TServiceApi& ServiceApi() const noexcept { return *serviceApi_; }
  // The services' user accounts.
  [[nodiscard]] TUsers& Users() const noexcept { return *users_; }
  [[nodiscard]] TSearchList& Searches() const noexcept { return *searches_; }
  // The search request without its window: sources, histories, sending.
  [[nodiscard]] TSearchRequest& SearchRequest() const noexcept { return *searchRequest_; }
  // The live share tree, which everything remote uses.
  [[nodiscard]] TShareManager& Shares() const noexcept { return *shares_; }
  // The shared items of the live tree, with their access rights.
  [[nodiscard]] TSharedItemList& SharedItems() const noexcept { return *sharedItems_; }
  // Who may see and change what in the shared namespace: the one check plugins use.
  [[nodiscard]] const TSharedAccessCheck& SharedAccess() const noexcept { return *sharedAccess_; }
  // The Shared functions of the API, with the browses plugins hold open.
  [[nodiscard]] TSharedApi& SharedApi() const noexcept { return *sharedApi_; }
  [[nodiscard]] TDownloadList& Downloads() const noexcept { return *downloads_; }
  [[nodiscard]] TUploadList& Uploads() const noexcept { return *uploads_; }
  // The setup wizard without its window, which plugins ask to take part in.
  [[nodiscard]] TSetupWizard& SetupWizard() const noexcept { return *setupWizard_; }
  [[nodiscard]] bool ApplicationStarted() const noexcept { return applicationStarted_; }
  // The places SetAutostartPlaces gave; empty without them.
  [[nodiscard]] const std::string& AutostartConfigHome() const noexcept { return autostartConfigHome_; }
  [[nodiscard]] const std::string& AutostartExecutable() const noexcept { return executable_; }
  // The working settings into their store, and the store's file replaced whole;
  // false when it could not be written (the previous file is then untouched).
  bool SaveSettingsFile();

 private:
  void RegisterApplicationFunctions();

  std::string programFolder_;
  std::string settingsPath_;
  TSimpleConfig& settingsStore_;
  TApiRegistry::TScope api_;
  TSettings settings_;
  TPluginManager plugins_;
  std::unique_ptr<TServiceRegistry> services_;
  std::unique_ptr<TServiceApi> serviceApi_;
  std::unique_ptr<TUsers> users_;
  std::unique_ptr<TUsersApi> usersApi_;
  std::unique_ptr<TUrlSchemeEntries> urlEntries_;
  std::unique_ptr<TUrlRoutes> urlRoutes_;
  std::unique_ptr<TUrlApi> urlApi_;
  std::unique_ptr<TSearchList> searches_;
  std::unique_ptr<TSearchApi> searchApi_;
  std::unique_ptr<TSearchListOpener> searchOpener_;
  std::unique_ptr<TSearchRequest> searchRequest_;
  std::unique_ptr<TShareManager> shares_;
  std::unique_ptr<TSharedItemList> sharedItems_;
  std::unique_ptr<TSharedAccessCheck> sharedAccess_;
  std::unique_ptr<TSharedApi> sharedApi_;
  std::unique_ptr<TUploadList> uploads_;
  std::unique_ptr<TDownloadList> downloads_;
  std::unique_ptr<TTransferApi> transferApi_;
  std::unique_ptr<TSetupWizard> setupWizard_;
  std::unique_ptr<TSetupApi> setupApi_;
  std::string autostartConfigHome_;
  std::string executable_;
  IProgramViews* views_ = nullptr;
  bool started_ = false;
  bool applicationStarted_ = false;
  bool finished_ = false;
};

}  // namespace kp
