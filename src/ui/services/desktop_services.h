#pragma once
// The services in the desktop program: the registry and its API functions, the
// Services section with its navigator, the services list menu, the service
// wizard (made hidden with the main window, shown for each use) and the
// Customize dialog.

#include <cstdint>
#include <memory>
#include <string>

namespace kp {

class TCommandManager;
class TImageList;
class TMainForm;
class TServiceApi;
class TServiceRegistry;
class TServicesSection;
class TServicesView;
class TServiceWizard;
class TServiceWizardDialog;
class TSimpleConfig;

class TDesktopServices {
 public:
  // Puts the Services section into the main window's services page and shows
  // the run's registry there; the Service functions act on its wizard from now on.
  // The image list is the program's, shared with the menus, so each icon file
  // is read once.
  TDesktopServices(TServiceRegistry& registry, TServiceApi& api, TMainForm& mainForm, TSimpleConfig& language,
                   TImageList& images, std::string programFolder);
  TDesktopServices(const TDesktopServices&) = delete;
  TDesktopServices& operator=(const TDesktopServices&) = delete;
  // The Service functions no longer reach the wizard.
  ~TDesktopServices();

  // Once the layout is read: the services are listed under its heading entry
  // (none: they stay out of the menu), and the section's buttons take their
  // captions and icons. From here on the registry is shown.
  void ShowIn(TCommandManager* listManager, std::uint32_t listHeading);

  // The "Add Service" button and command: the wizard, modally.
  void AddService();
  // The "Customize..." button and command: the Customize dialog, modally.
  void CustomizeServices();
  // A service's entry of the services list: the Services section and the
  // service become the active ones. An unknown service does nothing.
  void SelectService(std::uint32_t service);

  // At shutdown, before the plugins go: the wizard's page and the selected
  // service's window are handed back to their plugins.
  void GiveBackPluginWindows();
  [[nodiscard]] TServiceRegistry& Registry() const noexcept { return registry_; }
  [[nodiscard]] TServicesSection& Section() const noexcept { return *section_; }
  [[nodiscard]] TServiceWizardDialog& WizardDialog() const noexcept { return *wizardDialog_; }

 private:
  TMainForm& mainForm_;
  TSimpleConfig& language_;
  std::string programFolder_;
  TImageList& images_;
  TServiceRegistry& registry_;
  TServiceApi& api_;
  std::unique_ptr<TServiceWizard> wizard_;
  TServicesSection* section_;  // owned by the main window's services page
  std::unique_ptr<TServiceWizardDialog> wizardDialog_;
  std::unique_ptr<TServicesView> view_;
};

}  // namespace kp
