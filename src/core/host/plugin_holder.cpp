#include "core/host/plugin_holder.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "core/config/text_basics.h"
#include "keplinor_records.h"
#include "core/platform/file_io.h"

namespace kp {
namespace {

static_assert(sizeof(TGuid) == sizeof(kp_guid),
              "the plugin writes its GUID in the binary form the core reads");

// A field of the plugin's block, copied out: the plugin may write it at any time
// and it need not be aligned.
template <typename Value>
Value ReadBlockValue(const std::byte* block, std::size_t offset) noexcept {
  Value value;
  std::memcpy(&value, block + offset, sizeof value);
  return value;
}

}  // namespace

TPluginHolder::TPluginHolder(std::string path, std::string key)
    : path_(std::move(path)),
      key_(std::move(key)),
      folder_(FolderOfPath(Trim(path_))),
      block_(MakeLowBlock(sizeof(kp_plugin_block))) {}

TPluginHolder::~TPluginHolder() = default;

TGuid TPluginHolder::PluginGuid() const noexcept {
  return ReadBlockValue<TGuid>(block_.get(), offsetof(kp_plugin_block, PluginGUID));
}

std::string TPluginHolder::VersionText() const {
  const std::byte* block = block_.get();
  return std::to_string(ReadBlockValue<std::int32_t>(block, offsetof(kp_plugin_block, VersionA))) + "." +
         std::to_string(ReadBlockValue<std::int32_t>(block, offsetof(kp_plugin_block, VersionB))) +
         std::to_string(ReadBlockValue<std::int32_t>(block, offsetof(kp_plugin_block, VersionC)));
}

std::string TPluginHolder::DisplayName() const {
  return ReadBlockField(block_.get() + offsetof(kp_plugin_block, DisplayName),
                        sizeof(kp_plugin_block::DisplayName));
}

std::string ReadBlockField(const std::byte* field, std::size_t fieldSize) {
  const auto* text = reinterpret_cast<const char*>(field);
  return std::string(text, ::strnlen(text, fieldSize));
}

}  // namespace kp
