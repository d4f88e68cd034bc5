#include "ui/shell/main_form.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include "core/config/global_stores.h"
#include "core/config/settings.h"
#include "core/config/shared_routines.h"
#include "core/config/text_basics.h"
#include "core/config/text_ids.h"
#include "core/host/notification_icons.h"
#include "core/host/plugin_events.h"
#include "ui/host/plugin_panel.h"
#include "ui/shell/about_dialog.h"
#include "ui/shell/command_manager.h"
#include "ui/shell/command_numbers.h"
#include "ui/shell/language_text.h"
#include "ui/shell/qt_text.h"
#include "ui/shell/section_pages.h"
#include "ui/shell/tray_icon.h"

namespace kp {
namespace {

// The keys a Linux user expects for the core's commands, anywhere in the window.
// Qt's key scheme of the desktop names them; the fallback stands in where the
// scheme has none (Qt's Windows scheme, which some platforms use, has no quit key).
struct TCommandKey {
  QKeySequence::StandardKey standard;
  QKeyCombination fallback;
  std::int32_t command;
};

const TCommandKey kCommandKeys[] = {
    {QKeySequence::Quit, Qt::CTRL | Qt::Key_Q, command::kExit},
    {QKeySequence::HelpContents, QKeyCombination(Qt::Key_F1), command::kHelp},
    {QKeySequence::Find, Qt::CTRL | Qt::Key_F, command::kSearch},
};

QList<QKeySequence> KeysFor(QKeySequence::StandardKey standard, QKeyCombination fallback) {
  QList<QKeySequence> keys = QKeySequence::keyBindings(standard);
  if (keys.isEmpty()) keys << QKeySequence(fallback);
  return keys;
}

}  // namespace

TMainForm::TMainForm(TMainFormContext context, QWidget* parent)
    : QMainWindow(parent), context_(context), trayMenu_(std::make_unique<QMenu>()) {
  setObjectName(QStringLiteral("TMainForm"));
  // No plugin may host the window, or the tray menu, in a tab of its own.
  MarkCoreWindow(*this);
  MarkCoreWindow(*trayMenu_);
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

  // The tray menu may open before the window was ever shown.
  connect(trayMenu_.get(), &QMenu::aboutToShow, this, [this] { ShowToggleCaptions(); });
  AddShortcuts();
  resize(900, 600);
}

TMainForm::~TMainForm() = default;

void TMainForm::AddShortcuts() {
  auto add = [this](const QList<QKeySequence>& keys, auto run) {
    auto* action = new QAction(this);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, run);
    addAction(action);
  };
  for (const TCommandKey& key : kCommandKeys) {
    add(KeysFor(key.standard, key.fallback), [this, command = key.command] { RunCoreCommand(command); });
  }
  // Between sections wherever the focus is, not only on the tab bar.
  add(KeysFor(QKeySequence::NextChild, Qt::CTRL | Qt::Key_Tab), [this] { sections_->StepTab(1); });
  add(KeysFor(QKeySequence::PreviousChild, Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
      [this] { sections_->StepTab(-1); });
}

QString TMainForm::Language(TTextId text) const { return LanguageText(context_.language, text); }

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
  constexpr std::size_t onShow = EventNumber("OnApplicationShow");
  constexpr std::size_t onHide = EventNumber("OnApplicationHide");
  BroadcastEvent(context_.plugins, shown ? onShow : onHide);
  ShowToggleCaptions();
}

void TMainForm::ShowToggleCaptions() {
  const std::string caption =
      GetLanguageText(shownToUser_ ? text::kHideWindowCommand : text::kShowWindowCommand, context_.language);
  // Without a text of its own the entry keeps the layout's caption.
  if (Trim(caption).empty()) return;
  TCommandManager::SetCoreEntryCaptions(*trayMenu_, command::kToggleWindow, caption);
}

void TMainForm::FirstShowPreparation() {
  firstShowDone_ = true;
  setWindowTitle(ToQString(context_.settings.Application.Name));
  sections_->SetCaption(Section::MainWeb, Language(text::kWebSection));
  sections_->SetCaption(Section::Services, Language(text::kServicesSection));
  sections_->SetCaption(Section::Uploads, Language(text::kUploadsSection));
  sections_->SetCaption(Section::Shared, Language(text::kSharedSection));
  sections_->SetCaption(Section::Downloads, Language(text::kDownloadsSection));
  sections_->SetCaption(Section::SearchResults, Language(text::kSearchResultsSection));
  ShowApplicationIcon();
  SetSearching(false);
  RestoreWindowState();
}

void TMainForm::RestoreWindowState() {
  const TAdvancedSettings& advanced = context_.settings.Advanced;
  if (advanced.RememberLocation && advanced.WindowWidth > 0 && advanced.WindowHeight > 0) {
    // The rectangle first: it is the one a maximised window returns to.
    setGeometry(advanced.WindowLeft, advanced.WindowTop, advanced.WindowWidth, advanced.WindowHeight);
    if (advanced.WindowMaximized) setWindowState(windowState() | Qt::WindowMaximized);
  }
  // A section that the layout left out stays where it is.
  sections_->ActivateNumber(advanced.ActiveSection);
}

void TMainForm::SetSearching(bool searching) {
  searching_ = searching;
  ShowIndicator();
}

void TMainForm::ShowIndicator() {
  const QIcon image = searching_ ? style()->standardIcon(QStyle::SP_BrowserReload) : QIcon(SmallStateIcon());
  indicator_->setPixmap(image.pixmap(16, 16));
  indicator_->setToolTip(searching_ ? WithoutAccessKeys(Language(text::kSearchResultsSection)) : QString());
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
  ShowIndicator();
  QIcon icon;
  icon.addFile(SmallStateIcon());
  icon.addFile(LargeStateIcon());
  setWindowIcon(icon);
  const QString caption = ToQString(context_.settings.Application.Name) + " (" +
                          WithoutAccessKeys(Language(online ? text::kOnline : text::kOffline)) + ")";
  setWindowTitle(caption);
  if (trayIcon_) trayIcon_->SetTip(caption);
}

void TMainForm::CreateNotificationIcon() {
  trayIcon_ = std::make_unique<TTrayIcon>(trayMenu_.get());
  trayIcon_->OnShowRequest = [this] { ShowMainWindow(); };
  trayIcon_->SetImageFile(SmallStateIcon());
  trayIcon_->SetTip(windowTitle());
  ShowToggleCaptions();
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
      if (OnSelectService && command != command::kNothing)
        OnSelectService(static_cast<std::uint32_t>(command));
      break;
    case TCoreAction::OpenSettings:
      if (OnOpenSettings) OnOpenSettings();
      break;
    case TCoreAction::ShowSearchRequest:
      if (OnShowSearchRequest) OnShowSearchRequest();
      break;
  }
}

void TMainForm::StoreGeometry() const {
  // A window still waiting for its first show has the built-in size at the
  // origin, not a place of the user's.
  if (!firstShowDone_) return;
  // A maximised window keeps the rectangle it returns to; that is what a start
  // restores before it maximises again.
  const bool maximized = windowState().testFlag(Qt::WindowMaximized);
  const QRect normal = maximized ? normalGeometry() : geometry();
  TAdvancedSettings& advanced = context_.settings.Advanced;
  advanced.WindowTop = normal.top();
  advanced.WindowLeft = normal.left();
  advanced.WindowHeight = normal.height();
  advanced.WindowWidth = normal.width();
  advanced.WindowMaximized = maximized;
  advanced.ActiveSection = sections_->ActiveNumber();
}

}  // namespace kp

// The meta-object code of the class, compiled with it.
#include "moc_main_form.cpp"
