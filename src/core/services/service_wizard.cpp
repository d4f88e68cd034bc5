#include "core/services/service_wizard.h"

#include "core/host/plugin_events.h"
#include "core/host/plugin_holder.h"
#include "core/services/service_registry.h"

namespace kp {
namespace {

bool Exports(const TPluginHolder* plugin, std::size_t event) {
  return plugin && plugin->EventSlot(event) != nullptr;
}

}  // namespace

void TServiceWizard::ShowTypePage() {
  onTypePage_ = true;
  if (view_) view_->ShowTypePage();
}

void TServiceWizard::ShowPluginArea() {
  onTypePage_ = false;
  if (view_) view_->ShowPluginArea();
}

void TServiceWizard::ButtonsChanged() {
  if (view_) view_->ButtonsChanged();
}

void TServiceWizard::Close(bool completed) {
  if (view_) view_->CloseWizard(completed);
}

void TServiceWizard::BeginAdd() {
  ShowTypePage();
  addMode_ = true;
  service_ = 0;
  typeList_.clear();
  for (const TServiceTypeHolder* type : registry_.Types()) typeList_.push_back(type->Handle());
  chosenType_ = typeList_.empty() ? -1 : 0;
  status_ = wizard_status::kTypePage;
  backEnabled_ = false;
  nextEnabled_ = true;
  nextIsFinish_ = false;
  ButtonsChanged();
}

bool TServiceWizard::BeginEdit(std::uint32_t handle) {
  const TServiceHolder* service = registry_.FindService(handle);
  if (!service) return false;
  ShowPluginArea();
  addMode_ = false;
  plugin_ = service->plugin;
  serviceType_ = service->type->Handle();
  service_ = handle;
  // Nothing of an earlier run carries into an edit: a status left from it would
  // make Next add a service (the type page's) or complete this one before the
  // plugin has shown a page (a last page's), and a busy page's buttons would
  // stay off. The plugin's page sets both.
  status_ = wizard_status::kNoPage;
  backEnabled_ = false;
  nextEnabled_ = true;
  nextIsFinish_ = false;
  ButtonsChanged();
  static const std::size_t onEdit = EventNumber("OnServiceWizardEdit");
  if (plugin_) SendEvent(*plugin_, onEdit, handle);
  return true;
}

void TServiceWizard::ChooseType(int index) noexcept {
  chosenType_ = index >= 0 && static_cast<std::size_t>(index) < typeList_.size() ? index : -1;
}

void TServiceWizard::Next() {
  if (onTypePage_) ShowPluginArea();
  static const std::size_t onAdd = EventNumber("OnServiceWizardAdd");
  static const std::size_t onChange = EventNumber("OnServiceWizardChange");
  static const std::size_t onComplete = EventNumber("OnServiceWizardComplete");

  switch (status_) {
    case wizard_status::kTypePage: {
      if (chosenType_ < 0) return;
      const std::uint32_t handle = typeList_[static_cast<std::size_t>(chosenType_)];
      const TServiceTypeHolder* type = registry_.FindType(handle);
      if (!type) return;  // removed since the list was filled
      serviceType_ = handle;
      plugin_ = type->plugin;
      if (plugin_) SendEvent(*plugin_, onAdd, handle);
      return;
    }
    case wizard_status::kLastPage:
    case wizard_status::kOnlyPage: {
      std::uint8_t canClose = 1;
      if (Exports(plugin_, onChange) && Exports(plugin_, onComplete)) {
        SendEvent(*plugin_, onComplete, serviceType_, ServiceArgument(), &canClose);
      }
      if (canClose == 1) Close(true);
      return;
    }
    default:
      if (plugin_) SendEvent(*plugin_, onChange, ServiceArgument(), kWizardDirectionNext);
      return;
  }
}

void TServiceWizard::Back() {
  if (addMode_ && (status_ == wizard_status::kFirstPage || status_ == wizard_status::kOnlyPage)) {
    // The plugin's first page: back to the type page, and the plugin is not told.
    ShowTypePage();
    backEnabled_ = false;
    nextIsFinish_ = false;
    status_ = wizard_status::kTypePage;
    ButtonsChanged();
    return;
  }
  static const std::size_t onChange = EventNumber("OnServiceWizardChange");
  if (plugin_) SendEvent(*plugin_, onChange, ServiceArgument(), kWizardDirectionBack);
}

// A plugin takes part in the wizard's page changes by exporting
// OnServiceWizardChange; only such a plugin hears of a Cancel.
void TServiceWizard::Cancel() {
  static const std::size_t onChange = EventNumber("OnServiceWizardChange");
  static const std::size_t onCancel = EventNumber("OnServiceWizardCancel");
  if (status_ != wizard_status::kTypePage && Exports(plugin_, onChange)) {
    SendEvent(*plugin_, onCancel, ServiceArgument());
  }
  Close(false);
}

void TServiceWizard::ShowWizardPanel(TPluginHolder* caller, std::uint32_t window, std::int32_t status,
                                     bool allowBack) {
  plugin_ = caller;
  status_ = status;
  switch (status) {
    case wizard_status::kMiddlePage:
      backEnabled_ = true;
      nextEnabled_ = true;
      nextIsFinish_ = false;
      break;
    case wizard_status::kFirstPage:
      backEnabled_ = addMode_;
      nextIsFinish_ = false;
      break;
    case wizard_status::kLastPage:
      backEnabled_ = true;
      nextEnabled_ = true;
      nextIsFinish_ = true;
      break;
    case wizard_status::kOnlyPage:
      backEnabled_ = addMode_;
      nextEnabled_ = true;
      nextIsFinish_ = true;
      break;
    case wizard_status::kBusy:
      backEnabled_ = false;
      nextEnabled_ = false;
      break;
    default:
      break;
  }
  if (!allowBack) backEnabled_ = false;
  ButtonsChanged();
  if (view_) view_->HostWindow(window);
}

}  // namespace kp
