#include "lan_e2e/lan_node_folder.h"

#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/config/global_stores.h"
#include "core/config/simple_config.h"
#include "core/platform/file_io.h"
#include "core/sharing/share_manager.h"
#include "core/sharing/shared_access_store.h"
#include "core/sharing/shared_items.h"
#include "core/users/users_file.h"

namespace kp::lan_e2e {
namespace {

namespace fs = std::filesystem;

constexpr const char* kShareTreeFile = "Shared.dat";

bool CopyInto(const fs::path& from, const fs::path& to, bool link, std::string& error) {
  std::error_code failure;
  fs::remove(to, failure);
  // A hard link spares copying the large program file for every node; across
  // file systems it falls back to a copy.
  if (link) {
    fs::create_hard_link(from, to, failure);
    if (!failure) return true;
  }
  failure.clear();
  if (fs::is_directory(from)) {
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing, failure);
  } else {
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, failure);
  }
  if (failure) error = "cannot copy " + from.string() + " to " + to.string() + ": " + failure.message();
  return !failure;
}

bool CopyProgramFiles(const std::string& target, const TLanFolderPlan& plan, std::string& error) {
  const fs::path source(plan.sourceFolder);
  for (const char* name : {"Application4.cfg", "Application.flf", "Layout.cfg", "SharedRules.dat", "Icons"}) {
    if (fs::exists(source / name) && !CopyInto(source / name, fs::path(target) / name, false, error)) return false;
  }
  if (!plan.executable.empty()) {
    const fs::path program(plan.executable);
    if (!CopyInto(program, fs::path(target) / program.filename(), true, error)) return false;
  }
  std::error_code failure;
  fs::create_directories(fs::path(target) / "Plugins", failure);
  if (failure) {
    error = "cannot make the Plugins folder: " + failure.message();
    return false;
  }
  return plan.plugin.empty() || CopyInto(plan.plugin, fs::path(target) / "Plugins" / "Lan.fpn", false, error);
}

TShareAccess OnlyUserAccess(const TGuid& service, const std::string& user) {
  TShareAccess access{};
  std::memcpy(&access.ServiceID, &service, sizeof service);
  std::strncpy(access.UserName, user.c_str(), sizeof access.UserName - 1);
  access.IncludeInSearchRequests = 1;
  return access;
}

bool WriteShares(const std::string& target, const TLanFolderPlan& plan, std::string& error) {
  if (plan.shares.empty()) return true;
  // The tree and its items exactly as a run of the program keeps them, without
  // a main-thread queue: this thread is the main one.
  TShareManager shares;
  TSharedItemList items(shares, nullptr);
  items.Listen();
  for (const TLanShare& share : plan.shares) {
    if (share.isFolder) {
      items.RegisterFolder(shares.AddDirectory(share.realPath, share.name, true, "*.*"), false);
    } else {
      items.RegisterFile(shares.AddFile(share.realPath, share.name), false);
    }
    TSharedItem* item = items.FindSharedItem(share.name);
    if (!item) {
      error = "the share tree did not take " + share.name;
      return false;
    }
    if (!share.onlyUser.empty()) {
      item->AllowAll = false;
      item->AddAccess(OnlyUserAccess(plan.nodes.empty() ? TGuid{} : plan.nodes.front().guid, share.onlyUser));
    }
  }
  if (!shares.SaveShareTree(target + kShareTreeFile) ||
      !SaveSharedAccess(items, target + std::string(kSharedAccessFileName))) {
    error = "cannot write the shares of " + target;
    return false;
  }
  items.ClearSharedItems();
  shares.ClearFiles();
  shares.ClearDirectories();
  return true;
}

bool WriteSettings(const std::string& target, const TLanFolderPlan& plan, std::string& error) {
  if (plan.settings.empty()) return true;
  const std::string path = target + std::string(kSettingsFileName);
  TSimpleConfig store;
  static_cast<void>(store.LoadFromFile(path));
  for (const TLanSetting& setting : plan.settings) {
    store.SelectSection(setting.section);
    store.WriteString(setting.key, setting.value);
  }
  if (!store.SaveToFile(path)) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace

TGuid NodeGuid(std::uint32_t number) {
  return TGuid{0x1A400000u + number, 0x4C41, 0x4E00, {0x8E, 0x2E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01}};
}

std::string LanConfigText(const std::vector<TLanNode>& nodes) {
  std::string text;
  for (const TLanNode& node : nodes) {
    std::string peers;
    for (const std::string& peer : node.peers) peers += (peers.empty() ? "" : ", ") + peer;
    text += "[Node]\nGUID=" + GuidToText(node.guid) + "\nName=" + node.name + "\nPort=" + std::to_string(node.port) +
            "\nPeers=" + peers + "\nUser=" + node.user + "\nPassword=" + node.password + "\nDiscover=0\n\n";
  }
  return text;
}

bool PrepareLanFolder(const std::string& target, const TLanFolderPlan& plan, std::string& error) {
  const std::string folder = target.ends_with('/') ? target : target + "/";
  if (!CopyProgramFiles(folder, plan, error)) return false;
  if (!WriteFileAtomically(folder + "Plugins/Lan.cfg", LanConfigText(plan.nodes))) {
    error = "cannot write the node list";
    return false;
  }
  if (!WriteShares(folder, plan, error) || !WriteSettings(folder, plan, error)) return false;
  if (!plan.accounts.empty()) {
    std::string users;
    for (const auto& [name, password] : plan.accounts) AppendUsersLine(users, plan.nodes.front().guid, name, password);
    if (!WriteFileAtomically(folder + std::string(kUsersFileName), users)) {
      error = "cannot write the accounts";
      return false;
    }
  }
  return true;
}

}  // namespace kp::lan_e2e
