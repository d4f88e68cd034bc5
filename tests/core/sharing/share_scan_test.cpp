#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/host/main_thread_queue.h"
#include "core/sharing/share_manager.h"
#include "core/sharing/share_rules.h"
#include "core/sharing/share_scan_places.h"
#include "support/temp_folder.h"
#include "support/waiting.h"

namespace kp {
namespace {

using namespace std::chrono_literals;
using Names = std::map<std::string, std::string>;  // name → real path

struct TScanRecorder final : TShareListener {
  std::thread::id mainThread = std::this_thread::get_id();
  std::vector<std::string> statuses;
  int added = 0;
  int ends = 0;
  bool offMainThread = false;
  std::chrono::milliseconds statusDelay{0};  // a slow progress display
  std::function<void()> onStatus;

  void Note() { offMainThread = offMainThread || std::this_thread::get_id() != mainThread; }
  void OnScanStatus(TShareManager&, const std::string& fileName) override {
    Note();
    statuses.push_back(fileName);
    std::this_thread::sleep_for(statusDelay);
    if (onStatus) std::exchange(onStatus, nullptr)();
  }
  void OnAddDirectory(TShareManager&, const std::shared_ptr<TShareDirectory>&) override { Note(), ++added; }
  void OnAddFile(TShareManager&, const std::shared_ptr<TShareFile>&) override { Note(), ++added; }
  void OnScanEnd(TShareManager&) override { Note(), ++ends; }
};

// Two folders of a temporary tree stand in for the machine's disks.
class ShareScan : public testing::Test {
 protected:
  ShareScan() {
    places_.Roots = {disk_ / "d1", disk_ / "d2"};
    places_.MountPoints = places_.Roots;
    disk_.MakeFolder("d1");
    disk_.MakeFolder("d2");
    manager_.SetListener(&recorder_);
    manager_.SetScanPlaces([this] { return places_; });
  }

  void Scan(std::string_view masks) {
    const int ends = recorder_.ends;
    manager_.StartScan(masks);
    ASSERT_TRUE(test::DrainUntil(queue_, [&] { return recorder_.ends > ends; }));
    EXPECT_FALSE(manager_.ScanRunning());
    EXPECT_FALSE(recorder_.offMainThread);
  }
  Names Folders() const {
    Names names;
    for (const auto& d : manager_.Root()->Subdirectories()) names[d->Name()] = d->RealPath();
    return names;
  }
  Names Files() const {
    Names names;
    for (const auto& f : manager_.Root()->Files()) names[f->Name()] = f->RealPath();
    return names;
  }

