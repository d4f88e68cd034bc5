#include "ui/transfers/transfer_model.h"

#include "core/config/text_basics.h"
#include "core/config/text_ids.h"
#include "core/transfers/transfer_list.h"
#include "core/transfers/transfer_tree.h"
#include "ui/shell/language_text.h"
#include "ui/shell/qt_text.h"
#include "ui/transfers/transfer_state_images.h"

namespace kp {
namespace {

using Cell = TTransferModel::Cell;

constexpr std::array<Cell, TTransferModel::kColumnCount> kDownloadColumns{
    Cell::Name, Cell::Status,      Cell::Nick,  Cell::Progress,
    Cell::Size, Cell::Transferred, Cell::Speed, Cell::Estimated};
// An upload's remaining time matters more to the user than its size.
constexpr std::array<Cell, TTransferModel::kColumnCount> kUploadColumns{
    Cell::Name,     Cell::Status, Cell::Nick, Cell::Estimated,
    Cell::Progress, Cell::Speed,  Cell::Size, Cell::Transferred};

// The language file has no title for the remaining time column; the details
// panel's label of the same value ("Time left:") serves, without its colon.
QString EstimatedTitle(TSimpleConfig& language) {
  std::string label(Trim(GetLanguageText(text::kTransferEstimatedLabel, language)));
  while (!label.empty() && (label.back() == ':' || label.back() == ' ')) label.pop_back();
  return label.empty() ? QStringLiteral("Estimated") : ToQString(label);
}

// As a plain number, which every delegate and header reads.
QVariant NumberAlignment() { return static_cast<int>(Qt::AlignRight | Qt::AlignVCenter); }

bool IsNumeric(Cell cell) {
  return cell == Cell::Size || cell == Cell::Transferred || cell == Cell::Speed || cell == Cell::Estimated;
}

}  // namespace

TTransferModel::TTransferModel(TTransferList& list, TSimpleConfig& language, QObject* parent)
    : QAbstractItemModel(parent),
      list_(list),
      language_(language),
      direction_(list.Direction()),
      columns_(direction_ == TransferDirection::Download ? kDownloadColumns : kUploadColumns) {
  for (std::size_t i = 0; i < stateImages_.size(); ++i) {
    stateImages_[i] = TransferStateImage(static_cast<int>(i), direction_);
  }
  frame_.setSingleShot(true);
  frame_.setInterval(kFrameMilliseconds);
  connect(&frame_, &QTimer::timeout, this, &TTransferModel::Flush);
  ApplyLanguage();
}

TTransferModel::~TTransferModel() = default;

int TTransferModel::ColumnOf(Cell cell) const noexcept {
  for (int column = 0; column < kColumnCount; ++column) {
    if (CellOf(column) == cell) return column;
  }
  return -1;
}

void TTransferModel::ApplyLanguage() {
  for (int column = 0; column < kColumnCount; ++column) {
    QString& title = titles_[static_cast<std::size_t>(column)];
    switch (CellOf(column)) {
      case Cell::Name:
        title = LanguageText(language_, text::kTransferNameColumn);
        break;
      case Cell::Status:
        title = LanguageText(language_, text::kTransferStatusColumn);
        break;
      case Cell::Nick:
        title = LanguageText(language_, text::kTransferNickColumn);
        break;
      case Cell::Progress:
        title = LanguageText(language_, text::kTransferProgressColumn);
        break;
      case Cell::Size:
        title = LanguageText(language_, text::kTransferSizeColumn);
        break;
      case Cell::Transferred:
        title = LanguageText(language_, text::kTransferTransferredColumn);
        break;
      case Cell::Speed:
        title = LanguageText(language_, text::kTransferSpeedColumn);
        break;
      case Cell::Estimated:
        title = EstimatedTitle(language_);
        break;
    }
  }
  emit headerDataChanged(Qt::Horizontal, 0, kColumnCount - 1);
}

TTransferBase* TTransferModel::NodeAt(const QModelIndex& index) const noexcept {
  return index.isValid() ? static_cast<TTransferBase*>(index.internalPointer()) : nullptr;
}

QModelIndex TTransferModel::IndexOf(const TTransferBase& node, int column) const {
  return createIndex(node.Row, column, &node);
}

const TTransferRowTexts& TTransferModel::Texts(const TTransferBase& node) const {
  const auto found = texts_.find(&node);
  if (found != texts_.end()) return found->second;
  return texts_.emplace(&node, TransferRowTexts(list_, node, language_)).first->second;
}

QString TTransferModel::CellText(const TTransferRowTexts& texts, Cell cell) const {
  switch (cell) {
    case Cell::Name:
      return ToQString(texts.Name);
    case Cell::Status:
      return ToQString(texts.Status);
    case Cell::Nick:
      return ToQString(texts.Nick);
    case Cell::Progress:
      return {};  // drawn
    case Cell::Size:
      return ToQString(texts.Size);
    case Cell::Transferred:
      return ToQString(texts.Transferred);
    case Cell::Speed:
      return ToQString(texts.Speed);
    case Cell::Estimated:
      return ToQString(texts.Estimated);
  }
  return {};
}

QIcon TTransferModel::RowImage(const TTransferRowTexts& texts) const {
  if (!texts.IconFile.empty()) {
    QIcon icon = iconFiles_.ImageFor(texts.IconFile);
    if (!icon.isNull() || texts.Image < 0) return icon;
  }
  if (texts.Image < 0 || texts.Image >= static_cast<int>(stateImages_.size())) return {};
  return stateImages_[static_cast<std::size_t>(texts.Image)];
}

QModelIndex TTransferModel::index(int row, int column, const QModelIndex& parent) const {
  if (row < 0 || column < 0 || column >= kColumnCount) return {};
  if (!parent.isValid()) {
    TTransferGroup* root = list_.Root();
    return row == 0 && root ? createIndex(0, column, root) : QModelIndex();
  }
  const TTransferGroup* group = NodeAt(parent)->AsGroup();
  if (!group || static_cast<std::size_t>(row) >= group->Children.size()) return {};
  return createIndex(row, column, group->Children[static_cast<std::size_t>(row)].get());
}

QModelIndex TTransferModel::parent(const QModelIndex& child) const {
  const TTransferBase* node = NodeAt(child);
  if (!node || !node->Parent) return {};
  return IndexOf(*node->Parent);
}

int TTransferModel::rowCount(const QModelIndex& parent) const {
  if (!parent.isValid()) return list_.Root() ? 1 : 0;
  if (parent.column() > 0) return 0;
  const TTransferGroup* group = NodeAt(parent)->AsGroup();
  return group ? static_cast<int>(group->Children.size()) : 0;
}

int TTransferModel::columnCount(const QModelIndex&) const { return kColumnCount; }

QVariant TTransferModel::data(const QModelIndex& index, int role) const {
  const TTransferBase* node = NodeAt(index);
  if (!node) return {};
  const Cell cell = CellOf(index.column());
  switch (role) {
    case Qt::DisplayRole:
      return CellText(Texts(*node), cell);
    case Qt::DecorationRole:
      if (cell == Cell::Name) return RowImage(Texts(*node));
      return {};
    case Qt::TextAlignmentRole:
      if (IsNumeric(cell)) return NumberAlignment();
      return {};
    case kShowsProgressRole:
      return Texts(*node).ShowsProgress;
    case kProgressRole:
      return Texts(*node).Progress;
    default:
      return {};
  }
}

QVariant TTransferModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) return {};
  if (role == Qt::DisplayRole) return titles_[static_cast<std::size_t>(section)];
  if (role == Qt::TextAlignmentRole && IsNumeric(CellOf(section))) {
    return NumberAlignment();
  }
  return {};
}

