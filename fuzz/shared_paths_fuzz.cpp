// Feeds any virtual paths, user names and passwords to the Shared functions over
// a small real share made once in a temporary folder, with links that point out
// of it and a folder beside it that nobody may reach. Whatever the input, no
// function may hand out, list, change or create anything outside the share.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/host/api_registry.h"
#include "core/host/dispatcher.h"
#include "core/host/main_thread_queue.h"
#include "core/services/service_registry.h"
#include "core/sharing/share_manager.h"
#include "core/sharing/share_paths.h"
#include "core/sharing/shared_access_check.h"
#include "core/sharing/shared_api.h"
#include "core/sharing/shared_items.h"
#include "fuzz_check.h"

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSecret = "outside, never to be touched";

void Write(const fs::path& path, std::string_view content) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

// The share's content as it starts; what the requests delete or make in it is
// put back now and then so the paths keep meeting something.
void Furnish(const fs::path& share) {
  std::error_code ignored;
  fs::remove_all(share, ignored);
  Write(share / "a.txt", "a");
  Write(share / "Sub" / "b.mp3", "b");
  Write(share / "Sub" / "Deep" / "c.txt", "c");
  fs::create_directories(share / "Empty");
  fs::create_directory_symlink("../outside", share / "out");
  fs::create_directory_symlink(fs::path(share).parent_path() / "outside", share / "abs");
  fs::create_symlink("../outside/secret.txt", share / "secret.txt");
  fs::create_directory_symlink("../../outside", share / "Sub" / "up");
  fs::create_directory_symlink("Sub", share / "inner");
}

struct World {
  World() {
    char pattern[] = "/tmp/keplinor-shared-fuzz-XXXXXX";
    FUZZ_CHECK(::mkdtemp(pattern) != nullptr);
    root = fs::path(pattern);
    share = root / "share";
    outside = root / "outside";
    Write(outside / "secret.txt", kSecret);
    fs::create_directories(outside / "dir");
    Furnish(share);
    const std::uint32_t type = services.AddType(nullptr, "type", "", kp::TGuid{});
    service = services.AddService(nullptr, type, "service", "", "", 0, guid);
    check.SetUserCheck([](const kp::TServiceHolder&, std::string_view user, std::string_view password) {
      return user == "u" && password == "pw";
    });
    items.RegisterFolder(shares.AddDirectory(share.string(), "Share", true, "*.*"), false);
    items.RegisterFolder(shares.AddDirectory(share.string() + "/Sub", "Flat", false, "*.txt,"), false);
    items.RegisterFile(shares.AddFile((share / "a.txt").string(), "Single"), false);
    kp::TSharedItem& open = *items.FindSharedItem("Share");
    open.AllowAll = false;
    kp::TShareAccess all{};
    std::memcpy(&all.ServiceID, &guid, sizeof guid);
    all.AllowWrite = all.AllowDelete = all.AllowCreateDirectory = all.AllowRemoveDirectory = 1;
    open.AddAccess(all);
    items.FindSharedItem("Flat")->AllAccess = all;
    items.FindSharedItem("Single")->AllAccess = all;
    canonicalShare = kp::CanonicalPath(share.string()).value_or("");
  }
  ~World() {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }

  // Nothing outside the share has changed, and nothing new lies beside it.
  void CheckOutside() const {
    std::ifstream in(outside / "secret.txt", std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    FUZZ_CHECK(content == kSecret);
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(outside)) {
      FUZZ_CHECK(entry.path().filename() == "secret.txt" || entry.path().filename() == "dir");
      ++count;
    }
    FUZZ_CHECK(count == 2 && fs::is_empty(outside / "dir"));
    count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(root)) ++count;
    FUZZ_CHECK(count == 2);
  }

  // A path handed out lies inside the share, also when resolved now.
  void CheckHandedOut(const std::string& path) const {
    FUZZ_CHECK(kp::IsSameOrBelow(share.string(), path));
    if (fs::exists(fs::symlink_status(path))) {
      const std::string canonical = kp::CanonicalPath(path).value_or(canonicalShare);
      FUZZ_CHECK(kp::IsSameOrBelow(canonicalShare, canonical));
    }
  }

  fs::path root, share, outside;
  std::string canonicalShare;
  const kp::TGuid guid{0xF00Du, 1, 2, {3}};
  kp::TMainThreadQueue queue;
  kp::TDispatcher dispatcher{queue};
  kp::TApiRegistry api{dispatcher};
  kp::TServiceRegistry services{"/nonexistent/"};
  kp::TShareManager shares{&queue};
  kp::TSharedItemList items{shares, nullptr};
  kp::TSharedAccessCheck check{items, services};
  kp::TSharedApi sharedApi{api, items, check, "/nonexistent/"};
  std::uint32_t service = 0;
  std::size_t runs = 0;
};

World& TheWorld() {
  static World world;
  return world;
}

// The input as fields cut at 0xFF bytes: operation, user, password, path.
std::vector<std::string_view> Fields(std::string_view input) {
  std::vector<std::string_view> fields;
  while (fields.size() < 3) {
    const std::size_t cut = input.find('\xff');
    if (cut == std::string_view::npos) break;
    fields.push_back(input.substr(0, cut));
    input.remove_prefix(cut + 1);
  }
  fields.push_back(input);
  while (fields.size() < 4) fields.insert(fields.begin(), std::string_view());
  return fields;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  World& world = TheWorld();
  if (++world.runs % 500 == 0) Furnish(world.share);
  const std::vector<std::string_view> fields =
      Fields(std::string_view(reinterpret_cast<const char*>(data), size));
  const std::uint8_t op = fields[0].empty() ? 0 : static_cast<std::uint8_t>(fields[0][0]);
  // Now and then a service that is not registered.
  const std::uint32_t service = (op & 0x80) ? 0x1234u : world.service;
  const kp::TSharedRequest request{nullptr, service, fields[1], fields[2], fields[3]};
  kp::TSharedApi& api = world.sharedApi;
  switch (op % 10) {
    case 0:
    case 1: {
      const std::uint32_t record = api.StartDirectory(request, op % 10 == 1);
      const auto* r = reinterpret_cast<const kp::TSharedResult*>(static_cast<std::uintptr_t>(record));
      for (int i = 0; i < 64 && api.GetNextResult(record); ++i) {
        world.CheckHandedOut(reinterpret_cast<const char*>(static_cast<std::uintptr_t>(r->sRealPath)));
      }
      api.EndDirectory(record);
      FUZZ_CHECK(api.OpenBrowseCount() == 0 && world.shares.OpenResultsCount() == 0);
      break;
    }
    case 2: {
      char buffer[256];
      std::memset(buffer, 'x', sizeof buffer);
      const std::int32_t result = api.GetRealPath(request, buffer);
      FUZZ_CHECK(std::memchr(buffer, '\0', sizeof buffer) != nullptr);
      if (result == kp::kSharedOk) {
        world.CheckHandedOut(buffer);
      } else {
        FUZZ_CHECK(buffer[0] == '\0');
      }
      break;
    }
    case 3:
      static_cast<void>(api.CheckReadAccess(request));
      static_cast<void>(api.CheckWriteAccess(request));
      break;
    case 4:
      static_cast<void>(api.DirectoryExists(request.VirtualPath));
      static_cast<void>(api.FileExists(request.VirtualPath));
      break;
    case 5:
    case 6:
      static_cast<void>(api.RemoveDirectory(request));
      break;
    case 7:
      static_cast<void>(api.DeleteFile(request));
      break;
    default:
      static_cast<void>(api.CreateDirectory(request));
      break;
  }
  world.CheckOutside();
  return 0;
}
