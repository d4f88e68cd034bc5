#include "ui/sharing/shared_files_model.h"

#include <QApplication>
#include <QStyle>

#include <algorithm>
#include <iterator>

#include "core/config/global_stores.h"
#include "core/config/text_format.h"
#include "ui/shell/language_text.h"

namespace kp {
namespace {

enum Image { kFolderImage = 0, kFileImage = 1, kMP3Image = 2 };

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

TSharedFilesModel::TSharedFilesModel(TSimpleConfig& language, QObject* parent)
    : QAbstractTableModel(parent), language_(language) {
  QStyle* const style = QApplication::style();
  images_ = {style->standardIcon(QStyle::SP_DirIcon), style->standardIcon(QStyle::SP_FileIcon),
             style->standardIcon(QStyle::SP_MediaVolume)};
  ApplyLanguage();
}

void TSharedFilesModel::ApplyLanguage() {
  titles_ = {LanguageText(language_, text::kResultDescriptionColumn),
             LanguageText(language_, text::kSharedTypeColumn),
             LanguageText(language_, text::kResultSizeColumn),
             LanguageText(language_, text::kResultBitrateColumn),
             LanguageText(language_, text::kResultFrequencyColumn),
             LanguageText(language_, text::kResultLengthColumn),
             LanguageText(language_, text::kSharedRightsColumn)};
  if (columnCount() > 0) emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

void TSharedFilesModel::Clear() {
  if (rows_.empty()) return;
  beginResetModel();
  rows_.clear();
  folderCount_ = 0;
  endResetModel();
}

TSharedFilesModel::TRow TSharedFilesModel::MakeRow(TNewRow from) const {
  TRow row;
  const TSharedResult& r = from.Record->Record();
  row.Cells[Name] = QString::fromUtf8(RecordText(r.sName));
  row.Cells[Rights] = std::move(from.Rights);
  if (r.bDirectory) {
    row.Cells[Type] = LanguageText(language_, text::kSharedFolderType);
    row.Image = kFolderImage;
  } else if (r.bMP3) {
    row.Cells[Type] = LanguageText(language_, text::kSharedMP3Type);
    row.Cells[Size] = Text(FormatSize(r.iSize, language_));
    // A translation whose format does not take the number leaves the cell empty.
    row.Cells[Bitrate] =
        Text(FormatWithText(GetLanguageText(text::kSharedBitrateCell, language_), FormatThousands(r.iBitrate))
                 .value_or(std::string()));
    row.Cells[Frequency] = Text(
        FormatWithText(GetLanguageText(text::kSharedFrequencyCell, language_), FormatThousands(r.iFrequency))
            .value_or(std::string()));
    row.Cells[Length] = Text(FormatMinutesSeconds(r.iLength));
    row.Image = kMP3Image;
  } else {
    row.Cells[Type] = LanguageText(language_, text::kSharedFileType);
    row.Cells[Size] = Text(FormatSize(r.iSize, language_));
    row.Cells[Bitrate] = row.Cells[Frequency] = row.Cells[Length] = QStringLiteral("--");
    row.Image = kFileImage;
  }
  row.Record = std::move(from.Record);
  return row;
}

void TSharedFilesModel::AddRows(std::vector<TNewRow> rows) {
  std::vector<TRow> folders;
  std::vector<TRow> files;
  for (TNewRow& added : rows) {
    const bool folder = added.Record->Record().bDirectory != 0;
    (folder ? folders : files).push_back(MakeRow(std::move(added)));
  }
  if (!folders.empty()) {
    beginInsertRows({}, 0, static_cast<int>(folders.size()) - 1);
    for (TRow& row : folders) rows_.push_front(std::move(row));
    folderCount_ += folders.size();
    endInsertRows();
  }
  // Files keep the rows below the folders sorted by type: each goes after the
  // last file of its type or an earlier one. A batch holds few types, so its
  // files go in as runs that share a place, not one by one.
  auto byType = [](const TRow& a, const TRow& b) { return a.Cells[Type] < b.Cells[Type]; };
  std::stable_sort(files.begin(), files.end(), byType);
  for (auto run = files.begin(); run != files.end();) {
    const auto place = std::upper_bound(rows_.begin() + static_cast<std::ptrdiff_t>(folderCount_),
                                        rows_.end(), *run, byType);
    auto end = run + 1;
    while (end != files.end() && (place == rows_.end() || byType(*end, *place))) ++end;
    const int first = static_cast<int>(place - rows_.begin());
    beginInsertRows({}, first, first + static_cast<int>(end - run) - 1);
    rows_.insert(place, std::make_move_iterator(run), std::make_move_iterator(end));
    endInsertRows();
    run = end;
  }
}

TSharedResultRecord* TSharedFilesModel::RecordAt(int row) const {
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return nullptr;
  return rows_[static_cast<std::size_t>(row)].Record.get();
}

int TSharedFilesModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TSharedFilesModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant TSharedFilesModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const TRow& row = rows_[static_cast<std::size_t>(index.row())];
  if (role == Qt::DisplayRole) return row.Cells[static_cast<std::size_t>(index.column())];
  if (role == Qt::DecorationRole && index.column() == Name)
    return images_[static_cast<std::size_t>(row.Image)];
  return {};
}

QVariant TSharedFilesModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount) {
    return {};
  }
  return titles_[static_cast<std::size_t>(section)];
}

}  // namespace kp
