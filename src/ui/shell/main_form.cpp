#include "ui/shell/main_form.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include "core/config/global_stores.h"
#include "core/config/settings.h"
#include "core/config/shared_routines.h"
#include "core/host/notification_icons.h"
#include "core/host/plugin_events.h"
#include "ui/shell/about_dialog.h"
#include "ui/shell/command_numbers.h"
#include "ui/shell/language_text.h"
#include "ui/shell/section_pages.h"
#include "ui/shell/tray_icon.h"
#include "ui/shell/qt_text.h"

namespace kp {

TMainForm::TMainForm(TMainFormContext context, QWidget* parent)
    : QMainWindow(parent), context_(context), trayMenu_(std::make_unique<QMenu>()) {
  setObjectName(QStringLiteral("TMainForm"));
  menuBar()->setNativeMenuBar(false);

  buttonBar_ = addToolBar(QStringLiteral("Commands"));
  buttonBar_->setObjectName(QStringLiteral("MainButtonBar"));
  buttonBar_->setMovable(false);
  buttonBar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  // The two-state indicator shows whether a search is under way. It sits at the
  // right end of the menu line: the button bar's end moves with every button a
  // plugin adds.
  indicator_ = new QLabel();
  indicator_->setObjectName(QStringLiteral("Indicator"));
  indicator_->setContentsMargins(4, 0, 4, 0);
  menuBar()->setCornerWidget(indicator_, Qt::TopRightCorner);

  auto* central = new QWidget();
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  sections_ = new TSectionPages();
  sections_->setObjectName(QStringLiteral("MainPageControl"));
  layout->addWidget(sections_, 1);
  // The advertisement panel takes this place when it is built.
  advertisementPlace_ = new QWidget();
  advertisementPlace_->setObjectName(QStringLiteral("AdvertisementPlace"));
  advertisementPlace_->setFixedHeight(0);
  layout->addWidget(advertisementPlace_);
  setCentralWidget(central);

  // The 1 ms timer of old really fired 64 times a second; so does this one, in
  // steps of 15 and 16 ms that average 15.625 ms.
  processTimer_.setTimerType(Qt::PreciseTimer);
  processTimer_.setSingleShot(true);
  connect(&processTimer_, &QTimer::timeout, this, [this] {
    ProcessTick();
    processTimer_.start((++tickNumber_ % 8) < 5 ? 16 : 15);
  });

  resize(900, 600);
}

TMainForm::~TMainForm() = default;

QString TMainForm::Language(const char* section, const char* id) const {
  return LanguageText(context_.language, section, id);
}

QString TMainForm::SmallStateIcon() const {
  return ToQString(online_ ? context_.settings.Application.SmallOnlineIcon
                          : context_.settings.Application.SmallOfflineIcon);
}

QString TMainForm::LargeStateIcon() const {
  return ToQString(online_ ? context_.settings.Application.LargeOnlineIcon
                          : context_.settings.Application.LargeOfflineIcon);
}

void TMainForm::SetShownToUser(bool shown) {
  if (shown == shownToUser_) return;
  shownToUser_ = shown;
  static const std::size_t onShow = EventNumber("OnApplicationShow");
  static const std::size_t onHide = EventNumber("OnApplicationHide");
  BroadcastEvent(context_.plugins, shown ? onShow : onHide);
}

void TMainForm::FirstShowPreparation() {
  firstShowDone_ = true;
  setWindowTitle(ToQString(context_.settings.Application.Name));
  sections_->SetCaption(Section::MainWeb, Language("Main", "00004"));
  sections_->SetCaption(Section::Services, Language("Main", "00005"));
  sections_->SetCaption(Section::Uploads, Language("Main", "00006"));
  sections_->SetCaption(Section::Shared, Language("Main", "00007"));
  sections_->SetCaption(Section::Downloads, Language("Main", "00008"));
  sections_->SetCaption(Section::SearchResults, Language("Main", "00009"));
  ShowApplicationIcon();
  SetSearching(false);
  const TAdvancedSettings& advanced = context_.settings.Advanced;
  if (advanced.RememberLocation && advanced.WindowWidth > 0 && advanced.WindowHeight > 0) {
    setGeometry(advanced.WindowLeft, advanced.WindowTop, advanced.WindowWidth, advanced.WindowHeight);
  }
}

void TMainForm::SetSearching(bool searching) {
  const QIcon image = searching ? style()->standardIcon(QStyle::SP_BrowserReload) : QIcon(SmallStateIcon());
  indicator_->setPixmap(image.pixmap(16, 16));
  indicator_->setToolTip(searching ? Language("Main", "00009") : QString());
}

void TMainForm::ShowMainWindow() {
  if (!firstShowDone_) FirstShowPreparation();
  if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
  SetShownToUser(true);
}

void TMainForm::HideMainWindow() {
  hide();
  SetShownToUser(false);
}

void TMainForm::ToggleMainWindow() {
  if (shownToUser_) {
    HideMainWindow();
  } else {
    ShowMainWindow();
  }
}

void TMainForm::ExitCommand() {
  if (!AskPluginsToExit(context_.plugins)) return;
  exitCommandRunning_ = true;
  close();
  exitCommandRunning_ = false;
}

void TMainForm::closeEvent(QCloseEvent* event) {
  // Every close that is not the exit command's is the user's close button.
  if (!exitCommandRunning_ && context_.settings.Advanced.MinimizeOnCloseButton) {
    event->ignore();
    HideMainWindow();
    return;
  }
  if (!AskPluginsToExit(context_.plugins)) {
    event->ignore();
    return;
  }
  event->accept();
  // Closing ends the program; the plugins hear of that from the end event, not
  // as a hide.
  shownToUser_ = false;
  if (OnClosed) OnClosed();
}

void TMainForm::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && isMinimized() && shownToUser_) {
    // Minimising hides the window to the tray.
    QTimer::singleShot(0, this, [this] { HideMainWindow(); });
  }
}

