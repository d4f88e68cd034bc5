#include "ui/shell/desktop_program.h"

#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

#include "core/config/global_stores.h"
#include "core/host/plugin_events.h"
#include "core/platform/shell_services.h"
#include "core/transfers/download_list.h"
#include "core/transfers/upload_list.h"
#include "ui/host/application_api.h"
#include "ui/search/search_request_dialog.h"
#include "core/web/advertising.h"
#include "core/web/advertising_item.h"
#include "ui/web/advertising_panel.h"
#include "ui/web/home_section.h"
#include "ui/web/start_page_view.h"
#include "ui/search/search_results.h"
#include "ui/services/desktop_services.h"
#include "ui/settings/settings_dialog.h"
#include "ui/setup/setup_tabs.h"
#include "ui/setup/setup_wizard_dialog.h"
#include "core/setup/setup_wizard.h"
#include "ui/sharing/shared_files_section.h"
#include "ui/shell/command_manager.h"
#include "ui/shell/image_list.h"
#include "ui/shell/layout_reader.h"
#include "ui/shell/main_form.h"
#include "ui/shell/qt_main_thread.h"
#include "ui/shell/qt_shell_services.h"
#include "ui/shell/qt_text.h"
#include "ui/shell/section_pages.h"
#include "ui/transfers/transfer_section.h"

namespace kp {
namespace {

// The layout arranges the main window's section tabs.
class TSectionsFromLayout final : public ISectionHost {
 public:
  explicit TSectionsFromLayout(TSectionPages& pages) : pages_(pages) {}
  void ParkAll() override { pages_.ParkAll(); }
  void Unpark(Section section) override { pages_.Unpark(section); }

