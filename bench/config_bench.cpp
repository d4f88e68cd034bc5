// The settings store with a file of 10,000 pairs, and wildcard matching on a
// pattern that makes naive backtracking explode.
#include <benchmark/benchmark.h>

#include <string>

#include "core/config/simple_config.h"
#include "core/config/wildcard.h"
#include "support/temp_folder.h"

namespace kp {
namespace {

std::string SettingsText(int pairs) {
  TSimpleConfig store;
  for (int i = 0; i < pairs; ++i) {
    if (i % 100 == 0) store.SelectSection("Section" + std::to_string(i / 100));
    store.WriteString("Key" + std::to_string(i), "Value number " + std::to_string(i * 7919));
  }
  return store.SaveToText();
}

void BM_LoadSettingsFile10000Pairs(benchmark::State& state) {
  const test::TempFolder folder;
  const std::string path = folder / "load.cfg";
  {
    TSimpleConfig store;
    store.LoadFromText(SettingsText(10'000));
    if (!store.SaveToFile(path)) state.SkipWithError("cannot write the settings file");
  }
  for (auto _ : state) {
    TSimpleConfig store;
    benchmark::DoNotOptimize(store.LoadFromFile(path));
  }
}
BENCHMARK(BM_LoadSettingsFile10000Pairs)->Unit(benchmark::kMicrosecond);

void BM_SaveSettingsFile10000Pairs(benchmark::State& state) {
  const test::TempFolder folder;
  const std::string path = folder / "save.cfg";
  TSimpleConfig store;
  store.LoadFromText(SettingsText(10'000));
  for (auto _ : state) {
    if (!store.SaveToFile(path)) state.SkipWithError("cannot write the settings file");
  }
}
BENCHMARK(BM_SaveSettingsFile10000Pairs)->Unit(benchmark::kMicrosecond);

void BM_MatchWildcardPathological(benchmark::State& state) {
  const std::string name(64, 'a');
  for (auto _ : state) benchmark::DoNotOptimize(MatchWildcard("*a*a*a*a*a*a*a*b", name));
}
BENCHMARK(BM_MatchWildcardPathological)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kp
