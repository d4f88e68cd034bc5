#include "ui/services/service_wizard_dialog.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "ui/host/plugin_panel.h"
#include "ui/shell/language_text.h"
#include "core/services/service_registry.h"
#include "ui/shell/image_list.h"

namespace kp {

TServiceWizardDialog::TServiceWizardDialog(TServiceWizard& wizard, TServiceRegistry& registry,
                                           TSimpleConfig& language, TImageList& images, QWidget* parent)
    : QDialog(parent), wizard_(wizard), registry_(registry), language_(language), images_(images) {
  const QString title = LanguageText(language_, "ServiceWizard", "00001");
  setWindowTitle(title);

  heading_ = new QLabel(title);
  heading_->setObjectName(QStringLiteral("heading"));
  QFont big = heading_->font();
  big.setPointSizeF(big.pointSizeF() * 1.5);
  big.setBold(true);
  heading_->setFont(big);

  typePage_ = new QWidget();
  auto* typeLayout = new QVBoxLayout(typePage_);
  auto* instructions = new QLabel(LanguageText(language_, "ServiceWizard", "00002"));
  instructions->setObjectName(QStringLiteral("instructions"));
  instructions->setWordWrap(true);
  auto* typeLabel = new QLabel(LanguageText(language_, "ServiceWizard", "00003"));
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

  back_ = new QPushButton(QStringLiteral("Back"));
  back_->setObjectName(QStringLiteral("back"));
  next_ = new QPushButton(LanguageText(language_, "General", "00006"));
  next_->setObjectName(QStringLiteral("next"));
  cancel_ = new QPushButton(QStringLiteral("Cancel"));
  cancel_->setObjectName(QStringLiteral("cancel"));
  back_->setAutoDefault(false);
  cancel_->setAutoDefault(false);
  next_->setDefault(true);
  connect(back_, &QPushButton::clicked, this, [this] { RunStep(&TServiceWizard::Back); });
  connect(next_, &QPushButton::clicked, this, [this] { RunStep(&TServiceWizard::Next); });
  connect(cancel_, &QPushButton::clicked, this, [this] { RunStep(&TServiceWizard::Cancel); });

  auto* buttons = new QHBoxLayout();
  buttons->addStretch();
  buttons->addWidget(back_);
  buttons->addWidget(next_);
  buttons->addSpacing(12);
  buttons->addWidget(cancel_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading_);
  layout->addWidget(pages_, 1);
  layout->addWidget(rule);
  layout->addLayout(buttons);

  wizard_.SetView(this);
  ButtonsChanged();
}

TServiceWizardDialog::~TServiceWizardDialog() { wizard_.SetView(nullptr); }

void TServiceWizardDialog::RunStep(void (TServiceWizard::*step)()) {
  if (stepDepth_ > 0) return;
  ++stepDepth_;
  // The step may close the dialog; it is not destroyed meanwhile, only hidden.
  (wizard_.*step)();
  --stepDepth_;
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

void TServiceWizardDialog::reject() { RunStep(&TServiceWizard::Cancel); }

void TServiceWizardDialog::ShowTypePage() {
  pages_->setCurrentWidget(typePage_);
  if (isVisible()) typeCombo_->setFocus();
}

void TServiceWizardDialog::ShowPluginArea() { pages_->setCurrentWidget(panel_); }

bool TServiceWizardDialog::ShowsTypePage() const { return pages_->currentWidget() == typePage_; }

void TServiceWizardDialog::HostWindow(std::uint32_t window) { panel_->SetHostedWindow(window); }

void TServiceWizardDialog::ButtonsChanged() {
  back_->setEnabled(wizard_.BackEnabled());
  next_->setEnabled(wizard_.NextEnabled());
  next_->setText(LanguageText(language_, "General", wizard_.NextIsFinish() ? "00008" : "00006"));
  // The model fills its type list on the way into the type page and tells the
  // buttons last; the list and the choice follow it here.
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
  if (completed) {
    QDialog::accept();
  } else {
    // The base's reject: this class's own would cancel through the model again.
    QDialog::reject();
  }
  ClearPluginArea();
}

}  // namespace kp

// The meta-object code of the class, compiled with it.
#include "moc_service_wizard_dialog.cpp"
