// Who may do what: the access rule, the saved rights and the dialog's apply.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/platform/file_io.h"
#include "core/services/service_registry.h"
#include "core/sharing/share_manager.h"
#include "core/sharing/shared_access_check.h"
#include "core/sharing/shared_access_store.h"
#include "core/sharing/shared_fixture.h"
#include "core/sharing/shared_items.h"
#include "core/transfers/download_folders.h"
#include "support/temp_folder.h"

namespace kp::test {
namespace {

constexpr TGuid kS{0x5u, 0, 0, {1}};
constexpr TGuid kT{0x7u, 0, 0, {2}};
constexpr std::uint32_t kUnregistered = 0x1234;

// The five flags as letters: I W D C R.
std::string Flags(const TShareAccess& a) {
  std::string f;
  if (a.IncludeInSearchRequests) f += 'I';
  if (a.AllowWrite) f += 'W';
  if (a.AllowDelete) f += 'D';
  if (a.AllowCreateDirectory) f += 'C';
  if (a.AllowRemoveDirectory) f += 'R';
  return f;
}

class SharedAccessTest : public ::testing::Test {
 protected:
  SharedAccessTest() {
    const std::uint32_t type = services_.AddType(nullptr, "type", "", TGuid{});
    s_ = services_.AddService(nullptr, type, "S", "", "", 0, kS);
    t_ = services_.AddService(nullptr, type, "T", "", "", 0, kT);
    check_.SetUserCheck([](const TServiceHolder& service, std::string_view user, std::string_view password) {
      // User u with password pw exists on S only, found in any letter case.
      return service.guid == kS && EqualsIgnoreCase(user, "u") && password == "pw";
    });
  }

  TSharedItem& Folder(const char* name, bool subdirectories = true) {
    items_.RegisterFolder(shares_.AddDirectory(temp_ / name, name, subdirectories, "*.*"), false);
    return *items_.FindSharedItem(name);
  }

