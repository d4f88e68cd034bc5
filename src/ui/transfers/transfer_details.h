#pragma once
// The details panel beside a transfer list: of its three pages one shows. A
// group with something transferred gets its totals and its speed graph; a
// running transfer its own figures; anything else (nothing selected, a group
// without data, a transfer not running) the empty page.

#include <QStackedWidget>

class QLabel;

namespace kp {

class TGraph;
class TProgressBarXP;
class TSimpleConfig;
class TTransferBase;
class TTransferGroup;
class TTransferItem;
class TTransferList;
struct TTextId;

class TTransferDetails final : public QStackedWidget {
  Q_OBJECT

 public:
  enum class Page { Empty, Group, Transfer };

  TTransferDetails(TTransferList& list, TSimpleConfig& language, QWidget* parent = nullptr);

  // The fixed captions from the language.
  void ApplyLanguage();
  // What the panel says of the first selected row (null: none selected). A
  // group's graph is filled afresh from its speed history.
  void ShowNode(const TTransferBase* node);
  [[nodiscard]] Page Shown() const noexcept { return shown_; }

  [[nodiscard]] TGraph& GroupGraph() const noexcept { return *groupGraph_; }
  [[nodiscard]] TProgressBarXP& GroupProgressBar() const noexcept { return *groupBar_; }
  [[nodiscard]] TProgressBarXP& TransferProgressBar() const noexcept { return *transferBar_; }

 private:
  void ShowGroup(const TTransferGroup& group);
  void ShowTransfer(const TTransferItem& item);
  void ShowPage(Page page);
  [[nodiscard]] QString Formatted(const TTextId& format, std::int64_t value) const;

  TTransferList& list_;
  TSimpleConfig& language_;
  QString prefix_;  // "Download" or "Upload", for the names of the parts
  Page shown_ = Page::Empty;
  bool transferShownOnce_ = false;

  QWidget* emptyPanel_ = nullptr;
  QWidget* groupPanel_ = nullptr;
  QWidget* transferPanel_ = nullptr;

  QLabel* groupTitle_ = nullptr;
  QLabel* groupEstimatedCaption_ = nullptr;
  QLabel* groupEstimated_ = nullptr;
  QLabel* groupProgress_ = nullptr;
  TProgressBarXP* groupBar_ = nullptr;
  QLabel* groupBandwidthTitle_ = nullptr;
  QLabel* groupBandwidthCaption_ = nullptr;
  QLabel* groupBandwidth_ = nullptr;
  TGraph* groupGraph_ = nullptr;

  QLabel* transferTitle_ = nullptr;
  QLabel* sizeCaption_ = nullptr;
  QLabel* size_ = nullptr;
  QLabel* estimatedCaption_ = nullptr;
  QLabel* estimated_ = nullptr;
  QLabel* transferredCaption_ = nullptr;
  QLabel* transferred_ = nullptr;
  QLabel* bandwidthCaption_ = nullptr;
  QLabel* bandwidth_ = nullptr;
  QLabel* progress_ = nullptr;
  TProgressBarXP* transferBar_ = nullptr;
};

}  // namespace kp
