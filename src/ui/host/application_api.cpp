#include "ui/host/application_api.h"

#include <QPointer>
#include <QVBoxLayout>
#include <QWidget>

#include "core/config/shared_routines.h"
#include "core/host/api_registry.h"
#include "core/host/notification_icons.h"
#include "core/host/plugin_holder.h"
#include "core/platform/low_memory_heap.h"
#include "ui/shell/command_manager.h"
#include "ui/shell/main_form.h"
#include "ui/shell/section_pages.h"
#include "ui/shell/qt_text.h"

namespace kp {
namespace {

std::string PluginFolder(const TPluginHolder* plugin) { return plugin ? plugin->Folder() : std::string(); }

}  // namespace

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

void TApplicationApi::GiveBackWindows() { tabs_.GiveBackWindows(); }

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
    const QString caption = ToQString(p.GetString("sDescription"));
    return tabs_.Add([&](QWidget* page) { mainForm_.Sections().AddPluginTab(page, caption); },
                     p.GetObject("sWindowHandle"));
  });
  registry_.Implement("ApplicationTabEdit", [this](TMessagePacket& p) -> std::int64_t {
    const std::uint32_t tab = p.GetObject("poTab");
    QWidget* page = tabs_.PageOf(tab);
    if (!page) return 0;
    TSectionPages& sections = mainForm_.Sections();
    sections.setTabText(sections.indexOf(page), ToQString(p.GetString("sDescription")));
    tabs_.Rehost(tab, p.GetObject("sWindowHandle"));
    return 0;
  });
  registry_.Implement("ApplicationTabRemove", [this](TMessagePacket& p) -> std::int64_t {
    tabs_.Remove(p.GetObject("poTab"));
    return 0;
  });
  registry_.Implement("ApplicationTabActivate", [this](TMessagePacket& p) -> std::int64_t {
    if (QWidget* page = tabs_.PageOf(p.GetObject("poTab"))) mainForm_.Sections().setCurrentWidget(page);
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
