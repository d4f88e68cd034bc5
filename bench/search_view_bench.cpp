// A burst of search results through the whole path a user waits on: four
// plugin threads report 100,000 results (a quarter of them grouped under an
// earlier one) into one open search, each call crossing to the main thread,
// while the results tab sorts by size. Counters: the time until the last row
// is in the list, and the longest stretch the main thread could not turn its
// event loop (what the user feels as a frozen window).
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/config/settings.h"
#include "core/config/simple_config.h"
#include "core/host/api_registry.h"
#include "core/host/dispatcher.h"
#include "core/host/main_thread_queue.h"
#include "core/host/notification_icons.h"
#include "core/host/plugin_manager.h"
#include "core/search/search_api.h"
#include "core/search/search_list.h"
#include "core/services/service_registry.h"
#include "offscreen_application.h"
#include "support/temp_folder.h"
#include "ui/search/results_model.h"
#include "ui/search/results_tree_view.h"
#include "ui/search/search_results.h"
#include "ui/search/search_results_form.h"
#include "ui/shell/main_form.h"
#include "ui/shell/qt_main_thread.h"

namespace kp {
namespace {

constexpr int kThreads = 4;
constexpr int kResults = 100'000;

using AddResult = std::int32_t (*)(std::uint32_t, std::int32_t, const char*, const char*, const char*,
                                   std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                                   const char*, const char*, const char*);

// The program's objects for one run, in the order the program makes them.
struct Program {
  Program() {
    settings.Searching.GroupResults = true;
    settings.Searching.LimitResults = false;
  }
  test::TempFolder folder;
  TMainThreadQueue queue;
  TQtMainThread qtMainThread{queue};
  TDispatcher dispatcher{queue};
  TApiRegistry api{dispatcher};
  TSettings settings;
  TSimpleConfig language;
  TNotificationIcons icons;
  TServiceRegistry services{folder.Path()};
  TSearchList searches{services, plugins, settings, folder.Path()};
  TSearchApi searchApi{api, searches};
  TPluginManager plugins{api, [this] { qtMainThread.ProcessPendingMessages(); }};
};

void BM_HundredThousandResultsSortedBySize(benchmark::State& state) {
  OffscreenApplication();
  for (auto _ : state) {
    auto program = std::make_unique<Program>();
    if (!program->plugins.LoadPlugin(KP_TP_SEARCH)) {
      state.SkipWithError("the search test plugin did not load");
      return;
    }
    TPluginHolder& plugin = *program->plugins.GetPlugin(0);
    program->plugins.BindPlugin(plugin);
    const auto add = reinterpret_cast<AddResult>(::dlsym(plugin.Module, "tsp_add_result"));
    const std::uint32_t type = program->services.AddType(&plugin, "type", "", TGuid{});
    const std::uint32_t service = program->services.AddService(&plugin, type, "service", "", "", 0, TGuid{});

    auto window = std::make_unique<TMainForm>(
        TMainFormContext{program->plugins, program->settings, program->language, program->icons});
    auto view = std::make_unique<TSearchResults>(program->searches, *window, program->language,
                                                 program->folder.Path());
    window->show();
    TSearchContext& search = program->searches.OpenSearch("bench", "", 0, 0, 0);
    program->searches.AddService(search, service);
    TSearchResultsForm& tab = *view->Tab(search);
    tab.View().sortByColumn(TResultsModel::kSize, Qt::DescendingOrder);

    // The gap between two turns of the event loop is the time it was busy.
    QElapsedTimer clock;
    qint64 lastTurn = 0;
    qint64 longestBusy = 0;
    QTimer heartbeat;
    heartbeat.setInterval(0);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
      const qint64 now = clock.nsecsElapsed();
      longestBusy = std::max(longestBusy, now - lastTurn);
      lastTurn = now;
    });
    qint64 lastRowShown = 0;
    QObject::connect(&tab.Model(), &TResultsModel::resultsShown, [&] {
      if (search.Results.size() == static_cast<std::size_t>(kResults) && !tab.Model().HasPending()) {
        lastRowShown = clock.nsecsElapsed();
        QCoreApplication::quit();
      }
    });

    clock.start();
    heartbeat.start();
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([=, id = search.SearchID] {
        for (int i = 0; i < kResults / kThreads; ++i) {
          // Every fourth result repeats the hash of the one before it.
          const int own = i % 4 == 3 ? i - 1 : i;
          const std::string hash = std::to_string(t) + "-" + std::to_string(own);
          const std::string name = "file " + std::to_string(t) + "-" + std::to_string(i) + ".mp3";
          const std::int32_t size = static_cast<std::int32_t>((i * 7919 + t * 104729) % 50'000'000);
          add(service, id, name.c_str(), hash.c_str(), "nick", size, 128, 200, 44100, 1, "", "info", "url");
        }
      });
    }
    QApplication::exec();
    for (std::thread& thread : threads) thread.join();
    heartbeat.stop();

    // A fast list in the wrong order measures nothing.
    const TResultsModel& rows = tab.Model();
    for (int row = 1; row < rows.rowCount(); ++row) {
      if (rows.ResultAt(rows.index(row - 1, 0))->Size < rows.ResultAt(rows.index(row, 0))->Size) {
        state.SkipWithError("the rows are not sorted by size");
        break;
      }
    }
    state.counters["last_row_ms"] = static_cast<double>(lastRowShown) / 1e6;
    state.counters["longest_busy_ms"] = static_cast<double>(longestBusy) / 1e6;
    state.counters["top_level_rows"] = tab.Model().rowCount();
    view.reset();
    window.reset();
  }
}
BENCHMARK(BM_HundredThousandResultsSortedBySize)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kp
