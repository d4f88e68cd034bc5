#include "ui/search/results_model.h"

#include <algorithm>

#include "core/config/shared_routines.h"
#include "core/config/text_format.h"
#include "core/search/search_context.h"
#include "core/services/service_registry.h"
#include "ui/shell/language_text.h"
#include "ui/shell/qt_text.h"

namespace kp {

namespace {

constexpr const char* kNoValue = "--";

bool IsNumeric(int column) {
  return column == TResultsModel::kSize || column == TResultsModel::kBitrate ||
         column == TResultsModel::kFrequency || column == TResultsModel::kLength;
}

}  // namespace

TResultsModel::TResultsModel(TSearchContext& search, TSimpleConfig& language, QObject* parent)
    : QAbstractItemModel(parent), search_(search), language_(language) {
  static constexpr const TTextId* kTitles[kColumnCount] = {
      &text::kResultDescriptionColumn, &text::kResultSizeColumn,    &text::kResultBitrateColumn,
      &text::kResultFrequencyColumn,   &text::kResultLengthColumn,  &text::kResultNickColumn,
      &text::kResultInfoColumn,        &text::kResultServiceColumn,
  };
  for (int column = 0; column < kColumnCount; ++column)
    titles_[column] = LanguageText(language, *kTitles[column]);
  bitrateFormat_ = GetLanguageText(text::kResultBitrateCell, language);
  frequencyFormat_ = GetLanguageText(text::kResultFrequencyCell, language);
  flushTimer_.setSingleShot(true);
  flushTimer_.setInterval(0);
  connect(&flushTimer_, &QTimer::timeout, this, &TResultsModel::Flush);
}

TResultsModel::~TResultsModel() = default;

void TResultsModel::Gather(std::size_t first) {
  // Every result from the last one shown onwards is new, whatever the caller
  // counted from.
  static_cast<void>(first);
  pendingTo_ = search_.Results.size();
  if (!HasPending() || flushTimer_.isActive()) return;
  // A short list shows new rows at the next turn of the event loop. A long one
  // costs the view a new layout of every row at each update, so its updates
  // come at most every kLongListSpacing: a burst then costs a few layouts
  // instead of one per turn, and rows still appear several times a second.
  int wait = 0;
  if (search_.Results.size() >= kLongList && lastFlush_.isValid()) {
    wait = static_cast<int>(std::max<qint64>(0, kLongListSpacing - lastFlush_.elapsed()));
  }
  flushTimer_.start(wait);
}

void TResultsModel::Flush() {
  flushTimer_.stop();
  lastFlush_.start();
  pendingTo_ = std::min(pendingTo_, search_.Results.size());
  if (!HasPending()) return;
  const std::size_t from = pendingFrom_;
  const std::size_t to = pendingTo_;
  pendingFrom_ = to;

  // New top-level rows go in at the end in one insertion, their grouped
  // results with them; grouped results of rows shown before go in at the end
  // of each such row. A sorted list then merges them into place at once.
  const std::size_t shownRows = rows_.size();
  std::vector<std::unique_ptr<Row>> newRows;
  std::vector<std::pair<Row*, std::vector<Item>>> laterChildren;
  std::unordered_map<Row*, std::size_t> laterSlot;
  for (std::size_t i = from; i < to; ++i) {
    TSearchResultHolder* result = search_.Results[i].get();
    const auto head = result->Parent ? rowOf_.find(result->Parent) : rowOf_.end();
    // A result whose group head is unknown still shows, as a row of its own.
    if (head == rowOf_.end()) {
      auto row = std::make_unique<Row>();
      row->item = MakeItem(result, shownRows + newRows.size());
      row->number = static_cast<int>(shownRows + newRows.size());
      rowOf_.emplace(result, row.get());
      newRows.push_back(std::move(row));
      continue;
    }
    Row* row = head->second;
    if (static_cast<std::size_t>(row->number) >= shownRows) {
      row->children.push_back(MakeItem(result, row->children.size()));  // not in the model yet
      continue;
    }
    const auto [slot, added] = laterSlot.try_emplace(row, laterChildren.size());
    if (added) laterChildren.emplace_back(row, std::vector<Item>{});
    const std::size_t arrival = row->children.size() + laterChildren[slot->second].second.size();
    laterChildren[slot->second].second.push_back(MakeItem(result, arrival));
  }

  if (!newRows.empty()) {
    beginInsertRows({}, static_cast<int>(shownRows), static_cast<int>(shownRows + newRows.size()) - 1);
    for (auto& row : newRows) rows_.push_back(std::move(row));
    endInsertRows();
  }
  std::unordered_map<Row*, std::size_t> sortedChildren;
  for (auto& [row, children] : laterChildren) {
    const int first = static_cast<int>(row->children.size());
    sortedChildren.emplace(row, row->children.size());
    beginInsertRows(createIndex(row->number, 0, nullptr), first,
                    first + static_cast<int>(children.size()) - 1);
    row->children.insert(row->children.end(), std::make_move_iterator(children.begin()),
                         std::make_move_iterator(children.end()));
    endInsertRows();
  }
  if (sortColumn_ >= 0) {
    // The new rows' own groups are unsorted as a whole.
    for (std::size_t i = shownRows; i < rows_.size(); ++i) {
      if (!rows_[i]->children.empty()) sortedChildren.emplace(rows_[i].get(), 0);
    }
    Reorder(shownRows, sortedChildren, false);
  }
  emit resultsShown();
}

TResultsModel::Item TResultsModel::MakeItem(TSearchResultHolder* result, std::size_t arrival) const {
  Item item;
  item.result = result;
  item.arrival = arrival;
  FillKey(item);
  return item;
}

void TResultsModel::FillKey(Item& item) const {
  const TSearchResultHolder& result = *item.result;
  const auto music = [&](std::int64_t value) { return result.IsMusicFile ? value : -1; };
  item.text.clear();
  switch (sortColumn_) {
    case kSize:
      item.number = result.Size;
      break;
    case kBitrate:
      item.number = music(result.Bitrate);
      break;
    case kFrequency:
      item.number = music(result.Frequency);
      break;
    case kLength:
      item.number = music(result.Length);
      break;
    default:
      if (sortColumn_ >= 0) item.text = Cell(result, sortColumn_).toCaseFolded();
      break;
  }
}

bool TResultsModel::Before(const Item& a, const Item& b) const {
  if (sortColumn_ >= 0) {
    const int order = IsNumeric(sortColumn_) ? (a.number < b.number ? -1 : (a.number > b.number ? 1 : 0))
                                             : a.text.compare(b.text);
    if (order != 0) return sortOrder_ == Qt::AscendingOrder ? order < 0 : order > 0;
  }
  return a.arrival < b.arrival;
}

void TResultsModel::sort(int column, Qt::SortOrder order) {
  if (column < 0 || column >= kColumnCount) column = -1;
  Flush();
  sortColumn_ = column;
  sortOrder_ = order;
  for (auto& row : rows_) {
    FillKey(row->item);
    for (Item& child : row->children) FillKey(child);
  }
  Reorder(0, {}, true);
}

void TResultsModel::Reorder(std::size_t sortedRows,
                            const std::unordered_map<Row*, std::size_t>& sortedChildren, bool everything) {
  if (sortedRows == rows_.size() && sortedChildren.empty() && !everything) return;
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  // Where the views' remembered places were, by result.
  const QModelIndexList before = persistentIndexList();
  std::vector<TSearchResultHolder*> remembered;
  remembered.reserve(static_cast<std::size_t>(before.size()));
  for (const QModelIndex& index : before) remembered.push_back(ResultAt(index));

  const auto rowBefore = [this](const auto& a, const auto& b) { return Before(a->item, b->item); };
  const auto childBefore = [this](const Item& a, const Item& b) { return Before(a, b); };
  const auto middle = rows_.begin() + static_cast<std::ptrdiff_t>(sortedRows);
  std::stable_sort(middle, rows_.end(), rowBefore);
  std::inplace_merge(rows_.begin(), middle, rows_.end(), rowBefore);
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    Row& row = *rows_[i];
    row.number = static_cast<int>(i);
    std::size_t sortedFrom = row.children.size();
    if (everything) {
      sortedFrom = 0;
    } else if (const auto found = sortedChildren.find(&row); found != sortedChildren.end()) {
      sortedFrom = found->second;
    }
    if (sortedFrom == row.children.size()) continue;
    const auto from = row.children.begin() + static_cast<std::ptrdiff_t>(sortedFrom);
    std::stable_sort(from, row.children.end(), childBefore);
    std::inplace_merge(row.children.begin(), from, row.children.end(), childBefore);
  }

