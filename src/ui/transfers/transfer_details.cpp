#include "ui/transfers/transfer_details.h"

#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

#include "core/config/text_format.h"
#include "core/config/text_ids.h"
#include "core/services/service_registry.h"
#include "core/transfers/transfer_list.h"
#include "core/transfers/transfer_texts.h"
#include "core/transfers/transfer_tree.h"
#include "ui/controls/graph.h"
#include "ui/controls/progress_bar_xp.h"
#include "ui/shell/language_text.h"
#include "ui/shell/qt_text.h"

namespace kp {
namespace {

QLabel* NewLabel(QWidget* panel, const QString& name = {}) {
  auto* label = new QLabel(panel);
  if (!name.isEmpty()) label->setObjectName(name);
  // Long names and figures must not widen the panel.
  label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

// A caption keeps its width: the figure beside it gives way instead.
QLabel* NewCaption(QWidget* panel) { return new QLabel(panel); }

QLabel* NewTitle(QWidget* panel, const QString& name = {}) {
  QLabel* label = NewLabel(panel, name);
  QFont bold = label->font();
  bold.setBold(true);
  label->setFont(bold);
  label->setWordWrap(true);
  return label;
}

QFormLayout* NewForm() {
  auto* form = new QFormLayout();
  form->setContentsMargins(0, 0, 0, 0);
  form->setRowWrapPolicy(QFormLayout::DontWrapRows);
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  return form;
}

TProgressBarXP* NewPercentBar(QWidget* panel, const QString& name) {
  auto* bar = new TProgressBarXP(panel);
  bar->setObjectName(name);
  bar->SetMinPosition(0);
  bar->SetMaxPosition(100);
  return bar;
}

// Seconds beyond what a duration text shows (68 years) are shown as that.
std::int32_t DurationSeconds(std::int64_t seconds) {
  return static_cast<std::int32_t>(std::min<std::int64_t>(seconds, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

TTransferDetails::TTransferDetails(TTransferList& list, TSimpleConfig& language, QWidget* parent)
    : QStackedWidget(parent),
      list_(list),
      language_(language),
      prefix_(list.Direction() == TransferDirection::Download ? QStringLiteral("Download")
                                                              : QStringLiteral("Upload")) {
  setObjectName(prefix_ + QStringLiteral("BackPanel"));

  emptyPanel_ = new QWidget(this);
  emptyPanel_->setObjectName(prefix_ + QStringLiteral("EmptyPanel"));

  groupPanel_ = new QWidget(this);
  groupPanel_->setObjectName(QStringLiteral("All") + prefix_ + QStringLiteral("Panel"));
  groupTitle_ = NewTitle(groupPanel_, QStringLiteral("All") + prefix_ + QStringLiteral("InfoLabel"));
  groupEstimatedCaption_ = NewCaption(groupPanel_);
  groupEstimated_ = NewLabel(groupPanel_, QStringLiteral("All") + prefix_ + QStringLiteral("EstimatedLabel"));
  groupProgress_ = NewLabel(groupPanel_, QStringLiteral("All") + prefix_ + QStringLiteral("ProgressLabel"));
  groupBar_ = NewPercentBar(groupPanel_, QStringLiteral("All") + prefix_ + QStringLiteral("ProgressBar"));
  groupBandwidthTitle_ = NewTitle(groupPanel_);
  groupBandwidthCaption_ = NewCaption(groupPanel_);
  groupBandwidth_ = NewLabel(groupPanel_, QStringLiteral("All") + prefix_ + QStringLiteral("BandwidthLabel"));
  groupGraph_ = new TGraph(groupPanel_);
  groupGraph_->setObjectName(QStringLiteral("All") + prefix_ + QStringLiteral("BandwidthGraph"));
  groupGraph_->setMinimumHeight(80);
  {
    auto* layout = new QVBoxLayout(groupPanel_);
    layout->addWidget(groupTitle_);
    QFormLayout* form = NewForm();
    form->addRow(groupEstimatedCaption_, groupEstimated_);
    layout->addLayout(form);
    layout->addWidget(groupProgress_);
    layout->addWidget(groupBar_);
    layout->addSpacing(8);
    layout->addWidget(groupBandwidthTitle_);
    QFormLayout* speed = NewForm();
    speed->addRow(groupBandwidthCaption_, groupBandwidth_);
    layout->addLayout(speed);
    layout->addWidget(groupGraph_, 1);
  }

  transferPanel_ = new QWidget(this);
  transferPanel_->setObjectName(prefix_ + QStringLiteral("Panel"));
  transferTitle_ = NewTitle(transferPanel_, prefix_ + QStringLiteral("InfoLabel"));
  sizeCaption_ = NewCaption(transferPanel_);
  size_ = NewLabel(transferPanel_, prefix_ + QStringLiteral("FileSizeLabel"));
  estimatedCaption_ = NewCaption(transferPanel_);
  estimated_ = NewLabel(transferPanel_, prefix_ + QStringLiteral("EstimatedTimeLabel"));
  transferredCaption_ = NewCaption(transferPanel_);
  transferred_ = NewLabel(transferPanel_, prefix_ + QStringLiteral("TransferredLabel"));
  bandwidthCaption_ = NewCaption(transferPanel_);
  bandwidth_ = NewLabel(transferPanel_, prefix_ + QStringLiteral("BandwidthLabel"));
  progress_ = NewLabel(transferPanel_, prefix_ + QStringLiteral("ProgressLabel"));
  transferBar_ = NewPercentBar(transferPanel_, prefix_ + QStringLiteral("ProgressBar"));
  {
    auto* layout = new QVBoxLayout(transferPanel_);
    layout->addWidget(transferTitle_);
    QFormLayout* form = NewForm();
    form->addRow(sizeCaption_, size_);
    form->addRow(estimatedCaption_, estimated_);
    form->addRow(transferredCaption_, transferred_);
    form->addRow(bandwidthCaption_, bandwidth_);
    layout->addLayout(form);
    layout->addWidget(progress_);
    layout->addWidget(transferBar_);
    layout->addStretch(1);
  }

  addWidget(emptyPanel_);
  addWidget(groupPanel_);
  addWidget(transferPanel_);
  setCurrentWidget(emptyPanel_);
  ApplyLanguage();
}

QString TTransferDetails::Formatted(const TTextId& format, std::int64_t value) const {
  return WithNumber(GetLanguageText(format, language_), value);
}

void TTransferDetails::ApplyLanguage() {
  const QString estimated = LanguageText(language_, text::kTransferEstimatedLabel);
  const QString bandwidth = LanguageText(language_, text::kTransferBandwidthLabel);
  groupEstimatedCaption_->setText(estimated);
  groupBandwidthCaption_->setText(bandwidth);
  groupBandwidthTitle_->setText(LanguageText(language_, TextsOf(list_.Direction()).GroupBandwidthTitle));
  sizeCaption_->setText(LanguageText(language_, text::kTransferSizeLabel));
  estimatedCaption_->setText(estimated);
  transferredCaption_->setText(LanguageText(language_, text::kTransferTransferredLabel));
  bandwidthCaption_->setText(bandwidth);
  if (!transferShownOnce_) transferTitle_->setText(LanguageText(language_, text::kTransferTransferredColumn));
}

void TTransferDetails::ShowNode(const TTransferBase* node) {
  if (const TTransferGroup* group = node ? node->AsGroup() : nullptr) {
    if (group->GetTransferred() != 0) {
      ShowGroup(*group);
      return;
    }
  } else if (const TTransferItem* item = node ? node->AsItem() : nullptr) {
    if (item->State == TransferState::Transferring) {
      ShowTransfer(*item);
      return;
    }
  }
  ShowPage(Page::Empty);
}

void TTransferDetails::ShowGroup(const TTransferGroup& group) {
  const TTransferTexts& texts = TextsOf(list_.Direction());
  const TimeStamp now = list_.Now();
  if (group.Kind() == TransferNodeKind::Root) {
    groupTitle_->setText(LanguageText(language_, texts.RootRow));
  } else {
    groupTitle_->setText(group.Service ? ToQString(group.Service->description) : QString());
  }
  const TTransferFigures figures = group.GetFigures(now);
  groupEstimated_->setText(ToQString(FormatDuration(DurationSeconds(figures.Estimated), language_)));
  groupProgress_->setText(Formatted(texts.DetailsPercent, figures.Progress));
  groupBar_->SetPosition(figures.Progress);
  groupBandwidth_->setText(Formatted(texts.DetailsSpeed, figures.Speed));
  // One repaint for the whole history, not one per sample.
  groupGraph_->BeginUpdate();
  groupGraph_->ClearValues();
  for (const std::int32_t sample : group.SpeedHistory) groupGraph_->AddValue(sample);
  groupGraph_->EndUpdate();
  ShowPage(Page::Group);
}

void TTransferDetails::ShowTransfer(const TTransferItem& item) {
  const TTransferTexts& texts = TextsOf(list_.Direction());
  const TimeStamp now = list_.Now();
  transferShownOnce_ = true;
  transferTitle_->setText(ToQString(item.Nick));
  size_->setText(ToQString(FormatSize(item.GetSize(), language_)));
  estimated_->setText(ToQString(FormatDuration(DurationSeconds(item.GetEstimated(now)), language_)));
  transferred_->setText(ToQString(FormatSize(item.GetTransferred(), language_)));
  bandwidth_->setText(Formatted(texts.DetailsSpeed, item.GetSpeed(now)));
  const std::int32_t progress = item.GetProgress();
  progress_->setText(Formatted(texts.DetailsPercent, progress));
  transferBar_->SetPosition(progress);
  ShowPage(Page::Transfer);
}

void TTransferDetails::ShowPage(Page page) {
  shown_ = page;
  switch (page) {
    case Page::Empty:
      setCurrentWidget(emptyPanel_);
      break;
    case Page::Group:
      setCurrentWidget(groupPanel_);
      break;
    case Page::Transfer:
      setCurrentWidget(transferPanel_);
      break;
  }
}

}  // namespace kp
