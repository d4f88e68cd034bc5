#include "core/host/plugin_exports.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace kp {
namespace {

enum class TKind { Function, PointerVariable };

// One library as the checks see it: its entry in the loader's list, and the
// address ranges of its segments that stay writable (loaded writable, outside
// the part made read-only after relocation), read once for all its exports.
struct TLibrary {
  void* module = nullptr;
  link_map* own = nullptr;
  std::vector<std::pair<std::uintptr_t, std::uintptr_t>> writable;
  std::vector<std::pair<std::uintptr_t, std::uintptr_t>> readOnlyAfterRelocation;

  explicit TLibrary(void* module_) : module(module_) {
    if (::dlinfo(module, RTLD_DI_LINKMAP, &own) != 0) own = nullptr;
    if (!own) return;
    ::dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* data) -> int {
          auto& library = *static_cast<TLibrary*>(data);
          if (info->dlpi_addr != library.own->l_addr) return 0;
          for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
            const ElfW(Phdr)& header = info->dlpi_phdr[i];
            const std::uintptr_t start = info->dlpi_addr + header.p_vaddr;
            const std::pair range{start, start + header.p_memsz};
            if (header.p_type == PT_LOAD && (header.p_flags & PF_W)) library.writable.push_back(range);
            if (header.p_type == PT_GNU_RELRO) library.readOnlyAfterRelocation.push_back(range);
          }
          return 1;
        },
        this);
  }

  [[nodiscard]] bool StaysWritable(std::uintptr_t begin, std::size_t size) const {
    const std::uintptr_t end = begin + size;
    const auto covers = [&](const auto& range) { return begin >= range.first && end <= range.second; };
    const auto touches = [&](const auto& range) { return begin < range.second && end > range.first; };
    return std::any_of(writable.begin(), writable.end(), covers) &&
           std::none_of(readOnlyAfterRelocation.begin(), readOnlyAfterRelocation.end(), touches);
  }
};

// The address of the library's own export of the name, or null. When it has one
// of the wrong kind, problem says so.
void* OwnExport(const TLibrary& library, std::string_view name, TKind kind, std::string& problem) {
  if (!library.own) return nullptr;
  const std::string text(name);
  ::dlerror();
  void* address = ::dlsym(library.module, text.c_str());
  if (!address) return nullptr;
  Dl_info info{};
  link_map* definer = nullptr;
  if (::dladdr1(address, &info, reinterpret_cast<void**>(&definer), RTLD_DL_LINKMAP) == 0 ||
      definer != library.own) {
    return nullptr;
  }
  void* entry = nullptr;
  if (::dladdr1(address, &info, &entry, RTLD_DL_SYMENT) == 0 || !entry) {
    problem = "the export " + text + " cannot be checked";
    return nullptr;
  }
  const auto* symbol = static_cast<const ElfW(Sym)*>(entry);
  const unsigned type = ELF64_ST_TYPE(symbol->st_info);
  if (kind == TKind::Function) {
    if (type == STT_FUNC || type == STT_GNU_IFUNC) return address;
    problem = "exports " + text + " as data, not as a function";
    return nullptr;
  }
  if (type != STT_OBJECT) {
    problem = "exports " + text + " as a function, not as a pointer variable";
  } else if (symbol->st_size != sizeof(void*)) {
    problem = "exports " + text + " as an object of " + std::to_string(symbol->st_size) +
              " bytes, not as a pointer variable";
  } else if (!library.StaysWritable(reinterpret_cast<std::uintptr_t>(address), sizeof(void*))) {
    problem = "exports " + text + " as a constant, not as a pointer variable";
  } else {
    return address;
  }
  return nullptr;
}

}  // namespace

TPluginExports ReadPluginExports(void* module) {
  TPluginExports exports;
  const TLibrary library(module);
  std::string& problem = exports.problem;
  exports.startup = OwnExport(library, "TPlugin_OnStartup", TKind::Function, problem);
  if (problem.empty()) exports.shutdown = OwnExport(library, "TPlugin_OnShutdown", TKind::Function, problem);
  if (problem.empty() && (!exports.startup || !exports.shutdown)) {
    problem = "exports no TPlugin_OnStartup or no TPlugin_OnShutdown";
  }
  for (std::size_t e = 0; e < api::kEventCount && problem.empty(); ++e) {
    exports.events[e] = OwnExport(library, api::kEvents[e].name, TKind::Function, problem);
  }
  for (std::size_t f = 0; f < api::kApiFunctionCount && problem.empty(); ++f) {
    exports.variables[f] = OwnExport(library, api::kApiFunctions[f].name, TKind::PointerVariable, problem);
  }
  return exports;
}

}  // namespace kp
