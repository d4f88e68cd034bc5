#include "ui/setup/setup_wizard_dialog.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/controls/wizard_buttons.h"
#include "ui/host/plugin_panel.h"
#include "ui/shell/language_text.h"

namespace kp {
namespace {

constexpr int kProgressSteps = 20;
constexpr int kProgressIntervalMs = 100;

QLabel* WrappedLabel(const QString& text) {
  auto* label = new QLabel(text);
  label->setWordWrap(true);
  return label;
}

QProgressBar* NewProgressBar() {
  auto* bar = new QProgressBar();
  bar->setRange(0, kProgressSteps);
  bar->setTextVisible(false);
  return bar;
}

}  // namespace

TSetupWizardDialog::TSetupWizardDialog(TSetupWizard& wizard, TSimpleConfig& language, QWidget* parent)
    : QDialog(parent), wizard_(wizard), language_(language) {
  setWindowTitle(LanguageText(language_, text::kSetupWizardTitle));
  heading_ = new QLabel();
  heading_->setObjectName(QStringLiteral("heading"));
  QFont big = heading_->font();
  big.setPointSizeF(big.pointSizeF() * 1.5);
  big.setBold(true);
  heading_->setFont(big);

  panel_ = new TPluginPanel();
  panel_->setObjectName(QStringLiteral("pluginArea"));
  // Plugins lay their pages out for about this much room.
  panel_->setMinimumSize(460, 300);

  pages_ = new QStackedWidget();
  agreementPage_ = BuildAgreementPage();
  networkPage_ = BuildNetworkPage();
  scanQuestionPage_ = BuildScanQuestionPage();
  scanningPage_ = BuildScanningPage();
  for (QWidget* page :
       {agreementPage_, networkPage_, scanQuestionPage_, scanningPage_, static_cast<QWidget*>(panel_)}) {
    pages_->addWidget(page);
  }

  progressTimer_ = new QTimer(this);
  progressTimer_->setInterval(kProgressIntervalMs);
  connect(progressTimer_, &QTimer::timeout, this, [this] {
    for (QProgressBar* bar : {networkProgress_, scanProgress_})
      bar->setValue((bar->value() + 1) % (kProgressSteps + 1));
  });

  auto* rule = new QFrame();
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);

  const TWizardButtons buttons =
      MakeWizardButtons(LanguageText(language_, text::kSetupWizardBack), LanguageText(language_, text::kNext), LanguageText(language_, text::kCancel));
  back_ = buttons.back;
  next_ = buttons.next;
  cancel_ = buttons.cancel;
  connect(back_, &QPushButton::clicked, this, [this] { Step(&TSetupWizard::Back); });
  connect(next_, &QPushButton::clicked, this, [this] { Step(&TSetupWizard::Next); });
  connect(buttons.box, &QDialogButtonBox::rejected, this, [this] { wizard_.Cancel(); });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading_);
  layout->addWidget(pages_, 1);
  layout->addWidget(rule);
  layout->addWidget(buttons.box);
  MakeNextTheDefault(buttons);

  wizard_.SetView(this);
  wizard_.SetLanguage(&language_);
  StateChanged();
}

TSetupWizardDialog::~TSetupWizardDialog() {
  wizard_.SetView(nullptr);
  wizard_.SetLanguage(nullptr);
}

QWidget* TSetupWizardDialog::BuildAgreementPage() {
  auto* page = new QWidget();
  auto* layout = new QVBoxLayout(page);
  agreementText_ = new QPlainTextEdit(LanguageText(language_, text::kSetupWizardAgreement));
  agreementText_->setObjectName(QStringLiteral("agreement"));
  agreementText_->setReadOnly(true);
  // Tab leaves the text for the choices instead of being typed into it.
  agreementText_->setTabChangesFocus(true);
  agreeYes_ = new QRadioButton(LanguageText(language_, text::kYes));
  agreeNo_ = new QRadioButton(LanguageText(language_, text::kNo));
  agreeNo_->setChecked(true);
  connect(agreeYes_, &QRadioButton::toggled, this, [this](bool on) { wizard_.SetAgreed(on); });
  layout->addWidget(agreementText_, 1);
  layout->addWidget(WrappedLabel(LanguageText(language_, text::kSetupWizardAgreementQuestion)));
  layout->addWidget(agreeYes_);
  layout->addWidget(agreeNo_);
  return page;
}

QWidget* TSetupWizardDialog::BuildNetworkPage() {
  auto* page = new QWidget();
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(WrappedLabel(LanguageText(language_, text::kSetupWizardNetworkText)));
  networkNote_ = WrappedLabel(LanguageText(language_, text::kSetupWizardNetworkNotConfigured));
  networkNote_->setObjectName(QStringLiteral("networkNote"));
  networkProgress_ = NewProgressBar();
  layout->addWidget(networkNote_);
  layout->addWidget(networkProgress_);
  layout->addStretch();
  return page;
}

QWidget* TSetupWizardDialog::BuildScanQuestionPage() {
  auto* page = new QWidget();
  auto* layout = new QVBoxLayout(page);
  scanYes_ = new QRadioButton(LanguageText(language_, text::kYes));
  scanNo_ = new QRadioButton(LanguageText(language_, text::kNo));
  scanYes_->setChecked(true);
  connect(scanYes_, &QRadioButton::toggled, this, [this](bool on) { wizard_.SetScanChosen(on); });
  layout->addWidget(WrappedLabel(LanguageText(language_, text::kSetupWizardScanQuestion)));
  layout->addWidget(scanYes_);
  layout->addWidget(scanNo_);
  layout->addStretch();
  return page;
}

