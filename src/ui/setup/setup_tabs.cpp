#include "ui/setup/setup_tabs.h"

#include <QPointer>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWidget>

#include "core/host/message_packet.h"
#include "core/platform/low_memory_heap.h"
#include "ui/host/plugin_panel.h"
#include "ui/settings/settings_dialog.h"
#include "ui/shell/qt_text.h"

namespace kp {

// One plugin page of the settings dialog and the panel that hosts the window.
struct TSetupTabs::TabHost {
  QPointer<QWidget> page;
  QPointer<TPluginPanel> panel;
};

TSetupTabs::TSetupTabs(TApiRegistry& registry, TSettingsDialog& dialog)
    : registry_(registry), dialog_(dialog) {
  Register();
}

TSetupTabs::~TSetupTabs() {
  // Taken out of the list first: what a page's destruction calls back into
  // then finds no tab.
  std::vector<TabHost*> tabs;
  tabs.swap(tabs_);
  for (TabHost* tab : tabs) Destroy(tab);
}

TSetupTabs::TabHost* TSetupTabs::FindTab(std::uint32_t handle) const noexcept {
  return FindByHandle(tabs_, handle);
}

void TSetupTabs::Destroy(TabHost* tab) {
  const QPointer<QWidget> page = tab->page;
  LowDelete(tab);
  if (page) dialog_.RemovePluginPage(page.data());
  delete page.data();
}

void TSetupTabs::GiveBackWindows() {
  // A window's close handler may remove tabs: each one is looked up again.
  std::vector<std::uint32_t> handles;
  for (const TabHost* tab : tabs_) handles.push_back(LowAddress(tab));
  for (const std::uint32_t handle : handles) {
    if (TabHost* tab = FindTab(handle); tab && tab->panel) tab->panel->GiveBackHostedWindow();
  }
}

void TSetupTabs::Register() {
  registry_.Implement("SetupTabAdd", [this](TMessagePacket& p) -> std::int64_t {
    auto* page = new QWidget();
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* panel = new TPluginPanel();
    layout->addWidget(panel);
    // Added after every page the dialog has; the active page stays.
    dialog_.AddPluginPage(page, ToQString(p.GetString("sDescription")));
    panel->SetHostedWindow(p.GetObject("sWindowHandle"));
    TabHost* host = LowNew<TabHost>();
    host->page = page;
    host->panel = panel;
    tabs_.push_back(host);
    return LowAddress(host);
  });
  registry_.Implement("SetupTabEdit", [this](TMessagePacket& p) -> std::int64_t {
    TabHost* tab = FindTab(p.GetObject("poTab"));
    if (!tab || !tab->page || !tab->panel) return 0;
    QTabWidget& pages = *dialog_.Pages();
    pages.setTabText(pages.indexOf(tab->page), ToQString(p.GetString("sDescription")));
    // The old window's close handler may remove this very tab: the panel guards
    // itself, and the tab's record is not touched after it.
    tab->panel->SetHostedWindow(p.GetObject("sWindowHandle"));
    return 0;
  });
  registry_.Implement("SetupTabRemove", [this](TMessagePacket& p) -> std::int64_t {
    TabHost* tab = FindTab(p.GetObject("poTab"));
    if (!tab) return 0;
    std::erase(tabs_, tab);
    Destroy(tab);
    return 0;
  });
  registry_.Implement("SetupTabActivate", [this](TMessagePacket& p) -> std::int64_t {
    if (TabHost* tab = FindTab(p.GetObject("poTab")); tab && tab->page)
      dialog_.Pages()->setCurrentWidget(tab->page);
    return 0;
  });
}

}  // namespace kp
