#include "ui/shell/desktop_program.h"

#include <QApplication>

#include "core/config/global_stores.h"
#include "core/host/plugin_events.h"
#include "ui/shell/command_manager.h"
#include "ui/shell/image_list.h"
#include "ui/shell/layout_reader.h"
#include "ui/shell/main_form.h"
#include "ui/shell/qt_main_thread.h"
#include "ui/shell/qt_text.h"
#include "ui/shell/section_pages.h"
#include "ui/host/application_api.h"
#include "ui/services/desktop_services.h"
#include "core/transfers/download_folders.h"

namespace kp {
namespace {

// The settings dialog is not built yet: the layout's choice of its pages has
// nowhere to go until it is.
class TNoSettingsPages final : public ISettingsPageHost {
 public:
  void ParkAllSettingsPages() override {}
  void UnparkSettingsPage(TSettingsPage) override {}
};

// The layout arranges the main window's section tabs.
class TSectionsFromLayout final : public ISectionHost {
 public:
  explicit TSectionsFromLayout(TSectionPages& pages) : pages_(pages) {}
  void ParkAll() override { pages_.ParkAll(); }
  void Unpark(Section section) override { pages_.Unpark(section); }

 private:
  TSectionPages& pages_;
};

}  // namespace

struct TDesktopProgram::Commands {
  TImageList images;
  std::unique_ptr<TCommandManager> main;
  std::unique_ptr<TCommandManager> popup;
};

TDesktopProgram::TDesktopProgram(std::string programFolder, TSimpleConfig& settingsStore, TSimpleConfig& language,
                                 TApiRegistry& registry, TMainThreadQueue& queue)
    : programFolder_(std::move(programFolder)),
      settingsPath_(programFolder_ + std::string(kSettingsFileName)),
      settingsStore_(settingsStore),
      language_(language),
      registry_(registry),
      mainThread_(std::make_unique<TQtMainThread>(queue)),
      plugins_(registry, [this] { mainThread_->ProcessPendingMessages(); }) {}

TDesktopProgram::~TDesktopProgram() { Finish(); }

void TDesktopProgram::RouteClicks(TCommandManager& manager, bool mainManager) {
  // A plugin's entry or button reports to its plugin; the core's run its command.
  auto routeTo = [this](std::size_t pluginEvent) {
    return [this, pluginEvent](TCommandManager&, std::uint32_t handle, std::int32_t command, TPluginHolder* plugin) {
      if (plugin) {
        SendEvent(*plugin, pluginEvent, handle, command);
      } else {
        mainForm_->RunCoreCommand(command);
      }
    };
  };
  manager.OnMenuClick = routeTo(EventNumber("OnApplicationMenu"));
  if (mainManager) manager.OnButtonClick = routeTo(EventNumber("OnApplicationButton"));
}

bool TDesktopProgram::Start() {
  // 1-2. The window and its hidden helpers (the settings dialog, the service
  // wizard, the search request, the user dialog and the setup wizard come with
  // their own parts of the program; the search history with the search request).
  mainForm_ = std::make_unique<TMainForm>(
      TMainFormContext{plugins_, settings_, language_, notificationIcons_});
  mainForm_->OnClosed = [this] {
    closed_ = true;
    QCoreApplication::quit();
  };

  // 3. The working lists: the Application API's tabs and notification icons. The
  // lists of shared items, searches, transfers, users and the setup API are built
  // with their parts of the program.
  commands_ = std::make_unique<Commands>();
  commands_->main = std::make_unique<TCommandManager>(mainForm_->menuBar(), mainForm_->ButtonBar(),
                                                      &commands_->images);
  commands_->popup = std::make_unique<TCommandManager>(mainForm_->TrayMenu(), nullptr, &commands_->images);
  auto findPlugin = [this](const TGuid& guid) { return plugins_.FindPluginByGUID(guid); };
  commands_->main->PluginLookup = findPlugin;
  commands_->popup->PluginLookup = findPlugin;
  RouteClicks(*commands_->main, true);
  RouteClicks(*commands_->popup, false);
  applicationApi_ = std::make_unique<TApplicationApi>(registry_, *mainForm_, *commands_->main, *commands_->popup,
                                                      notificationIcons_, programFolder_);
  // The service registry (empty until plugins register), its section and the
  // hidden service wizard.
  services_ = std::make_unique<TDesktopServices>(registry_, *mainForm_, language_, commands_->images,
                                                 programFolder_);
  mainForm_->OnAddService = [this] { services_->AddService(); };
  mainForm_->OnCustomizeServices = [this] { services_->CustomizeServices(); };
  mainForm_->OnSelectService = [this](std::uint32_t service) { services_->SelectService(service); };

  // 4-5. The built-in commands' icons and the layout.
  TNoSettingsPages settingsPages;
  TSectionsFromLayout sections(mainForm_->Sections());
  TLayoutSources sources;
  sources.applicationFolder = programFolder_;
  sources.language = &language_;
  sources.findPlugin = findPlugin;
  const TLayoutResult layout = ReadLayout(programFolder_ + std::string(kLayoutFileName), *commands_->main,
                                          *commands_->popup, sections, settingsPages, sources);
  services_->ShowIn(layout.servicesListManager, layout.servicesListMenu);

  // 6. The share tree, the access rights, the scanning rules and the users are
  // loaded here once their parts of the program are built.

  // 7. The process timer.
  mainForm_->StartProcessTimer();

  // 8-9. The settings, the download folders, the name plugins read.
  settings_ = LoadSettings(settingsStore_, programFolder_);
  EnsureDownloadFolders(settings_, programFolder_);
  plugins_.SetApplicationName(settings_.Application.Name);
  // The task bar shows the window's caption. A display name would be added to
  // every caption by the platform ("Keplinor (Online) — Keplinor"), so the
  // program's name is its application name instead.
  QApplication::setApplicationName(ToQString(settings_.Application.Name));

  // 10. Every plugin is loaded, bound and started; from here on they may call.
  plugins_.ScanPlugins(programFolder_ + "Plugins");

  // 11. The first-run setup wizard belongs to a later part of the program; until
  // it is built a first start goes straight on.

  // 12-16.
  mainForm_->CreateNotificationIcon();
  mainForm_->SetOnlineState(false);
  if (!settings_.Advanced.MinimizeAtStartup) mainForm_->ShowMainWindow();
  static const std::size_t onStart = EventNumber("OnApplicationStart");
  BroadcastEvent(plugins_, onStart);
  applicationStarted_ = true;
  return true;
}

void TDesktopProgram::Finish() {
  if (finished_ || !mainForm_) return;
  finished_ = true;
  // After the loop: the working settings go into their store and the file is
  // written, before the plugins hear of the end.
  mainForm_->StoreGeometry();
  SaveSettings(settings_, settingsStore_);
  // A failed save leaves the previous file whole; there is nobody left to tell.
  (void)settingsStore_.SaveToFile(settingsPath_);
  ShutdownSteps();
}

void TDesktopProgram::ShutdownSteps() {
  // 1.
  if (applicationStarted_) {
    static const std::size_t onEnd = EventNumber("OnApplicationEnd");
    BroadcastEvent(plugins_, onEnd);
  }
  // 2. Uploads, downloads and searches are closed here once they are built.
  // 3.
  mainForm_->StopProcessTimer();
  // 4. Every window a plugin put into ours goes back to it: the wizard's page,
  // the selected service's window and the tabs' windows. What the program
  // destroys after the plugins have gone must not take plugin code with it.
  services_->GiveBackPluginWindows();
  applicationApi_->GiveBackWindows();
  // 5-7. The search history, the share tree, the access rights and the users are
  // saved and emptied here once they are built.
  // 8.
  plugins_.UnloadAllPlugins();
  // 9. The working lists: the services (nobody is told any more), the
  // Application API's tabs with their windows, the notification icons.
  services_->ForgetServices();
  applicationApi_.reset();
  notificationIcons_.Clear();
  // 10. The service wizard and the services section's helpers, then the window.
  services_.reset();
  commands_.reset();
  mainForm_.reset();
}

}  // namespace kp