 private:
  TSectionPages& pages_;
};

// A section's content fills its page.
void PlaceInPage(QWidget& page, QWidget& content) {
  auto* layout = qobject_cast<QVBoxLayout*>(page.layout());
  if (!layout) {
    delete page.layout();
    layout = new QVBoxLayout(&page);
    layout->setContentsMargins(0, 0, 0, 0);
  }
  layout->addWidget(&content);
}

}  // namespace

struct TDesktopProgram::Commands {
  TImageList images;
  std::unique_ptr<TCommandManager> main;
  std::unique_ptr<TCommandManager> popup;
};

TDesktopProgram::TDesktopProgram(std::string programFolder, TSimpleConfig& settingsStore,
                                 TSimpleConfig& language, TApiRegistry& registry, TMainThreadQueue& queue)
    : programFolder_(std::move(programFolder)),
      language_(language),
      registry_(registry),
      mainThread_(std::make_unique<TQtMainThread>(queue)),
      run_(programFolder_, settingsStore, registry, [this] { mainThread_->ProcessPendingMessages(); }),
      queue_(queue) {
  // Help, the About box's mail link and messages reach the desktop while the
  // program lives.
  shellServices_ = std::make_unique<TQtShellServices>(language_);
  InstallShellServices(shellServices_.get());
}

TDesktopProgram::~TDesktopProgram() {
  Finish();
  // Unless other services were installed since.
  if (&ShellServices() == shellServices_.get()) InstallShellServices(nullptr);
}

bool TDesktopProgram::Start() { return run_.Start(this); }

void TDesktopProgram::Finish() {
  if (mainForm_) run_.Finish();
}

void TDesktopProgram::RouteClicks(TCommandManager& manager, bool mainManager) {
  // A plugin's entry or button reports to its plugin; the core's run its command.
  auto routeTo = [this](std::size_t pluginEvent) {
    return [this, pluginEvent](TCommandManager&, std::uint32_t handle, std::int32_t command,
                               TPluginHolder* plugin) {
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

void TDesktopProgram::BuildWindow() {
  // The window and its hidden helpers (the settings dialog, the search request,
  // the user dialog and the setup wizard come with their own parts of the
  // program; the search history with the search request).
  mainForm_ = std::make_unique<TMainForm>(
      TMainFormContext{run_.Plugins(), run_.Settings(), language_, notificationIcons_});
  mainForm_->OnClosed = [this] {
    closed_ = true;
    QCoreApplication::quit();
  };

  // The face's working lists: the command managers and the Application API's
  // tabs and notification icons.
  commands_ = std::make_unique<Commands>();
  commands_->main =
      std::make_unique<TCommandManager>(mainForm_->menuBar(), mainForm_->ButtonBar(), &commands_->images);
  commands_->popup = std::make_unique<TCommandManager>(mainForm_->TrayMenu(), nullptr, &commands_->images);
  auto findPlugin = [this](const TGuid& guid) { return run_.Plugins().FindPluginByGUID(guid); };
  commands_->main->PluginLookup = findPlugin;
  commands_->popup->PluginLookup = findPlugin;
  RouteClicks(*commands_->main, true);
  RouteClicks(*commands_->popup, false);
  applicationApi_ = std::make_unique<TApplicationApi>(registry_, *mainForm_, *commands_->main,
                                                      *commands_->popup, notificationIcons_, programFolder_);
  // The services' section, menu, hidden wizard and dialogs over the run's registry.
  services_ = std::make_unique<TDesktopServices>(run_.Services(), run_.ServiceApi(), *mainForm_, language_,
                                                 commands_->images, programFolder_);
  mainForm_->OnAddService = [this] { services_->AddService(); };
  mainForm_->OnCustomizeServices = [this] { services_->CustomizeServices(); };
  mainForm_->OnSelectService = [this](std::uint32_t service) { services_->SelectService(service); };
  // The results tabs in the search section, and the search request, made
  // hidden with the window and shown for each use. A sent request brings its
  // results forward.
  searchResults_ = std::make_unique<TSearchResults>(run_.Searches(), *mainForm_, language_, programFolder_);
  searchRequestDialog_ =
      std::make_unique<TSearchRequestDialog>(run_.SearchRequest(), language_, mainForm_.get());
  mainForm_->OnShowSearchRequest = [this] { searchRequestDialog_->ShowSearchRequest(); };
  QObject::connect(searchRequestDialog_.get(), &TSearchRequestDialog::requestSent, mainForm_.get(),
                   [this](int) { mainForm_->Sections().Activate(Section::SearchResults); });
  // The transfer lists in their sections, each section its list's view; the
  // process timer drives their queues and speed samples, uploads first.
  downloadsSection_ = std::make_unique<TTransferSection>(run_.Downloads(), language_, programFolder_);
  uploadsSection_ = std::make_unique<TTransferSection>(run_.Uploads(), language_, programFolder_);
  PlaceInPage(*mainForm_->Sections().Page(Section::Downloads), *downloadsSection_);
  PlaceInPage(*mainForm_->Sections().Page(Section::Uploads), *uploadsSection_);
  mainForm_->OnTransfersTick = [this] {
    run_.Uploads().Tick();
    run_.Downloads().Tick();
  };
  // The shared namespace as remote users see it; it becomes the items' section.
  sharedSection_ = std::make_unique<TSharedFilesSection>(
      TSharedFilesContext{run_.SharedItems(), run_.SharedAccess(), run_.Services(), run_.Users(),
                          run_.Settings(), language_, programFolder_});
  PlaceInPage(*mainForm_->Sections().Page(Section::Shared), *sharedSection_);
  // The Home section: the program's own start page, with a search field that
  // opens the search request with its text.
  startPage_ = std::make_unique<TStartPageView>(
      [this] {
        return GatherStartPageFacts(run_.Services(), run_.Searches(), run_.Downloads(), run_.Uploads(),
                                    run_.SharedItems());
      },
      language_);
  startPage_->OnSearch = [this](const QString& text) {
    searchRequestDialog_->ShowSearchRequest();
    if (!text.isEmpty()) searchRequestDialog_->Text1()->setEditText(text);
  };
  // The page HomePageURL names when it is set, else the start page.
  homeSection_ = new THomeSection(startPage_.get());
  PlaceInPage(*mainForm_->Sections().Page(Section::MainWeb), *homeSection_);
  // The advertisement panel loads from its server only while one is named.
  advertising_ = new TAdvertisingPanel(
      TAdvertisingHooks{[this](std::function<void()> work) { queue_.Post(std::move(work)); },
                        [this] { mainThread_->ProcessPendingMessages(); }, {}},
      mainForm_->AdvertisementPlace());
  advertising_->hide();
  auto* advertisementLayout = new QVBoxLayout(mainForm_->AdvertisementPlace());
  advertisementLayout->setContentsMargins(0, 0, 0, 0);
  advertisementLayout->addWidget(advertising_);

  // The settings dialog, made hidden with the window and shown by the settings
  // command; the layout chooses its pages.
  settingsDialog_ = std::make_unique<TSettingsDialog>(
      TSettingsDialogContext{run_.Settings(), language_, run_.Plugins(), run_.Users(), run_.SharedItems(),
                             run_.SearchRequest(), run_.Downloads(), run_.Uploads(), programFolder_,
                             run_.AutostartConfigHome(), run_.AutostartExecutable(),
                             [this] { static_cast<void>(run_.SaveSettingsFile()); }},
      mainForm_.get());
  mainForm_->OnOpenSettings = [this] { settingsDialog_->ShowSettingsDialog(); };
  setupTabs_ = std::make_unique<TSetupTabs>(registry_, *settingsDialog_);

  // The built-in commands' icons and the layout.
  TSectionsFromLayout sections(mainForm_->Sections());
  TLayoutSources sources;
  sources.applicationFolder = programFolder_;
  sources.language = &language_;
  sources.findPlugin = findPlugin;
  const TLayoutResult layout = ReadLayout(programFolder_ + std::string(kLayoutFileName), *commands_->main,
                                          *commands_->popup, sections, *settingsDialog_, sources);
  services_->ShowIn(layout.servicesListManager, layout.servicesListMenu);
  // The setup wizard, hidden until start-up shows it, with the built-in pages
  // the layout switched on.
  run_.SetupWizard().EnablePages(layout.setupPages.scanSystem, layout.setupPages.portCheck);
  setupWizard_ = std::make_unique<TSetupWizardDialog>(run_.SetupWizard(), language_, mainForm_.get());
}

void TDesktopProgram::StartProcessTimer() { mainForm_->StartProcessTimer(); }

void TDesktopProgram::SettingsLoaded() {
  // The task bar shows the window's caption. A display name would be added to
  // every caption by the platform ("Keplinor (Online) — Keplinor"), so the
  // program's name is its application name instead.
  QApplication::setApplicationName(ToQString(run_.Settings().Application.Name));
  startPage_->SetApplicationName(ToQString(run_.Settings().Application.Name));
  homeSection_->SetHomePage(ToQString(run_.Settings().Application.HomePageURL));
  const std::optional<std::string> advertisingServer = AdvertisingUrlOf(run_.Settings().Application);
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QSize screenSize = screen ? screen->size() : QSize();
  AddProgramHeaders(advertising_->Core(), run_.Settings().Application.Name, screenSize.width(),
                    screenSize.height());
  advertising_->SetServerUrl(advertisingServer);
  mainForm_->AdvertisementPlace()->setFixedHeight(advertisingServer ? TAdvertisingPanel::kPanelHeight : 0);
  // The shared items are registered by now.
  sharedSection_->Navigate("/", true);
}

bool TDesktopProgram::RunFirstRunSetup() {
  setupWizard_->RunAtStart();
  return run_.Settings().Application.SetupComplete;
}

void TDesktopProgram::ShowAtStart(bool minimized) {
  // Before the window is first shown, whether now or from the tray later.
  downloadsSection_->SetDetailsShown(run_.Settings().Downloads.ShowStatus);
  uploadsSection_->SetDetailsShown(run_.Settings().Uploads.ShowStatus);
  transferPanelsApplied_ = true;
  mainForm_->CreateNotificationIcon();
  mainForm_->SetOnlineState(false);
  if (!minimized) mainForm_->ShowMainWindow();
}

void TDesktopProgram::StoreIntoSettings() {
  mainForm_->StoreGeometry();
  // A run that ended before the window's start keeps the loaded values.
  if (transferPanelsApplied_) {
    run_.Settings().Downloads.ShowStatus = downloadsSection_->DetailsShown();
    run_.Settings().Uploads.ShowStatus = uploadsSection_->DetailsShown();
  }
}

void TDesktopProgram::StopProcessTimer() { mainForm_->StopProcessTimer(); }

void TDesktopProgram::GiveBackPluginWindows() {
  // The wizard's page, the selected service's window and the tabs' windows:
  // what the program destroys after the plugins have gone must not take plugin
  // code with it.
  services_->GiveBackPluginWindows();
  setupWizard_->ReleasePluginWindow();
  setupTabs_->GiveBackWindows();
  applicationApi_->GiveBackWindows();
  if (settingsDialog_) settingsDialog_->GiveBackPluginPages();
}

void TDesktopProgram::DestroyWindow() {
  // The Application API's tabs with their windows and the notification icons,
  // the services' helpers, the command managers, then the window.
  // The advertisement load stops while everything it reports to is whole.
  delete advertising_;
  advertising_ = nullptr;
  homeSection_ = nullptr;
  applicationApi_.reset();
  notificationIcons_.Clear();
  setupWizard_.reset();
  setupTabs_.reset();
  settingsDialog_.reset();
  searchRequestDialog_.reset();
  searchResults_.reset();
  // The sections stop being the lists' views as they go.
  mainForm_->OnTransfersTick = nullptr;
  uploadsSection_.reset();
  downloadsSection_.reset();
  sharedSection_.reset();
  startPage_.reset();
  services_.reset();
  commands_.reset();
  mainForm_.reset();
}

}  // namespace kp
