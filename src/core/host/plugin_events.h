#pragma once
// Calling the events plugins export: to one plugin, or to every plugin that
// exports it in load order. The C++ argument types are checked against the
// event table before the plugin is called, so a call site with the wrong
// signature reaches no plugin (and fails its tests) instead of corrupting one.
// Main thread only.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/host/api_names.h"
#include "core/host/api_table.h"
#include "core/host/plugin_holder.h"
#include "core/host/plugin_manager.h"

namespace kp {

namespace event_detail {

template <typename T>
constexpr bool Accepts(api::ParamKind kind) {
  using api::ParamKind;
  if constexpr (std::is_same_v<T, const char*>) {
    return kind == ParamKind::Text;
  } else if constexpr (std::is_same_v<T, std::int32_t>) {
    return kind == ParamKind::Int32 || kind == ParamKind::Boolean;
  } else if constexpr (std::is_same_v<T, std::int64_t>) {
    return kind == ParamKind::Int64;
  } else if constexpr (std::is_same_v<T, std::uint32_t>) {
    return kind == ParamKind::Handle || kind == ParamKind::WindowHandle || kind == ParamKind::Value32;
  } else if constexpr (std::is_same_v<T, std::uint8_t*>) {
    return kind == ParamKind::AnswerByte;
  } else if constexpr (std::is_same_v<T, TGuid>) {
    return kind == ParamKind::Guid;
  } else {
    static_assert(sizeof(T) == 0, "an event argument is a text, a 32/64-bit number, a handle, a GUID or a byte");
    return false;
  }
}

template <typename... Args>
bool Matches(const api::EventSpec& spec) {
  if (spec.paramCount != sizeof...(Args)) return false;
  std::size_t i = 0;
  return (Accepts<Args>(spec.params[i++].kind) && ...);
}

}  // namespace event_detail

// Calls the plugin's export of the event, if it has one and the arguments fit
// the event's signature. True when the plugin was called.
template <typename... Args>
bool SendEvent(const TPluginHolder& plugin, std::size_t eventIndex, Args... args) {
  if (eventIndex >= api::kEventCount) return false;
  void* slot = plugin.EventSlot(eventIndex);
  if (!slot || !event_detail::Matches<Args...>(api::kEvents[eventIndex])) return false;
  reinterpret_cast<void (*)(Args...)>(slot)(args...);
  return true;
}

// Sends the event to every plugin that exports it, in load order.
template <typename... Args>
void BroadcastEvent(const TPluginManager& plugins, std::size_t eventIndex, Args... args) {
  for (std::size_t i = 0; i < plugins.GetPluginCount(); ++i) SendEvent(*plugins.GetPlugin(i), eventIndex, args...);
}

// The exit question: the plugins are asked in load order with the address of an
// answer byte that starts at 1; the first that writes 0 ends the round. True
// when every plugin asked agreed.
[[nodiscard]] bool AskPluginsToExit(const TPluginManager& plugins);

}  // namespace kp
