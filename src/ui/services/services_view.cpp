#include "ui/services/services_view.h"

#include "ui/controls/service_navigator.h"
#include "ui/host/plugin_panel.h"
#include "ui/services/services_section.h"
#include "ui/shell/command_manager.h"
#include "ui/shell/image_list.h"
#include "ui/shell/main_form.h"
#include "ui/shell/qt_text.h"

namespace kp {
namespace {

// A service's menu entry carries the service as its command: choosing it selects
// the service. Handles are 32-bit addresses, commands 32-bit numbers.
std::int32_t CommandOf(const TServiceHolder& service) { return static_cast<std::int32_t>(service.Handle()); }

}  // namespace

TServicesView::TServicesView(TServiceRegistry& registry, TServicesSection& section, TMainForm& mainForm,
                             TImageList& images, TCommandManager* listManager, std::uint32_t listHeading)
    : registry_(registry),
      section_(section),
      mainForm_(mainForm),
      images_(images),
      listManager_(listManager),
      listHeading_(listHeading) {
  TServiceNavigator& navigator = section_.Navigator();
  navigator.OnSelect = [this](std::uint32_t service) { registry_.SetActive(service); };
  navigator.OnCheck = [this](std::uint32_t service, bool checked) { registry_.UserChecks(service, checked); };
  registry_.SetView(this);
}

TServicesView::~TServicesView() {
  registry_.SetView(nullptr);
  section_.Navigator().OnSelect = nullptr;
  section_.Navigator().OnCheck = nullptr;
}

void TServicesView::ServiceButtonAdded(const TServiceHolder& service) {
  section_.Navigator().AddButton(service.Handle(), ToQString(service.description),
                                 images_.ImageFor(service.currentIconFileName));
  section_.Navigator().SetChecked(service.Handle(), service.checked);
}

void TServicesView::ServiceButtonChanged(const TServiceHolder& service) {
  TServiceNavigator& navigator = section_.Navigator();
  navigator.EditButton(service.Handle(), ToQString(service.description), images_.ImageFor(service.currentIconFileName));
  navigator.SetChecked(service.Handle(), service.checked);
  if (listManager_ && service.menuEntry != 0) {
    listManager_->EditMenuEntry(service.menuEntry, CommandOf(service), nullptr, service.currentIconFileName,
                                service.description);
  }
}

void TServicesView::ServiceButtonRemoved(const TServiceHolder& service) {
  section_.Navigator().RemoveButton(service.Handle());
}

void TServicesView::ActiveServiceChanged(const TServiceHolder* service) {
  section_.Navigator().SetActive(service ? service->Handle() : 0);
}

std::uint32_t TServicesView::AddTypeMenu(const TServiceTypeHolder& type) {
  // The heading is the layout's entry; a plugin may have removed it.
  if (!listManager_ || !listManager_->FindMenuEntry(listHeading_)) return 0;
  return listManager_->AddMenuEntry(0, listHeading_, nullptr, type.iconFileName, type.description);
}

std::uint32_t TServicesView::AddServiceMenuEntry(const TServiceHolder& service) {
  const std::uint32_t submenu = service.type ? service.type->menuEntry : 0;
  if (!listManager_ || submenu == 0 || !listManager_->FindMenuEntry(submenu)) return 0;
  return listManager_->AddMenuEntry(CommandOf(service), submenu, nullptr, service.currentIconFileName,
                                    service.description);
}

void TServicesView::RemoveMenuEntry(std::uint32_t entry) {
  if (listManager_ && entry != 0) listManager_->RemoveMenuEntry(entry);
}

void TServicesView::ShowMainPanel(std::uint32_t window) { section_.MainPanel().SetHostedWindow(window); }

void TServicesView::OnlineStateChanged(bool anyOnline) { mainForm_.SetOnlineState(anyOnline); }

}  // namespace kp
