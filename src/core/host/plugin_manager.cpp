#include "core/host/plugin_manager.h"

#include <dlfcn.h>

#include <cstddef>
#include <cstring>
#include <utility>

#include "core/config/shared_routines.h"
#include "core/config/text_basics.h"
#include "core/config/wildcard.h"
#include "core/host/plugin_exports.h"
#include "core/platform/file_io.h"
#include "core/platform/file_scan.h"
#include "keplinor_records.h"

namespace kp {
namespace {

std::string KeyOf(std::string_view path) { return ToUpperAscii(Trim(path)); }

std::string LastLoaderError() {
  const char* error = ::dlerror();
  return error ? error : "unknown error";
}

}  // namespace

TPluginManager::TPluginManager(TApiRegistry& registry, std::function<void()> processPendingMessages)
    : registry_(registry),
      processPending_(std::move(processPendingMessages)),
      applicationBlock_(MakeLowBlock(sizeof(kp_application_block))) {}

TPluginManager::~TPluginManager() { UnloadAllPlugins(); }

void TPluginManager::SetApplicationName(std::string_view name) {
  auto* field =
      reinterpret_cast<char*>(applicationBlock_.get() + offsetof(kp_application_block, ApplicationName));
  std::memset(field, 0, sizeof(kp_application_block::ApplicationName));
  CopyBoundedText(field, KP_APPLICATION_NAME_MAX_LENGTH, name);
}

void TPluginManager::ProcessPending() {
  if (processPending_) processPending_();
}

void TPluginManager::Skip(std::string path, std::string reason) {
  skipped_.push_back({std::move(path), std::move(reason)});
}

void TPluginManager::ScanPlugins(const std::string& folder) {
  UnloadAllPlugins();
  skipped_.clear();

  std::vector<std::string> libraries;
  std::vector<std::string> listFiles;
  TFileScan scan;
  scan.Start(folder, true);
  while (scan.Next()) {
    if (!scan.IsDirectory()) {
      const std::string name = ToUpperAscii(scan.CurrentName());
      if (MatchWildcard("*.FPN", name) || MatchWildcard("*.SO", name)) {
        libraries.push_back(scan.CurrentPath());
      } else if (MatchWildcard("*.FPC", name)) {
        if (static_cast<std::size_t>(scan.Size()) < kListFileLimit) {
          listFiles.push_back(scan.CurrentPath());
        } else {
          Skip(scan.CurrentPath(), "list file of 16,000 bytes or more");
        }
      }
    }
    ProcessPending();
  }

  for (const std::string& listFile : listFiles) {
    LoadListFile(listFile);
    ProcessPending();
  }
  for (const std::string& library : libraries) {
    LoadPlugin(library);
    ProcessPending();
  }
  // Binding may reach into the list through a plugin's calls; walk it by position.
  for (std::size_t i = 0; i < plugins_.size(); ++i) BindPlugin(*plugins_[i]);
}

void TPluginManager::LoadListFile(const std::string& listFile) {
  try {
    const auto content = ReadWholeFile(listFile, kListFileLimit - 1);
    if (!content) {
      Skip(listFile, "list file cannot be read");
      return;
    }
    const std::string folder = FolderOfPath(listFile);
    for (const std::string& line : SplitLines(*content)) {
      if (Trim(line).empty()) continue;
      LoadPlugin(folder + line);
    }
  } catch (...) {
    // A failure while loading from a list file ends that list file only.
    Skip(listFile, "loading from the list file failed");
  }
}

bool TPluginManager::LoadPlugin(const std::string& path) {
  std::string key = KeyOf(path);
  for (const auto& plugin : plugins_) {
    if (plugin->Key() == key) return false;
  }

  void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    Skip(path, LastLoaderError());
    return false;
  }
  // The same library under another path (a link, say) would be started twice.
  for (const auto& plugin : plugins_) {
    if (plugin->Module == module) {
      ::dlclose(module);
      Skip(path, "the same library is already loaded as " + plugin->Path());
      return false;
    }
  }

