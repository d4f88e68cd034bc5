#pragma once
// The pictures of the transfer lists' state images: one small round badge per
// state, drawn rather than loaded, so the lists need no files and the badges
// stay legible on light and dark themes alike.

#include <QIcon>

#include "core/transfers/transfer_state.h"

namespace kp {

// The image at a state image index (kQueuedImage ... kRemotelyQueuedImage); the
// running and root badges point the way the list's data flows. Any other
// index gives an empty icon.
[[nodiscard]] QIcon TransferStateImage(int index, TransferDirection direction);

}  // namespace kp
