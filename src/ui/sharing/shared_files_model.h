#pragma once
// The rows of the Shared files section: one per entry of the folder shown, each
// keeping the record plugins are handed for it. Folders stay above files: a
// folder goes in at the top, a file among the files of its type (the list is
// read by type: plain files, then MP3 files, in the shipped texts).

#include <QAbstractTableModel>
#include <QIcon>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string_view>
#include <vector>

#include "core/sharing/shared_items.h"

namespace kp {

class TSimpleConfig;

// A text of a record plugins read (an address in low memory); empty for none.
[[nodiscard]] inline std::string_view RecordText(kp_text32 text) noexcept {
  const char* const p = reinterpret_cast<const char*>(static_cast<std::uintptr_t>(text));
  return p ? std::string_view(p) : std::string_view();
}

class TSharedFilesModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { Name, Type, Size, Bitrate, Frequency, Length, Rights, ColumnCount };

  // An entry on its way into the list: its record and, when the list shows
  // somebody else's view, what that person may do there.
  struct TNewRow {
    std::unique_ptr<TSharedResultRecord> Record;
    QString Rights;
  };

  explicit TSharedFilesModel(TSimpleConfig& language, QObject* parent = nullptr);

  // Frees every row with its record.
  void Clear();
  // Folders before the first row (so the last one added is on top), files
  // after the last file of their type.
  void AddRows(std::vector<TNewRow> rows);
  [[nodiscard]] TSharedResultRecord* RecordAt(int row) const;
  void ApplyLanguage();

  [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
  [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  struct TRow {
    std::unique_ptr<TSharedResultRecord> Record;
    std::array<QString, ColumnCount> Cells;
    int Image = 0;
  };
  [[nodiscard]] TRow MakeRow(TNewRow from) const;

  TSimpleConfig& language_;
  std::deque<TRow> rows_;
  std::size_t folderCount_ = 0;  // the rows at the top
  std::array<QString, ColumnCount> titles_;
  std::array<QIcon, 3> images_;  // folder, file, MP3 file
};

}  // namespace kp
