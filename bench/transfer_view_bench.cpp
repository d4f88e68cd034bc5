// Many transfers reporting at once, with both transfer lists on screen: 10,000
// downloads in 200 groups, and four plugin threads that report 2,000 progress
// calls a second between them for ten seconds, while the root row is selected
// (so its details panel follows every change) and the process timer samples
// the speeds. Counters: the main thread's busy share (its CPU time over the
// wall time), the longest stretch it could not turn its event loop, and the
// time the 10,000 downloads took to add and show.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <time.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/config/settings.h"
#include "core/config/simple_config.h"
#include "core/host/api_registry.h"
#include "core/host/dispatcher.h"
#include "core/host/main_thread_queue.h"
#include "core/host/plugin_manager.h"
#include "core/services/service_registry.h"
#include "core/transfers/download_list.h"
#include "core/transfers/transfer_api.h"
#include "core/transfers/upload_list.h"
#include "loop_heartbeat.h"
#include "offscreen_application.h"
#include "support/temp_folder.h"
#include "ui/shell/qt_main_thread.h"
#include "ui/transfers/transfer_section.h"
#include "ui/transfers/transfer_tree_view.h"

namespace kp {
namespace {

constexpr int kGroups = 200;
constexpr int kPerGroup = 50;
constexpr int kUploads = 500;
constexpr int kThreads = 4;
constexpr int kCallsPerSecond = 2000;
constexpr int kSeconds = 10;

using AddDownload = std::uint32_t (*)(std::uint32_t, std::uint32_t, const char*, const char*, std::int64_t);
using AddGroup = std::uint32_t (*)(std::uint32_t, std::uint32_t, const char*);
using AddUpload = std::uint32_t (*)(std::uint32_t, const char*, const char*, std::int32_t);
using Report = std::int32_t (*)(std::uint32_t, std::int64_t, std::int64_t, std::int64_t);

double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct Program {
  test::TempFolder folder;
  TMainThreadQueue queue;
  TQtMainThread qtMainThread{queue};
  TDispatcher dispatcher{queue};
  TApiRegistry api{dispatcher};
  TSettings settings;
  TSimpleConfig language;
  TServiceRegistry services{folder.Path()};
  TDownloadList downloads{services, plugins, settings, folder.Path()};
  TUploadList uploads{services, plugins, settings, folder.Path()};
  TTransferApi transferApi{api, downloads, uploads};
  TPluginManager plugins{api, [this] { qtMainThread.ProcessPendingMessages(); }};
};

void BM_TenThousandDownloadsReportingFromFourThreads(benchmark::State& state) {
  OffscreenApplication();
  for (auto _ : state) {
    auto program = std::make_unique<Program>();
    if (!program->plugins.LoadPlugin(KP_TP_TRANSFERS)) {
      state.SkipWithError("the transfer test plugin did not load");
      return;
    }
    TPluginHolder& plugin = *program->plugins.GetPlugin(0);
    program->plugins.BindPlugin(plugin);
    auto find = [&](const char* name) { return ::dlsym(plugin.Module, name); };
    const auto addDownload = reinterpret_cast<AddDownload>(find("ttp_download_add"));
    const auto addGroup = reinterpret_cast<AddGroup>(find("ttp_group_add"));
    const auto addUpload = reinterpret_cast<AddUpload>(find("ttp_upload_add"));
    const auto progress = reinterpret_cast<Report>(find("ttp_download_progress"));
    const auto uploadProgress = reinterpret_cast<Report>(find("ttp_upload_progress"));
    const std::uint32_t type = program->services.AddType(&plugin, "type", "", TGuid{});
    const std::uint32_t service = program->services.AddService(&plugin, type, "service", "", "", 0, TGuid{});

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* downloadsSection =
        new TTransferSection(program->downloads, program->language, program->folder.Path());
    auto* uploadsSection = new TTransferSection(program->uploads, program->language, program->folder.Path());
    layout->addWidget(downloadsSection);
    layout->addWidget(uploadsSection);
    window.resize(1280, 800);
    window.show();
    downloadsSection->SetDetailsShown(true);
    uploadsSection->SetDetailsShown(true);

    QElapsedTimer setup;
    setup.start();
    std::vector<std::uint32_t> downloads;
    downloads.reserve(kGroups * kPerGroup);
    for (int g = 0; g < kGroups; ++g) {
      const std::uint32_t group = addGroup(0, service, ("group " + std::to_string(g)).c_str());
      for (int i = 0; i < kPerGroup; ++i) {
        const std::string name = "file " + std::to_string(g) + "-" + std::to_string(i) + ".mp3";
        downloads.push_back(
            addDownload(group, service, ("nick" + std::to_string(i % 37)).c_str(), name.c_str(), 10'000'000));
      }
    }
    std::vector<std::uint32_t> uploads;
    for (int i = 0; i < kUploads; ++i) {
      uploads.push_back(addUpload(service, ("peer" + std::to_string(i % 50)).c_str(), "shared.iso", 1));
    }
    QApplication::processEvents();
    const qint64 setupNs = setup.nsecsElapsed();
    TTransferTreeView& list = downloadsSection->View();
    list.setCurrentIndex(list.model()->index(0, 0));  // the root row: its panel sums every download
    QApplication::processEvents();

    // The process timer's 64 ticks a second, as the main window runs them.
    QTimer processTimer;
    processTimer.setTimerType(Qt::PreciseTimer);
    processTimer.setInterval(15);
    QObject::connect(&processTimer, &QTimer::timeout, [&] {
      program->uploads.Tick();
      program->downloads.Tick();
    });
    QElapsedTimer clock;
    TLoopHeartbeat heartbeat;

    std::atomic<int> running{kThreads};
    std::atomic<long> calls{0};
    std::vector<std::thread> threads;
    const double cpuBefore = ThreadCpuSeconds();
    clock.start();
    processTimer.start();
    heartbeat.Start();
    const auto start = std::chrono::steady_clock::now();
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        // Each thread reports on its own quarter, a few calls every 10 ms.
        constexpr int kPerTick = kCallsPerSecond / kThreads / 100;
        const std::size_t share = downloads.size() / kThreads;
        std::uint64_t position = 0;
        for (int tick = 0; tick < kSeconds * 100; ++tick) {
          for (int c = 0; c < kPerTick; ++c) {
            const std::size_t index = static_cast<std::size_t>(t) * share + (position * 7919) % share;
            position += 1;
            progress(downloads[index], 0, 10'000'000,
                     static_cast<std::int64_t>(position * 1000 % 10'000'000));
            if (c == 0 && t == 0) uploadProgress(uploads[position % uploads.size()], 0, 1'000'000, 5000);
            calls.fetch_add(1, std::memory_order_relaxed);
          }
          std::this_thread::sleep_until(start + std::chrono::milliseconds(10 * (tick + 1)));
        }
        if (--running == 0)
          QMetaObject::invokeMethod(
              qApp, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
      });
    }
    QApplication::exec();
    for (std::thread& thread : threads) thread.join();
    const double wall = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    const double cpu = ThreadCpuSeconds() - cpuBefore;
    heartbeat.Stop();
    processTimer.stop();

    state.counters["busy_share_pct"] = 100.0 * cpu / wall;
    state.counters["longest_stretch_ms"] = heartbeat.LongestMs();
    state.counters["adding_10k_ms"] = static_cast<double>(setupNs) / 1e6;
    state.counters["calls_per_s"] = static_cast<double>(calls.load()) / wall;
    state.counters["root_progress"] = program->downloads.Root()->GetProgress();
    delete downloadsSection;
    delete uploadsSection;
    program->downloads.RemoveAll();
    program->uploads.RemoveAll();
  }
}
BENCHMARK(BM_TenThousandDownloadsReportingFromFourThreads)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kp
