#include "core/services/service_wizard.h"

#include "core/host/plugin_events.h"
#include "core/host/plugin_holder.h"
#include "core/services/service_registry.h"

namespace kp {
namespace {

bool Exports(const TPluginHolder* plugin, std::size_t event) {
  return plugin && plugin->EventSlot(event) != nullptr;
}

// Marks a button's step as running for as long as it runs.
class TStepUnderWay {
 public:
  explicit TStepUnderWay(bool& flag) noexcept : flag_(flag) { flag_ = true; }
  ~TStepUnderWay() { flag_ = false; }
  TStepUnderWay(const TStepUnderWay&) = delete;
  TStepUnderWay& operator=(const TStepUnderWay&) = delete;

 private:
  bool& flag_;
};

}  // namespace

void TServiceWizard::ShowTypePage() {
  onTypePage_ = true;
  if (view_) view_->ShowTypePage();
}

void TServiceWizard::ShowPluginArea() {
  onTypePage_ = false;
  if (view_) view_->ShowPluginArea();
}

void TServiceWizard::StateChanged() {
  if (view_) view_->StateChanged();
}

void TServiceWizard::Close(bool completed) {
  if (view_) view_->CloseWizard(completed);
}

void TServiceWizard::FillTypeList(std::uint32_t keep) {
  typeList_.clear();
  chosenType_ = -1;
  for (const TServiceTypeHolder* type : registry_.Types()) {
    if (type->Handle() == keep) chosenType_ = static_cast<int>(typeList_.size());
    typeList_.push_back(type->Handle());
  }
  if (chosenType_ < 0 && !typeList_.empty()) chosenType_ = 0;
}

void TServiceWizard::BeginAdd() {
  ShowTypePage();
  addMode_ = true;
  plugin_ = nullptr;
  serviceType_ = 0;
  service_ = 0;
  FillTypeList(0);
  status_ = wizard_status::kTypePage;
  backEnabled_ = false;
  nextEnabled_ = true;
  nextIsFinish_ = false;
  StateChanged();
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
  // complete this one before the plugin has shown a page (a last page's), and a
  // busy page's buttons would stay off. The plugin's page sets both.
  status_ = wizard_status::kNoPage;
  backEnabled_ = false;
  nextEnabled_ = true;
  nextIsFinish_ = false;
  StateChanged();
  constexpr std::size_t onEdit = EventNumber("OnServiceWizardEdit");
  if (plugin_) SendEvent(*plugin_, onEdit, handle);
  return true;
}

void TServiceWizard::ChooseType(int index) noexcept {
  chosenType_ = index >= 0 && static_cast<std::size_t>(index) < typeList_.size() ? index : -1;
}

bool TServiceWizard::SubjectRegistered() const noexcept {
  if (addMode_) return serviceType_ == 0 || registry_.FindType(serviceType_) != nullptr;
  // A handle is a record's address and may pass to a new service once the old
  // one is gone; one of another type is not the edited service.
  const TServiceHolder* service = registry_.FindService(service_);
  return service && service->type->Handle() == serviceType_;
}

// A plugin takes part in the wizard's page changes by exporting
// OnServiceWizardChange; only such a plugin hears of a Cancel.
void TServiceWizard::CancelNow(bool tellPlugin) {
  constexpr std::size_t onChange = EventNumber("OnServiceWizardChange");
  constexpr std::size_t onCancel = EventNumber("OnServiceWizardCancel");
  if (tellPlugin && !onTypePage_ && Exports(plugin_, onChange)) {
    SendEvent(*plugin_, onCancel, ServiceArgument());
  }
  Close(false);
}

void TServiceWizard::Next() {
  if (stepping_ || !nextEnabled_) return;
  const TStepUnderWay step(stepping_);
  constexpr std::size_t onAdd = EventNumber("OnServiceWizardAdd");
  constexpr std::size_t onChange = EventNumber("OnServiceWizardChange");
  constexpr std::size_t onComplete = EventNumber("OnServiceWizardComplete");

  // The page shown decides, not the status: a plugin that passes status 0 with
  // its page does not make Next start another service.
  if (onTypePage_) {
    ShowPluginArea();
    if (chosenType_ < 0) return;
    const std::uint32_t handle = typeList_[static_cast<std::size_t>(chosenType_)];
    const TServiceTypeHolder* type = registry_.FindType(handle);
    if (!type) return;  // removed since the list was filled
    serviceType_ = handle;
    plugin_ = type->plugin;
    if (plugin_) SendEvent(*plugin_, onAdd, handle);
    return;
  }
  // While adding, the events name no type but the completion does; the plugin
  // may still want to hear the Cancel.
  if (!SubjectRegistered()) return CancelNow(addMode_);

  if (status_ == wizard_status::kLastPage || status_ == wizard_status::kOnlyPage) {
    std::uint8_t canClose = 1;
    if (Exports(plugin_, onChange) && Exports(plugin_, onComplete)) {
      SendEvent(*plugin_, onComplete, serviceType_, ServiceArgument(), &canClose);
    }
    if (canClose == 1) Close(true);
    return;
  }
  if (plugin_) SendEvent(*plugin_, onChange, ServiceArgument(), kWizardDirectionNext);
}

void TServiceWizard::Back() {
  if (stepping_ || !backEnabled_ || onTypePage_) return;
  const TStepUnderWay step(stepping_);
  if (addMode_ && (status_ == wizard_status::kFirstPage || status_ == wizard_status::kOnlyPage)) {
    // The plugin's first page: back to the type page, and the plugin is not
    // told. The list is made afresh, so that it offers what is registered now,
    // with the type the user had chosen still chosen.
    ShowTypePage();
    FillTypeList(serviceType_);
    plugin_ = nullptr;
    serviceType_ = 0;
    backEnabled_ = false;
    nextEnabled_ = true;
    nextIsFinish_ = false;
    status_ = wizard_status::kTypePage;
    StateChanged();
    return;
  }
  if (!SubjectRegistered()) return CancelNow(addMode_);
  constexpr std::size_t onChange = EventNumber("OnServiceWizardChange");
  if (plugin_) SendEvent(*plugin_, onChange, ServiceArgument(), kWizardDirectionBack);
}

void TServiceWizard::Cancel() {
  if (stepping_) return;
  const TStepUnderWay step(stepping_);
  CancelNow(addMode_ || SubjectRegistered());
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
  StateChanged();
  if (view_) view_->HostWindow(window);
}

}  // namespace kp
