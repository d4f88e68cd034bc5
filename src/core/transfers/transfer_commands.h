#pragma once
// Which commands a transfer list offers for a selection, in the order the
// command bar and the menu show them; the face adds them and then lets the
// selected transfer's plugin add its own.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "core/config/language_ids.h"

namespace kp {

class TTransferBase;
class TTransferItem;
class TTransferList;

struct TOfferedCommand {
  std::int32_t Command = 0;  // 0: a separator (caption "-"); its Caption is not shown
  TTextId Caption;
  std::string_view IconFile;  // "" for a separator
  [[nodiscard]] bool IsSeparator() const noexcept { return Command == 0; }
};

struct TCommandOffer {
  std::vector<TOfferedCommand> Commands;
  // The single selected transfer, whose plugin is asked for its commands.
  TTransferItem* SelectTarget = nullptr;
};

// The selection in the order the rows were selected; empty offers nothing.
[[nodiscard]] TCommandOffer OfferCommands(const TTransferList& list,
                                          std::span<TTransferBase* const> selection);

}  // namespace kp
