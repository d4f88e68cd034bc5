#pragma once
// One scenario's run of the real core around the plugin under test: a program
// folder of its own with the plugin in its Plugins folder, the core started as
// the headless program starts it, and the main loop pumped while the scenario
// waits for the plugin. What the plugin did wrong goes to the report.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/config/simple_config.h"
#include "core/host/main_loop.h"
#include "core/shell/program_run.h"

namespace kp {
struct TServiceHolder;
}

namespace kp::kit {

// What the scenario found, written as it is found (one line each) so that a
// scenario that crashes halfway still tells how far it came.
class TReport {
 public:
  explicit TReport(int fd) : fd_(fd) {}
  // A fault of the plugin: the scenario fails.
  void Fault(std::string_view text);
  // Something worth knowing that is no fault.
  void Note(std::string_view text);
  // What the scenario did, for --verbose and for failures.
  void Detail(std::string_view text);
  // The scenario ran to its end: a process that ends without this line (a
  // plugin that called exit, say) did not pass.
  void Done();
  [[nodiscard]] bool Failed() const noexcept { return failed_; }

 private:
  void Write(std::string_view kind, std::string_view text);
  int fd_;
  bool failed_ = false;
};

struct TKitOptions {
  std::string pluginPath;     // the library under test
  std::string programFolder;  // made by the caller, ends with '/'
  std::vector<std::string> extraFiles;  // copied beside the plugin
  std::chrono::seconds timeout{10};
};

class TKit {
 public:
  TKit(TKitOptions options, TReport& report);
  TKit(const TKit&) = delete;
  TKit& operator=(const TKit&) = delete;
  ~TKit();

  // Lays out the program folder, builds the core and runs its start-up; the
  // hook runs between building and starting (the plugins are not loaded yet).
  // False (with a fault) when the plugin did not load.
  bool Start(const std::function<void(TKit&)>& beforeStart = {});
  // Runs the core's end: settings, OnApplicationEnd, unloading.
  void Finish();

  // Keeps the main loop going for the time given.
  void Pump(std::chrono::milliseconds time);
  // Keeps the main loop going until the condition holds; false when the time
  // ran out first.
  bool PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit);
  [[nodiscard]] std::chrono::milliseconds Timeout() const noexcept { return options_.timeout; }

  [[nodiscard]] TProgramRun& Run() noexcept { return *run_; }
  // The plugin under test while it is loaded, else null.
  [[nodiscard]] TPluginHolder* Plugin() const;
  // The services the plugin under test registered, in order.
  [[nodiscard]] std::vector<TServiceHolder*> OwnServices() const;
  [[nodiscard]] const std::string& ProgramFolder() const noexcept { return options_.programFolder; }
  [[nodiscard]] TReport& Report() noexcept { return report_; }
  // "'Description'" of a service for messages.
  [[nodiscard]] static std::string Quoted(std::string_view text);

 private:
  TKitOptions options_;
  TReport& report_;
  std::string installedPath_;
  TSimpleConfig settings_;
  std::unique_ptr<TMainLoop> loop_;
  std::unique_ptr<TProgramRun> run_;
};

// A scenario: what it checks is in its body.
struct TScenario {
  const char* name;
  const char* what;
  void (*body)(TKit& kit);
  // Runs before the core starts (null for none).
  void (*beforeStart)(TKit& kit) = nullptr;
};

[[nodiscard]] const std::vector<TScenario>& Scenarios();

}  // namespace kp::kit
