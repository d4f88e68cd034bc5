// The Shared files section over a real share tree, items and access check:
// browsing, opening, the commands plugins add through the section, rows the
// core hands over, listing in batches, and the namespace as somebody else sees
// it. The plugin is a loaded test plugin whose events are answered here.
#include "ui/sharing/shared_files_section.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QTreeView>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/config/settings.h"
#include "core/config/simple_config.h"
#include "core/host/main_loop.h"
#include "core/host/plugin_events.h"
#include "core/host/plugin_manager.h"
#include "core/platform/shell_services.h"
#include "core/services/service_registry.h"
#include "core/sharing/mp3_test_bytes.h"
#include "core/sharing/shared_access_check.h"
#include "core/sharing/shared_api.h"
#include "core/users/users.h"
#include "support/temp_folder.h"
#include "ui/sharing/shared_files_model.h"

namespace kp {
namespace {

using Strings = std::vector<std::string>;
using Column = TSharedFilesModel::Column;

constexpr const char* kLanguage = R"lang(
[General]
00011 = "Play"
00012 = "Open"
[SharedItems]
00001 = "Open Folder"
00004 = "%s kbps"
00006 = "File"
00007 = "Folder"
00008 = "Shared Files"
00009 = "MP3 File"
00106 = "read"
00107 = "write"
00108 = "create folders"
)lang";

constexpr TGuid kGuid{0x51u, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr TGuid kOtherGuid{0x52u, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}};

TShareAccess AccessFor(const TGuid& service, const char* user, bool write, bool create) {
  TShareAccess access{};
  std::memcpy(&access.ServiceID, &service, sizeof service);
  std::strncpy(access.UserName, user, sizeof access.UserName - 1);
  access.AllowWrite = write;
  access.AllowCreateDirectory = create;
  return access;
}

// The plugin as the tests play it: it writes down its events and adds a
// button whenever it hears of a selection.
struct TPluginStandIn {
  static inline Strings events;
  static inline TSharedFilesSection* section = nullptr;
  static inline TPluginHolder* plugin = nullptr;

  static void Select(std::uint32_t record) {
    events.push_back("select " + std::to_string(record));
    section->AddPluginButton(plugin, 900, "Mine", "");
  }
  static void Button(std::int32_t command, std::uint32_t record) {
    events.push_back("button " + std::to_string(command) + " " + std::to_string(record));
  }
};

class SharedFilesSectionTest : public ::testing::Test {
 protected:
  SharedFilesSectionTest() {
    language_.LoadFromText(kLanguage);
    settings_.SharedItems.ExecuteExtensions.Assign("*.txt");
    temp_.WriteFile("music/Rock/loud.txt", "l");
    temp_.WriteFile("music/notes.txt", "n");
    temp_.WriteFile("music/tool.exe", "t");
    temp_.WriteFile("private/secret.txt", "s");
    const std::filesystem::path copy = temp_ / "Plugins/p.so";
    std::filesystem::create_directories(copy.parent_path());
    std::filesystem::copy_file(KP_TP_BUTTON_ONLY, copy);
    EXPECT_TRUE(plugins_.LoadPlugin(copy.string()));
    plugin_ = plugins_.GetPlugin(plugins_.GetPluginCount() - 1);
    plugins_.BindPlugin(*plugin_);
    plugin_->SetEventSlot(EventNumber("OnSharedSelect"), reinterpret_cast<void*>(&TPluginStandIn::Select));
    plugin_->SetEventSlot(EventNumber("OnSharedButton"), reinterpret_cast<void*>(&TPluginStandIn::Button));
    TPluginStandIn::events.clear();
    TPluginStandIn::plugin = plugin_;

    const std::uint32_t type = services_.AddType(nullptr, "type", "", TGuid{});
    service_ = services_.AddService(nullptr, type, "Net", "", "", 0, kGuid);
    otherService_ = services_.AddService(nullptr, type, "Other", "", "", 0, kOtherGuid);
    users_.AddUser(*services_.FindService(service_), "u", "pw");
    check_.SetUserCheck(
        [this](const TServiceHolder& service, std::string_view user, std::string_view password) {
          return users_.CheckAccess(service, user, password);
        });
    items_.RegisterFolder(shares_.AddDirectory(temp_ / "music", "Music", true, "*.*"), false);
    items_.RegisterFolder(shares_.AddDirectory(temp_ / "private", "Private", true, "*.*"), false);
    // Music is open to everybody of a registered service; Private only to u of Net.
    TSharedItem& secret = *items_.FindSharedItem("Private");
    secret.AllowAll = false;
    secret.AddAccess(AccessFor(kGuid, "u", true, true));

    section_ = std::make_unique<TSharedFilesSection>(
        TSharedFilesContext{items_, check_, services_, users_, settings_, language_, temp_.Path()});
    TPluginStandIn::section = section_.get();
    section_->Navigate("/", true);
    HeadlessShell().Forget();
  }
  ~SharedFilesSectionTest() override { HeadlessShell().Forget(); }

