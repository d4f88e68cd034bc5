#include "core/host/plugin_exports.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>

#include <cstdint>
#include <string_view>

namespace kp {
namespace {

enum class TKind { Function, PointerVariable };

// The library's own entry in the loader's list.
link_map* OwnLinkMap(void* module) noexcept {
  link_map* own = nullptr;
  if (::dlinfo(module, RTLD_DI_LINKMAP, &own) != 0) return nullptr;
  return own;
}

struct TSegmentQuery {
  ElfW(Addr) base;
  std::uintptr_t begin;
  std::uintptr_t end;
  bool writable = false;
};

// Whether [begin, end) lies in a segment of the library that stays writable:
// a loaded, writable segment outside the part made read-only after relocation.
bool StaysWritable(const link_map* own, std::uintptr_t begin, std::size_t size) {
  TSegmentQuery query{own->l_addr, begin, begin + size};
  ::dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void* data) -> int {
        auto& q = *static_cast<TSegmentQuery*>(data);
        if (info->dlpi_addr != q.base) return 0;
        bool inWritable = false;
        bool inReadOnlyAfterRelocation = false;
        for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
          const ElfW(Phdr)& header = info->dlpi_phdr[i];
          const std::uintptr_t start = info->dlpi_addr + header.p_vaddr;
          const bool covers = q.begin >= start && q.end <= start + header.p_memsz;
          if (header.p_type == PT_LOAD && (header.p_flags & PF_W) && covers) inWritable = true;
          if (header.p_type == PT_GNU_RELRO && q.begin < start + header.p_memsz && q.end > start) {
            inReadOnlyAfterRelocation = true;
          }
        }
        q.writable = inWritable && !inReadOnlyAfterRelocation;
        return 1;
      },
      &query);
  return query.writable;
}

// The address of the library's own export of the name, or null. When it has one
// of the wrong kind, problem says so.
void* OwnExport(void* module, const link_map* own, std::string_view name, TKind kind, std::string& problem) {
  if (!own) return nullptr;
  const std::string text(name);
  ::dlerror();
  void* address = ::dlsym(module, text.c_str());
  if (!address) return nullptr;
  Dl_info info{};
  link_map* definer = nullptr;
  if (::dladdr1(address, &info, reinterpret_cast<void**>(&definer), RTLD_DL_LINKMAP) == 0 || definer != own) {
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
  } else if (!StaysWritable(own, reinterpret_cast<std::uintptr_t>(address), sizeof(void*))) {
    problem = "exports " + text + " as a constant, not as a pointer variable";
  } else {
    return address;
  }
  return nullptr;
}

}  // namespace

TPluginExports ReadPluginExports(void* module) {
  TPluginExports exports;
  const link_map* own = OwnLinkMap(module);
  std::string& problem = exports.problem;
  exports.startup = OwnExport(module, own, "TPlugin_OnStartup", TKind::Function, problem);
  if (problem.empty())
    exports.shutdown = OwnExport(module, own, "TPlugin_OnShutdown", TKind::Function, problem);
  if (problem.empty() && (!exports.startup || !exports.shutdown)) {
    problem = "exports no TPlugin_OnStartup or no TPlugin_OnShutdown";
  }
  for (std::size_t e = 0; e < api::kEventCount && problem.empty(); ++e) {
    exports.events[e] = OwnExport(module, own, api::kEvents[e].name, TKind::Function, problem);
  }
  for (std::size_t f = 0; f < api::kApiFunctionCount && problem.empty(); ++f) {
    exports.variables[f] =
        OwnExport(module, own, api::kApiFunctions[f].name, TKind::PointerVariable, problem);
  }
  return exports;
}

}  // namespace kp
