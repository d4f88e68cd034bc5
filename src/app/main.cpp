// The program's entry. Without arguments it starts the desktop program; with
// --headless it runs the core alone (no window, no tray), for machines without
// a display and for tests. Any other argument is a link: handed to the running
// instance, or routed by this one once its plugins have started.
#include <QApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/config/autostart_entry.h"
#include "core/config/global_stores.h"
#include "headless_run.h"
#include "core/host/process_dispatch.h"
#include "core/platform/application_folder.h"
#include "core/platform/single_instance.h"
#include "core/shell/program_run.h"
#include "core/shell/url_scheme_entries.h"
#include "ui/shell/desktop_program.h"
#include "ui/shell/main_form.h"

namespace {

// SIGTERM and SIGINT (the session ending, Ctrl+C) run the exit command, as the
// system's log-off question does: the plugins are asked, and the window closes
// when they agree. The handler only writes to a pipe that the event loop reads.
int signalPipe[2] = {-1, -1};

extern "C" void ForwardSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string& folder = kp::ApplicationFolder();
  if (argc > 1 && std::strcmp(argv[1], "--headless") == 0) return kp::RunHeadless(folder);

  // The thread that touches the queue first is the main thread.
  kp::TMainThreadQueue& queue = kp::ProcessMainThreadQueue();

  // One running instance per user: a second start hands its wish over and ends
  // without reading or writing any file.
  kp::TMainForm* window = nullptr;
  // Links wait here until the plugins have started and can claim them; a link
  // arrives with a line break at its end, as links handed over by the desktop
  // always have.
  kp::TProgramRun* run = nullptr;
  std::vector<std::string> waitingLinks;
  auto deliver = [&run, &waitingLinks](std::string link) {
    link += "\r\n";
    if (run && run->ApplicationStarted()) {
      run->DispatchUrl(link);
    } else {
      waitingLinks.push_back(std::move(link));
    }
  };
  kp::TSingleInstance instance(kp::DefaultRuntimeFolder());
  const kp::TInstanceStart start = instance.Start([&queue, &window, &deliver](kp::TInstanceRequest request) {
    queue.Post([&window, &deliver, request = std::move(request)] {
      if (request.kind == kp::TInstanceRequest::TKind::Link) {
        deliver(request.link);
      } else if (window) {
        window->ShowMainWindow();
      }
    });
  });
  if (start.role == kp::TInstanceRole::Secondary) {
    const kp::TInstanceRequest request =
        argc > 1 ? kp::TInstanceRequest::Link(argv[1]) : kp::TInstanceRequest{};
    (void)instance.HandOver(request);
    return 0;
  }
  // Without a usable runtime folder the program still runs, unguarded.

  QApplication application(argc, argv);
  // The window hides to the tray; only closing it (or the exit command) ends the program.
  QApplication::setQuitOnLastWindowClosed(false);

  kp::SettingsConfig().LoadFromFile(folder + std::string(kp::kSettingsFileName));
  kp::LanguageConfig().LoadFromFile(folder + std::string(kp::kLanguageFileName));
  int exitCode = 0;
  {
    kp::TDesktopProgram program(folder, kp::SettingsConfig(), kp::LanguageConfig(), kp::ProcessApiRegistry(), queue);
    // The desktop program keeps the user's log-on entry in step with its setting,
    // and the desktop's handler of its links pointing at this executable.
    program.Run().SetAutostartPlaces(kp::DefaultConfigHome(), kp::ExecutablePath());
    program.Run().SetUrlSchemePlaces(kp::DefaultXdgPlaces(), kp::ExecutablePath());
    run = &program.Run();
    if (argc > 1) deliver(argv[1]);
    const bool started = program.Start();
    window = &program.MainForm();
    if (started) {
      for (const std::string& link : std::exchange(waitingLinks, {})) program.Run().DispatchUrl(link);
    }
    std::unique_ptr<QSocketNotifier> signalNotifier;
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
      signalNotifier = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
      QObject::connect(signalNotifier.get(), &QSocketNotifier::activated, [&window] {
        char bytes[16];
        while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        if (window) window->ExitCommand();
      });
      std::signal(SIGTERM, ForwardSignal);
      std::signal(SIGINT, ForwardSignal);
    }
    if (started && !program.Closed()) exitCode = QApplication::exec();
    window = nullptr;
    run = nullptr;
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
    program.Finish();
  }
  queue.Close();
  return exitCode;
}
