#pragma once
// "SharedAccess.dat": the rights of every shared item from one run to the next,
// little-endian, byte for byte:
//   "KPLR", a NUL, the version 4 (32 bits);
//   then per item, in registry order, a 539-byte record (the name in 257 bytes,
//   NUL-terminated; the number of access entries that follow, 32 bits; the
//   open-to-all flag; the 277-byte rights for all) and its access entries of
//   277 bytes each.
// The item's place on disk and its kind come from the share tree's own file; an
// item is matched by name, and a name the tree no longer has is dropped.

#include <string>
#include <string_view>

#include "core/sharing/shared_items.h"

namespace kp {

inline constexpr std::string_view kSharedAccessFileName = "SharedAccess.dat";
inline constexpr std::size_t kSharedItemRecordSize = 539;

[[nodiscard]] std::string SharedAccessBytes(const TSharedItemList& items);
// Gives the items named in the bytes their stored rights (appending the stored
// entries to their access lists) and copies each such item into the settings
// dialog's copy when that has it. A foreign or wrong-version text changes
// nothing; a short one is read as far as it goes. False when nothing was read.
bool ReadSharedAccess(TSharedItemList& items, std::string_view bytes);

// The file: missing or unreadable changes nothing. Writing replaces the file
// atomically; false when that failed (the old file is then whole).
bool LoadSharedAccess(TSharedItemList& items, const std::string& path);
[[nodiscard]] bool SaveSharedAccess(const TSharedItemList& items, const std::string& path);

}  // namespace kp
