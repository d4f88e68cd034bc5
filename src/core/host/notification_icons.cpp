#include "host/notification_icons.h"

#include <utility>

#include "platform/low_memory_heap.h"

namespace kp {

TNotificationIcons::~TNotificationIcons() { Clear(); }

std::uint32_t TNotificationIcons::Add(std::string iconFile) {
  Holder* holder = LowNew<Holder>(Holder{std::move(iconFile)});
  icons_.push_back(holder);
  return LowAddress(holder);
}

std::size_t TNotificationIcons::PositionOf(std::uint32_t handle) const noexcept {
  for (std::size_t i = 0; i < icons_.size(); ++i) {
    if (LowAddress(icons_[i]) == handle && handle != 0) return i;
  }
  return icons_.size();
}

bool TNotificationIcons::Edit(std::uint32_t handle, std::string iconFile) {
  const std::size_t at = PositionOf(handle);
  if (at == icons_.size()) return false;
  icons_[at]->iconFile = std::move(iconFile);
  return true;
}

bool TNotificationIcons::Remove(std::uint32_t handle) {
  const std::size_t at = PositionOf(handle);
  if (at == icons_.size()) return false;
  LowDelete(icons_[at]);
  icons_.erase(icons_.begin() + static_cast<std::ptrdiff_t>(at));
  return true;
}

void TNotificationIcons::Clear() {
  for (Holder* holder : icons_) LowDelete(holder);
  icons_.clear();
}

const std::string* TNotificationIcons::IconFile(std::uint32_t handle) const noexcept {
  const std::size_t at = PositionOf(handle);
  return at == icons_.size() ? nullptr : &icons_[at]->iconFile;
}

std::optional<TNotificationIcons::Change> TNotificationIcons::Tick() {
  std::optional<Change> change;
  const std::uint32_t remembered = iconTick_++;
  if (remembered == 29 && !icons_.empty()) {
    if (iconCycle_ >= icons_.size()) iconCycle_ = 0;
    change = Change{false, icons_[iconCycle_]->iconFile};
  }
  if (iconTick_ == 60) {
    iconTick_ = 0;
    ++iconCycle_;
    change = Change{true, {}};
  }
  return change;
}

}  // namespace kp
