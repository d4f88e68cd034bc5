#include "core/transfers/transfer_commands.h"

#include <algorithm>

#include "core/config/text_ids.h"
#include "core/config/wildcard.h"
#include "core/transfers/transfer_list.h"
#include "core/transfers/transfer_texts.h"

namespace kp {
namespace {

bool AnyFinished(const TTransferList& list, const TTransferGroup& group) {
  auto finished = [](const TTransferItem* item) { return item && IsFinished(item->State); };
  // The root's scope is the whole list; any other group's only its own transfers.
  if (group.Kind() == TransferNodeKind::Root) {
    return std::any_of(list.Items().begin(), list.Items().end(), finished);
  }
  return std::any_of(group.Children.begin(), group.Children.end(),
                     [&](const auto& child) { return finished(child->AsItem()); });
}

}  // namespace

TCommandOffer OfferCommands(const TTransferList& list, std::span<TTransferBase* const> selection) {
  TCommandOffer offer;
  if (selection.empty() || !selection.front()) return offer;
  const TTransferTexts& texts = TextsOf(list.Direction());
  const TTransferBase& first = *selection.front();
  const bool single = selection.size() == 1;

  TTextId removeCaption = text::kRemoveTransfers;
  if (single)
    removeCaption =
        first.Kind() == TransferNodeKind::PluginGroup || first.Kind() == TransferNodeKind::ServiceGroup
            ? text::kRemove
            : text::kRemoveOneTransfer;
  offer.Commands.push_back({kRemoveTransfer, removeCaption, "ExitIcon.bmp"});

  if (TTransferItem* item = selection.front()->AsItem()) {
    if (item->State == TransferState::Queued) {
      offer.Commands.push_back({kStartTransfer, texts.ForceStart, "ForceQueueIcon.bmp"});
    }
    if (single) {
      if (item->SupportPause && item->State == TransferState::Transferring) {
        offer.Commands.push_back({kPauseTransfer, texts.Pause, "PauseIcon.bmp"});
      }
      const bool resumable = item->State == TransferState::Paused ||
                             (list.Direction() == TransferDirection::Download &&
                              item->State == TransferState::Failed && item->SupportResume);
      if (resumable) offer.Commands.push_back({kResumeTransfer, texts.Resume, "ResumeIcon.bmp"});
      offer.Commands.push_back({0, text::kRemove, ""});
      if (list.MayOpen(*item)) {
        if (MatchWildcard("*.mp3", item->FileName())) {
          offer.Commands.push_back({kOpenTransferFile, text::kPlayCommand, "PlayIcon.bmp"});
        } else {
          offer.Commands.push_back({kOpenTransferFile, text::kOpenFileCommand, "ExecuteIcon.bmp"});
        }
      }
      offer.SelectTarget = item;
    }
  } else if (AnyFinished(list, *first.AsGroup())) {
    offer.Commands.push_back({kClearFinished, text::kClearFinishedCommand, "RemoveCompletedIcon.bmp"});
  }
  return offer;
}

}  // namespace kp
