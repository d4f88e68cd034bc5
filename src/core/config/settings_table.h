#pragma once
// The one table of settings keys: for every key its section, its name, its type,
// the working value it feeds, and its place in the save order. LoadSettings and
// SaveSettings (settings.h) walk it; nothing else reads or writes settings keys
// one by one.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "core/config/settings.h"

namespace kp {

enum class TSettingType : std::uint8_t {
  Text,
  IconFile,     // text, resolved to an existing icon file when loaded
  PatternList,  // text kept split at its commas
  Integer,
  Boolean,
};

// The working value a key feeds, reached through a TSettings.
using TSettingValue = std::variant<std::string*, TPatternList*, std::int32_t*, bool*>;
using TSettingConstValue =
    std::variant<const std::string*, const TPatternList*, const std::int32_t*, const bool*>;

// The save position of a key that is only read.
inline constexpr int kNotWritten = 0;

struct TSettingKey {
  std::string_view Section;
  std::string_view Key;
  TSettingType Type;
  TSettingValue (*Value)(TSettings&);
  TSettingConstValue (*ConstValue)(const TSettings&);
  int SavePosition;  // 1-based place in the save order, or kNotWritten

  [[nodiscard]] constexpr bool Written() const noexcept { return SavePosition != kNotWritten; }
};

// Every key, in the order LoadSettings reads them: grouped by section, sections in
// the order SharedItems, Application, Searching, Uploads, Downloads, Advanced.
[[nodiscard]] std::span<const TSettingKey> SettingsTable() noexcept;

// The written keys, in the order SaveSettings writes them.
[[nodiscard]] std::span<const TSettingKey* const> SettingsSaveOrder();

}  // namespace kp
