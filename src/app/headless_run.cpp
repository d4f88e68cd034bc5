#include "headless_run.h"

#include <csignal>
#include <cstdio>

#include "config/global_stores.h"
#include "config/shared_routines.h"
#include "host/main_loop.h"
#include "host/process_dispatch.h"

namespace kp {
namespace {

TMainLoop* runningLoop = nullptr;

extern "C" void StopOnSignal(int) {
  // Quit only stores atomics and writes the wake-up descriptor: safe in a handler.
  if (runningLoop) runningLoop->Quit(0);
}

}  // namespace

int RunHeadless(const std::string& programFolder) {
  TMainThreadQueue& queue = ProcessMainThreadQueue();  // this thread becomes the main thread
  TMainLoop loop(queue);

  const std::string settingsPath = programFolder + std::string(kSettingsFileName);
  const std::string languagePath = programFolder + std::string(kLanguageFileName);
  const bool settingsRead = SettingsConfig().LoadFromFile(settingsPath);
  const bool languageRead = LanguageConfig().LoadFromFile(languagePath);

  runningLoop = &loop;
  std::signal(SIGINT, StopOnSignal);
  std::signal(SIGTERM, StopOnSignal);

  std::printf("Keplinor %s is up (headless) in %s\n", GetVersionText().c_str(), programFolder.c_str());
  std::printf("  settings: %s (%zu sections)\n", settingsRead ? "loaded" : "not found",
              SettingsConfig().SectionCount());
  std::printf("  language: %s (%zu sections)\n", languageRead ? "loaded" : "not found",
              LanguageConfig().SectionCount());
  std::printf("Press Ctrl+C to stop.\n");
  std::fflush(stdout);

  const int exitCode = loop.Run();

  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  runningLoop = nullptr;
  if (!SettingsConfig().SaveToFile(settingsPath)) {
    std::fprintf(stderr, "Could not write %s\n", settingsPath.c_str());
  }
  queue.Close();
  std::printf("Keplinor stopped.\n");
  return exitCode;
}

}  // namespace kp