QWidget* TSetupWizardDialog::BuildScanningPage() {
  auto* page = new QWidget();
  auto* layout = new QVBoxLayout(page);
  scanList_ = new QListWidget();
  scanList_->setObjectName(QStringLiteral("scanList"));
  scanList_->setSelectionMode(QAbstractItemView::NoSelection);
  scanProgress_ = NewProgressBar();
  layout->addWidget(WrappedLabel(LanguageText(language_, text::kSetupWizardScanningText)));
  layout->addWidget(scanList_, 1);
  layout->addWidget(scanProgress_);
  return page;
}

void TSetupWizardDialog::RunAtStart() {
  // A page the plugin destroyed since may come back under the same window id.
  panel_->SetHostedWindow(0);
  if (!wizard_.Open()) return;
  exec();
}

void TSetupWizardDialog::ReleasePluginWindow() { panel_->GiveBackHostedWindow(); }

void TSetupWizardDialog::reject() { wizard_.Cancel(); }

void TSetupWizardDialog::closeEvent(QCloseEvent* event) {
  event->accept();
  wizard_.CloseByFrame();
}

QWidget* TSetupWizardDialog::CurrentPage() const { return pages_->currentWidget(); }

void TSetupWizardDialog::Step(void (TSetupWizard::*step)()) {
  // The step may close the dialog; it is not destroyed meanwhile, only hidden.
  (wizard_.*step)();
  if (isVisible()) FocusPage();
}

void TSetupWizardDialog::FocusPage() {
  QWidget* page = pages_->currentWidget();
  if (page == panel_) {
    // The panel hands the focus on to the plugin page's first control.
    if (panel_->hasFocus()) panel_->clearFocus();
    panel_->setFocus(Qt::TabFocusReason);
  } else if (page == agreementPage_) {
    (agreeYes_->isChecked() ? agreeYes_ : agreeNo_)->setFocus(Qt::TabFocusReason);
  } else if (page == scanQuestionPage_) {
    (scanYes_->isChecked() ? scanYes_ : scanNo_)->setFocus(Qt::TabFocusReason);
  } else if (next_->isEnabled()) {
    next_->setFocus(Qt::TabFocusReason);
  } else {
    cancel_->setFocus(Qt::TabFocusReason);
  }
}

void TSetupWizardDialog::ShowPage(TSetupPage page) {
  QWidget* widget = panel_;
  TTextId heading = text::kSetupWizardTitle;
  switch (page) {
    case TSetupPage::Agreement:
      widget = agreementPage_;
      heading = text::kSetupWizardAgreementHeading;
      {
        // The choices start as the model's: No until the user agrees.
        const QSignalBlocker quietYes(agreeYes_);
        const QSignalBlocker quietNo(agreeNo_);
        (wizard_.Agreed() ? agreeYes_ : agreeNo_)->setChecked(true);
      }
      break;
    case TSetupPage::NetworkCheck:
      widget = networkPage_;
      heading = text::kSetupWizardNetworkHeading;
      break;
    case TSetupPage::ScanQuestion:
      widget = scanQuestionPage_;
      heading = text::kSetupWizardScanQuestionHeading;
      break;
    case TSetupPage::Scanning:
      widget = scanningPage_;
      heading = text::kSetupWizardScanningHeading;
      scanList_->clear();
      break;
    case TSetupPage::PluginPages:
      break;
  }
  heading_->setText(LanguageText(language_, heading));
  heading_->setVisible(page != TSetupPage::PluginPages);
  pages_->setCurrentWidget(widget);
  UpdateProgress();
}

void TSetupWizardDialog::HostWindow(std::uint32_t window) {
  // A page that the plugin replaces by itself, while the user works in it,
  // hands the keyboard on to the new page.
  QWidget* focus = focusWidget();
  const bool focusInArea = focus && (focus == panel_ || panel_->isAncestorOf(focus));
  const std::uint32_t before = panel_->HostedWindow();
  panel_->SetHostedWindow(window);
  if (focusInArea && window != before && isVisible()) FocusPage();
}

void TSetupWizardDialog::StateChanged() {
  back_->setEnabled(wizard_.BackEnabled());
  next_->setEnabled(wizard_.NextEnabled());
  next_->setText(LanguageText(language_, wizard_.NextIsFinish() ? text::kFinish : text::kNext));
  networkNote_->setVisible(wizard_.PortCheckNotConfigured());
  if (pages_->currentWidget() == scanningPage_) {
    scanList_->clear();
    for (const std::string& line : wizard_.ScanLines()) scanList_->addItem(QString::fromStdString(line));
  }
  UpdateProgress();
}

void TSetupWizardDialog::UpdateProgress() {
  // The bars move while the model works: a check or a scan runs exactly while
  // its page is shown with Next off.
  QWidget* page = pages_->currentWidget();
  const bool working = (page == networkPage_ || page == scanningPage_) && !wizard_.NextEnabled();
  networkProgress_->setVisible(!wizard_.PortCheckNotConfigured());
  if (working && !progressTimer_->isActive()) progressTimer_->start();
  if (!working) progressTimer_->stop();
}

void TSetupWizardDialog::CloseWizard(bool completed) {
  progressTimer_->stop();
  // The page goes back to its plugin while the wizard still shows it, so that
  // it is closed as a replaced page is, not as part of a hidden window.
  panel_->SetHostedWindow(0);
  if (completed) {
    QDialog::accept();
  } else {
    // The base's reject: this class's own would cancel through the model again.
    QDialog::reject();
  }
}

}  // namespace kp

// The meta-object code of the class, compiled with it.
#include "moc_setup_wizard_dialog.cpp"
