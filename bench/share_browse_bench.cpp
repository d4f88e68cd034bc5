// A recursive browse of a share of 100,000 empty files (1,000 folders of 100),
// warm: the tree is built by a first browse, then every browse rereads each
// folder from the disk and lists it. Reports entries per second and the resident
// memory that the tree itself takes.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "core/sharing/share_manager.h"
#include "support/temp_folder.h"

namespace kp {
namespace {

constexpr int kFolders = 1'000;
constexpr int kFilesPerFolder = 100;

const test::TempFolder& Share() {
  static const test::TempFolder disk;
  static const bool filled = [] {
    for (int f = 0; f < kFolders; ++f) {
      const std::string directory = disk.MakeFolder("share/folder " + std::to_string(f));
      for (int i = 0; i < kFilesPerFolder; ++i) {
        const std::string path = directory + "track " + std::to_string(i) + ".mp3";
        ::close(::open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
      }
    }
    return true;
  }();
  (void)filled;
  return disk;
}

std::int64_t ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  std::int64_t pages = 0;
  std::int64_t resident = 0;
  statm >> pages >> resident;
  return resident * ::sysconf(_SC_PAGESIZE);
}

std::int64_t BrowseAll(TShareManager& manager) {
  std::int64_t entries = 0;
  auto cursor = manager.OpenResults("/Share", true);
  while (cursor->Next()) ++entries;
  return entries;
}

void BM_RecursiveBrowse100000Files(benchmark::State& state) {
  const test::TempFolder& disk = Share();
  // The benchmark runs more than once; only the first tree grows the process, the
  // later ones reuse what the earlier ones freed.
  static std::int64_t treeBytes = -1;
  TShareManager manager;
  manager.AddDirectory(disk / "share", "Share", true, "*.mp3");
  const std::int64_t before = ResidentBytes();
  const std::int64_t built = BrowseAll(manager);
  if (treeBytes < 0) treeBytes = ResidentBytes() - before;
  if (built != kFolders * (kFilesPerFolder + 1)) state.SkipWithError("the first browse missed entries");

  std::int64_t entries = 0;
  for (auto _ : state) entries += BrowseAll(manager);
  state.counters["entries_per_second"] =
      benchmark::Counter(static_cast<double>(entries), benchmark::Counter::kIsRate);
  state.counters["tree_MB"] = static_cast<double>(treeBytes) / (1024.0 * 1024.0);
}
BENCHMARK(BM_RecursiveBrowse100000Files)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kp
