#pragma once
// The Shared functions of the plugin API: plugins serve the user's shared files
// to remote users through them. A request names a service, a user, a password
// and a virtual path; the access check runs on the main thread (the calling
// thread waits for it), everything else on the calling plugin's thread.
//
// Nothing is ever done outside the shared folder a path names: names are looked
// up in the share tree (which holds no "..", no separators in names and no link
// that leads out), and the disk is reached only through descriptors opened
// below the shared folder, with the last name handled by the *at calls that do
// not follow links. A link swapped in during a call leads nowhere.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/host/api_registry.h"
#include "core/sharing/shared_access_check.h"

namespace kp {

class TPluginHolder;

// Results of the file operations and checks.
enum TSharedResultCode : std::int32_t {
  kSharedOk = 0,
  kSharedRefused = -1,        // access refused, right missing, or the system refused
  kSharedNotFound = -2,       // no entry of the required kind at the path
  kSharedRemoveFailed = -3,   // the directory could not be removed
  kSharedAlreadyExists = -4,  // the directory to create exists already
};

// One remote request: who asks, and about which virtual path.
struct TSharedRequest {
  TPluginHolder* Sender = nullptr;  // the calling plugin; null for the core itself
  std::uint32_t Service = 0;
  std::string_view UserName;
  std::string_view Password;
  std::string_view VirtualPath;
};

class TSharedApi {
 public:
  // programFolder: where icons are looked for after the plugin's own folder.
  TSharedApi(TApiRegistry& api, TSharedItemList& items, const TSharedAccessCheck& check,
             std::string programFolder);
  TSharedApi(const TSharedApi&) = delete;
  TSharedApi& operator=(const TSharedApi&) = delete;
  // Ends every browse still open.
  ~TSharedApi();

  // Browsing: a record that lives until EndDirectory, listing nothing when the
  // path is no directory or the access is refused. Any thread.
  [[nodiscard]] std::uint32_t StartDirectory(const TSharedRequest& request, bool recursive);
  [[nodiscard]] bool GetNextResult(std::uint32_t record);
  void EndDirectory(std::uint32_t record);
  [[nodiscard]] std::size_t OpenBrowseCount() const;

  // Any thread.
  [[nodiscard]] std::int32_t CheckReadAccess(const TSharedRequest& request);
  [[nodiscard]] std::int32_t CheckWriteAccess(const TSharedRequest& request);
  // Whether the name exists; nobody's access is looked at.
  [[nodiscard]] bool DirectoryExists(std::string_view virtualPath);
  [[nodiscard]] bool FileExists(std::string_view virtualPath);
  // Fills the plugin's 256-byte buffer; a path that does not fit is refused
  // (kSharedNotFound, buffer empty), never cut.
  [[nodiscard]] std::int32_t GetRealPath(const TSharedRequest& request, char* buffer);
  [[nodiscard]] std::int32_t RemoveDirectory(const TSharedRequest& request);
  [[nodiscard]] std::int32_t DeleteFile(const TSharedRequest& request);
  // The path names the directory to make; it is made with an upper-case name,
  // only inside a directory of the share tree below a shared folder.
  [[nodiscard]] std::int32_t CreateDirectory(const TSharedRequest& request);

  // Main thread: an entry with this real path appeared on disk; the Shared files
  // section gets a row for each such entry in the folder it shows.
  void NoticeItem(std::string_view realPath);

 private:
  struct TBrowse;
  using TBrowsePtr = std::shared_ptr<TBrowse>;

  void Register(TApiRegistry::TScope& scope);
  // The access request, carried to the main thread; out holds the rights.
  bool RequestAccess(const TSharedRequest& request, std::string_view virtualPath, TShareAccess& out);
  [[nodiscard]] TBrowsePtr FindBrowse(std::uint32_t record) const;

  TApiRegistry& registry_;
  TSharedItemList& items_;
  const TSharedAccessCheck& check_;
  const std::string programFolder_;

  mutable std::mutex browsesLock_;
  std::unordered_map<std::uint32_t, TBrowsePtr> browses_;  // by record handle

  // Last: withdrawn first, so no plugin reaches a half-gone object.
  TApiRegistry::TScope api_;
};

}  // namespace kp