void TTransferModel::NodeInserting(const TTransferGroup* parent, std::int32_t row) {
  beginInsertRows(parent ? IndexOf(*parent) : QModelIndex(), row, row);
}

void TTransferModel::NodeInserted() { endInsertRows(); }

void TTransferModel::NodeRemoving(const TTransferBase& node) {
  removing_.clear();
  Collect(node);
  beginRemoveRows(node.Parent ? IndexOf(*node.Parent) : QModelIndex(), node.Row, node.Row);
}

void TTransferModel::NodeRemoved() {
  // Only now: a view may still have read the rows while they were going, and
  // a later node may be made at a freed address.
  for (const TTransferBase* gone : removing_) {
    texts_.erase(gone);
    dirty_.erase(gone);
  }
  removing_.clear();
  endRemoveRows();
}

void TTransferModel::Collect(const TTransferBase& node) {
  removing_.push_back(&node);
  if (const TTransferGroup* group = node.AsGroup()) {
    for (const auto& child : group->Children) Collect(*child);
  }
}

void TTransferModel::RowChanged(const TTransferBase& node) {
  texts_.erase(&node);
  if (!allDirty_) dirty_.insert(&node);
  MarkDirty();
}

void TTransferModel::AllRowsChanged() {
  texts_.clear();
  dirty_.clear();
  allDirty_ = true;
  MarkDirty();
}

void TTransferModel::MarkDirty() {
  // Started once per frame, not restarted by every change: a steady stream of
  // reports still reaches the screen every frame.
  if (!frame_.isActive()) frame_.start();
}

void TTransferModel::Flush() {
  frame_.stop();
  if (!HasPending()) return;
  const int last = kColumnCount - 1;
  if (allDirty_) {
    allDirty_ = false;
    dirty_.clear();
    if (const TTransferGroup* root = list_.Root()) TellAllRows({}, *root);
  } else {
    const std::unordered_set<const TTransferBase*> changed = std::move(dirty_);
    dirty_.clear();
    for (const TTransferBase* node : changed) emit dataChanged(IndexOf(*node), IndexOf(*node, last));
  }
  emit rowsRefreshed();
}

void TTransferModel::TellAllRows(const QModelIndex& parent, const TTransferBase& node) {
  const int last = kColumnCount - 1;
  if (!parent.isValid()) emit dataChanged(IndexOf(node), IndexOf(node, last));
  const TTransferGroup* group = node.AsGroup();
  if (!group || group->Children.empty()) return;
  const QModelIndex here = IndexOf(node);
  emit dataChanged(index(0, 0, here), index(static_cast<int>(group->Children.size()) - 1, last, here));
  for (const auto& child : group->Children) {
    if (!child->IsItem()) TellAllRows(here, *child);
  }
}

}  // namespace kp
