#include "host/plugin_holder.h"

#include <cstring>
#include <utility>

#include "config/text_basics.h"
#include "platform/file_io.h"

namespace kp {
namespace {

std::int32_t ReadInt32(const std::byte* at) noexcept {
  std::int32_t value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

}  // namespace

TPluginHolder::TPluginHolder(std::string path, std::string key)
    : path_(std::move(path)),
      key_(std::move(key)),
      block_(MakeLowBlock(PluginBlockLayout::kSize)) {}

TPluginHolder::~TPluginHolder() = default;

std::string TPluginHolder::Folder() const { return FolderOfPath(Trim(path_)); }

TGuid TPluginHolder::PluginGuid() const noexcept {
  TGuid guid;
  std::memcpy(&guid, block_.get() + PluginBlockLayout::kGuid, sizeof guid);
  return guid;
}

std::string TPluginHolder::VersionText() const {
  const std::byte* block = block_.get();
  return std::to_string(ReadInt32(block + PluginBlockLayout::kVersionA)) + "." +
         std::to_string(ReadInt32(block + PluginBlockLayout::kVersionB)) +
         std::to_string(ReadInt32(block + PluginBlockLayout::kVersionC));
}

std::string TPluginHolder::DisplayName() const {
  return ReadBlockField(block_.get() + PluginBlockLayout::kDisplayName, PluginBlockLayout::kTextField);
}

std::string ReadBlockField(const std::byte* field, std::size_t fieldSize) {
  const auto* text = reinterpret_cast<const char*>(field);
  return std::string(text, ::strnlen(text, fieldSize));
}

}  // namespace kp
