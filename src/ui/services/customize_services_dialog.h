#pragma once
// The list of configured services by type, where the user edits (through the
// wizard) or removes them. Made for each use and shown modally.
//
// The dialog keeps service handles, never records: a plugin may remove its
// services at any time, so every handle is looked up before it is used.

#include <QDialog>
#include <cstdint>
#include <functional>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kp {

class TImageList;
class TServiceRegistry;
class TSimpleConfig;

class TCustomizeServicesDialog : public QDialog {
  Q_OBJECT

 public:
  TCustomizeServicesDialog(TServiceRegistry& registry, TSimpleConfig& language, TImageList& images,
                           std::function<void(std::uint32_t service)> editService, QWidget* parent = nullptr);

  // Asked before a service is removed, with its description; true removes it.
  // Shows the delete confirmation unless replaced.
  std::function<bool(const QString& description)> confirmDeletion;

  // The selected service row's service, when it still exists.
  void EditSelected();
  void DeleteSelected();

  [[nodiscard]] QTreeWidget* Tree() const noexcept { return tree_; }
  [[nodiscard]] QPushButton* EditButton() const noexcept { return edit_; }
  [[nodiscard]] QPushButton* DeleteButton() const noexcept { return delete_; }
  [[nodiscard]] QPushButton* OkButton() const noexcept { return ok_; }

  // What a row stands for; for tests and the handlers alike.
  [[nodiscard]] static bool IsServiceRow(const QTreeWidgetItem* item);
  [[nodiscard]] static std::uint32_t HandleOf(const QTreeWidgetItem* item);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FillTree();
  // Every service row takes its service's current description and icon; rows
  // whose service is gone go, with type rows left empty.
  void RefreshRows();
  void RemoveServiceRow(QTreeWidgetItem* row);
  [[nodiscard]] QTreeWidgetItem* ServiceRow(std::uint32_t handle) const;
  [[nodiscard]] QTreeWidgetItem* SelectedRow() const;
  void UpdateButtons();

  TServiceRegistry& registry_;
  TSimpleConfig& language_;
  TImageList& images_;
  std::function<void(std::uint32_t)> editService_;

  QTreeWidget* tree_ = nullptr;
  QPushButton* edit_ = nullptr;
  QPushButton* delete_ = nullptr;
  QPushButton* ok_ = nullptr;
  // Set while an edit or a removal is under way: the user cannot start a
  // second one from a nested event loop.
  bool acting_ = false;
};

}  // namespace kp
