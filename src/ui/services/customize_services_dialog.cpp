#include "ui/services/customize_services_dialog.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/services/service_registry.h"
#include "ui/services/delete_service_dialog.h"
#include "ui/shell/image_list.h"
#include "ui/shell/language_text.h"

namespace kp {
namespace {

constexpr int kHandleRole = Qt::UserRole;
constexpr int kServiceRole = Qt::UserRole + 1;

QTreeWidgetItem* MakeRow(const std::string& description, const QIcon& icon, std::uint32_t handle,
                         bool service) {
  auto* row = new QTreeWidgetItem();
  row->setText(0, QString::fromStdString(description));
  row->setIcon(0, icon);
  row->setData(0, kHandleRole, QVariant::fromValue(handle));
  row->setData(0, kServiceRole, service);
  return row;
}

}  // namespace

TCustomizeServicesDialog::TCustomizeServicesDialog(TServiceRegistry& registry, TSimpleConfig& language,
                                                   TImageList& images,
                                                   std::function<void(std::uint32_t service)> editService,
                                                   QWidget* parent)
    : QDialog(parent),
      registry_(registry),
      language_(language),
      images_(images),
      editService_(std::move(editService)) {
  const QString title = LanguageText(language_, text::kModifyServiceTitle);
  setWindowTitle(title);
  auto* heading = new QLabel(title);
  heading->setObjectName(QStringLiteral("heading"));
  QFont big = heading->font();
  big.setBold(true);
  heading->setFont(big);

  tree_ = new QTreeWidget();
  tree_->setObjectName(QStringLiteral("services"));
  tree_->setColumnCount(1);
  tree_->setHeaderLabels({QStringLiteral("Description")});
  tree_->setSelectionMode(QAbstractItemView::SingleSelection);
  tree_->setExpandsOnDoubleClick(false);
  tree_->installEventFilter(this);
  connect(tree_, &QTreeWidget::itemSelectionChanged, this, &TCustomizeServicesDialog::UpdateButtons);
  connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    if (IsServiceRow(item)) {
      EditSelected();
    } else if (item) {
      item->setExpanded(!item->isExpanded());
    }
  });

  // Edit and Delete act on the selected row; OK is the dialog's own answer,
  // placed where the platform puts it.
  auto* buttons = new QDialogButtonBox();
  edit_ = buttons->addButton(LanguageText(language_, text::kEdit), QDialogButtonBox::ActionRole);
  delete_ = buttons->addButton(LanguageText(language_, text::kRemove), QDialogButtonBox::ActionRole);
  ok_ = buttons->addButton(QDialogButtonBox::Ok);
  ok_->setText(LanguageText(language_, text::kOk));
  edit_->setObjectName(QStringLiteral("edit"));
  delete_->setObjectName(QStringLiteral("delete"));
  ok_->setObjectName(QStringLiteral("ok"));
  connect(edit_, &QPushButton::clicked, this, &TCustomizeServicesDialog::EditSelected);
  connect(delete_, &QPushButton::clicked, this, &TCustomizeServicesDialog::DeleteSelected);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading);
  layout->addWidget(tree_, 1);
  layout->addWidget(buttons);
  // Once the buttons are inside the dialog, which only then keeps OK as the
  // default to return to.
  edit_->setAutoDefault(false);
  delete_->setAutoDefault(false);
  ok_->setDefault(true);
  resize(420, 360);

  confirmDeletion = [this](const QString& description) {
    TDeleteServiceDialog question(language_, description, this);
    return question.exec() == QDialog::Accepted;
  };

  FillTree();
  UpdateButtons();
}

bool TCustomizeServicesDialog::IsServiceRow(const QTreeWidgetItem* item) {
  return item && item->data(0, kServiceRole).toBool();
}

std::uint32_t TCustomizeServicesDialog::HandleOf(const QTreeWidgetItem* item) {
  return item ? item->data(0, kHandleRole).value<std::uint32_t>() : 0;
}

void TCustomizeServicesDialog::FillTree() {
  for (const TServiceTypeHolder* type : registry_.Types()) {
    if (type->services.empty()) continue;
    QTreeWidgetItem* typeRow =
        MakeRow(type->description, images_.ImageFor(type->iconFileName), type->Handle(), false);
    for (const TServiceHolder* service : type->services) {
      typeRow->addChild(MakeRow(service->description, images_.ImageFor(service->onlineIconFileName),
                                service->Handle(), true));
    }
    tree_->addTopLevelItem(typeRow);
  }
  tree_->expandAll();
}

