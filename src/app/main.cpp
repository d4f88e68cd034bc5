// The program's entry. Without arguments it starts the desktop program; with
// --headless it runs the core alone (no window, no tray), for machines without
// a display and for tests. Any other argument is a link for the running
// instance.
#include <QApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include <memory>

#include "core/config/autostart_entry.h"
#include "core/config/global_stores.h"
#include "headless_run.h"
#include "core/host/process_dispatch.h"
#include "core/platform/application_folder.h"
#include "core/platform/single_instance.h"
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
  kp::TSingleInstance instance(kp::DefaultRuntimeFolder());
  const kp::TInstanceStart start = instance.Start([&queue, &window](kp::TInstanceRequest) {
    // Links are routed to their plugins once the link handling is built; until
    // then a link, like a plain second start, brings the window to the front.
    queue.Post([&window] {
      if (window) window->ShowMainWindow();
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
    // The desktop program keeps the user's log-on entry in step with its setting.
    program.Run().SetAutostartPlaces(kp::DefaultConfigHome(), kp::ExecutablePath());
    const bool started = program.Start();
    window = &program.MainForm();
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
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
    program.Finish();
  }
  queue.Close();
  return exitCode;
}
