#pragma once
// Opening files and folders inside a shared folder so that nothing outside it is
// ever reached: not through "..", not through a symbolic link whose target lies
// outside, and not through a link swapped in between a check and its use. Every
// step is taken relative to a descriptor of the shared folder; nothing is checked
// by path first and opened by path later.
//
// A link that stays inside the folder is followed, also when its target is an
// absolute path (compared with the folder's canonical path).

#include <optional>
#include <string>
#include <string_view>

#include "core/platform/file_descriptor.h"

namespace kp {

// A shared folder opened once for a series of opens below it.
struct TShareFolderHandle {
  TFileDescriptor Folder;  // O_PATH descriptor of the folder
  std::string Canonical;   // its canonical path, links resolved
  [[nodiscard]] bool valid() const noexcept { return Folder.valid(); }
};

// Opens the folder itself; the folder's own path may go through links (the user
// chose it). Not valid when it is not a folder.
[[nodiscard]] TShareFolderHandle OpenShareFolder(const std::string& folderPath);

enum class TBeneathMethod {
  Automatic,       // the kernel's confined lookup where there is one, else the walk
  WalkComponents,  // one component at a time; the fallback, selectable for tests
};

// Opens the relative path (components separated by "/"; empty means the folder
// itself) below the folder with the open(2) flags given. Fails, with errno set,
// when resolving it would leave the folder at any moment of the lookup.
[[nodiscard]] TFileDescriptor OpenBeneath(const TShareFolderHandle& folder, std::string_view relative,
                                          int flags, TBeneathMethod method = TBeneathMethod::Automatic);

// Opens a real path that the share tree handed out: below its top-level folder
// (the path must begin with the folder's path), or, for a top-level shared file,
// the file itself (pass the file's own path as folderPath).
[[nodiscard]] TFileDescriptor OpenSharedFile(const std::string& folderPath, const std::string& realPath,
                                             int flags);

// The canonical form (links, "." and ".." resolved) of an existing path.
[[nodiscard]] std::optional<std::string> CanonicalPath(const std::string& path);

// True when path is the folder or lies below it; both texts canonical or both as
// the tree writes them.
[[nodiscard]] bool IsSameOrBelow(std::string_view folder, std::string_view path) noexcept;

// True when the path, resolved now, still lies inside the folder, resolved now.
[[nodiscard]] bool ResolvesInside(const std::string& folderPath, const std::string& path);

}  // namespace kp
