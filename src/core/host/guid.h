#pragma once
// The GUID of the plugin contract: 16 bytes in their binary form (a 32-bit, two
// 16-bit numbers and 8 bytes), written as registry text
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" where it travels as text.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kp {

struct TGuid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::array<std::uint8_t, 8> data4{};

  friend bool operator==(const TGuid&, const TGuid&) = default;
};
static_assert(sizeof(TGuid) == 16, "a GUID crosses the boundary as exactly 16 bytes");

[[nodiscard]] std::string GuidToText(const TGuid& guid);
// Accepts the registry form with or without braces, hex digits in either case,
// surrounding blanks trimmed; nothing else.
[[nodiscard]] std::optional<TGuid> GuidFromText(std::string_view text);

}  // namespace kp
