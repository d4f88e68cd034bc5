#include "core/host/notification_icons.h"

#include <utility>

#include "core/platform/low_memory_heap.h"

namespace kp {

TNotificationIcons::~TNotificationIcons() { Clear(); }

std::uint32_t TNotificationIcons::Add(std::string iconFile) {
  Holder* holder = LowNew<Holder>(Holder{std::move(iconFile)});
  icons_.push_back(holder);
  return LowAddress(holder);
}

bool TNotificationIcons::Edit(std::uint32_t handle, std::string iconFile) {
  Holder* icon = FindByHandle(icons_, handle);
  if (!icon) return false;
  icon->iconFile = std::move(iconFile);
  return true;
}

bool TNotificationIcons::Remove(std::uint32_t handle) {
  Holder* icon = FindByHandle(icons_, handle);
  if (!icon) return false;
  std::erase(icons_, icon);
  LowDelete(icon);
  return true;
}

void TNotificationIcons::Clear() {
  for (Holder* holder : icons_) LowDelete(holder);
  icons_.clear();
}

const std::string* TNotificationIcons::IconFile(std::uint32_t handle) const noexcept {
  const Holder* icon = FindByHandle(icons_, handle);
  return icon ? &icon->iconFile : nullptr;
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
