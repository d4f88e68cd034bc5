#include "core/shell/program_run.h"

#include "core/config/autostart_entry.h"
#include "core/config/global_stores.h"
#include "core/config/simple_config.h"
#include "core/host/plugin_events.h"
#include "core/search/search_api.h"
#include "core/search/search_list.h"
#include "core/search/search_list_opener.h"
#include "core/search/search_request.h"
#include "core/services/service_api.h"
#include "core/services/service_registry.h"
#include "core/setup/setup_api.h"
#include "core/setup/setup_wizard.h"
#include "core/sharing/share_manager.h"
#include "core/sharing/shared_access_check.h"
#include "core/sharing/shared_access_store.h"
#include "core/sharing/shared_api.h"
#include "core/sharing/shared_items.h"
#include "core/transfers/download_folders.h"
#include "core/transfers/download_list.h"
#include "core/transfers/transfer_api.h"
#include "core/transfers/upload_list.h"
#include "core/users/users.h"
#include "core/users/users_api.h"

namespace kp {
namespace {

constexpr std::string_view kShareTreeFileName = "Shared.dat";

// The firewall status of a program that has never run the port check.
constexpr std::int32_t kFirewallNotChecked = 3;

}  // namespace

TProgramRun::TProgramRun(std::string programFolder, TSimpleConfig& settingsStore, TApiRegistry& registry,
                         std::function<void()> processPendingMessages)
    : programFolder_(std::move(programFolder)),
      settingsPath_(programFolder_ + std::string(kSettingsFileName)),
      settingsStore_(settingsStore),
      api_(registry),
      plugins_(registry, processPendingMessages),
      services_(std::make_unique<TServiceRegistry>(programFolder_)),
      serviceApi_(std::make_unique<TServiceApi>(registry, *services_)),
      users_(std::make_unique<TUsers>(*services_)),
      usersApi_(std::make_unique<TUsersApi>(registry, *users_)),
      urlRoutes_(std::make_unique<TUrlRoutes>()),
      urlApi_(std::make_unique<TUrlApi>(registry, *urlRoutes_)),
      searches_(std::make_unique<TSearchList>(*services_, plugins_, settings_, programFolder_)),
      searchApi_(std::make_unique<TSearchApi>(registry, *searches_)),
      searchOpener_(std::make_unique<TSearchListOpener>(*searches_)),
      searchRequest_(std::make_unique<TSearchRequest>(*services_, *searchOpener_, settings_.Searching)),
      shares_(std::make_unique<TShareManager>(&registry.MainThreadQueue())),
      sharedItems_(std::make_unique<TSharedItemList>(*shares_, &plugins_)),
      sharedAccess_(std::make_unique<TSharedAccessCheck>(*sharedItems_, *services_)),
      sharedApi_(std::make_unique<TSharedApi>(registry, *sharedItems_, *sharedAccess_, programFolder_)),
      uploads_(std::make_unique<TUploadList>(*services_, plugins_, settings_, programFolder_)),
      downloads_(std::make_unique<TDownloadList>(*services_, plugins_, settings_, programFolder_)),
      transferApi_(std::make_unique<TTransferApi>(registry, *downloads_, *uploads_)),
      setupWizard_(std::make_unique<TSetupWizard>(
          TSetupWizardContext{settings_, nullptr, *shares_, sharedItems_.get(), {processPendingMessages, {}}})),
      setupApi_(std::make_unique<TSetupApi>(registry, *setupWizard_)) {
  RegisterApplicationFunctions();
  // A finished download shows in the shared files section when its folder
  // does; a transfer's shared name opens the real file.
  downloads_->OnFileFinished = [this](std::string_view fileName) { sharedApi_->NoticeItem(fileName); };
  auto realPathOf = [this](std::string_view fileName) { return shares_->GetRealPath(fileName); };
  downloads_->RealPathOf = realPathOf;
  uploads_->RealPathOf = realPathOf;
  // Every top-level entry the tree makes becomes a shared item.
  sharedItems_->Listen();
  sharedAccess_->SetUserCheck(
      [this](const TServiceHolder& service, std::string_view name, std::string_view password) {
        return users_->CheckAccess(service, name, password);
      });
}

TProgramRun::~TProgramRun() { Finish(); }

void TProgramRun::RegisterApplicationFunctions() {
  // The outcome of the last port check as the settings keep it; the check itself
  // comes with the network part of the program, and until a check has run the
  // shipped settings say "not checked".
  api_.Implement("ApplicationGetFirewallStatus",
                 [this](TMessagePacket&) -> std::int64_t { return settings_.Application.FirewallStatus; });
}

void TProgramRun::SetAutostartPlaces(std::string configHome, std::string executable) {
  autostartConfigHome_ = std::move(configHome);
  executable_ = std::move(executable);
}

void TProgramRun::SetUrlSchemePlaces(TXdgPlaces places, std::string executable) {
  urlEntries_ = std::make_unique<TUrlSchemeEntries>(std::move(places), std::move(executable));
  urlRoutes_->SetEntries(urlEntries_.get());
  // Forced: the program's own links follow the program wherever it was moved.
  static_cast<void>(urlEntries_->RegisterUrlScheme(kOwnUrlScheme, true));
}

bool TProgramRun::SaveSettingsFile() {
  SaveSettings(settings_, settingsStore_);
  return settingsStore_.SaveToFile(settingsPath_);
}

bool TProgramRun::Start(IProgramViews* views) {
  if (started_) return applicationStarted_;
  started_ = true;
  views_ = views;
  // 1-5. The window, its helpers and working lists, the layout. The core's own
  // working lists (the services) exist from the run's creation.
  if (views_) views_->BuildWindow();
  searchRequest_->LoadSearchHistory(programFolder_);
  // 6. The share tree as the last run left it (its top-level entries exist
  // before anything is rescanned), its items' access rights, then the users.
  static_cast<void>(shares_->LoadShareTree(programFolder_ + std::string(kShareTreeFileName)));
  shares_->LoadRules(programFolder_);
  // The loaded tree registered its items; they take their saved rights.
  LoadSharedAccess(*sharedItems_, programFolder_ + std::string(kSharedAccessFileName));
  // The saved accounts wait for their services, which register once the plugins run.
  users_->LoadUsers(programFolder_ + std::string(kUsersFileName));
  // 7.
  if (views_) views_->StartProcessTimer();
  // 8-9.
  // The search request trims its histories as the loaded settings say.
  settings_ = LoadSettings(settingsStore_, programFolder_, searchRequest_.get());
  // Without the key no check has run: that is "not checked", never "open".
  const TSectionObject* application = settingsStore_.FindSection("Application");
  if (!application || !application->HasKey("FirewallStatus")) {
    settings_.Application.FirewallStatus = kFirewallNotChecked;
  }
  EnsureDownloadFolders(settings_, programFolder_, [this](const TCompletedFolderShare& share) {
    sharedItems_->ShareCompletedFolder(share);
  });
  // The log-on entry follows the setting and the program's present place; a
  // failure leaves the program as it is (the settings dialog tells the user).
  if (!autostartConfigHome_.empty()) {
    static_cast<void>(UpdateAutostartEntry(settings_, executable_, autostartConfigHome_));
  }
  plugins_.SetApplicationName(settings_.Application.Name);
  if (views_) views_->SettingsLoaded();
  // 10. Every plugin is loaded, bound and started; from here on they may call.
  plugins_.ScanPlugins(programFolder_ + "Plugins");
  // 11. A run without a window has nobody to answer the setup wizard and goes on;
  // the window's own step decides whether the wizard shows.
  if (views_ && !views_->RunFirstRunSetup()) return false;
  // 12-14.
  if (views_) views_->ShowAtStart(settings_.Advanced.MinimizeAtStartup);
  // 15-16.
  BroadcastEvent(plugins_, EventNumber("OnApplicationStart"));
  applicationStarted_ = true;
  return true;
}

void TProgramRun::Finish() {
  if (finished_) return;
  finished_ = true;
  // The working settings go into their store and the file is written before
  // the plugins hear of the end: what changes after this is not saved. A failed
  // save leaves the previous file whole; there is nobody left to tell.
  if (views_) views_->StoreIntoSettings();
  if (started_) {
    static_cast<void>(SaveSettingsFile());
  }

  // 1. From here on the main thread no longer waits for calls from the plugins'
  // other threads: those are answered 0 at once, so a plugin may stop and join
  // its threads in its end event or its shutdown.
  plugins_.RefuseCallsFromOtherThreads();
  if (applicationStarted_) BroadcastEvent(plugins_, EventNumber("OnApplicationEnd"));
  // 2. Every upload, then every download, is removed, oldest first, and its
  // plugin hears of each one not finished; every open search is closed,
  // oldest first, and its plugins hear OnSearchClose.
  uploads_->RemoveAll();
  downloads_->RemoveAll();
  searches_->CloseAll();
  // 3-4.
  if (views_) {
    views_->StopProcessTimer();
    views_->GiveBackPluginWindows();
  }
  // 5. Only what a run read is written back; a failed save leaves the
  // previous files whole.
  if (started_) static_cast<void>(searchRequest_->SaveSearchHistory(programFolder_));
  // 6-7. The share tree is saved and emptied (a failed save leaves the
  // previous file whole), then the items' access rights, then the users.
  if (started_) {
    static_cast<void>(shares_->SaveShareTree(programFolder_ + std::string(kShareTreeFileName)));
    static_cast<void>(SaveSharedAccess(*sharedItems_, programFolder_ + std::string(kSharedAccessFileName)));
  }
  shares_->ClearFiles();
  shares_->ClearDirectories();
  sharedItems_->ClearSharedItems();
  // Accounts of services that did not register in this run are written back too.
  if (started_) static_cast<void>(users_->SaveUsers(programFolder_ + std::string(kUsersFileName)));
  // 8.
  plugins_.UnloadAllPlugins();
  // 9-10. The working lists: the services (nobody is told any more), then the
  // face's lists, its helpers and the window.
  services_->Clear();
  // The accounts went with their services; the pending ones go last.
  users_->Clear();
  if (views_) views_->DestroyWindow();
}

}  // namespace kp
