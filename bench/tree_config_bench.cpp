// The tree reader with a generated layout-style file of 100,000 entries (1,000
// folders of 100 entries with two values each), and with 100,000 nested folders.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "core/config/tree_config.h"
#include "core/platform/file_io.h"
#include "support/temp_folder.h"

namespace kp {
namespace {

std::string EntriesText(int folders, int entriesPerFolder) {
  std::string text;
  for (int f = 0; f < folders; ++f) {
    const std::string name = "FOLDER_" + std::to_string(f);
    text += "<!" + name + " Caption=\"Folder " + std::to_string(f) + "\">\r\n";
    for (int e = 0; e < entriesPerFolder; ++e) {
      text += "  <BUTTON Command=COMMAND_" + std::to_string(e) + " Icon=\"icon " + std::to_string(e) +
              ".png\">\r\n";
    }
    text += "<!/" + name + ">\r\n";
  }
  return text;
}

void LoadFileBenchmark(benchmark::State& state, const char* fileName, const std::string& text) {
  const test::TempFolder folder;
  const std::string path = folder / fileName;
  if (!WriteFileAtomically(path, text)) state.SkipWithError("cannot write the file");
  for (auto _ : state) {
    TConfig config;
    config.LoadFromFile(path);
    benchmark::DoNotOptimize(config.FolderCount());
  }  // the tree is taken apart inside the timed loop too
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(text.size()));
}

void BM_LoadTreeFile100000Entries(benchmark::State& state) {
  LoadFileBenchmark(state, "entries.cfg", EntriesText(1'000, 100));
}
BENCHMARK(BM_LoadTreeFile100000Entries)->Unit(benchmark::kMillisecond);

void BM_LoadTreeFile100000NestedFolders(benchmark::State& state) {
  std::string text;
  for (int i = 0; i < 100'000; ++i) text += "<!Level v=" + std::to_string(i) + ">\n";
  LoadFileBenchmark(state, "nested.cfg", text);
}
BENCHMARK(BM_LoadTreeFile100000NestedFolders)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kp
