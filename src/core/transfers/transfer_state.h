#pragma once
// The states of a download or an upload. The numbers are what plugins read as
// a record's status type.

#include <cstdint>

namespace kp {

enum class TransferState : std::int32_t {
  Complete = 0,        // the plugin reported completion
  Starting = 1,        // admitted to a slot; no progress reported yet
  Transferring = 2,    // the plugin has reported progress
  Queued = 3,          // waiting in the core's own queue for a slot
  Paused = 4,          // paused by the user; it keeps its slot
  Failed = 5,          // the plugin reported an error
  RemotelyQueued = 6,  // downloads only: the remote side has queued it
};

enum class TransferDirection : std::uint8_t { Download, Upload };

// Complete and failed transfers are finished: removing them tells nobody.
[[nodiscard]] constexpr bool IsFinished(TransferState state) noexcept {
  return state == TransferState::Complete || state == TransferState::Failed;
}

}  // namespace kp
