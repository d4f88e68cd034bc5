#pragma once
// A small real share for the Shared API tests: the folder "music" shared as
// Music (every right for everybody), "flat" as Flat (no subdirectories), "private"
// as Private (only user u of the service), the file "readme.txt" as Readme, and
// beside them a folder "outside" that nobody may reach. The share tree, the
// items, the access check and the API run on this thread, which is the main one.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/config/text_basics.h"
#include "core/host/api_registry.h"
#include "core/host/main_loop.h"
#include "core/host/plugin_manager.h"
#include "core/services/service_registry.h"
#include "core/sharing/share_manager.h"
#include "core/sharing/share_paths.h"
#include "core/sharing/shared_access_check.h"
#include "core/sharing/shared_api.h"
#include "core/sharing/shared_items.h"
#include "support/temp_folder.h"

namespace kp::test {

inline TShareAccess AccessFor(const TGuid& service, const char* user, const char* flags) {
  TShareAccess access{};
  std::memcpy(&access.ServiceID, &service, sizeof service);
  std::strncpy(access.UserName, user, sizeof access.UserName - 1);
  const std::string f(flags);
  access.IncludeInSearchRequests = f.find('I') != std::string::npos;
  access.AllowWrite = f.find('W') != std::string::npos;
  access.AllowDelete = f.find('D') != std::string::npos;
  access.AllowCreateDirectory = f.find('C') != std::string::npos;
  access.AllowRemoveDirectory = f.find('R') != std::string::npos;
  return access;
}

class SharedFixture : public ::testing::Test {
 protected:
  static constexpr TGuid kServiceGuid{0x51u, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}};

  SharedFixture() {
    temp_.WriteFile("music/one.txt", "one");
    temp_.WriteFile("music/two.txt", "second");
    temp_.WriteFile("music/Sub/inner.txt", "inner");
    temp_.MakeFolder("music/Empty");
    temp_.WriteFile("flat/flat.txt", "flat");
    temp_.MakeFolder("flat/Deeper");
    temp_.WriteFile("private/secret-ish.txt", "p");
    temp_.WriteFile("readme.txt", "readme");
    temp_.WriteFile("outside/secret.txt", "do not touch");
    temp_.MakeFolder("outside/dir");

    items_.Listen();
    const std::uint32_t type = services_.AddType(nullptr, "type", "", TGuid{});
    service_ = services_.AddService(nullptr, type, "service", "", "", 0, kServiceGuid);
    check_.SetUserCheck([](const TServiceHolder&, std::string_view user, std::string_view password) {
      return EqualsIgnoreCase(user, "u") && password == "pw";
    });
    items_.RegisterFile(shares_.AddFile(Real("readme.txt"), "Readme"), false);
    items_.RegisterFolder(shares_.AddDirectory(Real("music"), "Music", true, "*.*"), false);
    items_.RegisterFolder(shares_.AddDirectory(Real("flat"), "Flat", false, "*.*"), false);
    items_.RegisterFolder(shares_.AddDirectory(Real("private"), "Private", true, "*.*"), false);
    items_.FindSharedItem("Music")->AllAccess = AccessFor(TGuid{}, "", "IWDCR");
    items_.FindSharedItem("Flat")->AllAccess = AccessFor(TGuid{}, "", "IWDCR");
    items_.FindSharedItem("Readme")->AllAccess = AccessFor(TGuid{}, "", "IWDCR");
    TSharedItem& secret = *items_.FindSharedItem("Private");
    secret.AllowAll = false;
    secret.AddAccess(AccessFor(kServiceGuid, "u", "IWDCR"));
  }

  // The path below the temporary folder, without a trailing "/".
  std::string Real(std::string_view relative) const { return temp_ / relative; }

  // Everything below the folder: relative names, with the content of files.
  std::map<std::string, std::string> Snapshot(std::string_view relative) const {
    std::map<std::string, std::string> entries;
    const std::filesystem::path root = Real(relative);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
      const std::string name = std::filesystem::relative(entry.path(), root).string();
      entries[name] = entry.is_symlink()        ? "link"
                      : entry.is_regular_file() ? temp_.ReadFile(std::string(relative) + "/" + name)
                                                : "dir";
    }
    return entries;
  }

  TSharedRequest Request(std::string_view path, std::string_view user = "", std::string_view password = "") {
    return TSharedRequest{nullptr, service_, user, password, path};
  }

  TempFolder temp_;
  TMainThreadQueue queue_;
  TDispatcher dispatcher_{queue_};
  TApiRegistry api_{dispatcher_};
  TMainLoop loop_{queue_};
  TServiceRegistry services_{temp_.Path()};
  TShareManager shares_{&queue_};
  TSharedItemList items_{shares_, &plugins_};
  TSharedAccessCheck check_{items_, services_};
  TSharedApi sharedApi_{api_, items_, check_, temp_.Path()};
  std::uint32_t service_ = 0;
  // Last: the plugins stop before anything they may call goes.
  TPluginManager plugins_{api_, [this] { loop_.ProcessPendingMessages(); }};
};

}  // namespace kp::test
