#pragma once
// The service wizard's window. The wizard's model decides every step; this
// window shows the type page or the plugin's page, forwards the buttons, and
// closes when the model says so. Made hidden with the main window and run
// modally for each use.

#include <QDialog>
#include <cstdint>
#include <vector>

#include "core/services/service_wizard.h"

class QComboBox;
class QLabel;
class QPushButton;
class QStackedWidget;

namespace kp {

class TImageList;
class TPluginPanel;
class TServiceRegistry;
class TSimpleConfig;

class TServiceWizardDialog : public QDialog, public IServiceWizardView {
  Q_OBJECT

 public:
  TServiceWizardDialog(TServiceWizard& wizard, TServiceRegistry& registry, TSimpleConfig& language,
                       TImageList& images, QWidget* parent = nullptr);
  ~TServiceWizardDialog() override;

  // Opens the type page and runs the dialog modally; the dialog's result.
  int RunToAdd();
  // Asks the service's plugin for its page and runs the dialog modally;
  // Rejected, without showing anything, for an unknown service.
  int RunToEdit(std::uint32_t service);

  // Empties the plugin area and hands the page back to its plugin, before the
  // plugins are unloaded (pages replaced earlier went back when they were).
  void ReleasePluginWindow();

  // Escape and the window's close button cancel through the model, so the
  // plugin hears of it as it does of the Cancel button.
  void reject() override;

  // IServiceWizardView
  void ShowTypePage() override;
  void ShowPluginArea() override;
  void HostWindow(std::uint32_t window) override;
  void StateChanged() override;
  void CloseWizard(bool completed) override;

  [[nodiscard]] QPushButton* BackButton() const noexcept { return back_; }
  [[nodiscard]] QPushButton* NextButton() const noexcept { return next_; }
  [[nodiscard]] QPushButton* CancelButton() const noexcept { return cancel_; }
  [[nodiscard]] QComboBox* TypeCombo() const noexcept { return typeCombo_; }
  [[nodiscard]] TPluginPanel* PluginPanel() const noexcept { return panel_; }
  [[nodiscard]] bool ShowsTypePage() const;

 private:
  void FillTypeList();
  // Next and Back move on to another page: the keyboard goes with them, to the
  // page's first field, so that typing does not press the button again.
  void Step(void (TServiceWizard::*step)());
  void FocusPage();
  void ClearPluginArea();

  TServiceWizard& wizard_;
  TServiceRegistry& registry_;
  TSimpleConfig& language_;
  TImageList& images_;

  QLabel* heading_ = nullptr;
  QStackedWidget* pages_ = nullptr;
  QWidget* typePage_ = nullptr;
  QComboBox* typeCombo_ = nullptr;
  TPluginPanel* panel_ = nullptr;
  QPushButton* back_ = nullptr;
  QPushButton* next_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace kp