void TMainForm::SetOnlineState(bool online) {
  online_ = online;
  ShowApplicationIcon();
  QIcon icon;
  icon.addFile(SmallStateIcon());
  icon.addFile(LargeStateIcon());
  setWindowIcon(icon);
  const QString caption = ToQString(context_.settings.Application.Name) + " (" +
                          Language("Main", online ? "00001" : "00002") + ")";
  setWindowTitle(caption);
  if (trayIcon_) trayIcon_->SetTip(caption);
}

void TMainForm::CreateNotificationIcon() {
  trayIcon_ = std::make_unique<TTrayIcon>(trayMenu_.get());
  trayIcon_->OnShowRequest = [this] { ShowMainWindow(); };
  trayIcon_->SetImageFile(SmallStateIcon());
  trayIcon_->SetTip(windowTitle());
}

void TMainForm::StartProcessTimer() {
  tickNumber_ = 0;
  processTimer_.start(16);
}

void TMainForm::StopProcessTimer() { processTimer_.stop(); }

void TMainForm::ShowApplicationIcon() {
  if (trayIcon_) trayIcon_->SetImageFile(SmallStateIcon());
}

void TMainForm::ProcessTick() {
  if (auto change = context_.notificationIcons.Tick()) {
    // Plugin icons show only once the tray icon exists.
    if (change->applicationIcon) {
      ShowApplicationIcon();
    } else if (trayIcon_) {
      trayIcon_->SetImageFile(ToQString(change->pluginIconFile));
    }
  }
  if (OnTransfersTick) OnTransfersTick();
}

void TMainForm::ShowAboutDialog() {
  TAboutDialog dialog(context_.settings, context_.plugins, context_.language, this);
  dialog.exec();
}

void TMainForm::RunCoreCommand(std::int32_t command) {
  switch (CoreActionOf(command)) {
    case TCoreAction::Exit:
      ExitCommand();
      break;
    case TCoreAction::ActivateUploads:
      sections_->Activate(Section::Uploads);
      break;
    case TCoreAction::ActivateDownloads:
      sections_->Activate(Section::Downloads);
      break;
    case TCoreAction::OpenHelp:
      ShellOpen(context_.settings.Application.HelpURL);
      break;
    case TCoreAction::ShowAbout:
      ShowAboutDialog();
      break;
    case TCoreAction::ToggleMainWindow:
      ToggleMainWindow();
      break;
    case TCoreAction::OpenServiceWizard:
      if (OnAddService) OnAddService();
      break;
    case TCoreAction::OpenServicesDialog:
      if (OnCustomizeServices) OnCustomizeServices();
      break;
    case TCoreAction::SelectService:
      if (OnSelectService && command != command::kNothing) OnSelectService(static_cast<std::uint32_t>(command));
      break;
    // The settings dialog and the search request are not built yet: their
    // commands do nothing until they are.
    case TCoreAction::OpenSettings:
    case TCoreAction::ShowSearchRequest:
      break;
  }
}

void TMainForm::StoreGeometry() const {
  const QRect frame = geometry();
  TAdvancedSettings& advanced = context_.settings.Advanced;
  advanced.WindowTop = frame.top();
  advanced.WindowLeft = frame.left();
  advanced.WindowHeight = frame.height();
  advanced.WindowWidth = frame.width();
}

}  // namespace kp

// The meta-object code of the class, compiled with it.
#include "moc_main_form.cpp"
