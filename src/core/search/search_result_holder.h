#pragma once
// One accepted search result: what the plugin reported, where it sits in its
// group, and the record plugins read at its handle. The record and the texts
// it points to live in low memory, are written once when the result is
// accepted and stay valid until the search closes.

#include <cstdint>
#include <string>
#include <vector>

#include "core/platform/low_memory_heap.h"

namespace kp {

class TPluginHolder;
struct TServiceHolder;

struct TSearchResultHolder {
  // The reporting service; null once that service has been removed.
  TServiceHolder* Service = nullptr;
  // The plugin of that service: the one told when the result is selected,
  // commanded or downloaded. It outlives the service's removal.
  TPluginHolder* Plugin = nullptr;
  // Later results grouped under this one (not owned); a child has none.
  std::vector<TSearchResultHolder*> Children;
  // The result this one is grouped under; null for a top-level row.
  TSearchResultHolder* Parent = nullptr;

  std::string Description;
  std::string HashCode;
  std::string Nick;
  std::int64_t Size = 0;  // widened with its sign from the plugin's 32-bit value
  std::int32_t Bitrate = 0;
  std::int32_t Length = 0;  // seconds
  std::int32_t Frequency = 0;
  bool IsMusicFile = false;
  std::string URL;
  // Only the row shows these two.
  std::string Info;
  std::string IconFile;  // resolved

  // Writes the record and its texts from the fields above; once per result.
  // Throws std::bad_alloc when low memory is exhausted.
  void FillRecord();
  // The record's address, which the result events pass; 0 before FillRecord.
  [[nodiscard]] std::uint32_t Handle() const noexcept { return LowAddress(record_.get()); }
  [[nodiscard]] const std::byte* Record() const noexcept { return record_.get(); }

 private:
  // The 41-byte record followed by its four NUL-terminated texts, one block.
  LowBlock record_;
};

}  // namespace kp
