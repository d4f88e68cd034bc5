#pragma once
// Finds the plugins in the program's "Plugins" folder, loads them, binds the API
// into each, starts them, lets the rest of the core find them, and stops and
// unloads them. Main thread only.

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/host/api_registry.h"
#include "core/host/guid.h"
#include "core/host/plugin_holder.h"

namespace kp {

// A library the loader passed over, and why: shown in the About dialog's plugin
// list and kept for diagnostics, since skipping is otherwise silent.
struct TSkippedLibrary {
  std::string path;
  std::string reason;
};

class TPluginManager {
 public:
  // processPendingMessages keeps the program responsive during a scan (and serves
  // plugin threads that call the API meanwhile); it may be empty.
  TPluginManager(TApiRegistry& registry, std::function<void()> processPendingMessages);
  TPluginManager(const TPluginManager&) = delete;
  TPluginManager& operator=(const TPluginManager&) = delete;
  // Unloads whatever is still loaded.
  ~TPluginManager();

  // Writes the program's name into the block shown to every plugin.
  void SetApplicationName(std::string_view name);
  // kp_application_block of the SDK; in low memory.
  [[nodiscard]] std::byte* ApplicationBlock() const noexcept { return applicationBlock_.get(); }

  // Unloads everything, then loads the libraries named by list files ("*.FPC",
  // under 16,000 bytes) and those found in the folder and its subfolders
  // ("*.SO", "*.FPN"; names compared in upper case), and binds and starts them all.
  void ScanPlugins(const std::string& folder);
  // Loads one library and lists it (not started yet); false when it is already
  // listed, cannot be loaded, or lacks TPlugin_OnStartup or TPlugin_OnShutdown.
  bool LoadPlugin(const std::string& path);
  // Fills the plugin's event slots and API variables, then calls its TPlugin_OnStartup.
  void BindPlugin(TPluginHolder& plugin);
  // Stops, releases and forgets one plugin; an unknown path does nothing. Its
  // calls from other threads are refused first (answered 0 at once), so a plugin
  // may join its threads in TPlugin_OnShutdown. A plugin that leaves a thread
  // running keeps its library (and the entries it may still call) until the
  // process ends: a thread must never return into code that is gone.
  void UnloadPlugin(std::string_view path);
  // Unloads the first loaded plugin until none is left.
  void UnloadAllPlugins();

  // From the end of the program on: every plugin's calls from threads other
  // than this (the main) thread are answered 0 at once, also those waiting.
  void RefuseCallsFromOtherThreads();

  [[nodiscard]] std::size_t GetPluginCount() const noexcept { return plugins_.size(); }
  // The plugin at a position in load order (0 = first loaded); null past the end.
  [[nodiscard]] TPluginHolder* GetPlugin(std::size_t index) const noexcept;
  // The plugin while it is loaded; null for null or a plugin already unloaded.
  [[nodiscard]] TPluginHolder* Loaded(TPluginHolder* plugin) const noexcept;
  // The last plugin in load order that reports this GUID, or null.
  [[nodiscard]] TPluginHolder* FindPluginByGUID(const TGuid& guid) const noexcept;

  [[nodiscard]] const std::vector<TSkippedLibrary>& SkippedLibraries() const noexcept { return skipped_; }
  // Libraries kept loaded at unloading because a thread of theirs still ran.
  [[nodiscard]] const std::vector<std::string>& KeptLibraries() const noexcept { return kept_; }

  // List files of this size or more are ignored.
  static constexpr std::size_t kListFileLimit = 16000;
  // How long a stopped plugin's threads may take to end before its library is
  // kept loaded instead of released.
  static constexpr std::chrono::milliseconds kThreadEndPatience{250};

 private:
  void ProcessPending();
  void LoadListFile(const std::string& listFile);
  void Skip(std::string path, std::string reason);
  void RefuseCallsFromOtherThreads(TPluginHolder& plugin);

  TApiRegistry& registry_;
  std::function<void()> processPending_;
  LowBlock applicationBlock_;
  std::vector<std::unique_ptr<TPluginHolder>> plugins_;
  std::vector<TSkippedLibrary> skipped_;
  std::vector<std::string> kept_;
};

}  // namespace kp
