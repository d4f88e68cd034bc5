// Loads any bytes as the saved access rights of a few shared items. Reading
// must stay within the bytes, keep every flag 0 or 1 and every user name ended,
// and what is written afterwards must read back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/sharing/share_manager.h"
#include "core/sharing/shared_access_store.h"
#include "core/sharing/shared_items.h"
#include "fuzz_check.h"

namespace {

constexpr const char* kNames[] = {"Music", "Films", "a", "Readme"};

void Register(kp::TShareManager& shares, kp::TSharedItemList& items) {
  for (const char* name : kNames) {
    // Nothing is looked up on disk: the rights are all that is read.
    if (name[0] == 'R') {
      items.RegisterFile(shares.AddFile("/nonexistent/readme", name), false);
    } else {
      items.RegisterFolder(
          shares.AddDirectory(std::string("/nonexistent/") + name, name, name[0] != 'a', "*.*"), false);
    }
  }
}

bool Flag(std::uint8_t value) { return value == 0 || value == 1; }

void CheckAccess(const kp::TShareAccess& access) {
  FUZZ_CHECK(access.UserName[sizeof access.UserName - 1] == '\0');
  FUZZ_CHECK(Flag(access.IncludeInSearchRequests) && Flag(access.AllowWrite) && Flag(access.AllowDelete) &&
             Flag(access.AllowCreateDirectory) && Flag(access.AllowRemoveDirectory));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  kp::TShareManager shares;
  kp::TSharedItemList items(shares, nullptr);
  Register(shares, items);
  kp::TSharedWorkingCopy copy;
  items.SetWorkingCopy(&copy);
  copy.FindOrCreate(items.ItemAt(0));
  const bool read = kp::ReadSharedAccess(items, input);
  std::size_t entries = 0;
  for (std::size_t i = 0; i < items.Count(); ++i) {
    const kp::TSharedItem& item = items.ItemAt(i);
    CheckAccess(item.AllAccess);
    for (const kp::TShareAccess& access : item.AccessList) CheckAccess(access);
    entries += item.AccessList.size();
  }
  FUZZ_CHECK(read || entries == 0);
  FUZZ_CHECK(entries * sizeof(kp::TShareAccess) <= size);
  // The dialog's copy follows the live item it mirrors.
  FUZZ_CHECK(copy.Find(kNames[0])->AccessList.size() == items.ItemAt(0).AccessList.size());

  const std::string saved = kp::SharedAccessBytes(items);
  FUZZ_CHECK(saved.size() ==
             9 + items.Count() * kp::kSharedItemRecordSize + entries * sizeof(kp::TShareAccess));
  kp::TShareManager shares2;
  kp::TSharedItemList again(shares2, nullptr);
  Register(shares2, again);
  FUZZ_CHECK(kp::ReadSharedAccess(again, saved));
  FUZZ_CHECK(kp::SharedAccessBytes(again) == saved);
  return 0;
}