  TempFolder temp_;
  TServiceRegistry services_{temp_.Path()};
  TShareManager shares_;
  TSharedItemList items_{shares_, nullptr};
  TSharedAccessCheck check_{items_, services_};
  std::uint32_t s_ = 0;
  std::uint32_t t_ = 0;
};

TEST_F(SharedAccessTest, RulesOfTheAccessList) {
  // "Open": a fresh item. "AllFirst": all users of S may write, then u gets
  // nothing. "UserFirst": u may delete, then all users of S may write.
  // "Flat": open to all with every right, but without subdirectories.
  Folder("Open");
  TSharedItem& allFirst = Folder("AllFirst");
  allFirst.AllowAll = false;
  allFirst.AddAccess(AccessFor(kS, "", "W"));
  allFirst.AddAccess(AccessFor(kS, "u", ""));
  TSharedItem& userFirst = Folder("UserFirst");
  userFirst.AllowAll = false;
  userFirst.AddAccess(AccessFor(kS, "u", "D"));
  userFirst.AddAccess(AccessFor(kS, "", "W"));
  TSharedItem& onlyUser = Folder("OnlyUser");
  onlyUser.AllowAll = false;
  onlyUser.AddAccess(AccessFor(kS, "u", "IC"));
  Folder("Flat", false).AllAccess = AccessFor(TGuid{}, "", "IWDCR");
  TSharedItem& flatList = Folder("FlatList", false);
  flatList.AllowAll = false;
  flatList.AddAccess(AccessFor(kS, "", "WC"));

  struct Case {
    char service;  // S, T, or X for a handle that names no registered service
    const char* user;
    const char* password;
    const char* path;
    bool allowed;
    const char* flags;  // of out; "-" where out must stay as it was
  };
  const Case cases[] = {
      {'S', "v", "", "/Open/a/b", true, "I"},
      {'T', "", "", "open", true, "I"},
      {'S', "u", "pw", "/AllFirst", true, ""},
      {'S', "u", "bad", "/AllFirst", true, "W"},
      {'S', "v", "", "/AllFirst", true, "W"},
      {'S', "U", "pw", "/AllFirst", true, "W"},  // the entry's name must match exactly
      {'T', "u", "pw", "/AllFirst", false, "-"},
      {'S', "u", "pw", "/UserFirst/x", true, "D"},
      {'S', "u", "bad", "/UserFirst/x", true, "W"},
      {'S', "U", "pw", "\\userfirst\\x", true, "W"},
      {'S', "u", "pw", "/OnlyUser", true, "IC"},
      {'S', "U", "pw", "/OnlyUser", false, "-"},
      {'S', "u", "pw", "//OnlyUser", true, "IC"},
      {'S', "v", "", "//OnlyUser", false, "-"},  // not the root in disguise
      {'S', "v", "", "/Flat", true, "IWDR"},
      {'S', "v", "", "/FlatList", true, "W"},
      {'S', "v", "", "/Missing", false, "-"},
      {'X', "u", "pw", "/Open", false, "-"},
      {'X', "u", "pw", "/Open/x", false, "-"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.path) + " " + c.user + "/" + c.password);
    TShareAccess out = AccessFor(TGuid{}, "", "IWDCR");
    const std::uint32_t service = c.service == 'S' ? s_ : c.service == 'T' ? t_ : kUnregistered;
    EXPECT_EQ(check_.CheckAccess(service, c.user, c.password, c.path, out), c.allowed);
    EXPECT_EQ(Flags(out), std::string(c.flags) == "-" ? "IWDCR" : c.flags);
  }
}

TEST_F(SharedAccessTest, TheRootIsOpenToEveryServiceWithoutRights) {
  Folder("Open").AllAccess = AccessFor(TGuid{}, "", "IWDCR");
  for (const char* path : {"", "/", "\\", "//", " / "}) {
    for (const std::uint32_t service : {s_, t_, kUnregistered}) {
      SCOPED_TRACE(std::string("'") + path + "' " + std::to_string(service));
      TShareAccess out = AccessFor(TGuid{}, "", "IWDCR");
      EXPECT_TRUE(check_.CheckAccess(service, "anyone", "", path, out));
      // The search flag stays as the caller set it, except for a stranger.
      EXPECT_EQ(Flags(out), service == kUnregistered ? "" : "I");
    }
  }
}

TEST_F(SharedAccessTest, SavedRightsComeBackForTheItemsTheTreeStillHas) {
  temp_.MakeFolder("keep");
  temp_.MakeFolder("gone");
  items_.Listen();
  TSharedItem& keep = Folder("keep");
  keep.AllowAll = false;
  keep.AllAccess = AccessFor(TGuid{}, "", "W");
  keep.AddAccess(AccessFor(kS, "u", "IDR"));
  keep.AddAccess(AccessFor(kS, "", "C"));
  TSharedItem& gone = Folder("gone");
  gone.AddAccess(AccessFor(kT, "x", "W"));
  ASSERT_TRUE(shares_.SaveShareTree(temp_ / "Shared.dat"));
  ASSERT_TRUE(SaveSharedAccess(items_, temp_ / "SharedAccess.dat"));

  const std::string bytes = temp_.ReadFile("SharedAccess.dat");
  ASSERT_EQ(bytes.size(), 9 + 2 * kSharedItemRecordSize + 3 * sizeof(TShareAccess));
  EXPECT_EQ(bytes.substr(0, 9), std::string("KPLR\0\4\0\0\0", 9));
  // The first item: its name, two entries, not open to all, then its rights.
  EXPECT_EQ(std::string(bytes.c_str() + 9), "keep");
  EXPECT_EQ(bytes.substr(9 + 257, 5), std::string("\2\0\0\0\0", 5));
  EXPECT_EQ(static_cast<int>(bytes[9 + 262 + 273]), 1);  // AllAccess.AllowWrite

  std::filesystem::remove(temp_ / "gone");
  TShareManager shares;
  TSharedItemList items(shares, nullptr);
  items.Listen();
  ASSERT_TRUE(shares.LoadShareTree(temp_ / "Shared.dat"));
  ASSERT_EQ(items.Count(), 1u);
  ASSERT_TRUE(LoadSharedAccess(items, temp_ / "SharedAccess.dat"));
  const TSharedItem& back = *items.FindSharedItem("KEEP");
  EXPECT_FALSE(back.AllowAll);
  EXPECT_EQ(Flags(back.AllAccess), "W");
  ASSERT_EQ(back.AccessList.size(), 2u);
  EXPECT_EQ(0, std::memcmp(&back.AccessList[0], &keep.AccessList[0], sizeof(TShareAccess)));
  EXPECT_EQ(0, std::memcmp(&back.AccessList[1], &keep.AccessList[1], sizeof(TShareAccess)));
  // What is written again is the kept item alone, byte for byte as before.
  EXPECT_EQ(SharedAccessBytes(items), bytes.substr(0, 9 + kSharedItemRecordSize + 2 * sizeof(TShareAccess)));
}

TEST_F(SharedAccessTest, ForeignShortOrOverlongFilesDoNoHarm) {
  TSharedItem& item = Folder("Item");
  std::string good = SharedAccessBytes(items_);
  item.AllowAll = false;
  for (const std::string& bytes :
       {std::string("KPLX\0\4\0\0\0", 9), std::string("KPLR\0\5\0\0\0", 9), std::string("KPL")}) {
    EXPECT_FALSE(ReadSharedAccess(items_, bytes));
  }
  // A count larger than the entries that follow reads what is there.
  good[9 + 257] = '\x7f';
  good += std::string(sizeof(TShareAccess) + 10, '\x02');
  EXPECT_TRUE(ReadSharedAccess(items_, good));
  EXPECT_TRUE(item.AllowAll);
  ASSERT_EQ(item.AccessList.size(), 1u);
  EXPECT_EQ(Flags(item.AccessList[0]), "IWDCR");  // stored bytes of 2 read as set flags
  EXPECT_EQ(item.AccessList[0].UserName[255], '\0');
}

TEST_F(SharedAccessTest, ApplyingReplacesAnItemOfTheOtherKindAndRenames) {
  temp_.WriteFile("thing.txt", "t");
  temp_.MakeFolder("things");
  temp_.MakeFolder("music");
  items_.Listen();
  items_.RegisterFile(shares_.AddFile(temp_ / "thing.txt", "Thing"), false);
  Folder("music");
  const auto oldFile = items_.FindSharedItem("Thing")->FileObject;

  TSharedWorkingCopy copy;
  TSharedItem working;
  working.IsFolder = true;
  working.Name = "Thing";
  working.RealPath = temp_ / "things";
  working.Extensions = "*.txt";
  working.IncludeSubdirectories = true;
  working.AllowAll = false;
  working.AddAccess(AccessFor(kS, "", "W"));
  copy.Remove("Thing");  // nothing of that name in the copy: no effect
  copy.Entries.push_back({"THING", std::make_unique<TSharedItem>(working)});
  TSharedItem renamed;
  renamed.IsFolder = true;
  renamed.Name = "Songs";
  renamed.RealPath = temp_ / "music";
  renamed.IncludeSubdirectories = true;
  copy.Entries.push_back({"MUSIC", std::make_unique<TSharedItem>(renamed)});
  items_.ApplySharedItems(copy);

  const TSharedItem* thing = items_.FindSharedItem("thing");
  ASSERT_NE(thing, nullptr);
  EXPECT_TRUE(thing->IsFolder);
  EXPECT_EQ(thing->FileObject, nullptr);
  ASSERT_NE(thing->Directory, nullptr);
  EXPECT_EQ(shares_.FindDirectory("/Thing"), thing->Directory);
  EXPECT_EQ(shares_.FindFile("/Thing"), nullptr);
  EXPECT_EQ(oldFile->State(), TShareEntryState::Removed);
  EXPECT_EQ(oldFile->SharedItem(), nullptr);
  EXPECT_FALSE(thing->AllowAll);  // the rights set in the dialog hold
  EXPECT_EQ(items_.Count(), 2u);
  EXPECT_EQ(items_.FindSharedItem("music"), nullptr);
  ASSERT_NE(items_.FindSharedItem("SONGS"), nullptr);
  EXPECT_EQ(shares_.FindDirectory("/Songs"), items_.FindSharedItem("songs")->Directory);
  EXPECT_EQ(copy.Entries[1].Key, "SONGS");
}

TEST_F(SharedAccessTest, CompletedFolderStaysShared) {
  temp_.MakeFolder("dl1");
  temp_.MakeFolder("dl2");
  TSharedWorkingCopy copy;
  items_.SetWorkingCopy(&copy);
  items_.ShareCompletedFolder({"App Downloads", temp_ / "dl1"});
  TSharedItem* item = items_.FindSharedItem("app downloads");
  ASSERT_NE(item, nullptr);
  EXPECT_TRUE(item->IncludeSubdirectories);
  EXPECT_EQ(item->Extensions, "*.*");
  ASSERT_NE(copy.Find("App Downloads"), nullptr);
  item->AllowAll = false;
  items_.ShareCompletedFolder({"App Downloads", temp_ / "dl2"});
  EXPECT_EQ(items_.Count(), 1u);
  EXPECT_EQ(item->RealPath, temp_ / "dl2");
  EXPECT_EQ(item->Directory->RealPath(), temp_ / "dl2");
  EXPECT_EQ(copy.Find("App Downloads")->RealPath, temp_ / "dl2");
  EXPECT_FALSE(item->AllowAll);
  items_.SetWorkingCopy(nullptr);
}

}  // namespace
}  // namespace kp::test
