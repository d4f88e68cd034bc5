#include "core/sharing/shared_access_store.h"

#include <cstdint>
#include <cstring>

#include "core/config/shared_routines.h"
#include "core/platform/file_io.h"

namespace kp {
namespace {

constexpr std::string_view kMagic{"KPLR\0", 5};
constexpr std::uint32_t kVersion = 4;
constexpr std::size_t kHeaderSize = 9;
constexpr std::size_t kNameSize = 257;
constexpr std::size_t kCountOffset = 257;
constexpr std::size_t kAllowAllOffset = 261;
constexpr std::size_t kAllAccessOffset = 262;
static_assert(kAllAccessOffset + sizeof(TShareAccess) == kSharedItemRecordSize);

void PutUint32(std::string& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((value >> shift) & 0xFFu));
}

std::uint32_t GetUint32(const char* bytes) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[i]);
  return value;
}

void PutAccess(std::string& out, const TShareAccess& access) {
  out.append(reinterpret_cast<const char*>(&access), sizeof access);
}

// A stored entry as the program keeps entries: flags 0 or 1, the name ended.
TShareAccess GetAccess(const char* bytes) {
  TShareAccess access;
  std::memcpy(&access, bytes, sizeof access);
  access.UserName[sizeof access.UserName - 1] = '\0';
  for (std::uint8_t* flag : {&access.IncludeInSearchRequests, &access.AllowWrite, &access.AllowDelete,
                             &access.AllowCreateDirectory, &access.AllowRemoveDirectory}) {
    *flag = *flag != 0 ? 1 : 0;
  }
  return access;
}

}  // namespace

std::string SharedAccessBytes(const TSharedItemList& items) {
  std::string out(kMagic);
  PutUint32(out, kVersion);
  for (std::size_t i = 0; i < items.Count(); ++i) {
    const TSharedItem& item = items.ItemAt(i);
    char name[kNameSize] = {};
    CopyToFixedText(name, item.Name);
    out.append(name, sizeof name);
    PutUint32(out, static_cast<std::uint32_t>(item.AccessList.size()));
    out.push_back(item.AllowAll ? 1 : 0);
    PutAccess(out, item.AllAccess);
    for (const TShareAccess& access : item.AccessList) PutAccess(out, access);
  }
  return out;
}

bool ReadSharedAccess(TSharedItemList& items, std::string_view bytes) {
  if (bytes.size() < kHeaderSize || bytes.substr(0, kMagic.size()) != kMagic ||
      GetUint32(bytes.data() + kMagic.size()) != kVersion) {
    return false;
  }
  std::size_t at = kHeaderSize;
  while (bytes.size() - at >= kSharedItemRecordSize) {
    const char* record = bytes.data() + at;
    at += kSharedItemRecordSize;
    TSharedItem* const item = items.FindSharedItem(FixedFieldText(record, kNameSize));
    if (item) {
      item->AllowAll = record[kAllowAllOffset] != 0;
      item->AllAccess = GetAccess(record + kAllAccessOffset);
    }
    // The count is not trusted beyond the bytes that are there.
    const std::uint32_t count = GetUint32(record + kCountOffset);
    for (std::uint32_t i = 0; i < count && bytes.size() - at >= sizeof(TShareAccess); ++i) {
      if (item) item->AddAccess(GetAccess(bytes.data() + at));
      at += sizeof(TShareAccess);
    }
    if (item && items.WorkingCopy()) {
      if (TSharedItem* working = items.WorkingCopy()->Find(item->Name)) working->CopyFrom(*item);
    }
  }
  return true;
}

bool LoadSharedAccess(TSharedItemList& items, const std::string& path) {
  const std::optional<std::string> bytes = ReadWholeFile(path);
  return bytes && ReadSharedAccess(items, *bytes);
}

bool SaveSharedAccess(const TSharedItemList& items, const std::string& path) {
  return WriteFileAtomically(path, SharedAccessBytes(items));
}

}  // namespace kp
