#include "ui/services/service_wizard_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "core/services/service_registry.h"
#include "ui/controls/wizard_buttons.h"
#include "ui/host/plugin_panel.h"
#include "ui/shell/image_list.h"
#include "ui/shell/language_text.h"

namespace kp {

TServiceWizardDialog::TServiceWizardDialog(TServiceWizard& wizard, TServiceRegistry& registry,
                                           TSimpleConfig& language, TImageList& images, QWidget* parent)
    : QDialog(parent), wizard_(wizard), registry_(registry), language_(language), images_(images) {
  heading_ = new QLabel();
  heading_->setObjectName(QStringLiteral("heading"));
  QFont big = heading_->font();
  big.setPointSizeF(big.pointSizeF() * 1.5);
  big.setBold(true);
  heading_->setFont(big);

  typePage_ = new QWidget();
  auto* typeLayout = new QVBoxLayout(typePage_);
  auto* instructions = new QLabel(LanguageText(language_, text::kServiceWizardInstructions));
  instructions->setObjectName(QStringLiteral("instructions"));
  instructions->setWordWrap(true);
  auto* typeLabel = new QLabel(LanguageText(language_, text::kServiceWizardTypeLabel));
  typeLabel->setObjectName(QStringLiteral("typeLabel"));
  typeCombo_ = new QComboBox();
  typeCombo_->setObjectName(QStringLiteral("typeCombo"));
  typeCombo_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  typeLabel->setBuddy(typeCombo_);
  typeLayout->addWidget(instructions);
  typeLayout->addSpacing(12);
  typeLayout->addWidget(typeLabel);
  typeLayout->addWidget(typeCombo_);
  typeLayout->addStretch();
  connect(typeCombo_, &QComboBox::currentIndexChanged, this,
          [this](int index) { wizard_.ChooseType(index); });

  panel_ = new TPluginPanel();
  panel_->setObjectName(QStringLiteral("pluginArea"));
  // Plugins lay their pages out for about this much room.
  panel_->setMinimumSize(460, 300);

  pages_ = new QStackedWidget();
  pages_->addWidget(typePage_);
  pages_->addWidget(panel_);

  auto* rule = new QFrame();
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);

  const TWizardButtons buttons =
      MakeWizardButtons(QStringLiteral("Back"), LanguageText(language_, text::kNext), QStringLiteral("Cancel"));
  back_ = buttons.back;
  next_ = buttons.next;
  cancel_ = buttons.cancel;
  connect(back_, &QPushButton::clicked, this, [this] { Step(&TServiceWizard::Back); });
  connect(next_, &QPushButton::clicked, this, [this] { Step(&TServiceWizard::Next); });
  connect(buttons.box, &QDialogButtonBox::rejected, this, [this] { wizard_.Cancel(); });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading_);
  layout->addWidget(pages_, 1);
  layout->addWidget(rule);
  layout->addWidget(buttons.box);
  MakeNextTheDefault(buttons);

  wizard_.SetView(this);
  StateChanged();
}

TServiceWizardDialog::~TServiceWizardDialog() { wizard_.SetView(nullptr); }

void TServiceWizardDialog::Step(void (TServiceWizard::*step)()) {
  // The step may close the dialog; it is not destroyed meanwhile, only hidden.
  (wizard_.*step)();
  if (isVisible()) FocusPage();
}

void TServiceWizardDialog::FocusPage() {
  if (ShowsTypePage()) {
    typeCombo_->setFocus(Qt::TabFocusReason);
    return;
  }
  // The panel hands the focus on to the first control of the plugin's page as
  // it comes in; it holds the focus itself only while it is empty, and then a
  // page hosted since must see the focus come in afresh.
  if (panel_->hasFocus()) panel_->clearFocus();
  panel_->setFocus(Qt::TabFocusReason);
}

int TServiceWizardDialog::RunToAdd() {
  ClearPluginArea();
  wizard_.BeginAdd();
  return exec();
}

int TServiceWizardDialog::RunToEdit(std::uint32_t service) {
  ClearPluginArea();
  if (!wizard_.BeginEdit(service)) return QDialog::Rejected;
  return exec();
}

void TServiceWizardDialog::ClearPluginArea() {
  // A page the plugin destroyed since the last run may come back under the
  // same window id; the panel would take it for the page it already shows.
  panel_->SetHostedWindow(0);
}

void TServiceWizardDialog::ReleasePluginWindow() { panel_->GiveBackHostedWindow(); }

void TServiceWizardDialog::reject() { wizard_.Cancel(); }

void TServiceWizardDialog::ShowTypePage() { pages_->setCurrentWidget(typePage_); }

void TServiceWizardDialog::ShowPluginArea() { pages_->setCurrentWidget(panel_); }

bool TServiceWizardDialog::ShowsTypePage() const { return pages_->currentWidget() == typePage_; }

void TServiceWizardDialog::HostWindow(std::uint32_t window) {
  // A page that the plugin replaces by itself, while the user works in it,
  // hands the keyboard on to the new page rather than to whatever follows the
  // plugin area.
  QWidget* focus = focusWidget();
  const bool focusInArea = focus && (focus == panel_ || panel_->isAncestorOf(focus));
  const std::uint32_t before = panel_->HostedWindow();
  panel_->SetHostedWindow(window);
  if (focusInArea && window != before && isVisible() && !ShowsTypePage()) FocusPage();
}

void TServiceWizardDialog::StateChanged() {
  // Editing must not call itself adding: the title says which the wizard does.
  const QString title =
      LanguageText(language_, wizard_.AddMode() ? text::kServiceWizardTitle : text::kServiceWizardEditTitle);
  setWindowTitle(title);
  heading_->setText(title);
  back_->setEnabled(wizard_.BackEnabled());
  next_->setEnabled(wizard_.NextEnabled());
  next_->setText(LanguageText(language_, wizard_.NextIsFinish() ? text::kFinish : text::kNext));
  // The model fills its type list on the way into the type page and tells its
  // state last; the list and the choice follow it here.
  if (wizard_.OnTypePage()) FillTypeList();
}

void TServiceWizardDialog::FillTypeList() {
  const QSignalBlocker quiet(typeCombo_);
  typeCombo_->clear();
  for (const std::uint32_t handle : wizard_.TypeList()) {
    // A type removed since the model made its list keeps its place, so that the
    // positions stay the model's; Next then finds it gone.
    const TServiceTypeHolder* type = registry_.FindType(handle);
    if (type) {
      typeCombo_->addItem(images_.ImageFor(type->iconFileName), QString::fromStdString(type->description),
                          QVariant::fromValue(handle));
    } else {
      typeCombo_->addItem(QString(), QVariant::fromValue(handle));
    }
  }
  typeCombo_->setCurrentIndex(wizard_.ChosenType());
}

void TServiceWizardDialog::CloseWizard(bool completed) {
  // The page goes back to its plugin while the wizard still shows it, so that
  // it is closed as a replaced page is, not as part of a hidden window.
  ClearPluginArea();
  if (completed) {
    QDialog::accept();
  } else {
    // The base's reject: this class's own would cancel through the model again.
    QDialog::reject();
  }
}

}  // namespace kp

// The meta-object code of the class, compiled with it.
#include "moc_service_wizard_dialog.cpp"
