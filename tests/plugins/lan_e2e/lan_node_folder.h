#pragma once
// A program folder made ready for a LAN node: the built program's files, the
// LAN plugin with its node list, shared items with their rights, user accounts
// and settings, all written by the core's own writers so the program reads them
// exactly as it would read its own.

#include <cstdint>
#include <string>
#include <vector>

#include "core/host/guid.h"

namespace kp::lan_e2e {

struct TLanNode {
  TGuid guid;
  std::string name;
  std::uint16_t port = 0;
  std::vector<std::string> peers;  // "host:port"
  std::string user;                // presented to peers; empty for none
  std::string password;
};

// A folder or file shared under a name, for everybody (onlyUser empty) or only
// for one account of the first node's service.
struct TLanShare {
  std::string name;
  std::string realPath;  // without a trailing "/"
  bool isFolder = true;
  std::string onlyUser;
};

struct TLanSetting {
  std::string section;
  std::string key;
  std::string value;
};

struct TLanFolderPlan {
  std::string sourceFolder;  // the built program folder (settings, language, icons)
  std::string executable;    // linked or copied in when not empty
  std::string plugin;        // Lan.fpn, copied into Plugins/
  std::vector<TLanNode> nodes;
  std::vector<TLanShare> shares;
  // Accounts (name, password) on the first node's service.
  std::vector<std::pair<std::string, std::string>> accounts;
  std::vector<TLanSetting> settings;
};

// Fills the target folder (which must exist). False with a reason when a file
// could not be copied or written.
[[nodiscard]] bool PrepareLanFolder(const std::string& target, const TLanFolderPlan& plan, std::string& error);

// The node list as the plugin reads it.
[[nodiscard]] std::string LanConfigText(const std::vector<TLanNode>& nodes);

// A GUID of its own for every number.
[[nodiscard]] TGuid NodeGuid(std::uint32_t number);

}  // namespace kp::lan_e2e
