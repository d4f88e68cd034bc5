#pragma once
// The language texts of one transfer list: the Downloads and the Uploads
// sections say the same things under their own ids.

#include "core/config/language_ids.h"
#include "core/transfers/transfer_state.h"

namespace kp {

struct TTransferTexts {
  TTextId RemotelyQueuedPlace;    // "%d of %d" as the remote side reports it
  TTextId RemotelyQueuedUnknown;  // remotely queued, place unknown
  TTextId QueuedPlace;            // "%d of %d" in the core's queue
  TTextId Percent;                // running or paused: "%d%%"
  TTextId Starting;
  TTextId Complete;
  TTextId Paused;
  TTextId DetailsPercent;
  TTextId DetailsSpeed;
  TTextId ForceStart;
  TTextId RootRow;
  TTextId GroupBandwidthTitle;
  TTextId Pause;
  TTextId Resume;
  TTextId SpeedCell;  // "%d B/s" of a running or paused transfer
  TTextId RemoveGroupQuestion;
};

inline constexpr TTransferTexts kDownloadTexts{
    {"Downloads", "00001"}, {"Downloads", "00017"}, {"Downloads", "00002"}, {"Downloads", "00003"},
    {"Downloads", "00004"}, {"Downloads", "00005"}, {"Downloads", "00006"}, {"Downloads", "00007"},
    {"Downloads", "00008"}, {"Downloads", "00009"}, {"Downloads", "00011"}, {"Downloads", "00013"},
    {"Downloads", "00014"}, {"Downloads", "00015"}, {"Downloads", "00018"}, {"Downloads", "00016"},
};

// Uploads are never queued by the remote side and removing their groups asks
// nothing: those two keep the download texts, which the list never shows.
inline constexpr TTransferTexts kUploadTexts{
    {"Downloads", "00001"}, {"Downloads", "00017"}, {"Uploads", "00002"}, {"Uploads", "00003"},
    {"Uploads", "00004"},   {"Uploads", "00005"},   {"Uploads", "00006"}, {"Uploads", "00007"},
    {"Uploads", "00008"},   {"Uploads", "00009"},   {"Uploads", "00011"}, {"Uploads", "00013"},
    {"Uploads", "00014"},   {"Uploads", "00015"},   {"Uploads", "00017"}, {"Downloads", "00016"},
};

[[nodiscard]] constexpr const TTransferTexts& TextsOf(TransferDirection direction) noexcept {
  return direction == TransferDirection::Download ? kDownloadTexts : kUploadTexts;
}

}  // namespace kp
