#pragma once
// One API call as named text values plus the plugin that made it. Every typed
// argument becomes text here and is read back by name by the implementation.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/host/api_names.h"

namespace kp {

class TPluginHolder;

class TMessagePacket {
 public:
  TMessagePacket() { entries_.reserve(kTypicalParameterCount); }
  explicit TMessagePacket(TPluginHolder* sender) : TMessagePacket() { SenderPlugin = sender; }

  // Names are stored trimmed of blanks and control characters and upper-cased;
  // adding never replaces an earlier entry of the same name.
  void AddString(std::string_view name, std::string_view value);
  // A null text from a plugin is empty text.
  void AddString(std::string_view name, const char* value);
  void AddInteger(std::string_view name, std::int64_t value);
  // True adds the value "T"; false adds nothing at all.
  void AddBoolean(std::string_view name, bool value);
  // The handle widened with its sign (a handle with the top bit set is negative).
  void AddObject(std::string_view name, std::uint32_t handle);
  // A window id widened without sign.
  void AddWindowHandle(std::string_view name, std::uint32_t handle);

  // The first entry's value for the name (matched trimmed and without regard to
  // case); empty when absent. The view lives as long as the packet. A name
  // written in the code is checked against the API tables when it compiles.
  [[nodiscard]] std::string_view GetString(TPacketName name) const noexcept;
  // Digits and minus signs of the value as a number; 0 when absent or not a number.
  [[nodiscard]] std::int64_t GetInteger(TPacketName name) const noexcept;
  // True exactly when the value is "T".
  [[nodiscard]] bool GetBoolean(TPacketName name) const noexcept;
  // The low 32 bits of GetInteger.
  [[nodiscard]] std::uint32_t GetObject(TPacketName name) const noexcept;

  [[nodiscard]] std::size_t Count() const noexcept { return entries_.size(); }
  [[nodiscard]] const std::string& NameAt(std::size_t i) const { return entries_[i].first; }
  [[nodiscard]] const std::string& ValueAt(std::size_t i) const { return entries_[i].second; }

  // The plugin whose call this is; null for calls the core makes itself.
  TPluginHolder* SenderPlugin = nullptr;

 private:
  static constexpr std::size_t kTypicalParameterCount = 8;
  void Append(std::string_view name, std::string value);

  std::vector<std::pair<std::string, std::string>> entries_;
};

}  // namespace kp
