#include "core/transfers/transfer_row_texts.h"

#include "core/config/global_stores.h"
#include "core/config/text_format.h"
#include "core/services/service_registry.h"
#include "core/transfers/transfer_list.h"
#include "core/transfers/transfer_texts.h"

namespace kp {
namespace {

std::string Formatted(TTextId text, std::initializer_list<std::int64_t> values, TSimpleConfig& language) {
  const std::string format = GetLanguageText(text, language);
  return FormatWithNumbers(format, values).value_or(std::string(kCheckLanguageFile));
}

void GroupTexts(const TTransferList& list, const TTransferGroup& group, TSimpleConfig& language,
                TTransferRowTexts& row) {
  switch (group.Kind()) {
    case TransferNodeKind::Root:
      row.Name = GetLanguageText(TextsOf(list.Direction()).RootRow, language);
      row.Image = kRootImage;
      break;
    case TransferNodeKind::ServiceGroup:
      if (group.Service) {
        row.Name = group.Service->description;
        row.IconFile = group.Service->onlineIconFileName;
      }
      break;
    default:
      row.Name = group.Description;
      row.Status = group.StatusInfo;
      row.IconFile = group.IconFile;
      break;
  }
}

}  // namespace

TTransferRowTexts TransferRowTexts(const TTransferList& list, const TTransferBase& node,
                                   TSimpleConfig& language) {
  TTransferRowTexts row;
  const TTransferItem* item = node.AsItem();
  if (!item) {
    GroupTexts(list, *node.AsGroup(), language, row);
    return row;
  }
  const TTransferTexts& texts = TextsOf(list.Direction());
  const TimeStamp now = list.Now();
  row.Name = item->DisplayName;
  row.Nick = item->Nick;
  auto numbers = [&] {
    row.Speed = Formatted(texts.SpeedCell, {item->GetSpeed(now)}, language);
    row.Estimated = FormatMinutesSeconds(item->GetEstimated(now));
    row.Size = FormatThousands(item->GetSize());
    row.Transferred = FormatThousands(item->GetTransferred());
    row.ShowsProgress = true;
    row.Progress = item->GetProgress();
  };
  switch (item->State) {
    case TransferState::Transferring:
      row.Status = Formatted(texts.Percent, {item->GetProgress()}, language);
      row.Image = kTransferringImage;
      numbers();
      break;
    case TransferState::Paused:
      // The paused text with the percentage: a paused row must not look like
      // one that is running.
      row.Status = GetLanguageText(texts.Paused, language) + " (" +
                   Formatted(texts.Percent, {item->GetProgress()}, language) + ")";
      row.Image = kPausedImage;
      numbers();
      break;
    case TransferState::Starting:
      row.Status = GetLanguageText(texts.Starting, language);
      row.Image = kStartingImage;
      break;
    case TransferState::Queued:
      row.Status =
          Formatted(texts.QueuedPlace, {list.Queue().IndexOf(item) + 1, list.Queue().Count()}, language);
      row.Image = kQueuedImage;
      break;
    case TransferState::RemotelyQueued:
      row.Status =
          item->QueuePosition != 0 && item->QueueSize != 0
              ? Formatted(texts.RemotelyQueuedPlace, {item->QueuePosition, item->QueueSize}, language)
              : GetLanguageText(texts.RemotelyQueuedUnknown, language);
      row.Image = kRemotelyQueuedImage;
      break;
    case TransferState::Complete:
      row.Status = GetLanguageText(texts.Complete, language);
      row.Image = kCompleteImage;
      break;
    case TransferState::Failed:
      row.Status = item->ErrorText();
      row.Image = kFailedImage;
      break;
  }
  // A plugin's custom text and icon, until the row's next refresh.
  if (item->CustomEpoch != 0 && item->CustomEpoch == list.RefreshEpoch()) {
    row.Status = item->CustomStatus;
    if (!item->IconFile.empty()) row.IconFile = item->IconFile;
  }
  return row;
}

}  // namespace kp
