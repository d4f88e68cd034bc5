// The Shared page of the settings dialog over real shared items, a real share
// tree and registered services with accounts: what its dialogs leave in the
// working copy, what reaches the live items when the copy is applied, and the
// system scan run from its progress window.
#include "ui/sharing/shared_page.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/config/settings.h"
#include "core/config/simple_config.h"
#include "core/host/main_thread_queue.h"
#include "core/platform/shell_services.h"
#include "core/services/service_registry.h"
#include "core/users/users.h"
#include "core/users/users_working_copy.h"
#include "support/temp_folder.h"
#include "ui/sharing/scan_progress_window.h"
#include "ui/sharing/share_dialogs.h"
#include "ui/shell/image_list.h"
#include "ui/shell/qt_main_thread.h"

namespace kp {
namespace {

constexpr const char* kLanguage = R"lang(
[ModifySharedFolder]
00015 = "no folder"
00016 = "no name"
00017 = "no extensions"
00018 = "no such folder"
00019 = "name taken"
00022 = "separator"
00024 = "too long"
[ModifySharedFile]
00005 = "no such file"
00007 = "file name taken"
[ModifySharedAccess]
00003 = "All users"
00006 = "already listed"
00007 = "cannot be stored"
)lang";

constexpr TGuid kNet{0x61u, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr TGuid kGone{0x62u, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}};

TShareAccess Access(const TGuid& service, const std::string& user) {
  TShareAccess access{};
  std::memcpy(&access.ServiceID, &service, sizeof service);
  std::strncpy(access.UserName, user.c_str(), sizeof access.UserName - 1);
  return access;
}

std::string UserOf(const TShareAccess& access) { return access.UserName; }

// Runs the handler on the next modal dialog once its own event loop runs.
template <typename Dialog>
void WithNextDialog(std::function<void(Dialog&)> handler) {
  auto poll = std::make_shared<std::function<void()>>();
  *poll = [handler, poll] {
    if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
      handler(*dialog);
      *poll = nullptr;  // ends the cycle through the captured pointer
    } else {
      QTimer::singleShot(5, *poll);
    }
  };
  QTimer::singleShot(0, *poll);
}

class SharedPageTest : public ::testing::Test {
 protected:
  SharedPageTest() {
    InstallShellServices(&shell_);
    shell_.PrintMessages = false;
    language_.LoadFromText(kLanguage);
    settings_.SharedItems.ScanExtensions = "*.mp3";
    items_.Listen();
    const std::uint32_t type = services_.AddType(nullptr, "type", "", TGuid{});
    net_ = services_.FindService(services_.AddService(nullptr, type, "Net", "", "", 0, kNet));
    users_.AddUser(*net_, "u", "pw");
    page_.SetUsers(&users_);
    page_.SetMainThread(&queue_);
  }
  ~SharedPageTest() override { InstallShellServices(nullptr); }

  TSharedItem& ShareMusic() {
    items_.RegisterFolder(shares_.AddDirectory(temp_.MakeFolder("music"), "Music", true, "*.mp3"), false);
    return *items_.FindSharedItem("Music");
  }

  test::TempFolder temp_;
  TRecordingShell shell_;
  TMainThreadQueue queue_;
  TQtMainThread qtQueue_{queue_};
  TShareManager shares_{&queue_};
  TSharedItemList items_{shares_, nullptr};
  TSettings settings_;
  TSimpleConfig language_;
  TServiceRegistry services_{temp_.Path()};
  TUsers users_{services_};
  TServiceHolder* net_ = nullptr;
  TSharedPage page_{TSharedPageContext{items_, settings_, language_, temp_.Path()}};
};

// OK stores the field and applies the copy; Cancel only applies the copy.
class SharedPageClose : public SharedPageTest, public ::testing::WithParamInterface<bool> {};

