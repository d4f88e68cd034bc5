#include "ui/host/application_api.h"

#include <QPointer>
#include <QVBoxLayout>
#include <QWidget>

#include "core/config/shared_routines.h"
#include "core/host/api_registry.h"
#include "core/host/notification_icons.h"
#include "core/host/plugin_holder.h"
#include "ui/host/plugin_panel.h"
#include "core/platform/low_memory_heap.h"
#include "ui/shell/command_manager.h"
#include "ui/shell/main_form.h"
#include "ui/shell/section_pages.h"
#include "ui/shell/qt_text.h"

namespace kp {
namespace {

std::string PluginFolder(const TPluginHolder* plugin) { return plugin ? plugin->Folder() : std::string(); }

}  // namespace

// One plugin tab: its page among the section tabs and the panel that hosts the
// plugin's window.
struct TApplicationApi::TabHost {
  QPointer<QWidget> page;
  QPointer<TPluginPanel> panel;
};

TApplicationApi::TApplicationApi(TApiRegistry& registry, TMainForm& mainForm, TCommandManager& mainCommands,
                                 TCommandManager& popupCommands, TNotificationIcons& notificationIcons,
                                 std::string programFolder)
    : registry_(registry),
      mainForm_(mainForm),
      mainCommands_(mainCommands),
      popupCommands_(popupCommands),
      notificationIcons_(notificationIcons),
      programFolder_(std::move(programFolder)) {
  Register();
}

TApplicationApi::~TApplicationApi() {
  // Taken out of the list first, as ApplicationTabRemove does: what a page's
  // destruction calls back into then finds no tab.
  std::vector<TabHost*> tabs;
  tabs.swap(tabs_);
  for (TabHost* tab : tabs) {
    const QPointer<QWidget> page = tab->page;
    LowDelete(tab);
    delete page.data();
  }
}

TApplicationApi::TabHost* TApplicationApi::FindTab(std::uint32_t handle) const noexcept {
  return FindByHandle(tabs_, handle);
}

void TApplicationApi::GiveBackWindows() {
  // A window's close handler may remove tabs, its own or others: each one is
  // looked up again by its handle.
  std::vector<std::uint32_t> handles;
  for (const TabHost* tab : tabs_) handles.push_back(LowAddress(tab));
  for (const std::uint32_t handle : handles) {
    if (TabHost* tab = FindTab(handle); tab && tab->panel) tab->panel->GiveBackHostedWindow();
  }
}

void TApplicationApi::Register() {
  auto menuManagerHolding = [this](std::uint32_t entry) -> TCommandManager* {
    if (mainCommands_.FindMenuEntry(entry)) return &mainCommands_;
    if (popupCommands_.FindMenuEntry(entry)) return &popupCommands_;
    return nullptr;
  };

  registry_.Implement("ApplicationMenuAdd", [this](TMessagePacket& p) -> std::int64_t {
    TCommandManager& manager = p.GetBoolean("bIsPopup") ? popupCommands_ : mainCommands_;
    // Menu icons are taken as given: they are not looked up beside the plugin.
    return manager.AddMenuEntry(LowThirtyTwoBits(p.GetInteger("iCommand")), p.GetObject("poParentMenu"),
                                p.SenderPlugin, p.GetString("sIconFileName"), p.GetString("sDescription"));
  });
  registry_.Implement("ApplicationMenuEdit", [menuManagerHolding](TMessagePacket& p) -> std::int64_t {
    if (TCommandManager* manager = menuManagerHolding(p.GetObject("poMenu"))) {
      manager->EditMenuEntry(p.GetObject("poMenu"), LowThirtyTwoBits(p.GetInteger("iCommand")), p.SenderPlugin,
                             p.GetString("sIconFileName"), p.GetString("sDescription"));
    }
    return 0;
  });
  registry_.Implement("ApplicationMenuRemove", [menuManagerHolding](TMessagePacket& p) -> std::int64_t {
    if (TCommandManager* manager = menuManagerHolding(p.GetObject("poMenu"))) {
      manager->RemoveMenuEntry(p.GetObject("poMenu"));
    }
    return 0;
  });

  auto resolvedIcon = [this](const TMessagePacket& p) {
    return ResolveIconFile(p.GetString("sIconFileName"), PluginFolder(p.SenderPlugin), programFolder_);
  };
  registry_.Implement("ApplicationButtonAdd", [this, resolvedIcon](TMessagePacket& p) -> std::int64_t {
    return mainCommands_.AddButton(LowThirtyTwoBits(p.GetInteger("iCommand")), p.SenderPlugin, resolvedIcon(p),
                                   p.GetString("sDescription"));
  });
  registry_.Implement("ApplicationButtonEdit", [this, resolvedIcon](TMessagePacket& p) -> std::int64_t {
    mainCommands_.EditButton(p.GetObject("poButton"), LowThirtyTwoBits(p.GetInteger("iCommand")), p.SenderPlugin,
                             resolvedIcon(p), p.GetString("sDescription"));
    return 0;
  });
  registry_.Implement("ApplicationButtonRemove", [this](TMessagePacket& p) -> std::int64_t {
    mainCommands_.RemoveButton(p.GetObject("poButton"));
    return 0;
  });

  registry_.Implement("ApplicationTabAdd", [this](TMessagePacket& p) -> std::int64_t {
    auto* page = new QWidget();
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* panel = new TPluginPanel();
    layout->addWidget(panel);
    mainForm_.Sections().AddPluginTab(page, ToQString(p.GetString("sDescription")));
    panel->SetHostedWindow(p.GetObject("sWindowHandle"));
    TabHost* host = LowNew<TabHost>();
    host->page = page;
    host->panel = panel;
    tabs_.push_back(host);
    return LowAddress(host);
  });
  registry_.Implement("ApplicationTabEdit", [this](TMessagePacket& p) -> std::int64_t {
    TabHost* tab = FindTab(p.GetObject("poTab"));
    if (!tab || !tab->page || !tab->panel) return 0;
    TSectionPages& sections = mainForm_.Sections();
    sections.setTabText(sections.indexOf(tab->page), ToQString(p.GetString("sDescription")));
    // The old window's close handler may remove this very tab: the panel guards
    // itself, and the tab's record is not touched after it.
    tab->panel->SetHostedWindow(p.GetObject("sWindowHandle"));
    return 0;
  });
  registry_.Implement("ApplicationTabRemove", [this](TMessagePacket& p) -> std::int64_t {
    TabHost* tab = FindTab(p.GetObject("poTab"));
    if (!tab) return 0;
    // The page goes, and the plugin's window hosted in it with it. The tab is
    // gone from the list before: whatever that window's destruction calls back
    // into finds its handle unknown.
    std::erase(tabs_, tab);
    const QPointer<QWidget> page = tab->page;
    LowDelete(tab);
    delete page.data();
    return 0;
  });
  registry_.Implement("ApplicationTabActivate", [this](TMessagePacket& p) -> std::int64_t {
    if (TabHost* tab = FindTab(p.GetObject("poTab")); tab && tab->page) {
      mainForm_.Sections().setCurrentWidget(tab->page);
    }
    return 0;
  });
  registry_.Implement("ApplicationSectionActivate", [this](TMessagePacket& p) -> std::int64_t {
    mainForm_.Sections().ActivateNumber(LowThirtyTwoBits(p.GetInteger("iSection")));
    return 0;
  });

  registry_.Implement("ApplicationHide", [this](TMessagePacket&) -> std::int64_t {
    mainForm_.HideMainWindow();
    return 0;
  });
  registry_.Implement("ApplicationShow", [this](TMessagePacket&) -> std::int64_t {
    mainForm_.ShowMainWindow();
    return 0;
  });
  registry_.Implement("ApplicationExit", [this](TMessagePacket&) -> std::int64_t {
    mainForm_.ExitCommand();
    return 0;
  });

  registry_.Implement("ApplicationNotificationIconAdd", [this, resolvedIcon](TMessagePacket& p) -> std::int64_t {
    return notificationIcons_.Add(resolvedIcon(p));
  });
  registry_.Implement("ApplicationNotificationIconEdit", [this, resolvedIcon](TMessagePacket& p) -> std::int64_t {
    notificationIcons_.Edit(p.GetObject("poNotificationIcon"), resolvedIcon(p));
    return 0;
  });
  registry_.Implement("ApplicationNotificationIconRemove", [this](TMessagePacket& p) -> std::int64_t {
    notificationIcons_.Remove(p.GetObject("poNotificationIcon"));
    return 0;
  });
}

}  // namespace kp
