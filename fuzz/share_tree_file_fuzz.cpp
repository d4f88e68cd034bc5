// Loads any bytes as a saved share tree. Paths are answered from their text, so
// no input touches the disk and both answers occur. The tree must hang together
// (every real path below its top-level folder's), and what it saves must load
// back to the same bytes once the first save has cut what does not fit.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/sharing/share_manager.h"
#include "core/sharing/share_paths.h"
#include "fuzz_check.h"

namespace {

bool Answer(const std::string& path, std::uint32_t no) {
  std::uint32_t hash = 2166136261u;
  for (const char c : path) hash = (hash ^ static_cast<std::uint8_t>(c)) * 16777619u;
  return hash % 4 != no;
}

kp::TSharePathProbe TextProbe() {
  return kp::TSharePathProbe{.isDirectory = [](const std::string& path) { return Answer(path, 0); },
                             .isFile = [](const std::string& path) { return Answer(path, 1); }};
}

void CheckTree(const kp::TShareManager& manager) {
  std::vector<std::shared_ptr<kp::TShareDirectory>> stack{manager.Root()};
  while (!stack.empty()) {
    const auto directory = stack.back();
    stack.pop_back();
    const auto check = [&](const kp::TShareEntry& entry) {
      const std::string name = entry.Name();
      FUZZ_CHECK(entry.VirtualPath().ends_with("/" + name));
      if (entry.IsTopLevel()) return;
      FUZZ_CHECK(!name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos);
      FUZZ_CHECK(kp::IsSameOrBelow(entry.TopLevelRealPath(), entry.RealPath()));
    };
    for (const auto& file : directory->Files(true)) check(*file);
    for (const auto& child : directory->Subdirectories(true)) {
      check(*child);
      stack.push_back(child);
    }
  }
}

std::string LoadAndSave(std::string_view bytes, bool expectLoaded) {
  kp::TShareManager manager;
  manager.SetPathProbe(TextProbe());
  FUZZ_CHECK(manager.LoadShareTreeFromBytes(bytes) == expectLoaded);
  CheckTree(manager);
  return manager.ShareTreeBytes();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string first = LoadAndSave(input, input.starts_with(kp::kShareTreeMagic));
  FUZZ_CHECK(first.starts_with(kp::kShareTreeMagic));
  // Whole records only.
  std::size_t position = kp::kShareTreeMagic.size();
  while (position < first.size()) {
    FUZZ_CHECK(first.size() - position >= 4);
    const bool isFile = first[position] == 0;
    position += 4 + (isFile ? kp::kShareFileBodySize : kp::kShareDirectoryBodySize);
  }
  FUZZ_CHECK(position == first.size());
  // Every load and save reverses the siblings, so two rounds come back.
  const std::string second = LoadAndSave(first, true);
  FUZZ_CHECK(second.size() <= first.size());
  FUZZ_CHECK(LoadAndSave(LoadAndSave(second, true), true) == second);
  return 0;
}