TEST_P(SharedPageClose, AppliesAFolderAddedOnThePage) {
  const bool ok = GetParam();
  const std::string folder = temp_.MakeFolder("songs");
  page_.Load();
  page_.ExtensionsField()->setText("*.ogg");
  WithNextDialog<TSharedFolderDialog>([&](TSharedFolderDialog& dialog) {
    EXPECT_EQ(dialog.ExtensionsField()->text(), "*.ogg");  // proposed from the page
    dialog.FolderField()->setText(QString::fromStdString(folder));
    dialog.NameField()->setText(" Songs ");
    dialog.accept();
  });
  page_.AddFolder();
  ASSERT_EQ(page_.List()->topLevelItemCount(), 1);
  EXPECT_EQ(items_.FindSharedItem("Songs"), nullptr);  // nothing is live before the apply

  if (ok) page_.Store();
  page_.ApplyItems();

  const TSharedItem* live = items_.FindSharedItem("songs");
  ASSERT_NE(live, nullptr);
  EXPECT_EQ(live->Name, "Songs");
  EXPECT_EQ(live->RealPath, folder);
  EXPECT_EQ(live->Extensions, "*.ogg");
  EXPECT_NE(shares_.FindDirectory("/Songs"), nullptr);
  EXPECT_EQ(settings_.SharedItems.ScanExtensions, ok ? "*.ogg" : "*.mp3");
}

INSTANTIATE_TEST_SUITE_P(OkAndCancel, SharedPageClose, ::testing::Bool());

TEST_F(SharedPageTest, EditKeepsTheAccessListOfServicesAndAccountsThatStillExist) {
  TSharedItem& music = ShareMusic();
  music.AllowAll = false;
  music.AddAccess(Access(kNet, ""));
  music.AddAccess(Access(kNet, "deleted"));  // no such account any more
  music.AddAccess(Access(kGone, ""));        // no such service
  music.AddAccess(Access(kNet, "u"));
  page_.Load();
  page_.List()->setCurrentItem(page_.List()->topLevelItem(0));

  WithNextDialog<TSharedFolderDialog>([](TSharedFolderDialog& dialog) {
    EXPECT_TRUE(dialog.LimitAccess()->isChecked());
    EXPECT_FALSE(dialog.AllowWrite()->isEnabled());
    dialog.NameField()->setText("Tunes");
    dialog.accept();
  });
  page_.EditSelected();
  EXPECT_EQ(page_.List()->topLevelItem(0)->text(0), "Tunes");
  page_.ApplyItems();

  const TSharedItem* live = items_.FindSharedItem("Tunes");
  ASSERT_NE(live, nullptr);
  EXPECT_FALSE(live->AllowAll);
  ASSERT_EQ(live->AccessList.size(), 2u);
  EXPECT_EQ(UserOf(live->AccessList[0]), "");
  EXPECT_EQ(UserOf(live->AccessList[1]), "u");
  EXPECT_EQ(items_.FindSharedItem("Music"), nullptr);
}

TEST_F(SharedPageTest, RemovalTakesEffectOnlyWhenAnsweredYes) {
  ShareMusic();
  page_.Load();
  page_.List()->setCurrentItem(page_.List()->topLevelItem(0));

  WithNextDialog<TDeleteShareDialog>([](TDeleteShareDialog& question) { question.NoButton()->click(); });
  page_.RemoveSelected();
  EXPECT_EQ(page_.List()->topLevelItemCount(), 1);
  EXPECT_TRUE(page_.WorkingCopy().Removed.empty());
  page_.ApplyItems();
  ASSERT_NE(items_.FindSharedItem("Music"), nullptr);

  page_.List()->setCurrentItem(page_.List()->topLevelItem(0));
  WithNextDialog<TDeleteShareDialog>([](TDeleteShareDialog& question) { question.YesButton()->click(); });
  page_.RemoveSelected();
  EXPECT_EQ(page_.List()->topLevelItemCount(), 0);
  page_.ApplyItems();
  EXPECT_EQ(items_.FindSharedItem("Music"), nullptr);
}