  QModelIndexList after;
  after.reserve(before.size());
  for (qsizetype i = 0; i < before.size(); ++i) {
    after.push_back(IndexOf(remembered[static_cast<std::size_t>(i)], before[i].column()));
  }
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QModelIndex TResultsModel::IndexOf(const TSearchResultHolder* result, int column) const {
  if (!result) return {};
  if (const auto top = rowOf_.find(result); top != rowOf_.end()) {
    return createIndex(top->second->number, column, nullptr);
  }
  const auto head = result->Parent ? rowOf_.find(result->Parent) : rowOf_.end();
  if (head == rowOf_.end()) return {};
  Row* row = head->second;
  for (std::size_t i = 0; i < row->children.size(); ++i) {
    if (row->children[i].result == result) return createIndex(static_cast<int>(i), column, row);
  }
  return {};
}

TSearchResultHolder* TResultsModel::ResultAt(const QModelIndex& index) const {
  if (!index.isValid() || index.model() != this) return nullptr;
  const auto row = static_cast<std::size_t>(index.row());
  if (auto* parentRow = static_cast<Row*>(index.internalPointer())) {
    return row < parentRow->children.size() ? parentRow->children[row].result : nullptr;
  }
  return row < rows_.size() ? rows_[row]->item.result : nullptr;
}

QModelIndex TResultsModel::index(int row, int column, const QModelIndex& parent) const {
  if (row < 0 || column < 0 || column >= kColumnCount) return {};
  if (!parent.isValid()) {
    return static_cast<std::size_t>(row) < rows_.size() ? createIndex(row, column, nullptr) : QModelIndex();
  }
  if (parent.internalPointer() || static_cast<std::size_t>(parent.row()) >= rows_.size()) return {};
  Row* parentRow = rows_[static_cast<std::size_t>(parent.row())].get();
  if (static_cast<std::size_t>(row) >= parentRow->children.size()) return {};
  return createIndex(row, column, parentRow);
}

QModelIndex TResultsModel::parent(const QModelIndex& child) const {
  if (!child.isValid()) return {};
  const auto* parentRow = static_cast<const Row*>(child.internalPointer());
  return parentRow ? createIndex(parentRow->number, 0, nullptr) : QModelIndex();
}

int TResultsModel::rowCount(const QModelIndex& parent) const {
  if (!parent.isValid()) return static_cast<int>(rows_.size());
  if (parent.column() != 0 || parent.internalPointer()) return 0;
  const auto row = static_cast<std::size_t>(parent.row());
  return row < rows_.size() ? static_cast<int>(rows_[row]->children.size()) : 0;
}

int TResultsModel::columnCount(const QModelIndex&) const { return kColumnCount; }

QVariant TResultsModel::data(const QModelIndex& index, int role) const {
  const TSearchResultHolder* result = ResultAt(index);
  if (!result) return {};
  switch (role) {
    case Qt::DisplayRole:
      return Cell(*result, index.column());
    case Qt::DecorationRole:
      return index.column() == kDescription ? QVariant(RowImage(*result)) : QVariant();
    case Qt::TextAlignmentRole:
      return IsNumeric(index.column()) ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    default:
      return {};
  }
}

QVariant TResultsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumnCount) {
    return {};
  }
  return titles_[section];
}

QString TResultsModel::Cell(const TSearchResultHolder& result, int column) const {
  switch (column) {
    case kDescription:
      return ToQString(result.Description);
    case kSize:
      return ToQString(FormatThousands(result.Size));
    case kBitrate:
      return result.IsMusicFile ? WithNumber(bitrateFormat_, result.Bitrate) : QString(kNoValue);
    case kFrequency:
      return result.IsMusicFile ? WithNumber(frequencyFormat_, result.Frequency) : QString(kNoValue);
    case kLength:
      return result.IsMusicFile ? ToQString(FormatMinutesSeconds(result.Length)) : QString(kNoValue);
    case kNick:
      return ToQString(result.Nick);
    case kInfo:
      return ToQString(result.Info);
    case kService:
      return result.Service ? ToQString(result.Service->description) : QString();
    default:
      return {};
  }
}

QIcon TResultsModel::RowImage(const TSearchResultHolder& result) const {
  const auto known = icons_.find(result.IconFile);
  if (known != icons_.end()) return known->second;
  return icons_.emplace(result.IconFile, images_.ImageFor(result.IconFile)).first->second;
}

}  // namespace kp
