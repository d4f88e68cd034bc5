#include "headless_run.h"

#include <csignal>
#include <cstdio>

#include "core/config/global_stores.h"
#include "core/config/settings.h"
#include "core/config/shared_routines.h"
#include "core/host/main_loop.h"
#include "core/host/plugin_manager.h"
#include "core/host/process_dispatch.h"
#include "core/services/service_api.h"
#include "core/services/service_registry.h"
#include "core/transfers/download_folders.h"

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
  TSettings settings = LoadSettings(SettingsConfig(), programFolder);
  EnsureDownloadFolders(settings, programFolder);

  // Plugins register their services without a window to show them in.
  TServiceRegistry services(programFolder);
  TServiceApi serviceApi(ProcessApiRegistry(), services);
  TPluginManager plugins(ProcessApiRegistry(), [&loop] { loop.ProcessPendingMessages(); });
  plugins.SetApplicationName(settings.Application.Name);
  plugins.ScanPlugins(programFolder + "Plugins");

  runningLoop = &loop;
  std::signal(SIGINT, StopOnSignal);
  std::signal(SIGTERM, StopOnSignal);

  std::printf("%s %s is up (headless) in %s\n", settings.Application.Name.empty() ? "Keplinor"
                                                                                   : settings.Application.Name.c_str(),
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
  std::printf("  services: %zu of %zu types\n", services.Services().size(), services.Types().size());
  for (const TServiceHolder* service : services.Services()) {
    std::printf("    %s (%s)\n", service->description.c_str(), service->type->description.c_str());
  }
  std::printf("Press Ctrl+C to stop.\n");
  std::fflush(stdout);

  const int exitCode = loop.Run();

  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  runningLoop = nullptr;
  SaveSettings(settings, SettingsConfig());
  if (!SettingsConfig().SaveToFile(settingsPath)) {
    std::fprintf(stderr, "Could not write %s\n", settingsPath.c_str());
  }
  plugins.UnloadAllPlugins();
  queue.Close();
  std::printf("Stopped.\n");
  return exitCode;
}

}  // namespace kp