struct TFolderCase {
  const char* folder;  // below the temporary folder; "-" for a folder that does not exist
  std::string name;
  const char* extensions;
  const char* message;  // none: accepted
};

class SharedFolderChecks : public SharedPageTest, public ::testing::WithParamInterface<TFolderCase> {};

TEST_P(SharedFolderChecks, RefuseWithTheirMessageInOrder) {
  const TFolderCase& c = GetParam();
  ShareMusic();
  temp_.MakeFolder("songs");
  page_.Load();
  TImageList images;
  TShareDialogContext context{language_, images, temp_.Path(), &users_};
  TSharedFolderDialog dialog(context, page_.WorkingCopy(), nullptr, "*.mp3");
  const std::string folder = std::string(c.folder) == "-" ? temp_ / "missing" : c.folder[0] ? temp_ / c.folder : "";
  dialog.FolderField()->setText(QString::fromStdString(folder));
  dialog.NameField()->setText(QString::fromStdString(c.name));
  dialog.ExtensionsField()->setText(c.extensions);
  dialog.accept();
  if (c.message) {
    EXPECT_EQ(shell_.Messages(), std::vector<std::string>{c.message});
    EXPECT_EQ(dialog.Result(), nullptr);
    EXPECT_EQ(page_.WorkingCopy().Entries.size(), 1u);
  } else {
    EXPECT_TRUE(shell_.Messages().empty());
    ASSERT_NE(dialog.Result(), nullptr);
    EXPECT_EQ(dialog.Result()->Name, c.name);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SharedFolderChecks,
    ::testing::Values(TFolderCase{"", "Songs", "*.mp3", "no folder"}, TFolderCase{"songs", " ", "*.mp3", "no name"},
                      TFolderCase{"songs", "Songs", " ", "no extensions"},
                      TFolderCase{"-", "Songs", "*.mp3", "no such folder"},
                      TFolderCase{"songs", "mUSIC", "*.mp3", "name taken"},
                      TFolderCase{"songs", "A/B", "*.mp3", "separator"},
                      TFolderCase{"songs", std::string(255, 'n'), "*.mp3", "too long"},
                      TFolderCase{"songs", std::string(254, 'n'), "*.mp3", nullptr}));

TEST_F(SharedPageTest, ANewFolderUnderTheOldNameOfARenamedOneSharesBoth) {
  const std::string music = temp_ / "music";
  ShareMusic();
  const std::string songs = temp_.MakeFolder("songs");
  page_.Load();
  TImageList images;
  TShareDialogContext context{language_, images, temp_.Path(), &users_};
  TSharedFolderDialog rename(context, page_.WorkingCopy(), page_.WorkingCopy().Entries[0].Item.get(), "");
  rename.NameField()->setText("Tunes");
  rename.accept();
  TSharedFolderDialog add(context, page_.WorkingCopy(), nullptr, "*.mp3");
  add.FolderField()->setText(QString::fromStdString(songs));
  add.NameField()->setText("Music");
  add.accept();
  ASSERT_NE(add.Result(), nullptr);
  page_.ApplyItems();

  ASSERT_NE(items_.FindSharedItem("Tunes"), nullptr);
  ASSERT_NE(items_.FindSharedItem("Music"), nullptr);
  EXPECT_EQ(items_.FindSharedItem("Tunes")->RealPath.rfind(music, 0), 0u);
  EXPECT_EQ(items_.FindSharedItem("Music")->RealPath, songs);
}

TEST_F(SharedPageTest, FileDialogProposesAFreeNameAndAcceptsASlash) {
  ShareMusic();
  const std::string song = temp_.WriteFile("a/song.mp3", "x");
  page_.Load();
  TImageList images;
  TShareDialogContext context{language_, images, temp_.Path(), &users_};
  for (const char* expected : {"song.mp3", "song(2).mp3", "song(3).mp3"}) {
    TSharedFileDialog dialog(context, page_.WorkingCopy(), nullptr);
    dialog.FileField()->setText(QString::fromStdString(song));
    dialog.ProposeName();
    EXPECT_EQ(dialog.NameField()->text().toStdString(), expected);
    dialog.accept();
    ASSERT_NE(dialog.Result(), nullptr);
  }
  TSharedFileDialog dialog(context, page_.WorkingCopy(), nullptr);
  dialog.FileField()->setText(QString::fromStdString(song));
  dialog.NameField()->setText("x/y.mp3");
  dialog.accept();
  ASSERT_NE(dialog.Result(), nullptr);
  EXPECT_TRUE(shell_.Messages().empty());
}

// A temporary folder stands in for the machine's disks.
class SharedPageScan : public SharedPageTest {
 protected:
  SharedPageScan() {
    temp_.WriteFile("disk/loose/song.mp3", "x");
    places_.Roots = {temp_ / "disk"};
    places_.MountPoints = places_.Roots;
  }
  TScanPlaces places_;
};

TEST_F(SharedPageScan, FindsGoIntoTheWorkingCopyOnly) {
  page_.ScanShares().SetScanPlaces([this] { return places_; });
  page_.Load();
  page_.ScanSystem();  // returns when the scan has ended

  EXPECT_FALSE(page_.ScanShares().ScanRunning());
  const TSharedItem* found = page_.WorkingCopy().Find("song.mp3");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->RealPath, temp_ / "disk/loose/song.mp3");
  EXPECT_EQ(items_.Count(), 0u);
}

