// The system scan over a tree of 200,000 entries (20 folders of 10 folders of
// 1,000 empty files, one in a hundred of them an .mp3), against
// `find <tree> > /dev/null` on the same tree in the same run. The scan runs as in
// the program: on its own low-priority thread, its hand-overs run by this thread
// as the main thread, five rules like the shipped ones, masks "*.mp3"; each round
// starts from an empty tree, so every round shares the same 2,000 files.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>

#include "core/host/main_thread_queue.h"
#include "core/sharing/share_manager.h"
#include "find_comparison.h"
#include "support/temp_folder.h"

namespace kp {
namespace {

constexpr int kTopFolders = 20;
constexpr int kSubfolders = 10;
constexpr int kFilesPerFolder = 1000;
constexpr int kSongEvery = 100;
constexpr int kEntries = kTopFolders * (1 + kSubfolders * (1 + kFilesPerFolder));
constexpr int kSongs = kTopFolders * kSubfolders * kFilesPerFolder / kSongEvery;

bool MakeFolderOfFiles(int parentFd, const char* name) {
  if (::mkdirat(parentFd, name, 0755) != 0) return false;
  const int folderFd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd < 0) return false;
  bool made = true;
  char file[32];
  for (int i = 0; i < kFilesPerFolder && made; ++i) {
    std::snprintf(file, sizeof file, i % kSongEvery == 0 ? "s%04d.mp3" : "f%04d.dat", i);
    const int fd = ::openat(folderFd, file, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    made = fd >= 0 && ::close(fd) == 0;
  }
  ::close(folderFd);
  return made;
}

bool MakeTree(const std::string& root) {
  const int rootFd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (rootFd < 0) return false;
  bool made = true;
  char name[16];
  for (int top = 0; top < kTopFolders && made; ++top) {
    std::snprintf(name, sizeof name, "t%02d", top);
    const int topFd =
        ::mkdirat(rootFd, name, 0755) == 0 ? ::openat(rootFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
    made = topFd >= 0;
    for (int sub = 0; sub < kSubfolders && made; ++sub) {
      std::snprintf(name, sizeof name, "s%02d", sub);
      made = MakeFolderOfFiles(topFd, name);
    }
    if (topFd >= 0) ::close(topFd);
  }
  ::close(rootFd);
  return made;
}

// The tree lives until the program ends, when its folder is removed.
const std::string* Tree() {
  static const test::TempFolder folder;
  static const std::string root = folder.MakeFolder("tree");
  static const bool made = MakeTree(root);
  return made ? &root : nullptr;
}

struct TCounter final : TShareListener {
  int statuses = 0;
  int files = 0;
  bool ended = false;
  void OnScanStatus(TShareManager&, const std::string&) override { ++statuses; }
  void OnAddFile(TShareManager&, const std::shared_ptr<TShareFile>&) override { ++files; }
  void OnScanEnd(TShareManager&) override { ended = true; }
};

// One scan from an empty tree; the processor time is the whole program's (the
// scan's thread and this one, which runs its hand-overs).
Times TimeScan(const std::string& root, TCounter& counter) {
  TMainThreadQueue queue;
  TShareManager manager(&queue);
  manager.SetListener(&counter);
  // Rules like the shipped ones: every folder is matched against each.
  for (const char* kind : {"Music", "Videos", "Pictures", "Downloads", "Documents"}) {
    manager.AddRule(std::string("*/home/*/") + kind, "", kind);
  }
  manager.SetScanPlaces([&root] { return TScanPlaces{{root}, {root}}; });
  const double processorBefore = ProcessorSeconds(RUSAGE_SELF);
  const auto start = std::chrono::steady_clock::now();
  manager.StartScan("*.mp3");
  while (!counter.ended) {
    pollfd wake{queue.WakeFd(), POLLIN, 0};
    if (::poll(&wake, 1, 100) == 1) queue.ProcessPending();
  }
  Times times;
  times.wall = ElapsedSeconds(start);
  times.processor = ProcessorSeconds(RUSAGE_SELF) - processorBefore;
  return times;
}

void BM_ScanOf200000EntriesAgainstFind(benchmark::State& state) {
  const std::string* root = Tree();
  if (!root) {
    state.SkipWithError("cannot make the tree");
    return;
  }
  // Warm both up, so neither pays for reading the tree into the caches.
  TCounter warm;
  TimeScan(*root, warm);
  if (warm.statuses != kSongs || warm.files != kSongs) {
    state.SkipWithError("the scan did not find every song");
    return;
  }
  if (!TimeFind(*root)) {
    state.SkipWithError("cannot run find");
    return;
  }
  // The machine is shared: the best round stands for each side.
  Times scan;
  Times find;
  for (auto _ : state) {
    TCounter counter;
    const Times round = TimeScan(*root, counter);
    const std::optional<Times> found = TimeFind(*root);
    state.SetIterationTime(round.wall);
    scan.KeepBest(round);
    if (found) find.KeepBest(*found);
  }
  state.counters["entries"] = kEntries;
  ReportAgainstFind(state, "scan", scan, find);
}
BENCHMARK(BM_ScanOf200000EntriesAgainstFind)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kp
