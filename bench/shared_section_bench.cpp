// Opening a shared folder of 100,000 empty files in the Shared files section,
// on screen. The files are made once; each iteration shares the folder anew
// and navigates into it. Counters: the time until the first rows show, the
// time until every row is listed, and the longest stretch the main thread
// could not turn its event loop (a late 4 ms heartbeat).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "core/config/settings.h"
#include "core/config/simple_config.h"
#include "core/services/service_registry.h"
#include "core/sharing/share_manager.h"
#include "core/sharing/shared_access_check.h"
#include "core/sharing/shared_items.h"
#include "core/users/users.h"
#include "loop_heartbeat.h"
#include "offscreen_application.h"
#include "support/temp_folder.h"
#include "ui/sharing/shared_files_model.h"
#include "ui/sharing/shared_files_section.h"

namespace kp {
namespace {

constexpr int kFiles = 100'000;

// Made once for all iterations: creating 100,000 files is not what is measured.
// Removed at exit with the folder.
const test::TempFolder& Files() {
  static const test::TempFolder folder;
  static const bool made = [] {
    const std::filesystem::path many = std::filesystem::path(folder.Path()) / "many";
    std::filesystem::create_directories(many);
    const int dir = ::open(many.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return false;
    char name[32];
    for (int i = 0; i < kFiles; ++i) {
      std::snprintf(name, sizeof name, "file%06d.dat", i);
      const int fd = ::openat(dir, name, O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
      if (fd >= 0) ::close(fd);
    }
    ::close(dir);
    return true;
  }();
  (void)made;
  return folder;
}

struct Program {
  test::TempFolder folder;
  TSettings settings;
  TSimpleConfig language;
  TServiceRegistry services{folder.Path()};
  TUsers users{services};
  TShareManager shares;
  TSharedItemList items{shares, nullptr};
  TSharedAccessCheck check{items, services};
};

void BM_OpenFolderOfHundredThousandFiles(benchmark::State& state) {
  OffscreenApplication();
  const test::TempFolder& files = Files();
  for (auto _ : state) {
    auto program = std::make_unique<Program>();
    program->items.RegisterFolder(program->shares.AddDirectory(files.Path() + "/many", "Many", true, "*.*"),
                                  false);
    TSharedFilesSection section(TSharedFilesContext{program->items, program->check, program->services,
                                                    program->users, program->settings, program->language,
                                                    program->folder.Path()});
    section.resize(1280, 800);
    section.show();
    // Showing the root verifies each shared folder, which reads it: the first
    // stretch the user meets, before any double click.
    QElapsedTimer rootCall;
    rootCall.start();
    section.Navigate("/", true);
    state.counters["root_call_ms"] = static_cast<double>(rootCall.nsecsElapsed()) / 1e6;
    QApplication::processEvents();

    QElapsedTimer clock;
    TLoopHeartbeat heartbeat;
    qint64 firstRows = -1;
    qint64 allRows = -1;
    qint64 navigateCall = -1;
    // Watches the list between turns: rows "show" once a turn has them in the
    // model, since that turn also paints them.
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] {
      const qint64 now = clock.nsecsElapsed();
      if (firstRows < 0 && section.Model().rowCount() > 0) firstRows = now;
      if (!section.Filling() && section.Model().rowCount() > 0) {
        allRows = now;
        QApplication::quit();
      }
    });
    // The navigation runs from the loop, as a double click would.
    QTimer::singleShot(0, &section, [&] {
      heartbeat.Start();
      watch.start();
      const qint64 before = clock.nsecsElapsed();
      section.Navigate("/Many", true);
      navigateCall = clock.nsecsElapsed() - before;
    });
    // A guard against a section that never finishes.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QApplication::quit(); });
    guard.start(60'000);
    clock.start();
    QApplication::exec();
    heartbeat.Stop();
    watch.stop();

    const int rows = section.Model().rowCount();
    // Back up and in again: the tree knows the folder now, so this is the
    // stretch of every later visit.
    section.Navigate("/", true);
    QElapsedTimer again;
    again.start();
    section.Navigate("/Many", true);
    state.counters["navigate_again_call_ms"] = static_cast<double>(again.nsecsElapsed()) / 1e6;

    if (allRows < 0) state.SkipWithError("the folder was not listed within a minute");
    state.counters["first_rows_ms"] = static_cast<double>(firstRows) / 1e6;
    state.counters["all_rows_ms"] = static_cast<double>(allRows) / 1e6;
    state.counters["longest_stretch_ms"] = heartbeat.LongestMs();
    // The call itself reads the folder again and lists the first batch.
    state.counters["navigate_call_ms"] = static_cast<double>(navigateCall) / 1e6;
    state.counters["rows"] = rows;
  }
}
BENCHMARK(BM_OpenFolderOfHundredThousandFiles)->Iterations(3)->Unit(benchmark::kMillisecond);

// The share tree's part of the above: reading the folder on first opening it,
// which the section's first turn waits for.
void BM_ReadFolderOfHundredThousandFilesIntoTheTree(benchmark::State& state) {
  const test::TempFolder& files = Files();
  for (auto _ : state) {
    state.PauseTiming();
    auto shares = std::make_unique<TShareManager>();
    shares->AddDirectory(files.Path() + "/many", "Many", true, "*.*");
    state.ResumeTiming();
    std::unique_ptr<TShareResults> cursor = shares->OpenResults("/Many", false);
    benchmark::DoNotOptimize(cursor.get());
    state.PauseTiming();
    shares->CloseResults(std::move(cursor));
    shares.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ReadFolderOfHundredThousandFilesIntoTheTree)->Iterations(3)->Unit(benchmark::kMillisecond);

// Opening it again once it is known: the listing is compared with the tree,
// and only new names are looked at more closely.
void BM_ReopenKnownFolderOfHundredThousandFiles(benchmark::State& state) {
  const test::TempFolder& files = Files();
  TShareManager shares;
  shares.AddDirectory(files.Path() + "/many", "Many", true, "*.*");
  shares.CloseResults(shares.OpenResults("/Many", false));
  for (auto _ : state) {
    std::unique_ptr<TShareResults> cursor = shares.OpenResults("/Many", false);
    benchmark::DoNotOptimize(cursor.get());
    state.PauseTiming();
    shares.CloseResults(std::move(cursor));
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ReopenKnownFolderOfHundredThousandFiles)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kp
