#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/host/main_thread_queue.h"
#include "core/sharing/share_folder_reader.h"
#include "core/sharing/share_manager.h"
#include "support/temp_folder.h"
#include "support/waiting.h"

namespace kp {
namespace {

namespace fs = std::filesystem;

// Every entry of a browse as its virtual path, directories with a trailing "/".
std::vector<std::string> Browse(TShareManager& manager, std::string_view path, bool recursive,
                                TShareRead read = TShareRead::FromDisk) {
  std::vector<std::string> seen;
  auto cursor = manager.OpenResults(path, recursive, read);
  while (cursor->Next()) seen.push_back(cursor->VirtualPath() + (cursor->IsDirectory() ? "/" : ""));
  return seen;
}

std::vector<std::string> Sorted(std::vector<std::string> items) {
  std::ranges::sort(items);
  return items;
}

struct TRecorder final : TShareListener {
  std::vector<std::string> events;
  std::vector<std::thread::id> threads;
  void Note(const std::string& what) {
    events.push_back(what);
    threads.push_back(std::this_thread::get_id());
  }
  void OnAddDirectory(TShareManager&, const std::shared_ptr<TShareDirectory>& d) override {
    Note("+d " + d->Name());
  }
  void OnAddFile(TShareManager&, const std::shared_ptr<TShareFile>& f) override { Note("+f " + f->Name()); }
  void OnRemoveDirectory(TShareManager&, const std::shared_ptr<TShareDirectory>& d) override {
    Note("-d " + d->Name());
  }
  void OnRemoveFile(TShareManager&, const std::shared_ptr<TShareFile>& f) override {
    Note("-f " + f->Name());
  }
};

struct TListingCase {
  bool includeSubdirectories;
  bool recursive;
  std::vector<std::string> expected;
};

class ShareTreeListing : public testing::TestWithParam<TListingCase> {};

TEST_P(ShareTreeListing, ListsMatchingFilesThenSubdirectoriesEachFollowedByItsContent) {
  const test::TempFolder disk;
  disk.WriteFile("F/a.mp3", "a");
  disk.WriteFile("F/b.txt", "b");
  disk.WriteFile("F/x/c.MP3", "c");
  disk.WriteFile("F/x/d.txt", "d");
  TShareManager manager;
  manager.AddDirectory(disk / "F", "Music", GetParam().includeSubdirectories, "*.mp3");
  EXPECT_EQ(Browse(manager, "/Music", GetParam().recursive), GetParam().expected);

  if (GetParam().includeSubdirectories && GetParam().recursive) {
    auto cursor = manager.OpenResults("\\music\\", true);
    std::vector<std::string> realPaths;
    while (cursor->Next()) realPaths.push_back(cursor->RealPath());
    EXPECT_EQ(realPaths, (std::vector<std::string>{disk / "F/a.mp3", disk / "F/x", disk / "F/x/c.MP3"}));
  }
}

INSTANTIATE_TEST_SUITE_P(ShareCases, ShareTreeListing,
                         testing::Values(TListingCase{false, true, {"/Music/a.mp3"}},
                                         TListingCase{true, false, {"/Music/a.mp3", "/Music/x/"}},
                                         TListingCase{
                                             true, true, {"/Music/a.mp3", "/Music/x/", "/Music/x/c.MP3"}}));

struct TMaskCase {
  std::string extensions;
  std::vector<std::string> masks;
  std::vector<std::string> shared;
};

class ShareTreeMasks : public testing::TestWithParam<TMaskCase> {};

TEST_P(ShareTreeMasks, SplitAtCommasAndShareWhatMatches) {
  const test::TempFolder disk;
  for (const char* name : {"a.mp3", "b.ogg", "c.txt"}) disk.WriteFile(std::string("F/") + name, "x");
  TShareManager manager;
  const auto folder = manager.AddDirectory(disk / "F", "F", true, GetParam().extensions);
  EXPECT_EQ(folder->Masks(), GetParam().masks);
  EXPECT_EQ(Sorted(Browse(manager, "/F", false)), GetParam().shared);
}

INSTANTIATE_TEST_SUITE_P(
    ShareCases, ShareTreeMasks,
    testing::Values(TMaskCase{"*.mp3, *.ogg,", {"*.mp3", "*.ogg"}, {"/F/a.mp3", "/F/b.ogg"}},
                    TMaskCase{"*.mp3,,*.ogg", {"*.mp3", "", "*.ogg"}, {"/F/a.mp3", "/F/b.ogg", "/F/c.txt"}}));

// 100 frames of MPEG 1 Layer III at 128 kbit/s and 44,100 Hz: 2.6 seconds.
std::string ShortSong() {
  std::string frame(417, '\0');
  frame.replace(0, 4, "\xFF\xFB\x90\x44");
  std::string song;
  for (int i = 0; i < 100; ++i) song += frame;
  return song;
}

TEST(ShareTree, DeletedFilesStayMarkedWhileACursorIsOpenAndComeBackWithWhatTheyHeld) {
  const test::TempFolder disk;
  const std::string song = disk.WriteFile("F/a.mp3", ShortSong());
  TShareManager manager;
  const auto folder = manager.AddDirectory(disk / "F", "F", false, "*.mp3");
  auto holder = manager.OpenResults("/F", false);

  const auto file = manager.FindFile("/F/a.mp3");
  ASSERT_TRUE(file);
  const TShareFileFacts facts = file->Facts();
  EXPECT_EQ(facts.Size, 41'700u);
  EXPECT_TRUE(facts.IsMP3);
  EXPECT_EQ(facts.Bitrate, 128u);
  EXPECT_EQ(facts.Frequency, 44'100u);
  EXPECT_EQ(facts.Length, 3u);
  fs::remove(song);
  EXPECT_TRUE(Browse(manager, "/F", false).empty());
  EXPECT_EQ(file->State(), TShareEntryState::Removed);
  EXPECT_EQ(folder->Files(true).size(), 1u);

  // Found again before the purge: the same entry, with what it held.
  disk.WriteFile("F/a.mp3", "no audio");
  auto cursor = manager.OpenResults("/F", false);
  ASSERT_TRUE(cursor->Next());
  EXPECT_EQ(cursor->VirtualPath(), "/F/a.mp3");
  EXPECT_TRUE(cursor->IsMP3());
  EXPECT_EQ(cursor->Size(), 41'700u);
  EXPECT_EQ(cursor->Bitrate(), 128u);
  EXPECT_FALSE(cursor->Next());
  manager.CloseResults(std::move(cursor));
  EXPECT_EQ(manager.FindFile("/F/A.MP3"), file);

  fs::remove(song);
  folder->Rescan();
  folder->Purge();  // a cursor is open: nothing may go
  EXPECT_EQ(folder->Files(true).size(), 1u);
  manager.CloseResults(std::move(holder));
  EXPECT_EQ(manager.OpenResultsCount(), 0u);
  EXPECT_TRUE(folder->Files(true).empty());
  EXPECT_EQ(file->RealPath(), disk / "F/a.mp3");  // a purged entry still held tells its paths
}

TEST(ShareTree, AFolderReadOnTheReadersThreadIsListedAsKnownWithoutReadingItAgain) {
  test::TempFolder folder;
  const fs::path music = fs::path(folder.Path()) / "music";
  fs::create_directories(music);
  TShareManager manager;
  manager.AddDirectory(music.string(), "Music", true, "*.*");
  std::vector<std::uint64_t> done;
  std::mutex doneLock;
  TShareFolderReader reader(manager, [&](std::uint64_t ticket) {
    std::lock_guard lock(doneLock);
    done.push_back(ticket);
  });
  EXPECT_EQ(Browse(manager, "/Music", false, TShareRead::AsKnown), std::vector<std::string>{});

  std::ofstream(music / "a.txt") << "x";
  EXPECT_EQ(Browse(manager, "/Music", false, TShareRead::AsKnown), std::vector<std::string>{});
  const std::uint64_t ticket = reader.Read("/Music");
  ASSERT_TRUE(reader.WaitFor(ticket, test::kPatience));
  EXPECT_EQ(Browse(manager, "/Music", false, TShareRead::AsKnown), std::vector<std::string>{"/Music/a.txt"});

  // The root's read is the top-level folders' contents; listing the root as
  // known still notices a top-level folder that has gone.
  std::ofstream(music / "b.txt") << "x";
  ASSERT_TRUE(reader.WaitFor(reader.Read("/"), test::kPatience));
  EXPECT_EQ(Sorted(Browse(manager, "/Music", false, TShareRead::AsKnown)),
            (std::vector<std::string>{"/Music/a.txt", "/Music/b.txt"}));
  fs::remove_all(music);
  EXPECT_EQ(Browse(manager, "/", false, TShareRead::AsKnown), std::vector<std::string>{});
  std::lock_guard lock(doneLock);
  EXPECT_EQ(done.size(), 2U);
}

TEST(ShareTree, LookupsIgnoreCaseAndBlanksAndFollowRenames) {
  const test::TempFolder disk;
  disk.WriteFile("F/sub/deep/song.mp3", "x");
  TShareManager manager;
  const auto folder = manager.AddDirectory(disk / "F", "Music", true, "*.mp3");

  const auto song = manager.FindFile("\\MUSIC\\ sub /Deep//SONG.mp3");
  ASSERT_TRUE(song);
  EXPECT_EQ(song->VirtualPath(), "/Music/sub/deep/song.mp3");
  EXPECT_EQ(manager.GetRealPath("/music/sub/deep"), disk / "F/sub/deep");
  EXPECT_EQ(manager.GetRealPath("/Music/sub/deep/song.mp3"), disk / "F/sub/deep/song.mp3");
  EXPECT_EQ(manager.GetRealPath("/Music/nothing"), "");
  EXPECT_EQ(manager.GetRealPath("/"), "");
  EXPECT_FALSE(manager.FindFile("/Music/sub/.."));
  EXPECT_FALSE(manager.FindDirectory("/Music/sub/../.."));

  folder->SetName("Songs");
  EXPECT_FALSE(manager.FindDirectory("/Music"));
  EXPECT_EQ(manager.FindFile("/songs/sub/deep/song.mp3"), song);
  EXPECT_EQ(song->VirtualPath(), "/Songs/sub/deep/song.mp3");
  EXPECT_EQ(song->RealPath(), disk / "F/sub/deep/song.mp3");

  // A name added again stands for the newest entry of that name.
  folder->MarkRemoved();
  const auto again = manager.AddDirectory(disk / "F/sub", "Songs", false, "*");
  EXPECT_EQ(manager.FindDirectory("/Songs"), again);
  EXPECT_EQ(Browse(manager, "/", false), std::vector<std::string>{"/Songs/"});
}

TEST(ShareTree, FindFileVerifiesTheRootAndReportsVanishedTopLevelEntries) {
  const test::TempFolder disk;
  disk.WriteFile("F/a.mp3", "x");
  const std::string single = disk.WriteFile("T.mp3", "t");
  TRecorder recorder;
  TShareManager manager;
  manager.SetListener(&recorder);
  manager.AddDirectory(disk / "F", "F", false, "*");
  const auto top = manager.AddFile(single, "T");

  fs::remove_all(disk / "F");
  EXPECT_EQ(manager.FindFile("/T"), top);
  EXPECT_EQ(recorder.events, std::vector<std::string>{"-d F"});
  EXPECT_FALSE(manager.FindDirectory("/F"));
  // Reported at every verification; MarkRemoved of a top-level file reports too.
  top->MarkRemoved();
  EXPECT_FALSE(manager.FindFile("/T"));
  EXPECT_EQ(recorder.events, (std::vector<std::string>{"-d F", "-f T", "-d F"}));
}

// A handler that needs the manager's lock: delivered while a plugin thread still
// held that lock, it would wait for ever.
struct TLockingRecorder final : TShareListener {
  TShareManager* manager = nullptr;
  std::thread::id thread;
  std::string seenRealPath;
  int calls = 0;
  void OnRemoveDirectory(TShareManager&, const std::shared_ptr<TShareDirectory>& d) override {
    if (calls++ > 0) return;  // the lookup below verifies again and reports again
    thread = std::this_thread::get_id();
    seenRealPath = manager->GetRealPath("/T") + "|" + d->Name();
    auto cursor = manager->OpenResults("/", false);
  }
};

TEST(ShareTree, EventsOfAPluginThreadReachTheMainThreadAfterItsLocksAreReleased) {
  const test::TempFolder disk;
  disk.MakeFolder("F");
  const std::string single = disk.WriteFile("T.mp3", "t");
  TMainThreadQueue queue;
  TLockingRecorder recorder;
  TShareManager manager(&queue);
  recorder.manager = &manager;
  manager.SetListener(&recorder);
  manager.AddDirectory(disk / "F", "F", true, "*");
  manager.AddFile(single, "T");
  fs::remove_all(disk / "F");

  auto plugin = std::async(std::launch::async, [&] { return manager.GetRealPath("/T"); });
  ASSERT_TRUE(test::DrainUntil(
      queue, [&] { return plugin.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready; }));
  EXPECT_EQ(plugin.get(), single);
  EXPECT_EQ(recorder.thread, std::this_thread::get_id());
  EXPECT_EQ(recorder.seenRealPath, single + "|F");
}

}  // namespace
}  // namespace kp