  test::TempFolder disk_;
  TScanPlaces places_;
  TMainThreadQueue queue_;
  TScanRecorder recorder_;
  TShareManager manager_{&queue_};
};

TEST_F(ShareScan, RulesNameTheFoldersTheyFindAndRepeatedNamesAreNumbered) {
  for (const char* folder : {"d1/Music", "d2/Music", "d1/LiveMusic", "d2/LiveVideo"})
    disk_.MakeFolder(folder);
  // Names taken already, the numbered one first: the search must start over.
  manager_.AddDirectory(disk_.MakeFolder("other1"), "My Music (1)", false, "");
  manager_.AddDirectory(disk_.MakeFolder("other2"), "my music", false, "");
  manager_.AddRule("*/Live*", "*Music*", "Live Music");
  manager_.AddRule("*/Music", "  ", "My Music");
  Scan("*.mp3");

  const Names folders = Folders();
  EXPECT_EQ(folders.size(), 5u);
  EXPECT_EQ(folders.at("My Music (2)"), disk_ / "d1/Music");
  EXPECT_EQ(folders.at("My Music (3)"), disk_ / "d2/Music");
  EXPECT_EQ(folders.at("Live Music"), disk_ / "d1/LiveMusic");
  EXPECT_EQ(recorder_.added, 3);
  EXPECT_EQ(manager_.FindDirectory("/My Music (2)")->Extensions(), "*.mp3");
}

TEST_F(ShareScan, FilesOutsideSharedFoldersAreAddedOnceAndNumbered) {
  manager_.AddDirectory(disk_ / "d1/Music", "My Music", true, "*.mp3");
  manager_.AddFile(disk_.WriteFile("d2/z/c.mp3", "c"), "c.mp3");
  for (const char* file : {"d1/Music/Inner/in.mp3", "d1/Music2/b.mp3", "d1/x/a.mp3", "d2/y/a.mp3",
                           "d2/y/notes.txt", "d2/OtherMusic/song.mp3"}) {
    disk_.WriteFile(file, "x");
  }
  manager_.AddRule("*Music*", "", "Music");
  Scan("*.mp3,");

  // Every matching file is reported, covered or not; other files are not.
  std::vector<std::string> expected;
  for (const char* file : {"d1/Music/Inner/in.mp3", "d1/Music2/b.mp3", "d1/x/a.mp3", "d2/y/a.mp3",
                           "d2/z/c.mp3", "d2/OtherMusic/song.mp3"}) {
    expected.push_back(disk_ / file);
  }
  std::ranges::sort(expected);
  std::ranges::sort(recorder_.statuses);
  EXPECT_EQ(recorder_.statuses, expected);

  // Music/Inner lies inside a shared folder and Music2 merely begins like one: both
  // covered. OtherMusic is shared before its own song is walked.
  EXPECT_EQ(Folders(), (Names{{"My Music", disk_ / "d1/Music"}, {"Music", disk_ / "d2/OtherMusic"}}));
  EXPECT_EQ(Files(), (Names{{"a.mp3", disk_ / "d1/x/a.mp3"},
                            {"a.mp3 (1)", disk_ / "d2/y/a.mp3"},
                            {"c.mp3", disk_ / "d2/z/c.mp3"}}));
}

TEST_F(ShareScan, WalkStaysAboveTheDepthLimitOnItsDiskAndOffLinks) {
  disk_.WriteFile("d1/a/b/c/in.mp3", "x");
  disk_.WriteFile("d1/a/b/c/d/deep.mp3", "x");
  disk_.WriteFile("d1/mnt/other-disk.mp3", "x");
  places_.MountPoints.push_back(disk_ / "d1/mnt");
  const std::string outside = disk_.WriteFile("outside/Music/out.mp3", "x");
  ASSERT_EQ(::symlink((disk_ / "outside/Music").c_str(), (disk_ / "d2/Music").c_str()), 0);
  ASSERT_EQ(::symlink(outside.c_str(), (disk_ / "d2/link.mp3").c_str()), 0);
  manager_.AddRule("*/d", "", "Deep");
  manager_.AddRule("*/Music", "", "Music");
  Scan("*.mp3");

  // The folder one level too deep to enter is still reported, and shared.
  EXPECT_EQ(Folders(), (Names{{"Deep", disk_ / "d1/a/b/c/d"}}));
  EXPECT_EQ(recorder_.statuses, std::vector<std::string>{disk_ / "d1/a/b/c/in.mp3"});
  EXPECT_EQ(Files(), (Names{{"in.mp3", disk_ / "d1/a/b/c/in.mp3"}}));
}

TEST_F(ShareScan, StopEndsTheScanWithin100MillisecondsAndRaisesItsEndOnce) {
  for (int f = 0; f < 10; ++f) {
    for (int s = 0; s < 300; ++s)
      disk_.WriteFile("d1/f" + std::to_string(f) + "/s" + std::to_string(s) + ".mp3", "");
  }
  // Unstopped, this scan would take three seconds or more.
  recorder_.statusDelay = 1ms;
  auto best = std::chrono::steady_clock::duration::max();
  for (int attempt = 1; attempt <= 3; ++attempt) {
    const std::size_t seen = recorder_.statuses.size();
    manager_.StartScan("*.mp3");
    ASSERT_TRUE(test::DrainUntil(queue_, [&] { return recorder_.statuses.size() >= seen + 20; }));
    const auto start = std::chrono::steady_clock::now();
    manager_.StopScan();
    best = std::min(best, std::chrono::steady_clock::now() - start);
    EXPECT_FALSE(manager_.ScanRunning());
    EXPECT_EQ(recorder_.ends, attempt);
  }
  EXPECT_LT(best, 100ms);

  // Stopped from inside one of its own handlers (a progress display's Cancel
  // button): the scan waits for that handler, so the stop cannot wait for it.
  recorder_.onStatus = [&] { manager_.StopScan(); };
  manager_.StartScan("*.mp3");
  ASSERT_TRUE(test::DrainUntil(queue_, [&] { return recorder_.ends == 4; }));
  EXPECT_FALSE(manager_.ScanRunning());
  std::this_thread::sleep_for(50ms);
  queue_.ProcessPending();
  EXPECT_EQ(recorder_.ends, 4);
}

TEST_F(ShareScan, RulesFileIsReadInOrderAndAMissingOneAddsNothing) {
  manager_.LoadRules(disk_ / "nowhere");
  EXPECT_TRUE(manager_.Rules().empty());

  // The shipped rules, loaded twice, appear twice.
  manager_.LoadRules(KEPLINOR_DIST_DIR);
  manager_.LoadRules(KEPLINOR_DIST_DIR);
  const TShareRules shipped = manager_.Rules();
  ASSERT_EQ(shipped.size(), 10u);
  EXPECT_EQ(shipped[0].Keyword, "*/home/*/Music");
  EXPECT_EQ(shipped[0].Description, "Music");
  EXPECT_EQ(shipped[5].Keyword, shipped[0].Keyword);

  const TShareRules parsed = ParseShareRules(
      "<ENTRY KEYWORD=x><!SCANNING_RULES><!A KEYWORD='*/Audio' DESCRIPTION=Audio><!/A>"
      "<!B DESCRIPTION=\"Old Files\" IGNORE_KEYWORD=*old* KEYWORD=*><!/B><!/SCANNING_RULES>");
  ASSERT_EQ(parsed.size(), 2u);
  EXPECT_EQ(parsed[0].Keyword, "*/Audio");
  EXPECT_EQ(parsed[0].IgnoreKeyword, "");
  EXPECT_EQ(parsed[1].Description, "Old Files");
  EXPECT_EQ(parsed[1].IgnoreKeyword, "*old*");
}

TEST(ShareScanPlaces, DisksAreTheLocalBlockDeviceMountsInTableOrder) {
  const TScanPlaces places = ScanPlacesFromMountTable(
      "proc /proc proc rw,nosuid 0 0\n"
      "/dev/sda2 / ext4 rw,relatime 0 0\n"
      "tmpfs /run tmpfs rw,nosuid 0 0\n"
      "server:/export /mnt/nfs nfs4 rw,vers=4.2 0 0\n"
      "/dev/sdb1 /media/My\\040Disk vfat rw 0 0\n"
      "tank/home /home zfs rw 0 0\n"
      "sshfs#me@host: /mnt/ssh fuse.sshfs rw 0 0\n"
      "/dev/sdc1 /srv/ ext4 rw 0 0\n"
      "tmpfs /srv tmpfs rw 0 0\n");
  EXPECT_EQ(places.Roots, (std::vector<std::string>{"/", "/media/My Disk", "/home"}));
  EXPECT_EQ(places.MountPoints, (std::vector<std::string>{"/proc", "/", "/run", "/mnt/nfs", "/media/My Disk",
                                                          "/home", "/mnt/ssh", "/srv"}));
}

}  // namespace
}  // namespace kp
