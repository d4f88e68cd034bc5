#pragma once
// The Setup API's wizard functions: a plugin asks to take part in the setup
// wizard and shows its pages in it. The settings dialog's tab functions belong
// to the window that hosts them (a run without a window leaves them unbuilt).

#include "core/host/api_registry.h"

namespace kp {

class TSetupWizard;

class TSetupApi {
 public:
  TSetupApi(TApiRegistry& api, TSetupWizard& wizard);
  TSetupApi(const TSetupApi&) = delete;
  TSetupApi& operator=(const TSetupApi&) = delete;

 private:
  // Withdraws the functions when this goes: they answer 0 again.
  TApiRegistry::TScope api_;
  TSetupWizard& wizard_;
};

}  // namespace kp
