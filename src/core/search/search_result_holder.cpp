#include "core/search/search_result_holder.h"

#include <cstring>
#include <string_view>

#include "core/services/service_registry.h"
#include "keplinor_records.h"

namespace kp {
namespace {

// Bytes a text takes in the block: up to its first NUL (the end a plugin
// sees), plus the terminator.
std::size_t StoredLength(std::string_view text) noexcept {
  const std::size_t nul = text.find('\0');
  return (nul == std::string_view::npos ? text.size() : nul) + 1;
}

}  // namespace

void TSearchResultHolder::FillRecord() {
  const std::string_view texts[] = {Description, HashCode, Nick, URL};
  std::size_t size = sizeof(kp_search_result_record);
  for (std::string_view text : texts) size += StoredLength(text);
  LowBlock block = MakeLowBlock(size);

  std::uint32_t addresses[4] = {};
  std::size_t offset = sizeof(kp_search_result_record);
  for (std::size_t i = 0; i < 4; ++i) {
    const std::size_t length = StoredLength(texts[i]) - 1;
    std::memcpy(block.get() + offset, texts[i].data(), length);  // the block is zero-filled: NUL follows
    addresses[i] = LowAddress(block.get() + offset);
    offset += length + 1;
  }

  kp_search_result_record built{};
  built.Service = Service ? Service->Handle() : 0;
  built.Description = addresses[0];
  built.HashCode = addresses[1];
  built.Nick = addresses[2];
  built.Size = static_cast<std::uint32_t>(static_cast<std::uint64_t>(Size));
  built.Bitrate = Bitrate;
  built.Length = Length;
  built.Frequency = Frequency;
  built.IsMusicFile = IsMusicFile ? 1 : 0;
  built.URL = addresses[3];
  std::memcpy(block.get(), &built, sizeof built);
  record_ = std::move(block);
}

}  // namespace kp
