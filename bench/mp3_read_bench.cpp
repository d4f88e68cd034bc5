// Reading the audio properties of 10,000 MP3 files, as the share tree does for a
// folder of new files: one reader, warm cache. A handful of files made by the
// lame encoder are copied under 10,000 names.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/platform/file_io.h"
#include "core/sharing/mpeg_audio.h"
#include "support/temp_folder.h"

namespace kp {
namespace {

constexpr int kFileCount = 10'000;

// One second of a tone as 16-bit little-endian stereo samples at 44,100 Hz.
std::string Sound() {
  std::string pcm;
  for (int i = 0; i < 44'100; ++i) {
    const auto value = static_cast<std::int16_t>(8'000 * std::sin(2 * M_PI * 440 * i / 44'100.0));
    for (int channel = 0; channel < 2; ++channel) {
      pcm += static_cast<char>(value & 0xFF);
      pcm += static_cast<char>((value >> 8) & 0xFF);
    }
  }
  return pcm;
}

struct Library {
  test::TempFolder folder;
  std::vector<std::string> paths;
  std::string error;
};

const Library& MakeLibrary() {
  static const auto library = [] {
    auto made = std::make_unique<Library>();
    const std::string raw = made->folder.WriteFile("sound.raw", Sound());
    const std::vector<std::string> encodings = {"-b 128 --add-id3v2 --tt Title --ta Artist --tg Rock",
                                                "-b 320 --id3v1-only --tt Title", "-V 2",
                                                "-m m -V 6 --add-id3v2 --tt Title", "--resample 22.05 -b 64"};
    std::vector<std::string> sources;
    for (std::size_t i = 0; i < encodings.size(); ++i) {
      const std::string mp3 = made->folder / ("source" + std::to_string(i) + ".mp3");
      const std::string command = "lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian " +
                                  encodings[i] + " '" + raw + "' '" + mp3 + "' 2>/dev/null";
      if (std::system(command.c_str()) != 0) {
        made->error = "the lame encoder is missing or failed (apt-get install lame)";
        return made;
      }
      sources.push_back(mp3);
    }
    const std::string files = made->folder.MakeFolder("files");
    for (int i = 0; i < kFileCount; ++i) {
      made->paths.push_back(files + "song " + std::to_string(i) + ".mp3");
      std::filesystem::copy_file(sources[static_cast<std::size_t>(i) % sources.size()], made->paths.back());
    }
    return made;
  }();
  return *library;
}

void BM_ReadMp3Files(benchmark::State& state) {
  const Library& library = MakeLibrary();
  if (!library.error.empty()) {
    state.SkipWithError(library.error.c_str());
    return;
  }
  TMPEGaudio audio;  // one reader per share folder, reused for each file
  int valid = 0;
  for (const std::string& path : library.paths) valid += audio.ReadFromFile(path) && audio.Valid();  // warm
  if (valid != kFileCount) state.SkipWithError("not every file was read as valid audio");
  for (auto _ : state) {
    for (const std::string& path : library.paths) {
      benchmark::DoNotOptimize(audio.ReadFromFile(path));
      benchmark::DoNotOptimize(audio.Duration());
    }
  }
  state.SetItemsProcessed(state.iterations() * kFileCount);
  state.counters["files_per_second"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kFileCount, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReadMp3Files)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same reading without the file system: the cost of the readers themselves.
void BM_ReadMp3FromMemory(benchmark::State& state) {
  const Library& library = MakeLibrary();
  if (!library.error.empty()) {
    state.SkipWithError(library.error.c_str());
    return;
  }
  std::vector<std::string> contents;
  for (std::size_t i = 0; i < 5; ++i) contents.push_back(ReadWholeFile(library.paths[i]).value_or(""));
  TMPEGaudio audio;
  for (auto _ : state) {
    for (const std::string& content : contents) {
      TMemoryByteSource source(
          std::span(reinterpret_cast<const std::uint8_t*>(content.data()), content.size()));
      benchmark::DoNotOptimize(audio.ReadFrom(source));
      benchmark::DoNotOptimize(audio.Duration());
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(contents.size()));
}
BENCHMARK(BM_ReadMp3FromMemory);

}  // namespace
}  // namespace kp
