#include "kit_harness.h"

#include <unistd.h>

#include <filesystem>

#include "core/host/plugin_holder.h"
#include "core/host/plugin_manager.h"
#include "core/host/process_dispatch.h"
#include "core/services/service_registry.h"

namespace kp::kit {

namespace fs = std::filesystem;

void TReport::Write(std::string_view kind, std::string_view text) {
  // One line per entry: a line break inside a text (a plugin's own words)
  // must not start an entry of its own.
  std::string line(kind);
  line += ' ';
  for (const char c : text) line += (c == '\n' || c == '\r') ? ' ' : c;
  line += '\n';
  std::string_view rest = line;
  while (!rest.empty()) {
    const ssize_t written = ::write(fd_, rest.data(), rest.size());
    if (written <= 0) return;
    rest.remove_prefix(static_cast<std::size_t>(written));
  }
}

void TReport::Fault(std::string_view text) {
  failed_ = true;
  Write("fault", text);
}
void TReport::Note(std::string_view text) { Write("note", text); }
void TReport::Detail(std::string_view text) { Write("detail", text); }
void TReport::Done() { Write("done", ""); }

TKit::TKit(TKitOptions options, TReport& report) : options_(std::move(options)), report_(report) {}

TKit::~TKit() { Finish(); }

bool TKit::Start(const std::function<void(TKit&)>& beforeStart) {
  const fs::path plugins = fs::path(options_.programFolder) / "Plugins";
  std::error_code error;
  fs::create_directories(plugins, error);
  installedPath_ = (plugins / fs::path(options_.pluginPath).filename()).string();
  if (!fs::copy_file(options_.pluginPath, installedPath_, fs::copy_options::overwrite_existing, error)) {
    report_.Fault("cannot copy " + options_.pluginPath + " into the program folder: " + error.message());
    return false;
  }
  for (const std::string& extra : options_.extraFiles) {
    if (!fs::copy_file(extra, plugins / fs::path(extra).filename(), fs::copy_options::overwrite_existing, error)) {
      report_.Fault("cannot copy " + extra + " beside the plugin: " + error.message());
      return false;
    }
  }
  // This thread becomes the main thread, as in the headless program.
  TMainThreadQueue& queue = ProcessMainThreadQueue();
  loop_ = std::make_unique<TMainLoop>(queue);
  run_ = std::make_unique<TProgramRun>(options_.programFolder, settings_, ProcessApiRegistry(),
                                       [this] { loop_->ProcessPendingMessages(); });
  if (beforeStart) beforeStart(*this);
  run_->Start(nullptr);
  for (const TSkippedLibrary& skipped : run_->Plugins().SkippedLibraries()) {
    if (skipped.path == installedPath_) {
      report_.Fault("the program passed the library over: " + skipped.reason);
      return false;
    }
  }
  if (!Plugin()) {
    report_.Fault("the library was not loaded (not a plugin library?)");
    return false;
  }
  return true;
}

void TKit::Finish() {
  if (!run_) return;
  run_->Finish();
}

void TKit::Pump(std::chrono::milliseconds time) {
  static_cast<void>(PumpUntil([] { return false; }, time));
}

bool TKit::PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return false;
    loop_->RunOnce(std::min<std::chrono::steady_clock::duration>(deadline - now, std::chrono::milliseconds(20)));
  }
  return true;
}

TPluginHolder* TKit::Plugin() const {
  if (!run_) return nullptr;
  const TPluginManager& plugins = run_->Plugins();
  for (std::size_t i = 0; i < plugins.GetPluginCount(); ++i) {
    TPluginHolder* plugin = plugins.GetPlugin(i);
    if (plugin->Path() == installedPath_) return plugin;
  }
  return nullptr;
}

std::vector<TServiceHolder*> TKit::OwnServices() const {
  std::vector<TServiceHolder*> own;
  const TPluginHolder* plugin = Plugin();
  if (!plugin) return own;
  for (TServiceHolder* service : run_->Services().Services()) {
    if (service->plugin == plugin) own.push_back(service);
  }
  return own;
}

std::string TKit::Quoted(std::string_view text) {
  constexpr std::size_t kShown = 60;
  std::string quoted = "'";
  for (const char c : text.substr(0, kShown)) {
    const auto byte = static_cast<unsigned char>(c);
    quoted += (byte < 0x20 || byte == 0x7F) ? '?' : c;
  }
  if (text.size() > kShown) quoted += "...";
  return quoted + "'";
}

}  // namespace kp::kit
