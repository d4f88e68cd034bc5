#pragma once
// Shows the service registry in the desktop face: the navigator's buttons and
// its active mark, the services list menu (a submenu per type that has
// services, an entry per service whose command is the service itself), the
// Services section's plugin panel and the main window's online state. The
// user's clicks and ticks on the navigator go back to the registry.

#include <cstdint>

#include "core/services/service_registry.h"

namespace kp {

class TCommandManager;
class TImageList;
class TMainForm;
class TServicesSection;

class TServicesView final : public IServicesView {
 public:
  // The menu manager and heading entry are where the layout put the services
  // list; a manager of null (or a heading that is gone) leaves the services out
  // of the menu. The image list holds the services' icons, one per file.
  TServicesView(TServiceRegistry& registry, TServicesSection& section, TMainForm& mainForm, TImageList& images,
                TCommandManager* listManager, std::uint32_t listHeading);
  TServicesView(const TServicesView&) = delete;
  TServicesView& operator=(const TServicesView&) = delete;
  // Lets go of the registry and the navigator.
  ~TServicesView() override;

  void ServiceButtonAdded(const TServiceHolder& service) override;
  void ServiceButtonChanged(const TServiceHolder& service) override;
  void ServiceButtonRemoved(const TServiceHolder& service) override;
  void ActiveServiceChanged(const TServiceHolder* service) override;
  std::uint32_t AddTypeMenu(const TServiceTypeHolder& type) override;
  std::uint32_t AddServiceMenuEntry(const TServiceHolder& service) override;
  void RemoveMenuEntry(std::uint32_t entry) override;
  void ShowMainPanel(std::uint32_t window) override;
  void OnlineStateChanged(bool anyOnline) override;

 private:
  TServiceRegistry& registry_;
  TServicesSection& section_;
  TMainForm& mainForm_;
  TImageList& images_;
  TCommandManager* listManager_;
  std::uint32_t listHeading_;
};

}  // namespace kp
