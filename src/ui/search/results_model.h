#pragma once
// The rows of one open search as Qt's item views read them: its top-level
// results and, under each, the results grouped with it. New results are
// gathered as the search reports them and inserted together once per turn of
// the event loop, so a burst of thousands costs the view one update, not one
// per result.
//
// It sorts itself: a sorted list takes each batch by merging it in, one
// reordering per batch, where a sorting proxy would move its whole mapping
// for every new row.
//
// The model holds addresses of results the search owns; it must not outlive
// the search's open life (the results tab destroys it when the search closes).

#include <QAbstractItemModel>
#include <QElapsedTimer>
#include <QTimer>

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/shell/image_list.h"

namespace kp {

class TSearchContext;
class TSimpleConfig;
struct TSearchResultHolder;

class TResultsModel final : public QAbstractItemModel {
  Q_OBJECT

 public:
  enum Column : int {
    kDescription,
    kSize,
    kBitrate,
    kFrequency,
    kLength,
    kNick,
    kInfo,
    kService,
    kColumnCount,
  };
  TResultsModel(TSearchContext& search, TSimpleConfig& language, QObject* parent = nullptr);
  ~TResultsModel() override;

  // search.Results[first] to its end have arrived; they are shown at the next
  // turn of the event loop (or at Flush).
  void Gather(std::size_t first);
  // Inserts what was gathered now. Told through rowsInserted and then
  // resultsShown.
  void Flush();
  [[nodiscard]] bool HasPending() const noexcept { return pendingFrom_ < pendingTo_; }

  // The result a row of this model shows; null for an invalid index.
  [[nodiscard]] TSearchResultHolder* ResultAt(const QModelIndex& index) const;

  [[nodiscard]] QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  [[nodiscard]] QModelIndex parent(const QModelIndex& child) const override;
  [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                    int role = Qt::DisplayRole) const override;
  // Numbers for the numeric columns (a cell that shows "--" sorts below every
  // real value), the shown text without regard to letter case otherwise;
  // equal values keep their order of arrival. A column out of range gives
  // the order of arrival.
  void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

 signals:
  // A batch of rows is in the model.
  void resultsShown();

 private:
  // A shown result and its value in the sorted column.
  struct Item {
    TSearchResultHolder* result = nullptr;
    std::size_t arrival = 0;  // among its siblings
    qint64 number = 0;
    QString text;  // case-folded
  };
  struct Row {
    Item item;
    std::vector<Item> children;  // as far as shown, in shown order
    int number = 0;              // its place among the top-level rows
  };

  [[nodiscard]] QString Cell(const TSearchResultHolder& result, int column) const;
  [[nodiscard]] QIcon RowImage(const TSearchResultHolder& result) const;
  [[nodiscard]] Item MakeItem(TSearchResultHolder* result, std::size_t arrival) const;
  void FillKey(Item& item) const;
  [[nodiscard]] QModelIndex IndexOf(const TSearchResultHolder* result, int column) const;
  [[nodiscard]] bool Before(const Item& a, const Item& b) const;
  // Puts rows and children into sorted order, each list sorted from its
  // element sortedRows (or sortedChildren) on; tells the views as one
  // change of layout.
  void Reorder(std::size_t sortedRows, const std::unordered_map<Row*, std::size_t>& sortedChildren,
               bool everything);

  TSearchContext& search_;
  TSimpleConfig& language_;
  std::vector<std::unique_ptr<Row>> rows_;
  std::unordered_map<const TSearchResultHolder*, Row*> rowOf_;  // top-level results only
  // search_.Results[pendingFrom_, pendingTo_) wait to be shown.
  std::size_t pendingFrom_ = 0;
  std::size_t pendingTo_ = 0;
  int sortColumn_ = -1;
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
  QTimer flushTimer_;
  QElapsedTimer lastFlush_;
  // From this many results on, updates are spaced (milliseconds).
  static constexpr std::size_t kLongList = 5000;
  static constexpr qint64 kLongListSpacing = 100;
  QString titles_[kColumnCount];
  std::string bitrateFormat_;
  std::string frequencyFormat_;
  // One image per distinct icon file; loading is the costly part.
  mutable TImageList images_;
  mutable std::unordered_map<std::string, QIcon> icons_;
};

}  // namespace kp
