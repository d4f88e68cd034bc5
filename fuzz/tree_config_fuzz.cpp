// The tree reader takes any bytes, whole or cut into pieces anywhere: the first
// byte gives the number of cuts (0 to 15), the next bytes the lengths of the
// pieces before the last one, the rest is the text. Both readings must give the
// same tree, and the tree must hang together.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/config/text_basics.h"
#include "core/config/tree_config.h"
#include "fuzz_check.h"

namespace {

void Field(std::string& out, std::string_view text) {
  out += std::to_string(text.size());
  out += ':';
  out += text;
}

// Every node in pre-order with its kind, name and values, lengths before texts so
// that no two trees share a dump. Walks with a list of its own, as a tree may be
// nested as deeply as its input is long. Checks the links on the way.
std::string CanonicalDump(const kp::TConfigNode& root) {
  std::string out;
  std::vector<std::pair<const kp::TConfigNode*, char>> pending{{&root, 'R'}};
  while (!pending.empty()) {
    const auto [node, kind] = pending.back();
    pending.pop_back();
    out += kind;
    Field(out, node->name);
    FUZZ_CHECK(node->valueNames.size() == node->valueTexts.size());
    for (std::size_t i = 0; i < node->valueNames.size(); ++i) {
      FUZZ_CHECK(node->valueNames[i] == kp::ToUpperAscii(kp::Trim(node->valueNames[i])));
      FUZZ_CHECK(node->valueNames[i].size() <= kp::kMaxTreeConfigText);
      FUZZ_CHECK(node->valueTexts[i].size() <= kp::kMaxTreeConfigText);
      Field(out, node->valueNames[i]);
      Field(out, node->valueTexts[i]);
    }
    out += '(' + std::to_string(node->folders.size()) + ',' + std::to_string(node->entries.size()) + ')';
    // Pushed in reverse so that they come off in file order, folders first.
    for (auto it = node->entries.rbegin(); it != node->entries.rend(); ++it) {
      FUZZ_CHECK(it->node->parent == nullptr && it->node->folders.empty() && it->node->entries.empty());
      pending.emplace_back(it->node.get(), 'E');
    }
    for (auto it = node->folders.rbegin(); it != node->folders.rend(); ++it) {
      FUZZ_CHECK(it->node->parent == node);
      FUZZ_CHECK(it->node->name.size() <= kp::kMaxTreeConfigText);
      pending.emplace_back(it->node.get(), 'F');
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::size_t cuts = input.empty() ? 0 : static_cast<unsigned char>(input[0]) % 16u;
  if (input.size() < 1 + cuts) cuts = 0;
  const std::string_view lengths = input.substr(input.empty() ? 0 : 1, cuts);
  const std::string_view text = input.substr(std::min(input.size(), 1 + cuts));

  kp::TConfig whole;
  whole.LoadFromBuffer(text);
  FUZZ_CHECK(&whole.Current() == &whole.Root() && &whole.Selected() == &whole.Root());

  kp::TConfig pieces;
  pieces.BeginLoad();
  std::string_view rest = text;
  for (const char length : lengths) {
    const std::size_t take = std::min(rest.size(), static_cast<std::size_t>(static_cast<unsigned char>(length)));
    pieces.LoadPiece(rest.substr(0, take));
    rest.remove_prefix(take);
  }
  pieces.LoadPiece(rest);
  pieces.EndLoad();

  const std::string dump = CanonicalDump(whole.Root());
  FUZZ_CHECK(CanonicalDump(pieces.Root()) == dump);

  // Every root folder with a name free of backslashes is found by its absolute
  // path, as the first of its name; every root entry likewise by SelectEntry.
  for (const auto& folder : whole.Root().folders) {
    if (folder.node->name.empty() || folder.node->name.find('\\') != std::string::npos) continue;
    FUZZ_CHECK(whole.GoTo("\\" + folder.node->name));
    FUZZ_CHECK(&whole.Current() == whole.Root().FindFolder(folder.node->name));
    whole.GoUp();
    FUZZ_CHECK(&whole.Current() == &whole.Root());
  }
  const std::size_t entries = whole.EntryCount();
  for (const auto& entry : whole.Root().entries) {
    FUZZ_CHECK(whole.SelectEntry(entry.node->name));
    FUZZ_CHECK(&whole.Selected() == whole.Root().FindEntry(entry.node->name));
  }
  FUZZ_CHECK(whole.EntryCount() == entries);
  return 0;
}
