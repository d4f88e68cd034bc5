// The example plugin: the model a plugin author copies. It puts entries into the
// main menu and the tray menu (with sub-entries), a button on the button bar, a
// tab that shows a Qt widget of its own, a notification icon that takes its
// turn with the program's icon, and a network with services and their main
// panel (example_services.cpp), pages in the service wizard
// (example_wizard.cpp) and searches answered from a thread of its own
// (example_search.cpp, example_catalogue.cpp), downloads of the results and
// uploads to pretend users (example_downloads.cpp, example_uploads.cpp,
// example_transfers.cpp), a command in the Shared files section
// (example_shared.cpp), a page in the setup wizard and one in the settings
// dialog (example_setup.cpp); and it names itself for the About box.
//
// It runs inside the program's process, so it shares the program's Qt: widgets
// are made on the main thread (TPlugin_OnStartup and events run there) and
// handed over by their window id. Texts reach Qt as plain literals, which
// QString copies: a QStringLiteral would point into this library, which must
// not matter to a widget whichever side destroys it.
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>
#include <string>

#include "example_plugin.h"
#include "keplinor_plugin.h"

KP_IMPORT(ApplicationMenuAdd);
KP_IMPORT(ApplicationButtonAdd);
KP_IMPORT(ApplicationTabAdd);
KP_IMPORT(ApplicationTabActivate);
KP_IMPORT(ApplicationNotificationIconAdd);
KP_IMPORT(ApplicationShow);

namespace {

// Command numbers are the plugin's own; the program hands them back in events.
enum Command : int32_t { kHeading = 0, kSayHello = 1, kShowTab = 2, kShowWindow = 3 };

QObject* guard = nullptr;

kp_handle tab = 0;
// Watched: the program destroys it with the tab if we remove the tab, and the
// pointer must then read as null rather than dangle.
QPointer<QWidget> tabWidget;
QLabel* status = nullptr;  // a child of tabWidget: valid while tabWidget is
int clicks = 0;

void Report(const char* what) {
  if (tabWidget) status->setText(QString::fromUtf8(what));
}

QWidget* MakeTabWidget() {
  auto* widget = new QWidget();
  auto* layout = new QVBoxLayout(widget);
  layout->addWidget(new QLabel("This tab belongs to the example plugin."));
  auto* button = new QPushButton("Count");
  layout->addWidget(button);
  status = new QLabel("Nothing chosen yet.");
  layout->addWidget(status);
  layout->addStretch();
  QObject::connect(button, &QPushButton::clicked, example::Guard(), [] {
    const std::string text = "Counted " + std::to_string(++clicks) + " times.";
    Report(text.c_str());
  });
  return widget;
}

}  // namespace

namespace example {

bool HaveWidgets() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

QObject* Guard() {
  if (!guard) guard = new QObject();
  return guard;
}

void DeleteUnlessAdopted(QWidget* widget) {
  if (widget && !widget->parentWidget()) delete widget;
}

void ShowStatus(const std::string& text) {
  Report(text.c_str());
  if (tab) ApplicationTabActivate(tab);
}

}  // namespace example

KP_STARTUP {
  (void)applicationBlock;
  kp_plugin_block* block = kp_plugin_block_from(pluginBlock);
  const kp_guid guid = {0x6B9E2C41, 0x7D3A, 0x4F51, {0x9A, 0x0C, 0x51, 0xE4, 0x2B, 0x77, 0x10, 0xD3}};
  block->PluginGUID = guid;
  block->VersionA = 1;
  block->VersionB = 0;
  block->VersionC = 5;
  std::snprintf(block->DisplayName, sizeof block->DisplayName, "%s", "Example plugin");

  // Main menu: a heading with two sub-entries. The icon names are looked up
  // beside this library first, then in the program's Icons folder.
  const kp_handle heading = ApplicationMenuAdd(kHeading, 0, "Example", "", KP_FALSE);
  ApplicationMenuAdd(kSayHello, heading, "Say hello", "AboutIcon.bmp", KP_FALSE);
  ApplicationMenuAdd(kShowTab, heading, "Show the example tab", "", KP_FALSE);

  // Tray menu: an entry of its own, with a sub-entry.
  const kp_handle trayHeading = ApplicationMenuAdd(kHeading, 0, "Example", "", KP_TRUE);
  ApplicationMenuAdd(kShowWindow, trayHeading, "Open the window", "", KP_TRUE);

  ApplicationButtonAdd(kShowTab, "Example", "AboutIcon.bmp");

  // Widgets need the program's desktop face; a run without one gets no tab.
  if (example::HaveWidgets()) {
    tabWidget = MakeTabWidget();
    tab = ApplicationTabAdd("Example", static_cast<kp_window>(tabWidget->winId()));
  }

  ApplicationNotificationIconAdd("UserIcon.bmp");

  example::StartServices();
  example::StartSetup(block->LibraryFolder);
}

// From this event on the program no longer waits for our threads' calls, so
// this is the first place where we may wait for them.
KP_EVENT(OnApplicationEnd) {
  example::StopSearches();
  example::StopTransfers();
}

KP_SHUTDOWN {
  // Again, for a plugin stopped without the end event.
  example::StopSearches();
  example::StopTransfers();
  example::StopWizard();
  example::StopSetup();
  example::StopServices();
  // The program handed the tab's widget back before stopping us.
  example::DeleteUnlessAdopted(tabWidget);
  tabWidget = nullptr;
  status = nullptr;
  // Last: this cuts every connection of ours, in widgets the program still
  // hosts too, while our code is still loaded.
  delete guard;
  guard = nullptr;
}

KP_EVENT(OnApplicationMenu) {
  (void)poMenu;
  switch (iCommand) {
    case kSayHello:
      Report("Hello from the example plugin.");
      ApplicationTabActivate(tab);
      break;
    case kShowTab:
      ApplicationTabActivate(tab);
      break;
    case kShowWindow:
      ApplicationShow();
      ApplicationTabActivate(tab);
      break;
    default:
      break;
  }
}

KP_EVENT(OnApplicationButton) {
  (void)poButton;
  if (iCommand == kShowTab) ApplicationTabActivate(tab);
}
