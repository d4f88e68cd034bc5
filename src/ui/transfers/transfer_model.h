#pragma once
// The rows of one transfer list as Qt's item views read them: the list's own
// tree, each index pointing at its node. The core brackets every change of
// the tree, so rows come and go at once; changes of a row's texts arrive in
// bursts (thousands of progress reports a second) and are only marked, then
// told to the views once a frame, each changed row at most once.
//
// The model holds addresses of the list's nodes: it must not outlive the list,
// and the list must tell it (through its view) before any node goes.

#include <QAbstractItemModel>
#include <QTimer>

#include <array>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/transfers/transfer_row_texts.h"
#include "core/transfers/transfer_state.h"
#include "ui/shell/image_list.h"

namespace kp {

class TSimpleConfig;
class TTransferBase;
class TTransferGroup;
class TTransferList;

class TTransferModel final : public QAbstractItemModel {
  Q_OBJECT

 public:
  // What a column shows; the lists order them differently.
  enum class Cell { Name, Status, Nick, Progress, Size, Transferred, Speed, Estimated };
  static constexpr int kColumnCount = 8;
  enum Role : int {
    kShowsProgressRole = Qt::UserRole + 1,  // bool: the Progress cell draws a bar
    kProgressRole,                          // int: at this percentage
  };
  // One frame: changes within it reach the views together.
  static constexpr int kFrameMilliseconds = 16;

  TTransferModel(TTransferList& list, TSimpleConfig& language, QObject* parent = nullptr);
  ~TTransferModel() override;

  [[nodiscard]] TransferDirection Direction() const noexcept { return direction_; }
  [[nodiscard]] Cell CellOf(int column) const noexcept { return columns_[static_cast<std::size_t>(column)]; }
  [[nodiscard]] int ColumnOf(Cell cell) const noexcept;

  // The node a row shows; null for an invalid index.
  [[nodiscard]] TTransferBase* NodeAt(const QModelIndex& index) const noexcept;
  [[nodiscard]] QModelIndex IndexOf(const TTransferBase& node, int column = 0) const;
  // The row's texts as last computed (computed now when the row changed since).
  [[nodiscard]] const TTransferRowTexts& Texts(const TTransferBase& node) const;

  // The column titles from the language.
  void ApplyLanguage();

  // The list's structural changes, bracketed as the core makes them.
  void NodeInserting(const TTransferGroup* parent, std::int32_t row);
  void NodeInserted();
  void NodeRemoving(const TTransferBase& node);
  void NodeRemoved();
  // Marked now, told at the end of the frame.
  void RowChanged(const TTransferBase& node);
  void AllRowsChanged();
  // Tells the views now what waits for the end of the frame.
  void Flush();
  [[nodiscard]] bool HasPending() const noexcept { return allDirty_ || !dirty_.empty(); }

  [[nodiscard]] QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  [[nodiscard]] QModelIndex parent(const QModelIndex& child) const override;
  [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                    int role = Qt::DisplayRole) const override;

 signals:
  // A frame's changed rows were told to the views.
  void rowsRefreshed();

 private:
  [[nodiscard]] QString CellText(const TTransferRowTexts& texts, Cell cell) const;
  [[nodiscard]] QIcon RowImage(const TTransferRowTexts& texts) const;
  // Every group's children as one change each, the top row included.
  void TellAllRows(const QModelIndex& parent, const TTransferBase& node);
  // The node and its subtree, into removing_.
  void Collect(const TTransferBase& node);
  void MarkDirty();

  TTransferList& list_;
  TSimpleConfig& language_;
  TransferDirection direction_;
  std::array<Cell, kColumnCount> columns_;
  std::array<QString, kColumnCount> titles_;
  mutable std::unordered_map<const TTransferBase*, TTransferRowTexts> texts_;
  std::unordered_set<const TTransferBase*> dirty_;
  bool allDirty_ = false;
  std::vector<const TTransferBase*> removing_;
  QTimer frame_;
  std::array<QIcon, 8> stateImages_;
  mutable TImageList iconFiles_;
};

}  // namespace kp
