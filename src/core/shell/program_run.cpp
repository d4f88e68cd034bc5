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
#include "core/sharing/share_manager.h"
#include "core/transfers/download_folders.h"
#include "core/transfers/download_list.h"
#include "core/transfers/transfer_api.h"
#include "core/transfers/upload_list.h"

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
      plugins_(registry, std::move(processPendingMessages)),
      services_(std::make_unique<TServiceRegistry>(programFolder_)),
      serviceApi_(std::make_unique<TServiceApi>(registry, *services_)),
      searches_(std::make_unique<TSearchList>(*services_, plugins_, settings_, programFolder_)),
      searchApi_(std::make_unique<TSearchApi>(registry, *searches_)),
      searchOpener_(std::make_unique<TSearchListOpener>(*searches_)),
      searchRequest_(std::make_unique<TSearchRequest>(*services_, *searchOpener_, settings_.Searching)),
      shares_(std::make_unique<TShareManager>(&registry.MainThreadQueue())),
      uploads_(std::make_unique<TUploadList>(*services_, plugins_, settings_, programFolder_)),
      downloads_(std::make_unique<TDownloadList>(*services_, plugins_, settings_, programFolder_)),
      transferApi_(std::make_unique<TTransferApi>(registry, *downloads_, *uploads_)) {
  RegisterApplicationFunctions();
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

bool TProgramRun::Start(IProgramViews* views) {
  if (started_) return applicationStarted_;
  started_ = true;
  views_ = views;
  // 1-5. The window, its helpers and working lists, the layout. The core's own
  // working lists (the services) exist from the run's creation.
  if (views_) views_->BuildWindow();
  searchRequest_->LoadSearchHistory(programFolder_);
  // 6. The share tree as the last run left it (its top-level entries exist
  // before anything is rescanned). The access rights, the scanning rules and
  // the users are loaded here once their parts of the program are built.
  static_cast<void>(shares_->LoadShareTree(programFolder_ + std::string(kShareTreeFileName)));
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
  EnsureDownloadFolders(settings_, programFolder_);
  // The log-on entry follows the setting and the program's present place; a
  // failure leaves the program as it is (the settings dialog tells the user).
  if (!autostartConfigHome_.empty()) {
    static_cast<void>(UpdateAutostartEntry(settings_, executable_, autostartConfigHome_));
  }
  plugins_.SetApplicationName(settings_.Application.Name);
  if (views_) views_->SettingsLoaded();
  // 10. Every plugin is loaded, bound and started; from here on they may call.
  plugins_.ScanPlugins(programFolder_ + "Plugins");
  // 11. A run without a window has nobody to answer the setup wizard and goes on.
  if (views_ && !settings_.Application.SetupComplete && !views_->RunFirstRunSetup()) return false;
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
    SaveSettings(settings_, settingsStore_);
    static_cast<void>(settingsStore_.SaveToFile(settingsPath_));
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
  // previous file whole); the access rights and the users follow here once
  // their parts of the program are built.
  if (started_) static_cast<void>(shares_->SaveShareTree(programFolder_ + std::string(kShareTreeFileName)));
  shares_->ClearFiles();
  shares_->ClearDirectories();
  // 8.
  plugins_.UnloadAllPlugins();
  // 9-10. The working lists: the services (nobody is told any more), then the
  // face's lists, its helpers and the window.
  services_->Clear();
  if (views_) views_->DestroyWindow();
}

}  // namespace kp
