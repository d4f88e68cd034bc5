// The plugin call path and the loader: a call through a plugin's entry on the
// main thread (packet built, dispatched and read back), a scan of 50 plugins,
// and the entries made when a plugin is bound.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "core/host/main_loop.h"
#include "core/host/plugin_manager.h"
#include "keplinor_plugin.h"

namespace kp {
namespace {

namespace fs = std::filesystem;

struct Host {
  TMainThreadQueue queue;
  TDispatcher dispatcher{queue};
  TApiRegistry registry{dispatcher};
  TMainLoop loop{queue};
  TPluginManager manager{registry, [this] { loop.ProcessPendingMessages(); }};
};

fs::path FreshFolder(const char* name) {
  fs::path folder = fs::temp_directory_path() / ("keplinor-bench-" + std::string(name));
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

void BM_PluginCallThroughEntryOnMainThread(benchmark::State& state) {
  Host host;
  host.registry.Implement("ApplicationMenuAdd", [](TMessagePacket& packet) -> std::int64_t {
    return packet.GetInteger("iCommand") + packet.GetObject("poParentMenu") +
           static_cast<std::int64_t>(packet.GetString("sDescription").size() +
                                     packet.GetString("sIconFileName").size()) +
           (packet.GetBoolean("bIsPopup") ? 1 : 0);
  });
  const fs::path folder = FreshFolder("call");
  fs::copy_file(KP_TP_RECORDING_A, folder / "caller.so");
  host.manager.ScanPlugins(folder.string());
  if (host.manager.GetPluginCount() != 1) {
    state.SkipWithError("the plugin did not load");
    return;
  }
  kp_ApplicationMenuAdd_fn menuAdd = nullptr;
  std::memcpy(&menuAdd, ::dlsym(host.manager.GetPlugin(0)->Module, "ApplicationMenuAdd"), sizeof menuAdd);
  for (auto _ : state)
    benchmark::DoNotOptimize(menuAdd(12, 0x40001000u, "Connect to the network", "Net.bmp", 1));
  state.SetItemsProcessed(state.iterations());
  host.manager.UnloadAllPlugins();
  fs::remove_all(folder);
}
BENCHMARK(BM_PluginCallThroughEntryOnMainThread);

void BM_ScanPlugins50(benchmark::State& state) {
  Host host;
  const fs::path folder = FreshFolder("scan");
  for (int i = 0; i < 50; ++i) {
    fs::copy_file(KP_TP_RECORDING_A, folder / ("plugin" + std::to_string(i) + ".so"));
  }
  for (auto _ : state) {
    host.manager.ScanPlugins(folder.string());  // also unloads the previous round's plugins
    if (host.manager.GetPluginCount() != 50) state.SkipWithError("not every plugin loaded");
  }
  host.manager.UnloadAllPlugins();
  fs::remove_all(folder);
}
BENCHMARK(BM_ScanPlugins50)->Unit(benchmark::kMillisecond);

void BM_EntriesForEveryApiFunction(benchmark::State& state) {
  Host host;
  TPluginHolder plugin("bench.so", "BENCH.SO");
  for (auto _ : state) {
    for (std::size_t f = 0; f < api::kApiFunctionCount; ++f) {
      TApiClosure closure(plugin, f, host.registry);
      benchmark::DoNotOptimize(closure.EntryAddress());
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(api::kApiFunctionCount));
  state.SetLabel("one iteration binds all 87 functions into one plugin");
}
BENCHMARK(BM_EntriesForEveryApiFunction)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kp
