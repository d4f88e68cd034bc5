#include "core/host/notification_icons.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/platform/low_memory_heap.h"

namespace kp {
namespace {

// What the icon shows during the given number of ticks: "app" or a plugin icon,
// one entry per change.
std::vector<std::string> Ticks(TNotificationIcons& icons, int ticks) {
  std::vector<std::string> shown;
  for (int i = 0; i < ticks; ++i) {
    if (auto change = icons.Tick()) shown.push_back(change->applicationIcon ? "app" : change->pluginIconFile);
  }
  return shown;
}

TEST(NotificationIcons, PluginIconsTakeTurnsWithTheProgramsIcon) {
  TNotificationIcons icons;
  EXPECT_TRUE(Ticks(icons, 29).empty());
  const std::uint32_t first = icons.Add("first.bmp");
  const std::uint32_t second = icons.Add("second.bmp");
  EXPECT_NE(first, second);
  EXPECT_TRUE(IsLowAddress(reinterpret_cast<void*>(static_cast<std::uintptr_t>(first))));

  // Tick 30 of each cycle shows a plugin icon, tick 60 the program's own again.
  EXPECT_EQ(Ticks(icons, 1), (std::vector<std::string>{"first.bmp"}));
  EXPECT_EQ(Ticks(icons, 30), (std::vector<std::string>{"app"}));
  EXPECT_EQ(Ticks(icons, 60), (std::vector<std::string>{"second.bmp", "app"}));
  EXPECT_EQ(Ticks(icons, 60), (std::vector<std::string>{"first.bmp", "app"}));
  EXPECT_EQ(icons.IconTick(), 0u);

  // The cycle now points at the second; once it is gone the first shows again.
  EXPECT_TRUE(icons.Remove(second));
  EXPECT_EQ(Ticks(icons, 60), (std::vector<std::string>{"first.bmp", "app"}));

  EXPECT_TRUE(icons.Edit(first, "edited.bmp"));
  EXPECT_EQ(*icons.IconFile(first), "edited.bmp");
  EXPECT_EQ(Ticks(icons, 60), (std::vector<std::string>{"edited.bmp", "app"}));

  EXPECT_FALSE(icons.Edit(second, "gone.bmp")) << "a removed handle is unknown";
  EXPECT_FALSE(icons.Remove(second));
  EXPECT_FALSE(icons.Remove(0));
  EXPECT_EQ(icons.IconFile(12345), nullptr);

  EXPECT_TRUE(icons.Remove(first));
  EXPECT_EQ(Ticks(icons, 120), (std::vector<std::string>{"app", "app"})) << "no plugin icon left";
}

}  // namespace
}  // namespace kp
