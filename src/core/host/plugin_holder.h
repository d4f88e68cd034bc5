#pragma once
// One loaded plugin: its library, the block it owns and shows the core, its
// start and stop functions, its event slots and the entries bound into it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/host/api_closure.h"
#include "core/host/api_table.h"
#include "core/host/calling_threads.h"
#include "core/host/guid.h"
#include "core/platform/low_memory_heap.h"

namespace kp {

class TPluginHolder {
 public:
  using StartupFunction = void (*)(void* applicationBlock, void* pluginBlock);
  using ShutdownFunction = void (*)();

  TPluginHolder(std::string path, std::string key);
  TPluginHolder(const TPluginHolder&) = delete;
  TPluginHolder& operator=(const TPluginHolder&) = delete;
  // Frees the entries and the block; the library is released by the manager.
  ~TPluginHolder();

  // The library's path as given, and the key it is listed under (trimmed, upper case).
  [[nodiscard]] const std::string& Path() const noexcept { return path_; }
  [[nodiscard]] const std::string& Key() const noexcept { return key_; }
  // The folder of the library's path, with its trailing "/": where the plugin's
  // own icons are looked for first.
  [[nodiscard]] const std::string& Folder() const noexcept { return folder_; }

  void* Module = nullptr;
  StartupFunction Startup = nullptr;
  ShutdownFunction Shutdown = nullptr;

  // The block whose address the plugin receives (kp_plugin_block of the SDK: the
  // core writes the library's path and folder, the plugin its identity); in low
  // memory, zero-filled.
  [[nodiscard]] std::byte* PluginBlock() const noexcept { return block_.get(); }

  // The address of the plugin's export of an event, or null.
  [[nodiscard]] void* EventSlot(std::size_t eventIndex) const noexcept {
    return eventIndex < events_.size() ? events_[eventIndex] : nullptr;
  }
  void SetEventSlot(std::size_t eventIndex, void* address) noexcept { events_.at(eventIndex) = address; }

  // The address of the plugin's API variable of a function (a writable pointer
  // of the library), or null when it exports none.
  [[nodiscard]] void* ApiVariable(std::size_t functionIndex) const noexcept {
    return functionIndex < variables_.size() ? variables_[functionIndex] : nullptr;
  }
  void SetApiVariable(std::size_t functionIndex, void* address) noexcept { variables_.at(functionIndex) = address; }

  // The entries bound into the plugin's API variables, one per variable it exports.
  [[nodiscard]] const std::vector<std::unique_ptr<TApiClosure>>& EntryStubs() const noexcept { return stubs_; }
  void AddEntryStub(std::unique_ptr<TApiClosure> stub) { stubs_.push_back(std::move(stub)); }

  // The plugin's threads that have called the API, and whether their calls are
  // still carried.
  [[nodiscard]] TCallingThreads& CallingThreads() noexcept { return callingThreads_; }

  // What the plugin wrote into its block.
  [[nodiscard]] TGuid PluginGuid() const noexcept;
  // VersionA "." VersionB VersionC, so 1, 0 and 5 give "1.05".
  [[nodiscard]] std::string VersionText() const;
  [[nodiscard]] std::string DisplayName() const;

 private:
  std::string path_;
  std::string key_;
  std::string folder_;
  LowBlock block_;
  std::array<void*, api::kEventCount> events_{};
  std::array<void*, api::kApiFunctionCount> variables_{};
  std::vector<std::unique_ptr<TApiClosure>> stubs_;
  TCallingThreads callingThreads_;
};

// The NUL-terminated text of a block field, never reading past the field.
[[nodiscard]] std::string ReadBlockField(const std::byte* field, std::size_t fieldSize);

}  // namespace kp
