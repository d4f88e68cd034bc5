#pragma once
// The entry a plugin calls for one API function: a libffi closure that knows
// its plugin and its function. It reads the plugin's arguments by the table,
// builds the call's packet with the plugin as sender, and hands it to the
// function's implementation. It keeps no state between calls, so several threads
// of one plugin may call it at the same moment.

#include <cstddef>

namespace kp {

class TApiRegistry;
class TPluginHolder;

class TApiClosure {
 public:
  // Throws std::bad_alloc when no executable memory is left.
  TApiClosure(TPluginHolder& plugin, std::size_t functionIndex, TApiRegistry& registry);
  TApiClosure(const TApiClosure&) = delete;
  TApiClosure& operator=(const TApiClosure&) = delete;
  ~TApiClosure();

  // The plain function address that goes into the plugin's API variable.
  [[nodiscard]] void* EntryAddress() const noexcept { return entry_; }
  [[nodiscard]] std::size_t FunctionIndex() const noexcept { return function_; }

  // What a call through the entry does: libffi hands over the plugin's arguments
  // and the place for the result.
  void Enter(void* result, void** arguments) const noexcept;

 private:
  TPluginHolder& plugin_;
  const std::size_t function_;
  TApiRegistry& registry_;
  void* closure_ = nullptr;  // the ffi_closure
  void* entry_ = nullptr;
};

}  // namespace kp
