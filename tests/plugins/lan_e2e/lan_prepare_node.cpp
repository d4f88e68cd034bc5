// Prepares a program folder for one LAN node, for scripts that start the real
// program on it:
//   lan_prepare_node <folder> <program> <plugin> <port> [options]
//     --share Name=path        a folder shared with everybody
//     --bob-share Name=path    a folder only the account "bob" may read
//     --account name:password  an account on the node's service
//     --set Section.Key=value  a setting
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "lan_e2e/lan_node_folder.h"

namespace {

bool SplitAt(std::string_view text, char separator, std::string& left, std::string& right) {
  const std::size_t at = text.find(separator);
  if (at == std::string_view::npos || at == 0) return false;
  left = text.substr(0, at);
  right = text.substr(at + 1);
  return true;
}

int Usage() {
  std::fprintf(stderr,
               "usage: lan_prepare_node <folder> <program> <plugin> <port> [--share Name=path] "
               "[--bob-share Name=path] [--account name:password] [--set Section.Key=value]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) return Usage();
  const int port = std::atoi(argv[4]);
  if (port <= 0 || port > 65535) return Usage();
  kp::lan_e2e::TLanFolderPlan plan;
  plan.executable = argv[2];
  plan.sourceFolder = plan.executable.substr(0, plan.executable.rfind('/') + 1);
  plan.plugin = argv[3];
  plan.nodes = {{kp::lan_e2e::NodeGuid(10), "Curl", static_cast<std::uint16_t>(port), {}, "", ""}};
  for (int i = 5; i + 1 < argc; i += 2) {
    const std::string_view option = argv[i];
    std::string left, right;
    if (option == "--share" || option == "--bob-share") {
      if (!SplitAt(argv[i + 1], '=', left, right)) return Usage();
      plan.shares.push_back({left, right, true, option == "--share" ? "" : "bob"});
    } else if (option == "--account") {
      if (!SplitAt(argv[i + 1], ':', left, right)) return Usage();
      plan.accounts.emplace_back(left, right);
    } else if (option == "--set") {
      std::string key, value;
      if (!SplitAt(argv[i + 1], '=', key, value) || !SplitAt(key, '.', left, right)) return Usage();
      plan.settings.push_back({left, right, value});
    } else {
      return Usage();
    }
  }
  if ((argc - 5) % 2 != 0) return Usage();
  std::string error;
  if (!kp::lan_e2e::PrepareLanFolder(argv[1], plan, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  return 0;
}