  TSharedFilesModel& Model() const { return section_->Model(); }
  Strings Cells(Column column) const {
    Strings cells;
    for (int row = 0; row < Model().rowCount(); ++row) {
      cells.push_back(Model().index(row, column).data().toString().toStdString());
    }
    return cells;
  }
  int RowOf(const std::string& name) const {
    const Strings names = Cells(Column::Name);
    return static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin());
  }
  void Select(const std::string& name) const {
    section_->View().selectionModel()->select(
        Model().index(RowOf(name), 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
  void Key(int key) const {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&section_->View(), &press);
  }
  std::vector<std::int32_t> Buttons(bool plugin) {
    std::vector<std::int32_t> commands;
    for (const TButtonHolder* button : section_->Commands().Buttons()) {
      if ((button->Plugin != nullptr) == plugin) commands.push_back(button->Command);
    }
    return commands;
  }
  void FinishFilling() const {
    for (int turn = 0; turn < 100 && section_->Filling(); ++turn) QApplication::processEvents();
  }

  test::TempFolder temp_;
  TMainThreadQueue queue_;
  TDispatcher dispatcher_{queue_};
  TApiRegistry api_{dispatcher_};
  TMainLoop loop_{queue_};
  TSettings settings_;
  TSimpleConfig language_;
  TServiceRegistry services_{temp_.Path()};
  TUsers users_{services_};
  TShareManager shares_{&queue_};
  TSharedItemList items_{shares_, &plugins_};
  TSharedAccessCheck check_{items_, services_};
  TSharedApi sharedApi_{api_, items_, check_, temp_.Path()};
  std::unique_ptr<TSharedFilesSection> section_;
  // Last: the plugins stop before anything they may call goes.
  TPluginManager plugins_{api_, [this] { loop_.ProcessPendingMessages(); }};
  TPluginHolder* plugin_ = nullptr;
  std::uint32_t service_ = 0;
  std::uint32_t otherService_ = 0;
};

TEST_F(SharedFilesSectionTest, BrowsesIntoAFolderAndBackUpToTheRoot) {
  EXPECT_EQ(Cells(Column::Name), (Strings{"Private", "Music"}));
  const test::Bytes song = test::Frames(test::kCbr128, 417, 40);
  temp_.WriteFile("music/a.mp3", std::string_view(reinterpret_cast<const char*>(song.data()), song.size()));
  Select("Music");
  Key(Qt::Key_Return);
  EXPECT_EQ(section_->ShownLocation(), "/Music");
  EXPECT_EQ(section_->LocationLabel().text(), "/Music");
  EXPECT_EQ(section_->LocationChoices().currentData().toString(), "/Music");
  // The folder above the files, which are sorted by type although the MP3
  // file is listed first; each kind's cells as the list shows them.
  EXPECT_EQ(Cells(Column::Name).front(), "Rock");
  EXPECT_EQ(Cells(Column::Type), (Strings{"Folder", "File", "File", "MP3 File"}));
  EXPECT_EQ(Cells(Column::Bitrate), (Strings{"", "--", "--", "128 kbps"}));
  // The first row is selected, so Enter goes on into Rock.
  Key(Qt::Key_Return);
  EXPECT_EQ(section_->ShownLocation(), "/Music/Rock");
  EXPECT_EQ(Cells(Column::Name), (Strings{"loud.txt"}));

  Key(Qt::Key_Backspace);
  EXPECT_EQ(section_->ShownLocation(), "/Music/");
  Key(Qt::Key_Backspace);
  EXPECT_EQ(section_->ShownLocation(), "/");
  EXPECT_EQ(section_->LocationChoices().currentIndex(), 0);
  EXPECT_EQ(Model().rowCount(), 2);

  // The drop-down's choice navigates too (once the loop has turned).
  section_->LocationChoices().setCurrentIndex(section_->LocationChoices().findData("/Private"));
  QApplication::processEvents();
  EXPECT_EQ(section_->ShownLocation(), "/Private");
}

TEST_F(SharedFilesSectionTest, OnlyFilesMatchingAnExecuteMaskAreOfferedAndOpened) {
  struct TCase {
    const char* masks;
    const char* file;
    bool opens;
  };
  for (const TCase& c : {TCase{"*.txt", "notes.txt", true}, TCase{"*.txt", "tool.exe", false},
                         TCase{"", "notes.txt", false}}) {
    SCOPED_TRACE(std::string(c.masks) + " " + c.file);
    settings_.SharedItems.ExecuteExtensions.Assign(c.masks);
    section_->Navigate("/Music", true);
    Select(c.file);
    EXPECT_EQ(Buttons(false), c.opens ? std::vector<std::int32_t>{TSharedFilesSection::kOpenCommand}
                                      : std::vector<std::int32_t>{});
    section_->RunCommand(TSharedFilesSection::kOpenCommand, nullptr, false);
    Key(Qt::Key_Return);
    const auto opened = HeadlessShell().OpenRequests();
    ASSERT_EQ(opened.size(), c.opens ? 2u : 0u);
    if (c.opens) {
      EXPECT_EQ(opened.front().target, temp_ / "music/notes.txt");
    }
    HeadlessShell().Forget();
  }
}

TEST_F(SharedFilesSectionTest, PluginCommandsFollowTheSelectionAndReachTheirPlugin) {
  Select("Music");
  EXPECT_EQ(Buttons(false), std::vector<std::int32_t>{TSharedFilesSection::kOpenCommand});
  EXPECT_EQ(Buttons(true), std::vector<std::int32_t>{900});
  section_->Navigate("/Music", true);
  Select("tool.exe");
  // The folder's command is gone; the plugin's is back, once.
  EXPECT_EQ(Buttons(false), std::vector<std::int32_t>{});
  EXPECT_EQ(Buttons(true), std::vector<std::int32_t>{900});
  const std::uint32_t selected = section_->SelectedRecord()->Handle();
  TPluginStandIn::events.clear();
  section_->Commands().Buttons().front()->Button->trigger();
  EXPECT_EQ(TPluginStandIn::events, (Strings{"button 900 " + std::to_string(selected)}));

  TPluginStandIn::events.clear();
  section_->View().selectionModel()->clearSelection();
  EXPECT_TRUE(section_->Commands().Buttons().empty());
  EXPECT_TRUE(TPluginStandIn::events.empty());
}

TEST_F(SharedFilesSectionTest, RowsTheCoreHandsOverAppearOnlyInTheFolderShown) {
  temp_.MakeFolder("later");
  items_.RegisterFolder(shares_.AddDirectory(temp_ / "later", "Later", true, "*.*"), false);
  EXPECT_EQ(Cells(Column::Name).front(), "Later");

  section_->Navigate("/Music", true);
  temp_.MakeFolder("later2");
  items_.RegisterFolder(shares_.AddDirectory(temp_ / "later2", "Later2", true, "*.*"), false);
  EXPECT_EQ(Model().rowCount(), 3);
  temp_.WriteFile("music/new.txt", "x");
  temp_.WriteFile("private/elsewhere.txt", "x");
  sharedApi_.NoticeItem(temp_ / "private/elsewhere.txt");
  EXPECT_EQ(Model().rowCount(), 3);
  sharedApi_.NoticeItem("  " + temp_ / "music/new.txt");
  EXPECT_EQ(Cells(Column::Name).back(), "new.txt");
}

TEST_F(SharedFilesSectionTest, ALargeFolderComesInBatchesAcrossTurnsOfTheLoop) {
  for (int i = 0; i < 7; ++i) temp_.WriteFile("music/f" + std::to_string(i) + ".txt", "x");
  section_->SetBatchSize(3);
  section_->Navigate("/Music", true);
  EXPECT_TRUE(section_->Filling());
  EXPECT_EQ(Model().rowCount(), 3);
  EXPECT_EQ(section_->SelectedRecord(), nullptr);
  FinishFilling();
  EXPECT_EQ(Model().rowCount(), 10);
  EXPECT_EQ(Cells(Column::Name).front(), "Rock");
  EXPECT_EQ(section_->View().selectionModel()->selectedRows().size(), 1);
}

TEST_F(SharedFilesSectionTest, ViewAsShowsWhatTheAccessCheckLetsThatPersonSee) {
  TSharedItem& music = *items_.FindSharedItem("Music");
  music.AllowAll = false;

  // A user with rights on one folder only: that folder alone, with its rights.
  section_->ViewAs({service_, "u"});
  EXPECT_FALSE(section_->View().isColumnHidden(Column::Rights));
  EXPECT_EQ(Cells(Column::Name), (Strings{"Private"}));
  EXPECT_EQ(Cells(Column::Rights), (Strings{"read, write, create folders"}));
  EXPECT_EQ(section_->LocationChoices().count(), 2);
  section_->Navigate("/Music", true);
  EXPECT_EQ(Model().rowCount(), 0);

  // Anybody on a service that has no rights anywhere: the root alone.
  section_->ViewAs({otherService_, ""});
  EXPECT_EQ(section_->ShownLocation(), "/");
  EXPECT_EQ(Model().rowCount(), 0);
  EXPECT_EQ(section_->LocationChoices().count(), 1);

  // Changed rights are shown once the dialog's copy is applied.
  section_->ViewAs({service_, "u"});
  section_->Navigate("/Private", true);
  EXPECT_EQ(Cells(Column::Rights), (Strings{"read, write, create folders"}));
  TSharedWorkingCopy copy;
  TSharedItem& working = copy.FindOrCreate(*items_.FindSharedItem("Private"));
  working.CopyFrom(*items_.FindSharedItem("Private"));
  working.ClearAccess();
  working.AddAccess(AccessFor(kGuid, "u", false, false));
  items_.ApplySharedItems(copy);
  QApplication::processEvents();
  EXPECT_EQ(section_->ShownLocation(), "/Private");
  EXPECT_EQ(Cells(Column::Rights), (Strings{"read"}));

  section_->ViewAs({});
  EXPECT_TRUE(section_->View().isColumnHidden(Column::Rights));
}

}  // namespace
}  // namespace kp
