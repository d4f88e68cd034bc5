#pragma once
// The notification-area icons that plugins add, and the rotation that shows them
// in turn with the program's own icon: in every cycle of 60 process-timer ticks
// the program's icon shows for 30 ticks and one plugin icon for the next 30, the
// plugin icons taking turns cycle by cycle.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kp {

class TNotificationIcons {
 public:
  TNotificationIcons() = default;
  TNotificationIcons(const TNotificationIcons&) = delete;
  TNotificationIcons& operator=(const TNotificationIcons&) = delete;
  ~TNotificationIcons();

  // Adds an icon (the file name already resolved); its handle is a low-memory
  // address.
  std::uint32_t Add(std::string iconFile);
  // False for a handle that is not in the list.
  bool Edit(std::uint32_t handle, std::string iconFile);
  bool Remove(std::uint32_t handle);
  void Clear();

  [[nodiscard]] std::size_t Count() const noexcept { return icons_.size(); }
  [[nodiscard]] const std::string* IconFile(std::uint32_t handle) const noexcept;

  // What one tick of the process timer asks the notification icon to show.
  struct Change {
    bool applicationIcon = false;  // the program's own online or offline image
    std::string pluginIconFile;    // otherwise this plugin icon
  };
  [[nodiscard]] std::optional<Change> Tick();

  [[nodiscard]] std::uint32_t IconTick() const noexcept { return iconTick_; }

 private:
  struct Holder {
    std::string iconFile;
  };

  std::vector<Holder*> icons_;  // owned; in low memory so their addresses are handles
  std::uint32_t iconTick_ = 0;
  std::uint32_t iconCycle_ = 0;
};

}  // namespace kp
