#pragma once
// The names the core looks up in the API tables: functions, events and the
// packet fields of their parameters. The lookups run when the program is
// compiled, so a misspelt name does not compile instead of answering 0.

#include <cstddef>
#include <optional>
#include <string_view>

#include "core/config/text_basics.h"
#include "core/host/api_table.h"

namespace kp {

namespace api_names_detail {

// Packet names are compared as packets compare them: trimmed, in any letter case.
constexpr bool IsPacketName(std::string_view name) noexcept {
  name = Trim(name);
  for (const api::FunctionSpec& function : api::kApiFunctions) {
    for (std::size_t p = 0; p < function.paramCount; ++p) {
      if (EqualsIgnoreCase(function.params[p].packetName, name)) return true;
    }
  }
  for (const api::EventSpec& event : api::kEvents) {
    for (std::size_t p = 0; p < event.paramCount; ++p) {
      if (EqualsIgnoreCase(event.params[p].packetName, name)) return true;
    }
  }
  return false;
}

// Not constexpr: reached in a consteval constructor, it makes the calling line
// fail to compile, and the error names it and the message.
inline void NotInTheTables(const char*) {}

}  // namespace api_names_detail

// The position of an API function in the table, if the name is one (exactly as
// written, letter case included).
[[nodiscard]] constexpr std::optional<std::size_t> ApiFunctionIndex(std::string_view name) noexcept {
  for (std::size_t i = 0; i < api::kApiFunctions.size(); ++i) {
    if (api::kApiFunctions[i].name == name) return i;
  }
  return std::nullopt;
}

// The position of an event in the table, if the name is one.
[[nodiscard]] constexpr std::optional<std::size_t> EventIndex(std::string_view name) noexcept {
  for (std::size_t i = 0; i < api::kEvents.size(); ++i) {
    if (api::kEvents[i].name == name) return i;
  }
  return std::nullopt;
}

// An API function named in the code: Implement("ApplicationMenuAdd", ...).
struct TApiFunctionName {
  std::size_t index;
  consteval TApiFunctionName(const char* name) : index(0) {  // NOLINT: implicit on purpose
    const auto found = ApiFunctionIndex(name);
    if (!found) api_names_detail::NotInTheTables("not an API function of the table");
    index = *found;
  }
};

// An event named in the code: SendEvent(plugin, EventNumber("OnApplicationMenu"), ...).
struct TEventName {
  std::size_t index;
  consteval TEventName(const char* name) : index(0) {  // NOLINT: implicit on purpose
    const auto found = EventIndex(name);
    if (!found) api_names_detail::NotInTheTables("not an event of the table");
    index = *found;
  }
};

// The position of an event in the table, for a name the compiler has checked.
[[nodiscard]] consteval std::size_t EventNumber(TEventName event) { return event.index; }

// The name of a packet field. Written in the code, it must be a parameter of
// some function or event of the tables (compared trimmed and in any letter
// case, as packets compare names). Packets the core builds for itself may use
// other names through Unchecked.
class TPacketName {
 public:
  consteval TPacketName(const char* name) : text_(name) {  // NOLINT: implicit on purpose
    if (!api_names_detail::IsPacketName(text_))
      api_names_detail::NotInTheTables("not a parameter of the tables");
  }
  [[nodiscard]] static constexpr TPacketName Unchecked(std::string_view name) noexcept {
    return TPacketName(name, 0);
  }
  [[nodiscard]] constexpr std::string_view Text() const noexcept { return text_; }

 private:
  constexpr TPacketName(std::string_view name, int) noexcept : text_(name) {}
  std::string_view text_;
};

}  // namespace kp