  auto holder = std::make_unique<TPluginHolder>(path, std::move(key));
  holder->Module = module;
  auto* block = reinterpret_cast<char*>(holder->PluginBlock());
  CopyBoundedText(block + offsetof(kp_plugin_block, LibraryPath), KP_PLUGIN_PATH_MAX_LENGTH, path);
  CopyBoundedText(block + offsetof(kp_plugin_block, LibraryFolder), KP_PLUGIN_PATH_MAX_LENGTH,
                  holder->Folder());

  // Nothing of the library is called or written before all its exports have
  // the kind their names promise.
  const TPluginExports exports = ReadPluginExports(module);
  if (!exports.problem.empty()) {
    ::dlclose(module);
    Skip(path, exports.problem);
    return false;
  }
  holder->Startup = reinterpret_cast<TPluginHolder::StartupFunction>(exports.startup);
  holder->Shutdown = reinterpret_cast<TPluginHolder::ShutdownFunction>(exports.shutdown);
  for (std::size_t e = 0; e < api::kEventCount; ++e) holder->SetEventSlot(e, exports.events[e]);
  for (std::size_t f = 0; f < api::kApiFunctionCount; ++f) holder->SetApiVariable(f, exports.variables[f]);
  plugins_.push_back(std::move(holder));
  return true;
}

void TPluginManager::BindPlugin(TPluginHolder& plugin) {
  // The event slots and the variables' addresses were read, and checked, when
  // the library was loaded.
  for (std::size_t f = 0; f < api::kApiFunctionCount; ++f) {
    void* variable = plugin.ApiVariable(f);
    if (!variable) continue;
    auto stub = std::make_unique<TApiClosure>(plugin, f, registry_);
    void* entry = stub->EntryAddress();
    std::memcpy(variable, &entry, sizeof entry);
    plugin.AddEntryStub(std::move(stub));
  }
  plugin.Startup(ApplicationBlock(), plugin.PluginBlock());
}

void TPluginManager::RefuseCallsFromOtherThreads(TPluginHolder& plugin) {
  // The holder's mark serves the calling-thread functions and the entries' fast
  // path; the queue's refusal releases calls that already wait and closes the
  // gap between an entry's check and its wait.
  plugin.CallingThreads().RefuseOthers();
  registry_.MainThreadQueue().RefuseSender(&plugin);
}

void TPluginManager::RefuseCallsFromOtherThreads() {
  for (const auto& plugin : plugins_) RefuseCallsFromOtherThreads(*plugin);
}

void TPluginManager::UnloadPlugin(std::string_view path) {
  const std::string key = KeyOf(path);
  for (auto it = plugins_.begin(); it != plugins_.end(); ++it) {
    if ((*it)->Key() != key) continue;
    // Taken out of the list first, so nothing reaches it through the manager
    // while it stops.
    std::unique_ptr<TPluginHolder> plugin = std::move(*it);
    plugins_.erase(it);
    RefuseCallsFromOtherThreads(*plugin);
    plugin->Shutdown();
    if (plugin->CallingThreads().WaitUntilAllEnded(kThreadEndPatience)) {
      ::dlclose(plugin->Module);
      registry_.MainThreadQueue().AcceptSender(plugin.get());
    } else {
      // Its code stays mapped and its entries stay callable (they answer 0);
      // the record is never freed, so its address is never another plugin's.
      kept_.push_back(plugin->Path());
      static_cast<void>(plugin.release());
    }
    return;
  }
}

void TPluginManager::UnloadAllPlugins() {
  while (!plugins_.empty()) UnloadPlugin(plugins_.front()->Path());
}

TPluginHolder* TPluginManager::GetPlugin(std::size_t index) const noexcept {
  return index < plugins_.size() ? plugins_[index].get() : nullptr;
}

TPluginHolder* TPluginManager::Loaded(TPluginHolder* plugin) const noexcept {
  if (!plugin) return nullptr;
  for (const auto& loaded : plugins_) {
    if (loaded.get() == plugin) return plugin;
  }
  return nullptr;
}

TPluginHolder* TPluginManager::FindPluginByGUID(const TGuid& guid) const noexcept {
  for (auto it = plugins_.rbegin(); it != plugins_.rend(); ++it) {
    if ((*it)->PluginGuid() == guid) return it->get();
  }
  return nullptr;
}

}  // namespace kp
