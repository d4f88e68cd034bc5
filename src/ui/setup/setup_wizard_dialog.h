#pragma once
// The setup wizard's window. The wizard's model decides every step; this
// window shows its pages, forwards the buttons and the choices, moves the
// progress bars while a check or scan runs, and closes when the model says
// so. Made hidden with the main window and run modally by start-up.

#include <QDialog>
#include <cstdint>

#include "core/setup/setup_wizard.h"

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTimer;

namespace kp {

class TPluginPanel;
class TSimpleConfig;

class TSetupWizardDialog : public QDialog, public ISetupWizardView {
  Q_OBJECT

 public:
  TSetupWizardDialog(TSetupWizard& wizard, TSimpleConfig& language, QWidget* parent = nullptr);
  ~TSetupWizardDialog() override;

  // Start-up's step: opens the wizard where the model says and runs it
  // modally when there is something to show (SetupComplete then tells how it
  // ended).
  void RunAtStart();

  // Empties the plugin area and hands the page back to its plugin, before the
  // plugins are unloaded.
  void ReleasePluginWindow();

  // Escape cancels through the model, as the Cancel button does.
  void reject() override;

  // ISetupWizardView
  void ShowPage(TSetupPage page) override;
  void HostWindow(std::uint32_t window) override;
  void StateChanged() override;
  void CloseWizard(bool completed) override;

  [[nodiscard]] QPushButton* BackButton() const noexcept { return back_; }
  [[nodiscard]] QPushButton* NextButton() const noexcept { return next_; }
  [[nodiscard]] QPushButton* CancelButton() const noexcept { return cancel_; }
  [[nodiscard]] QRadioButton* AgreeYes() const noexcept { return agreeYes_; }
  [[nodiscard]] QRadioButton* AgreeNo() const noexcept { return agreeNo_; }
  [[nodiscard]] QRadioButton* ScanYes() const noexcept { return scanYes_; }
  [[nodiscard]] QRadioButton* ScanNo() const noexcept { return scanNo_; }
  [[nodiscard]] QListWidget* ScanList() const noexcept { return scanList_; }
  [[nodiscard]] QLabel* Heading() const noexcept { return heading_; }
  [[nodiscard]] QLabel* NetworkNote() const noexcept { return networkNote_; }
  [[nodiscard]] TPluginPanel* PluginPanel() const noexcept { return panel_; }
  [[nodiscard]] QWidget* CurrentPage() const;

 protected:
  // The window's frame: the wizard closes without any event.
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* BuildAgreementPage();
  QWidget* BuildNetworkPage();
  QWidget* BuildScanQuestionPage();
  QWidget* BuildScanningPage();
  // Next and Back move on to another page: the keyboard goes with them.
  void Step(void (TSetupWizard::*step)());
  void FocusPage();
  void UpdateProgress();

  TSetupWizard& wizard_;
  TSimpleConfig& language_;

  QLabel* heading_ = nullptr;
  QStackedWidget* pages_ = nullptr;
  QWidget* agreementPage_ = nullptr;
  QWidget* networkPage_ = nullptr;
  QWidget* scanQuestionPage_ = nullptr;
  QWidget* scanningPage_ = nullptr;
  QPlainTextEdit* agreementText_ = nullptr;
  QRadioButton* agreeYes_ = nullptr;
  QRadioButton* agreeNo_ = nullptr;
  QLabel* networkNote_ = nullptr;
  QProgressBar* networkProgress_ = nullptr;
  QRadioButton* scanYes_ = nullptr;
  QRadioButton* scanNo_ = nullptr;
  QListWidget* scanList_ = nullptr;
  QProgressBar* scanProgress_ = nullptr;
  QTimer* progressTimer_ = nullptr;
  TPluginPanel* panel_ = nullptr;
  QPushButton* back_ = nullptr;
  QPushButton* next_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace kp
