#pragma once
// The search request's window. The request (core/search/search_request.h)
// holds every value and decides what sending does; this window shows it,
// writes the user's changes into it as they happen, and follows it when it
// changes by itself (a place to search comes or goes, the history changes).
//
// Made once, hidden, at start-up and shown again for every request; it stays
// on top of other windows while shown.

#include <QDialog>
#include <cstdint>

#include "core/search/search_request.h"
#include "ui/shell/image_list.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTabWidget;

namespace kp {

class TSimpleConfig;

class TSearchRequestDialog : public QDialog, public ISearchRequestView {
  Q_OBJECT

 public:
  TSearchRequestDialog(TSearchRequest& request, TSimpleConfig& language, QWidget* parent = nullptr);
  ~TSearchRequestDialog() override;

  // Prepares the window (mode, fields, the first place when none is chosen,
  // the places' current names) and shows it centred, with the Simple page in
  // front and the keyboard in the first text.
  void ShowSearchRequest();

  // Sends the request: a request without search text shows the Simple page
  // and tells the user; a sent one hides the window and says requestSent.
  void SendRequest();
  // OK sends the request rather than merely closing.
  void accept() override;

  // ISearchRequestView
  void SourceInserted(std::size_t index) override;
  void SourceRemoved(std::size_t index) override;
  void TextsChanged() override;

  [[nodiscard]] QComboBox* Sources() const noexcept { return sources_; }
  [[nodiscard]] QTabWidget* Pages() const noexcept { return pages_; }
  [[nodiscard]] QRadioButton* MP3Choice() const noexcept { return mp3_; }
  [[nodiscard]] QRadioButton* AnyFileChoice() const noexcept { return anyFile_; }
  [[nodiscard]] QComboBox* Text1() const noexcept { return text1_; }
  [[nodiscard]] QComboBox* Text2() const noexcept { return text2_; }
  [[nodiscard]] QLabel* Text1Label() const noexcept { return text1Label_; }
  [[nodiscard]] QCheckBox* MinimumSizeBox() const noexcept { return minimumSize_.box; }
  [[nodiscard]] QLineEdit* MinimumSizeField() const noexcept { return minimumSize_.field; }
  [[nodiscard]] QCheckBox* MinimumBitrateBox() const noexcept { return minimumBitrate_.box; }
  [[nodiscard]] QLineEdit* MinimumBitrateField() const noexcept { return minimumBitrate_.field; }
  [[nodiscard]] QLabel* MinimumBitrateUnit() const noexcept { return minimumBitrate_.unit; }

  // The role of a place's indent in the list of places.
  static constexpr int kIndentRole = Qt::UserRole + 1;

 signals:
  // A request was sent and opened this search; the main window shows its results.
  void requestSent(int searchID);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // A limit of the Advanced page: its box, its digits-only field and its unit.
  struct TLimitControls {
    QCheckBox* box = nullptr;
    QLineEdit* field = nullptr;
    QLabel* unit = nullptr;
  };
  TLimitControls MakeLimit(TRequestLimit& limit, const QString& caption, const QString& unit);
  QComboBox* MakeTextField(void (TSearchRequest::*store)(std::string_view));

  void ApplyMode();
  void ApplyEnabling();
  void ShowSelectedSource();
  void SetSourceItem(int row);
  static void ShowHistory(QComboBox* field, const THistoryList& history, const std::string& text);

  TSearchRequest& request_;
  TSimpleConfig& language_;
  TImageList images_;

  QComboBox* sources_ = nullptr;
  QTabWidget* pages_ = nullptr;
  QRadioButton* mp3_ = nullptr;
  QRadioButton* anyFile_ = nullptr;
  QLabel* text1Label_ = nullptr;
  QComboBox* text1_ = nullptr;
  QLabel* text2Label_ = nullptr;
  QComboBox* text2_ = nullptr;
  TLimitControls minimumSize_;
  TLimitControls maximumSize_;
  TLimitControls minimumBitrate_;
};

}  // namespace kp
