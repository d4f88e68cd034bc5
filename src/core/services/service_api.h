#pragma once
// The Service functions of the plugin API: plugins register service types and
// services, change and remove them, show their windows in the Services section
// and in the service wizard, and set a service's online, checked, icon and
// active state. Each call is carried out by the registry on behalf of the
// calling plugin; GUIDs arrive as registry text and one that does not parse is
// the zero GUID.

#include "core/host/api_registry.h"

namespace kp {

class TServiceRegistry;
class TServiceWizard;

class TServiceApi {
 public:
  TServiceApi(TApiRegistry& api, TServiceRegistry& services);
  TServiceApi(const TServiceApi&) = delete;
  TServiceApi& operator=(const TServiceApi&) = delete;

  // The wizard that ServiceShowWizardPanel acts on; none in a run without a
  // desktop face (the call then does nothing).
  void SetWizard(TServiceWizard* wizard) noexcept { wizard_ = wizard; }

 private:
  void Register();

  // Withdraws the functions when this goes: they answer 0 again.
  TApiRegistry::TScope api_;
  TServiceRegistry& services_;
  TServiceWizard* wizard_ = nullptr;
};

}  // namespace kp
