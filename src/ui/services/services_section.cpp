#include "ui/services/services_section.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include "ui/controls/service_navigator.h"
#include "ui/host/plugin_panel.h"

namespace kp {

TServicesSection::TServicesSection(QWidget* parent)
    : QWidget(parent),
      addButton_(new QPushButton()),
      customizeButton_(new QPushButton()),
      navigator_(new TServiceNavigator()),
      mainPanel_(new TPluginPanel()) {
  addButton_->setObjectName(QStringLiteral("AddServiceButton"));
  customizeButton_->setObjectName(QStringLiteral("CustomizeServicesButton"));
  navigator_->setObjectName(QStringLiteral("NavigatorControl"));
  mainPanel_->setObjectName(QStringLiteral("MainPluginPanel"));

  auto* side = new QWidget();
  auto* sideLayout = new QVBoxLayout(side);
  sideLayout->setContentsMargins(6, 6, 0, 6);
  auto* buttons = new QHBoxLayout();
  buttons->addWidget(addButton_);
  buttons->addWidget(customizeButton_);
  sideLayout->addLayout(buttons);
  sideLayout->addWidget(navigator_, 1);

  auto* splitter = new QSplitter(Qt::Horizontal);
  splitter->addWidget(side);
  splitter->addWidget(mainPanel_);
  splitter->setStretchFactor(0, 0);
  splitter->setStretchFactor(1, 1);
  splitter->setChildrenCollapsible(false);
  splitter->setSizes({240, 660});

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(splitter);

  // The navigator comes first when tabbing, then the selected service's controls.
  setTabOrder(addButton_, customizeButton_);
  setTabOrder(customizeButton_, navigator_);
  setTabOrder(navigator_, mainPanel_);

  connect(addButton_, &QPushButton::clicked, this, [this] {
    if (OnAddService) OnAddService();
  });
  connect(customizeButton_, &QPushButton::clicked, this, [this] {
    if (OnCustomize) OnCustomize();
  });
}

TServicesSection::~TServicesSection() = default;

void TServicesSection::SetButtonLook(const QString& addCaption, const QIcon& addIcon,
                                     const QString& customizeCaption, const QIcon& customizeIcon) {
  addButton_->setText(addCaption);
  addButton_->setIcon(addIcon);
  customizeButton_->setText(customizeCaption);
  customizeButton_->setIcon(customizeIcon);
}

}  // namespace kp

// The meta-object code of the class, compiled with it.
#include "moc_services_section.cpp"