TEST_F(SharedPageScan, ClosingTheWindowStopsTheScan) {
  std::atomic<bool> walking{false};
  std::atomic<bool> release{false};
  page_.ScanShares().SetScanPlaces([&] {
    walking = true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!release && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return places_;
  });
  WithNextDialog<TScanProgressWindow>([&](TScanProgressWindow& window) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!walking && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(page_.ScanShares().ScanRunning());
    release = true;
    window.CancelButton()->click();
  });
  page_.ScanSystem();

  EXPECT_TRUE(walking);
  EXPECT_FALSE(page_.ScanShares().ScanRunning());
}

// An account whose password "Users.dat" could not carry cannot be given access.
TEST_F(SharedPageTest, AccessDialogRefusesWhatCannotBeStored) {
  users_.AddUser(*net_, "nul", std::string("p\0w", 3));
  users_.AddUser(*net_, "long", std::string(kMaxUserPasswordLength + 1, 'p'));
  TImageList images;
  TShareDialogContext context{language_, images, temp_.Path(), &users_};
  std::vector<TShareAccess> entries{Access(kNet, "u")};

  struct TCase {
    const char* row;
    const char* message;  // none: appended
  };
  for (const TCase& c : {TCase{"nul", "cannot be stored"}, TCase{"long", "cannot be stored"},
                         TCase{"u", "already listed"}, TCase{"All users", nullptr}}) {
    SCOPED_TRACE(c.row);
    shell_.Forget();
    const std::size_t before = entries.size();
    TShareAccessDialog dialog(context, true, entries);
    EXPECT_FALSE(dialog.OkButton()->isEnabled());  // nothing chosen yet
    const int row = dialog.Choice()->findText(QStringLiteral("    ") + c.row);
    ASSERT_GE(row, 0);
    dialog.Choice()->setCurrentIndex(row);
    dialog.AllowWrite()->setChecked(true);
    dialog.accept();
    if (c.message) {
      EXPECT_EQ(shell_.Messages(), std::vector<std::string>{c.message});
      EXPECT_EQ(entries.size(), before);
      EXPECT_NE(dialog.result(), QDialog::Accepted);
    } else {
      EXPECT_TRUE(shell_.Messages().empty());
      ASSERT_EQ(entries.size(), before + 1);
      EXPECT_EQ(UserOf(entries.back()), "");
      EXPECT_EQ(entries.back().AllowWrite, 1);
    }
  }
}

}  // namespace
}  // namespace kp
