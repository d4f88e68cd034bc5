#include "ui/setup/setup_tabs.h"

#include <QTabWidget>
#include <QWidget>

#include "core/host/message_packet.h"
#include "ui/settings/settings_dialog.h"
#include "ui/shell/qt_text.h"

namespace kp {

TSetupTabs::TSetupTabs(TApiRegistry& registry, TSettingsDialog& dialog)
    : registry_(registry), dialog_(dialog), tabs_([this](QWidget* page) { dialog_.RemovePluginPage(page); }) {
  Register();
}

void TSetupTabs::GiveBackWindows() { tabs_.GiveBackWindows(); }

void TSetupTabs::Register() {
  registry_.Implement("SetupTabAdd", [this](TMessagePacket& p) -> std::int64_t {
    const QString caption = ToQString(p.GetString("sDescription"));
    // Added after every page the dialog has; the active page stays.
    return tabs_.Add([&](QWidget* page) { dialog_.AddPluginPage(page, caption); }, p.GetObject("sWindowHandle"));
  });
  registry_.Implement("SetupTabEdit", [this](TMessagePacket& p) -> std::int64_t {
    const std::uint32_t tab = p.GetObject("poTab");
    QWidget* page = tabs_.PageOf(tab);
    if (!page) return 0;
    QTabWidget& pages = *dialog_.Pages();
    pages.setTabText(pages.indexOf(page), ToQString(p.GetString("sDescription")));
    tabs_.Rehost(tab, p.GetObject("sWindowHandle"));
    return 0;
  });
  registry_.Implement("SetupTabRemove", [this](TMessagePacket& p) -> std::int64_t {
    tabs_.Remove(p.GetObject("poTab"));
    return 0;
  });
  registry_.Implement("SetupTabActivate", [this](TMessagePacket& p) -> std::int64_t {
    if (QWidget* page = tabs_.PageOf(p.GetObject("poTab"))) dialog_.Pages()->setCurrentWidget(page);
    return 0;
  });
}

}  // namespace kp
