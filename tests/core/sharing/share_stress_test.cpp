#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/host/main_thread_queue.h"
#include "core/sharing/share_manager.h"
#include "core/sharing/share_paths.h"
#include "support/temp_folder.h"

namespace kp {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct TCounter final : TShareListener {
  std::thread::id mainThread = std::this_thread::get_id();
  int removals = 0;
  bool offMainThread = false;
  void OnRemoveDirectory(TShareManager&, const std::shared_ptr<TShareDirectory>&) override { Count(); }
  void OnRemoveFile(TShareManager&, const std::shared_ptr<TShareFile>&) override { Count(); }
  void Count() {
    ++removals;
    offMainThread = offMainThread || std::this_thread::get_id() != mainThread;
  }
};

// Eight plugin threads browse and look up while the main thread renames and
// removes top-level entries and another thread makes and deletes files and
// folders on disk. Nothing may crash, race (run it under ThreadSanitizer), wait
// for ever, or hand out a path outside the share.
TEST(ShareTreeStress, BrowsingAndLookupsWhileTheTreeAndTheDiskChange) {
  const test::TempFolder disk;
  constexpr int kFolders = 4;
  for (int f = 0; f < kFolders; ++f) {
    for (int d = 0; d < 3; ++d) {
      for (int i = 0; i < 5; ++i) {
        disk.WriteFile("F" + std::to_string(f) + "/d" + std::to_string(d) + "/s" + std::to_string(i) + ".mp3",
                       "x");
      }
    }
  }
  const std::string shareRoot = disk / "";
  TMainThreadQueue queue;
  TCounter counter;
  TShareManager manager(&queue);
  manager.SetListener(&counter);
  for (int f = 0; f < kFolders; ++f) {
    manager.AddDirectory(disk / ("F" + std::to_string(f)), "F" + std::to_string(f), true, "*.mp3");
  }

  std::atomic<bool> stop{false};
  std::atomic<int> outside{0};
  std::atomic<long> steps{0};
  std::atomic<int> finished{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      std::mt19937 random(static_cast<unsigned>(t));
      while (!stop.load()) {
        const std::string top = "/F" + std::to_string(random() % kFolders);
        const std::string path =
            top + "/d" + std::to_string(random() % 3) + "/s" + std::to_string(random() % 5) + ".mp3";
        switch (random() % 4) {
          case 0: {
            auto cursor = manager.OpenResults(random() % 2 ? "/" : top, true);
            while (cursor->Next()) {
              if (!cursor->RealPath().empty() && !IsSameOrBelow(shareRoot, cursor->RealPath())) ++outside;
              ++steps;
            }
            break;
          }
          case 1:
            if (const auto file = manager.FindFile(path))
              steps += static_cast<long>(file->VirtualPath().size() > 0);
            break;
          case 2: {
            const std::string real = manager.GetRealPath(path);
            if (!real.empty() && !IsSameOrBelow(shareRoot, real)) ++outside;
            break;
          }
          default:
            if (const auto directory = manager.FindDirectory(top)) (void)directory->Files();
            break;
        }
      }
      ++finished;
    });
  }
  threads.emplace_back([&] {
    std::mt19937 random(99);
    while (!stop.load()) {
      const std::string folder =
          "F" + std::to_string(random() % kFolders) + "/d" + std::to_string(random() % 4);
      std::error_code ignored;
      if (random() % 3 == 0) {
        fs::remove_all(disk / folder, ignored);
      } else {
        disk.WriteFile(folder + "/s" + std::to_string(random() % 6) + ".mp3", "y");
      }
      if (random() % 20 == 0) {
        // A whole top-level folder goes away for a moment: lookups report it.
        const std::string top = disk / ("F" + std::to_string(random() % kFolders));
        fs::rename(top, top + ".away", ignored);
        std::this_thread::sleep_for(1ms);
        fs::rename(top + ".away", top, ignored);
      }
    }
    ++finished;
  });

  // The main thread renames, removes and adds top-level entries and serves the
  // events that other threads hand over.
  std::mt19937 random(7);
  const auto end = std::chrono::steady_clock::now() + 1500ms;
  while (std::chrono::steady_clock::now() < end) {
    queue.ProcessPending();
    const auto tops = manager.Root()->Subdirectories();
    if (!tops.empty()) {
      const auto& chosen = tops[random() % tops.size()];
      const std::string name = chosen->Name();
      switch (random() % 3) {
        case 0:
          chosen->SetName(name == "F0" ? "Renamed" : name == "Renamed" ? "F0" : name);
          break;
        case 1:
          chosen->MarkRemoved();
          manager.AddDirectory(chosen->RealPath(), name, true, "*.mp3");
          break;
        default:
          chosen->SetExtensions(random() % 2 ? "*.mp3" : "*.mp3, *.txt,");
          break;
      }
    }
    manager.Root()->Purge();
  }
  stop.store(true);
  // A thread may wait for the main thread to run a handler: serve the queue until
  // every thread is done.
  while (finished.load() < static_cast<int>(threads.size())) {
    if (queue.ProcessPending() == 0) std::this_thread::sleep_for(1ms);
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(outside.load(), 0);
  EXPECT_GT(steps.load(), 0);
  EXPECT_FALSE(counter.offMainThread);
}

}  // namespace
}  // namespace kp
