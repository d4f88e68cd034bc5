#include "core/config/settings_table.h"

#include <algorithm>
#include <array>
#include <type_traits>
#include <vector>

#include "core/config/text_basics.h"

namespace kp {
namespace {

template <class Member>
struct MemberTraits;
template <class Owner, class T>
struct MemberTraits<T Owner::*> {
  using Type = T;
};

template <class T>
constexpr TSettingType TypeOf() {
  if constexpr (std::is_same_v<T, std::string>) {
    return TSettingType::Text;
  } else if constexpr (std::is_same_v<T, TPatternList>) {
    return TSettingType::PatternList;
  } else if constexpr (std::is_same_v<T, std::int32_t>) {
    return TSettingType::Integer;
  } else {
    static_assert(std::is_same_v<T, bool>, "a setting is text, a pattern list, an integer or a boolean");
    return TSettingType::Boolean;
  }
}

// One key. Section is the TSettings member that holds the section's struct, Field
// the member of that struct; the type follows from the field, so a key can never
// be read into a value of another kind.
template <auto Section, auto Field>
constexpr TSettingKey Row(std::string_view section, std::string_view key, int savePosition) {
  using T = typename MemberTraits<decltype(Field)>::Type;
  return TSettingKey{
      section,
      key,
      TypeOf<T>(),
      [](TSettings& s) -> TSettingValue { return &(s.*Section.*Field); },
      [](const TSettings& s) -> TSettingConstValue { return &(s.*Section.*Field); },
      savePosition,
  };
}

// An icon name: text that is resolved when loaded. Icons are branding and never
// written back (which would store the resolved path in place of the name).
template <auto Field>
constexpr TSettingKey IconRow(std::string_view key) {
  static_assert(std::is_same_v<typename MemberTraits<decltype(Field)>::Type, std::string>);
  TSettingKey row = Row<&TSettings::Application, Field>("Application", key, kNotWritten);
  row.Type = TSettingType::IconFile;
  return row;
}

using S = TSettings;
using App = TApplicationSettings;
using Shared = TSharedItemsSettings;
using Search = TSearchingSettings;
using Up = TUploadSettings;
using Down = TDownloadSettings;
using Adv = TAdvancedSettings;

constexpr std::string_view kShared = "SharedItems";
constexpr std::string_view kApp = "Application";
constexpr std::string_view kSearch = "Searching";
constexpr std::string_view kUp = "Uploads";
constexpr std::string_view kDown = "Downloads";
constexpr std::string_view kAdv = "Advanced";

// Read from top to bottom; written in the order of the last column.
constexpr std::array kTable{
    Row<&S::SharedItems, &Shared::ScanExtensions>(kShared, "ScanExtensions", 1),
    Row<&S::SharedItems, &Shared::ExecuteExtensions>(kShared, "ExecuteExtensions", 2),

    Row<&S::Application, &App::Name>(kApp, "Name", kNotWritten),
    IconRow<&App::LargeOnlineIcon>("LargeOnlineIcon"),
    IconRow<&App::SmallOnlineIcon>("SmallOnlineIcon"),
    IconRow<&App::LargeOfflineIcon>("LargeOfflineIcon"),
    IconRow<&App::SmallOfflineIcon>("SmallOfflineIcon"),
    Row<&S::Application, &App::HomePageURL>(kApp, "HomePageURL", kNotWritten),
    Row<&S::Application, &App::HelpURL>(kApp, "HelpURL", kNotWritten),
    Row<&S::Application, &App::HelpEmail>(kApp, "HelpEmail", kNotWritten),
    Row<&S::Application, &App::PortCheckServer>(kApp, "PortCheckServer", kNotWritten),
    Row<&S::Application, &App::PortCheckPort>(kApp, "PortCheckPort", kNotWritten),
    Row<&S::Application, &App::AdvertisingServer>(kApp, "AdvertisingServer", kNotWritten),
    Row<&S::Application, &App::FirewallStatus>(kApp, "FirewallStatus", 43),
    Row<&S::Application, &App::SetupComplete>(kApp, "SetupComplete", 44),

    Row<&S::Searching, &Search::LimitResults>(kSearch, "LimitResults", 3),
    Row<&S::Searching, &Search::MaximumResults>(kSearch, "MaximumResults", 4),
    Row<&S::Searching, &Search::LimitResultTabs>(kSearch, "LimitResultTabs", 5),
    Row<&S::Searching, &Search::MaximumResultTabs>(kSearch, "MaximumResultTabs", 6),
    Row<&S::Searching, &Search::LimitExtensions>(kSearch, "LimitExtensions", 7),
    Row<&S::Searching, &Search::FilterExtensions>(kSearch, "FilterExtensions", 8),
    Row<&S::Searching, &Search::GroupResults>(kSearch, "GroupResults", 9),
    Row<&S::Searching, &Search::KeepHistory>(kSearch, "KeepHistory", 10),
    Row<&S::Searching, &Search::MaximumHistory>(kSearch, "MaximumHistory", 11),
    Row<&S::Searching, &Search::RememberLastRequest>(kSearch, "RememberLastRequest", 12),

    Row<&S::Uploads, &Up::Limit>(kUp, "Limit", 13),
    Row<&S::Uploads, &Up::Maximum>(kUp, "Maximum", 14),
    Row<&S::Uploads, &Up::LimitPerUser>(kUp, "LimitPerUser", 15),
    Row<&S::Uploads, &Up::MaximumPerUser>(kUp, "MaximumPerUser", 16),
    Row<&S::Uploads, &Up::LimitQueues>(kUp, "LimitQueues", 17),
    Row<&S::Uploads, &Up::MaximumQueues>(kUp, "MaximumQueues", 18),
    Row<&S::Uploads, &Up::LimitQueuesPerUser>(kUp, "LimitQueuesPerUser", 19),
    Row<&S::Uploads, &Up::MaximumQueuesPerUser>(kUp, "MaximumQueuesPerUser", 20),
    Row<&S::Uploads, &Up::LimitBandwidth>(kUp, "LimitBandwidth", 21),
    Row<&S::Uploads, &Up::MaximumBandwidth>(kUp, "MaximumBandwidth", 22),
    Row<&S::Uploads, &Up::ClearComplete>(kUp, "ClearComplete", 23),
    Row<&S::Uploads, &Up::ClearFailed>(kUp, "ClearFailed", 24),
    Row<&S::Uploads, &Up::Timeout>(kUp, "Timeout", 25),
    Row<&S::Uploads, &Up::ShowStatus>(kUp, "ShowStatus", 26),

    Row<&S::Downloads, &Down::Limit>(kDown, "Limit", 27),
    Row<&S::Downloads, &Down::Maximum>(kDown, "Maximum", 28),
    Row<&S::Downloads, &Down::LimitPerUser>(kDown, "LimitPerUser", 29),
    Row<&S::Downloads, &Down::MaximumPerUser>(kDown, "MaximumPerUser", 30),
    Row<&S::Downloads, &Down::LimitBandwidth>(kDown, "LimitBandwidth", 31),
    Row<&S::Downloads, &Down::MaximumBandwidth>(kDown, "MaximumBandwidth", 32),
    Row<&S::Downloads, &Down::ClearComplete>(kDown, "ClearComplete", 33),
    Row<&S::Downloads, &Down::ClearFailed>(kDown, "ClearFailed", 34),
    Row<&S::Downloads, &Down::Timeout>(kDown, "Timeout", 35),
    Row<&S::Downloads, &Down::TempFolder>(kDown, "TempFolder", 37),
    Row<&S::Downloads, &Down::CompletedFolder>(kDown, "CompletedFolder", 36),
    Row<&S::Downloads, &Down::ShowStatus>(kDown, "ShowStatus", 38),

    Row<&S::Advanced, &Adv::LaunchAtSystemStartup>(kAdv, "LaunchAtSystemStartup", 39),
    Row<&S::Advanced, &Adv::MinimizeAtStartup>(kAdv, "MinimizeAtStartup", 40),
    Row<&S::Advanced, &Adv::MinimizeOnCloseButton>(kAdv, "MinimizeOnCloseButton", 42),
    Row<&S::Advanced, &Adv::RememberLocation>(kAdv, "RememberLocation", 41),
    // The window as the user left it is written last, after the Application state.
    Row<&S::Advanced, &Adv::WindowTop>(kAdv, "WindowTop", 45),
    Row<&S::Advanced, &Adv::WindowLeft>(kAdv, "WindowLeft", 46),
    Row<&S::Advanced, &Adv::WindowHeight>(kAdv, "WindowHeight", 48),
    Row<&S::Advanced, &Adv::WindowWidth>(kAdv, "WindowWidth", 47),
    Row<&S::Advanced, &Adv::WindowMaximized>(kAdv, "WindowMaximized", 49),
    Row<&S::Advanced, &Adv::ActiveSection>(kAdv, "ActiveSection", 50),
};

// The written keys take the places 1, 2, ... each exactly once.
constexpr bool SavePositionsFormASequence() {
  int written = 0;
  for (const TSettingKey& row : kTable) written += row.Written() ? 1 : 0;
  for (int position = 1; position <= written; ++position) {
    int holders = 0;
    for (const TSettingKey& row : kTable) holders += row.SavePosition == position ? 1 : 0;
    if (holders != 1) return false;
  }
  return true;
}
static_assert(SavePositionsFormASequence());

// Keys are compared without regard to case, as the store compares them.
constexpr bool KeysAreUnique() {
  for (std::size_t i = 0; i < kTable.size(); ++i) {
    for (std::size_t j = i + 1; j < kTable.size(); ++j) {
      if (EqualsIgnoreCase(kTable[i].Section, kTable[j].Section) &&
          EqualsIgnoreCase(kTable[i].Key, kTable[j].Key)) {
        return false;
      }
    }
  }
  return true;
}
static_assert(KeysAreUnique());

}  // namespace

std::span<const TSettingKey> SettingsTable() noexcept { return kTable; }

std::span<const TSettingKey* const> SettingsSaveOrder() {
  static const std::vector<const TSettingKey*> order = [] {
    std::vector<const TSettingKey*> rows;
    for (const TSettingKey& row : kTable) {
      if (row.Written()) rows.push_back(&row);
    }
    std::sort(rows.begin(), rows.end(),
              [](const TSettingKey* a, const TSettingKey* b) { return a->SavePosition < b->SavePosition; });
    return rows;
  }();
  return order;
}

}  // namespace kp
