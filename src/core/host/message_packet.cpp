#include "core/host/message_packet.h"

#include <charconv>

#include "core/config/text_basics.h"
#include "core/config/text_conversions.h"

namespace kp {
namespace {

template <typename Integer>
std::string DecimalText(Integer value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

}  // namespace

void TMessagePacket::Append(std::string_view name, std::string value) {
  entries_.emplace_back(ToUpperAscii(Trim(name)), std::move(value));
}

void TMessagePacket::AddString(std::string_view name, std::string_view value) {
  Append(name, std::string(value));
}

void TMessagePacket::AddString(std::string_view name, const char* value) {
  Append(name, value ? std::string(value) : std::string());
}

void TMessagePacket::AddInteger(std::string_view name, std::int64_t value) {
  Append(name, DecimalText(value));
}

void TMessagePacket::AddBoolean(std::string_view name, bool value) {
  if (value) Append(name, "T");
}

void TMessagePacket::AddObject(std::string_view name, std::uint32_t handle) {
  AddInteger(name, static_cast<std::int32_t>(handle));
}

void TMessagePacket::AddWindowHandle(std::string_view name, std::uint32_t handle) {
  Append(name, DecimalText(handle));
}

std::string_view TMessagePacket::GetString(TPacketName name) const noexcept {
  const std::string_view query = Trim(name.Text());
  // The query is compared in any letter case, without building a normalised copy.
  for (const auto& [storedName, value] : entries_) {
    if (EqualsIgnoreCase(storedName, query)) return value;
  }
  return {};
}

std::int64_t TMessagePacket::GetInteger(TPacketName name) const noexcept {
  return TextToInt64(GetString(name));
}

bool TMessagePacket::GetBoolean(TPacketName name) const noexcept {
  return GetString(name) == "T";
}

std::uint32_t TMessagePacket::GetObject(TPacketName name) const noexcept {
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(GetInteger(name)));
}

}  // namespace kp
