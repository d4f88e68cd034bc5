#include "ui/services/desktop_services.h"

#include <QVBoxLayout>

#include "core/config/shared_routines.h"
#include "ui/host/plugin_panel.h"
#include "ui/services/customize_services_dialog.h"
#include "core/services/service_api.h"
#include "core/services/service_registry.h"
#include "core/services/service_wizard.h"
#include "ui/services/service_wizard_dialog.h"
#include "ui/services/services_section.h"
#include "ui/services/services_view.h"
#include "ui/shell/image_list.h"
#include "ui/shell/language_text.h"
#include "ui/shell/main_form.h"
#include "ui/shell/section_pages.h"

namespace kp {

TDesktopServices::TDesktopServices(TServiceRegistry& registry, TServiceApi& api, TMainForm& mainForm,
                                   TSimpleConfig& language, TImageList& images, std::string programFolder)
    : mainForm_(mainForm),
      language_(language),
      programFolder_(programFolder),
      images_(images),
      registry_(registry),
      api_(api),
      wizard_(std::make_unique<TServiceWizard>(registry_)),
      section_(new TServicesSection()) {
  QWidget* page = mainForm_.Sections().Page(Section::Services);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(section_);
  section_->OnAddService = [this] { AddService(); };
  section_->OnCustomize = [this] { CustomizeServices(); };

  wizardDialog_ = std::make_unique<TServiceWizardDialog>(*wizard_, registry_, language_, images_, &mainForm_);
  api_.SetWizard(wizard_.get());
}

TDesktopServices::~TDesktopServices() {
  api_.SetWizard(nullptr);
  view_.reset();
  wizardDialog_.reset();
}

void TDesktopServices::ShowIn(TCommandManager* listManager, std::uint32_t listHeading) {
  const QString addCaption = LanguageText(language_, text::kAddServiceCommand);
  const QString customizeCaption = LanguageText(language_, text::kCustomizeServicesCommand);
  section_->SetButtonLook(addCaption, images_.ImageFor(ResolveIconFile("AddServiceIcon.bmp", {}, programFolder_)),
                          customizeCaption,
                          images_.ImageFor(ResolveIconFile("CustomizeServicesIcon.bmp", {}, programFolder_)));
  view_ = std::make_unique<TServicesView>(registry_, *section_, mainForm_, images_, listManager, listHeading);
}

void TDesktopServices::AddService() { wizardDialog_->RunToAdd(); }

void TDesktopServices::CustomizeServices() {
  TCustomizeServicesDialog dialog(registry_, language_, images_,
                                  [this](std::uint32_t service) { wizardDialog_->RunToEdit(service); }, &mainForm_);
  dialog.exec();
}

void TDesktopServices::SelectService(std::uint32_t service) {
  if (!registry_.FindService(service)) return;
  mainForm_.Sections().Activate(Section::Services);
  registry_.SetActive(service);
}

void TDesktopServices::GiveBackPluginWindows() {
  wizardDialog_->ReleasePluginWindow();
  section_->MainPanel().GiveBackHostedWindow();
}

}  // namespace kp
