#pragma once
// What a plugin library exports under the names the core looks for, checked
// before the core calls or writes anything: the entry points and events must
// be functions, the API variables writable data objects the size of a pointer.
// A library that exports a name of the tables as something else would make the
// core call data or write into code or constants.

#include <array>
#include <string>

#include "core/host/api_table.h"

namespace kp {

struct TPluginExports {
  void* startup = nullptr;
  void* shutdown = nullptr;
  std::array<void*, api::kEventCount> events{};
  std::array<void*, api::kApiFunctionCount> variables{};
  // Empty when every export has its kind; otherwise why the library is skipped.
  std::string problem;
};

// The exports that the library itself defines (a symbol of the same name that
// only a dependency defines is not the plugin's). A missing entry point is a
// problem; missing events and variables are not.
[[nodiscard]] TPluginExports ReadPluginExports(void* module);

}  // namespace kp
