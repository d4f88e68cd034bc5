#include "headless_run.h"

#include <csignal>
#include <cstdio>

#include "core/config/global_stores.h"
#include "core/config/settings.h"
#include "core/config/shared_routines.h"
#include "core/host/main_loop.h"
#include "core/host/plugin_manager.h"
#include "core/host/process_dispatch.h"
#include "core/services/service_registry.h"
#include "core/shell/program_run.h"

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

  // The desktop program's sequence with the window left out: plugins register
  // their services without a window to show them in.
  TProgramRun run(programFolder, SettingsConfig(), ProcessApiRegistry(),
                  [&loop] { loop.ProcessPendingMessages(); });
  runningLoop = &loop;
  std::signal(SIGINT, StopOnSignal);
  std::signal(SIGTERM, StopOnSignal);
  run.Start(nullptr);

  const TSettings& settings = run.Settings();
  const TPluginManager& plugins = run.Plugins();
  std::printf("%s %s is up (headless) in %s\n",
              settings.Application.Name.empty() ? "Keplinor" : settings.Application.Name.c_str(),
              GetVersionText().c_str(), programFolder.c_str());
  std::printf("  settings: %s (%zu sections)\n", settingsRead ? "loaded" : "not found",
              SettingsConfig().SectionCount());
  std::printf("  language: %s (%zu sections)\n", languageRead ? "loaded" : "not found",
              LanguageConfig().SectionCount());
  std::printf("  plugins: %zu loaded\n", plugins.GetPluginCount());
  for (std::size_t i = 0; i < plugins.GetPluginCount(); ++i) {
    const TPluginHolder& plugin = *plugins.GetPlugin(i);
    std::printf("    %s %s (%s)\n", plugin.DisplayName().c_str(), plugin.VersionText().c_str(),
                plugin.Path().c_str());
  }
  for (const TSkippedLibrary& skipped : plugins.SkippedLibraries()) {
    std::printf("    passed over %s: %s\n", skipped.path.c_str(), skipped.reason.c_str());
  }
  const TServiceRegistry& services = run.Services();
  std::printf("  services: %zu of %zu types\n", services.Services().size(), services.Types().size());
  for (const TServiceHolder* service : services.Services()) {
    std::printf("    %s (%s)\n", service->description.c_str(), service->type->description.c_str());
  }
  std::printf("Press Ctrl+C to stop.\n");
  std::fflush(stdout);

  // A signal during start-up (or a plugin that asked to exit) ends the run at once.
  const int exitCode = loop.QuitRequested() ? 0 : loop.Run();

  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  runningLoop = nullptr;
  run.Finish();
  for (const std::string& kept : plugins.KeptLibraries()) {
    std::printf("  %s left a thread running; its library stays loaded until the end\n", kept.c_str());
  }
  queue.Close();
  std::printf("Stopped.\n");
  return exitCode;
}

}  // namespace kp