QTreeWidgetItem* TCustomizeServicesDialog::SelectedRow() const {
  const QList<QTreeWidgetItem*> selected = tree_->selectedItems();
  return selected.isEmpty() ? nullptr : selected.first();
}

void TCustomizeServicesDialog::UpdateButtons() {
  const bool service = IsServiceRow(SelectedRow());
  edit_->setEnabled(service);
  delete_->setEnabled(service);
}

QTreeWidgetItem* TCustomizeServicesDialog::ServiceRow(std::uint32_t handle) const {
  for (int t = 0; t < tree_->topLevelItemCount(); ++t) {
    QTreeWidgetItem* typeRow = tree_->topLevelItem(t);
    for (int s = 0; s < typeRow->childCount(); ++s) {
      if (HandleOf(typeRow->child(s)) == handle) return typeRow->child(s);
    }
  }
  return nullptr;
}

void TCustomizeServicesDialog::RemoveServiceRow(QTreeWidgetItem* row) {
  QTreeWidgetItem* typeRow = row->parent();
  delete row;
  if (typeRow && typeRow->childCount() == 0) delete typeRow;
}

void TCustomizeServicesDialog::RefreshRows() {
  for (int t = tree_->topLevelItemCount() - 1; t >= 0; --t) {
    QTreeWidgetItem* typeRow = tree_->topLevelItem(t);
    const TServiceTypeHolder* type = registry_.FindType(HandleOf(typeRow));
    for (int s = typeRow->childCount() - 1; s >= 0; --s) {
      QTreeWidgetItem* row = typeRow->child(s);
      const TServiceHolder* service = registry_.FindService(HandleOf(row));
      // A handle is a record's address and may be handed to a new service once
      // the old one is gone; one of another type is not this row's service.
      if (!service || service->type != type) {
        delete row;
        continue;
      }
      row->setText(0, QString::fromStdString(service->description));
      row->setIcon(0, images_.ImageFor(service->onlineIconFileName));
    }
    if (typeRow->childCount() == 0) {
      delete typeRow;
    } else if (type) {
      typeRow->setText(0, QString::fromStdString(type->description));
    }
  }
  UpdateButtons();
}

void TCustomizeServicesDialog::EditSelected() {
  QTreeWidgetItem* row = SelectedRow();
  if (acting_ || !IsServiceRow(row)) return;
  if (!registry_.FindService(HandleOf(row))) {
    RefreshRows();
    return;
  }
  acting_ = true;
  if (editService_) editService_(HandleOf(row));
  acting_ = false;
  RefreshRows();
}

void TCustomizeServicesDialog::DeleteSelected() {
  QTreeWidgetItem* row = SelectedRow();
  if (acting_ || !IsServiceRow(row)) return;
  const std::uint32_t handle = HandleOf(row);
  const TServiceHolder* service = registry_.FindService(handle);
  if (!service) {
    RefreshRows();
    return;
  }
  acting_ = true;
  const bool confirmed = confirmDeletion && confirmDeletion(QString::fromStdString(service->description));
  acting_ = false;
  if (!confirmed) return;

  // The question ran an event loop: the plugin may have removed the service,
  // or other rows, meanwhile.
  RefreshRows();
  QTreeWidgetItem* still = ServiceRow(handle);
  service = registry_.FindService(handle);
  if (!still || !service) return;
  RemoveServiceRow(still);
  acting_ = true;
  registry_.RemoveService(service->plugin, handle);
  acting_ = false;
  // The plugin heard of the removal and may have changed other services.
  RefreshRows();
}

bool TCustomizeServicesDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == tree_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & ~Qt::KeypadModifier) return QDialog::eventFilter(watched, event);
    if (key->key() == Qt::Key_Delete && IsServiceRow(SelectedRow())) {
      DeleteSelected();
      return true;
    }
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && IsServiceRow(SelectedRow())) {
      EditSelected();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace kp

// The meta-object code of the class, compiled with it.
#include "moc_customize_services_dialog.cpp"
