#include "core/sharing/shared_api.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <optional>
#include <vector>

#include "core/config/shared_routines.h"
#include "core/config/text_basics.h"
#include "core/config/text_conversions.h"
#include "core/host/message_packet.h"
#include "core/host/plugin_holder.h"
#include "core/platform/low_memory_heap.h"
#include "core/sharing/share_paths.h"

namespace kp {
namespace {

// The longest real path a plugin's buffer takes whole.
constexpr std::size_t kMaxRealPathLength = kFixedTextSize - 2;

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Texts from plugins end at their NUL; one inside a path can only come from a
// caller that bypassed the plugin entry, and such a path names nothing.
bool UsablePath(std::string_view path) { return path.find('\0') == std::string_view::npos; }

// A name the disk may get inside a directory: one component, nothing that walks.
bool UsableName(std::string_view name) {
  return !name.empty() && name.size() <= NAME_MAX && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

// The names on disk from the top-level folder down to the entry.
std::vector<std::string> NamesBelowTopLevel(const TShareEntry& entry) {
  std::vector<std::string> names;
  for (const TShareEntry* e = &entry; e->Parent() && !e->IsTopLevel(); e = e->Parent().get()) {
    names.push_back(e->Name());
  }
  std::ranges::reverse(names);
  return names;
}

std::string JoinNames(const std::vector<std::string>& names, std::size_t count) {
  std::string path;
  for (std::size_t i = 0; i < count; ++i) {
    if (!path.empty()) path += '/';
    path += names[i];
  }
  return path;
}

// The directory on disk that holds an entry, and the entry's name in it.
struct TPlace {
  TFileDescriptor Directory;
  std::string Name;
};

// Below a shared folder the holding directory is reached from the folder without
// ever leaving it. A top-level shared file lies in the folder the user chose it
// from. A shared folder itself has no place here: its parent is not shared.
std::optional<TPlace> PlaceOf(const TShareEntry& entry) {
  if (!entry.Parent()) return std::nullopt;
  if (entry.IsTopLevel()) {
    if (entry.IsDirectory()) return std::nullopt;
    const std::string path = entry.TopLevelRealPath();
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return std::nullopt;
    const std::string folder = slash == 0 ? std::string("/") : path.substr(0, slash);
    TPlace place{TFileDescriptor(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)),
                 path.substr(slash + 1)};
    if (!place.Directory.valid() || !UsableName(place.Name)) return std::nullopt;
    return place;
  }
  const std::vector<std::string> names = NamesBelowTopLevel(entry);
  if (names.empty() || !UsableName(names.back())) return std::nullopt;
  const TShareFolderHandle folder = OpenShareFolder(entry.TopLevelRealPath());
  TPlace place{OpenBeneath(folder, JoinNames(names, names.size() - 1), O_PATH | O_DIRECTORY), names.back()};
  if (!place.Directory.valid()) return std::nullopt;
  return place;
}

// A descriptor of a directory of the tree below (or at) its shared folder.
TFileDescriptor OpenTreeDirectory(const TShareDirectory& directory) {
  if (directory.IsRoot()) return TFileDescriptor{};
  const std::vector<std::string> names = NamesBelowTopLevel(directory);
  const TShareFolderHandle folder = OpenShareFolder(directory.TopLevelRealPath());
  return OpenBeneath(folder, JoinNames(names, names.size()), O_PATH | O_DIRECTORY);
}

// The kind of what the directory holds under the name, links not followed; 0
// when nothing is there.
mode_t KindAt(int directory, const std::string& name) {
  struct stat status {};
  if (::fstatat(directory, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) return 0;
  return status.st_mode & S_IFMT;
}

// The cursor's entry into the record; a directory has zeros in every number.
void DescribeCurrent(TSharedResultRecord& record, const TShareResults& cursor) {
  record.SetTexts(cursor.Name(), cursor.VirtualPath(), cursor.RealPath());
  TSharedResult& r = record.Record();
  const bool file = !cursor.IsDirectory();
  r.iSize = file ? static_cast<std::int32_t>(cursor.Size()) : 0;
  r.iBitrate = file ? static_cast<std::int32_t>(cursor.Bitrate()) : 0;
  r.iLength = file ? static_cast<std::int32_t>(cursor.Length()) : 0;
  r.iFrequency = file ? static_cast<std::int32_t>(cursor.Frequency()) : 0;
  r.bMP3 = file && cursor.IsMP3() ? 1 : 0;
  r.bDirectory = file ? 0 : 1;
}

char* BufferOf(const TMessagePacket& packet, TPacketName name) noexcept {
  return reinterpret_cast<char*>(static_cast<std::uintptr_t>(packet.GetInteger(name)));
}

}  // namespace

struct TSharedApi::TBrowse {
  std::mutex Lock;  // one step at a time, also for two threads of one plugin
  TSharedResultRecord Record;
  std::unique_ptr<TShareResults> Cursor;  // none: the browse lists nothing
};

TSharedApi::TSharedApi(TApiRegistry& api, TSharedItemList& items, const TSharedAccessCheck& check,
                       std::string programFolder)
    : registry_(api), items_(items), check_(check), programFolder_(std::move(programFolder)), api_(api) {
  Register(api_);
}

TSharedApi::~TSharedApi() {
  std::unordered_map<std::uint32_t, TBrowsePtr> open;
  {
    std::lock_guard lock(browsesLock_);
    open.swap(browses_);
  }
}

void TSharedApi::Register(TApiRegistry::TScope& scope) {
  const auto request = [](const TMessagePacket& p) {
    return TSharedRequest{p.SenderPlugin, p.GetObject("poService"), p.GetString("sUserName"),
                          p.GetString("sPassword"), p.GetString("sVirtualName")};
  };
  scope.Implement("SharedStartDirectory", [this, request](TMessagePacket& p) -> std::int64_t {
    return StartDirectory(request(p), p.GetBoolean("bRecursive"));
  });
  scope.Implement("SharedGetNextResult", [this](TMessagePacket& p) -> std::int64_t {
    return GetNextResult(p.GetObject("pResult")) ? 1 : 0;
  });
  scope.Implement("SharedEndDirectory", [this](TMessagePacket& p) -> std::int64_t {
    EndDirectory(p.GetObject("pResult"));
    return 0;
  });
  scope.Implement("SharedCheckReadAccess",
                  [this, request](TMessagePacket& p) -> std::int64_t { return CheckReadAccess(request(p)); });
  scope.Implement("SharedCheckWriteAccess", [this, request](TMessagePacket& p) -> std::int64_t {
    return CheckWriteAccess(request(p));
  });
  scope.Implement("SharedDirectoryExists", [this](TMessagePacket& p) -> std::int64_t {
    return DirectoryExists(p.GetString("sVirtualName")) ? 1 : 0;
  });
  scope.Implement("SharedFileExists", [this](TMessagePacket& p) -> std::int64_t {
    return FileExists(p.GetString("sVirtualName")) ? 1 : 0;
  });
  scope.Implement("SharedGetRealPath", [this, request](TMessagePacket& p) -> std::int64_t {
    return GetRealPath(request(p), BufferOf(p, "sRealPath"));
  });
  scope.Implement("SharedRemoveDirectory",
                  [this, request](TMessagePacket& p) -> std::int64_t { return RemoveDirectory(request(p)); });
  scope.Implement("SharedDeleteFile",
                  [this, request](TMessagePacket& p) -> std::int64_t { return DeleteFile(request(p)); });
  scope.Implement("SharedCreateDirectory",
                  [this, request](TMessagePacket& p) -> std::int64_t { return CreateDirectory(request(p)); });
  // These three change the Shared files section and run on the main thread.
  scope.Implement("SharedButtonAdd", [this](TMessagePacket& p) -> std::int64_t {
    if (ISharedFilesSection* section = items_.Section()) {
      const std::string_view pluginFolder = p.SenderPlugin ? std::string_view(p.SenderPlugin->Folder()) : "";
      section->AddPluginButton(p.SenderPlugin, LowThirtyTwoBits(p.GetInteger("iCommand")),
                               p.GetString("sDescription"),
                               ResolveIconFile(p.GetString("sIconFileName"), pluginFolder, programFolder_));
    }
    return 0;
  });
  scope.Implement("SharedMenuAdd", [this](TMessagePacket& p) -> std::int64_t {
    ISharedFilesSection* section = items_.Section();
    if (!section) return 0;
    const std::string_view pluginFolder = p.SenderPlugin ? std::string_view(p.SenderPlugin->Folder()) : "";
    return section->AddPluginMenuEntry(
        p.SenderPlugin, LowThirtyTwoBits(p.GetInteger("iCommand")), p.GetObject("poMenu"),
        p.GetString("sDescription"),
        ResolveIconFile(p.GetString("sIconFileName"), pluginFolder, programFolder_));
  });
  scope.Implement("SharedNoticeItem", [this](TMessagePacket& p) -> std::int64_t {
    NoticeItem(p.GetString("sPath"));
    return 0;
  });
}

bool TSharedApi::RequestAccess(const TSharedRequest& request, std::string_view virtualPath,
                               TShareAccess& out) {
  // The record the check fills, as plugins would see it: every flag clear.
  const std::unique_ptr<TShareAccess, LowDeleter<TShareAccess>> access(LowNew<TShareAccess>());
  auto check = [&]() noexcept -> std::int64_t {
    try {
      return check_.CheckAccess(request.Service, request.UserName, request.Password, virtualPath, *access)
                 ? 1
                 : 0;
    } catch (...) {
      return 0;
    }
  };
  // A plugin that is stopping gets 0 here: refused.
  const bool allowed = registry_.MainThreadQueue().Send(check, request.Sender) != 0;
  out = *access;
  return allowed;
}

// ---- browsing ------------------------------------------------------------------

std::uint32_t TSharedApi::StartDirectory(const TSharedRequest& request, bool recursive) {
  TBrowsePtr browse(LowNew<TBrowse>(), LowDeleter<TBrowse>{});
  const std::string_view path = request.VirtualPath;
  TShareAccess access{};
  if (UsablePath(path) && items_.Shares().FindDirectory(path) && RequestAccess(request, path, access)) {
    browse->Record.Record().bIncludeInSearchRequests = access.IncludeInSearchRequests;
    browse->Cursor = items_.Shares().OpenResults(path, recursive);
    browse->Record.Record().poResults = LowAddress(browse.get());
  }
  const std::uint32_t handle = browse->Record.Handle();
  std::lock_guard lock(browsesLock_);
  browses_.emplace(handle, std::move(browse));
  return handle;
}

TSharedApi::TBrowsePtr TSharedApi::FindBrowse(std::uint32_t record) const {
  std::lock_guard lock(browsesLock_);
  const auto it = browses_.find(record);
  return it == browses_.end() ? nullptr : it->second;
}

bool TSharedApi::GetNextResult(std::uint32_t record) {
  const TBrowsePtr browse = FindBrowse(record);
  if (!browse) return false;
  std::lock_guard lock(browse->Lock);
  TShareResults* const cursor = browse->Cursor.get();
  if (!cursor || !cursor->Next()) return false;
  DescribeCurrent(browse->Record, *cursor);
  return true;
}

void TSharedApi::EndDirectory(std::uint32_t record) {
  TBrowsePtr browse;
  {
    std::lock_guard lock(browsesLock_);
    const auto it = browses_.find(record);
    if (it == browses_.end()) return;
    browse = std::move(it->second);
    browses_.erase(it);
  }
  // A step still running on another thread keeps it until that step ends.
}

std::size_t TSharedApi::OpenBrowseCount() const {
  std::lock_guard lock(browsesLock_);
  return browses_.size();
}

// ---- checks --------------------------------------------------------------------

std::int32_t TSharedApi::CheckReadAccess(const TSharedRequest& request) {
  const std::string_view path = request.VirtualPath;
  if (!DirectoryExists(path) && !FileExists(path)) return kSharedRefused;
  TShareAccess access{};
  return RequestAccess(request, path, access) ? kSharedOk : kSharedRefused;
}

std::int32_t TSharedApi::CheckWriteAccess(const TSharedRequest& request) {
  const std::string_view path = request.VirtualPath;
  if (!DirectoryExists(path)) return kSharedRefused;
  TShareAccess access{};
  return RequestAccess(request, path, access) && access.AllowWrite ? kSharedOk : kSharedRefused;
}

bool TSharedApi::DirectoryExists(std::string_view virtualPath) {
  return UsablePath(virtualPath) && items_.Shares().FindDirectory(virtualPath) != nullptr;
}

bool TSharedApi::FileExists(std::string_view virtualPath) {
  return UsablePath(virtualPath) && items_.Shares().FindFile(virtualPath) != nullptr;
}

std::int32_t TSharedApi::GetRealPath(const TSharedRequest& request, char* buffer) {
  if (!buffer) return kSharedRefused;
  buffer[0] = '\0';
  const std::string_view path = request.VirtualPath;
  TShareAccess access{};
  if (!UsablePath(path) || !RequestAccess(request, path, access)) return kSharedRefused;
  if (!FileExists(path) && !DirectoryExists(path)) return kSharedNotFound;
  // Empty when it no longer resolves inside its shared folder.
  const std::string realPath = items_.Shares().GetRealPath(path);
  if (realPath.empty() || realPath.size() > kMaxRealPathLength || realPath.find('\0') != std::string::npos) {
    return kSharedNotFound;
  }
  CopyToFixedText(buffer, realPath);
  return kSharedOk;
}

// ---- file operations -----------------------------------------------------------

std::int32_t TSharedApi::RemoveDirectory(const TSharedRequest& request) {
  const std::string_view path = request.VirtualPath;
  if (!UsablePath(path)) return kSharedNotFound;
  const std::shared_ptr<TShareDirectory> directory = items_.Shares().FindDirectory(path);
  if (!directory) return kSharedNotFound;
  TShareAccess access{};
  if (!RequestAccess(request, path, access) || !access.AllowRemoveDirectory) return kSharedRefused;
  const std::optional<TPlace> place = PlaceOf(*directory);
  if (!place || KindAt(place->Directory.get(), place->Name) != S_IFDIR) return kSharedRemoveFailed;
  return ::unlinkat(place->Directory.get(), place->Name.c_str(), AT_REMOVEDIR) == 0 ? kSharedOk
                                                                                    : kSharedRemoveFailed;
}

std::int32_t TSharedApi::DeleteFile(const TSharedRequest& request) {
  const std::string_view path = request.VirtualPath;
  if (!UsablePath(path)) return kSharedNotFound;
  const std::shared_ptr<TShareFile> file = items_.Shares().FindFile(path);
  if (!file) return kSharedNotFound;
  TShareAccess access{};
  if (!RequestAccess(request, path, access) || !access.AllowDelete) return kSharedRefused;
  // Only a plain file goes; a link found under the name stays.
  const std::optional<TPlace> place = PlaceOf(*file);
  if (!place || KindAt(place->Directory.get(), place->Name) != S_IFREG) return kSharedRefused;
  return ::unlinkat(place->Directory.get(), place->Name.c_str(), 0) == 0 ? kSharedOk : kSharedRefused;
}

std::int32_t TSharedApi::CreateDirectory(const TSharedRequest& request) {
  const std::string path = ToUpperAscii(Trim(request.VirtualPath));
  if (!UsablePath(path)) return kSharedRefused;
  // Cut at the last separator that does not end the path.
  std::size_t cut = std::string::npos;
  for (std::size_t i = path.size() > 1 ? path.size() - 1 : 0; i-- > 0;) {
    if (IsSeparator(path[i])) {
      cut = i;
      break;
    }
  }
  const std::string parentPath = cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
  const std::string name(
      Trim(cut == std::string::npos ? std::string_view(path) : std::string_view(path).substr(cut + 1)));
  TShareAccess access{};
  if (!RequestAccess(request, parentPath, access) || !access.AllowCreateDirectory) return kSharedRefused;
  if (!UsableName(name)) return kSharedRefused;
  // Only inside a directory that the tree has below a shared folder.
  const std::shared_ptr<TShareDirectory> parent = items_.Shares().FindDirectory(parentPath);
  if (!parent || parent->IsRoot()) return kSharedRefused;
  const TFileDescriptor directory = OpenTreeDirectory(*parent);
  if (!directory.valid()) return kSharedRefused;
  const mode_t kind = KindAt(directory.get(), name);
  if (kind == S_IFDIR) return kSharedAlreadyExists;
  if (kind != 0) return kSharedRefused;
  if (::mkdirat(directory.get(), name.c_str(), 0777) == 0) return kSharedOk;
  return errno == EEXIST && KindAt(directory.get(), name) == S_IFDIR ? kSharedAlreadyExists : kSharedRefused;
}

// ---- the Shared files section ----------------------------------------------------

void TSharedApi::NoticeItem(std::string_view realPath) {
  ISharedFilesSection* const section = items_.Section();
  if (!section) return;
  const std::string wanted = ToUpperAscii(Trim(realPath));
  std::unique_ptr<TShareResults> cursor = items_.Shares().OpenResults(Trim(section->ShownLocation()), false);
  while (cursor->Next()) {
    if (ToUpperAscii(Trim(cursor->RealPath())) != wanted) continue;
    auto record = std::make_unique<TSharedResultRecord>();
    DescribeCurrent(*record, *cursor);
    section->AddRow(std::move(record));
  }
  items_.Shares().CloseResults(std::move(cursor));
}

}  // namespace kp
