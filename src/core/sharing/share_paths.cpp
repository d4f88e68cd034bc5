#include "core/sharing/share_paths.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <deque>
#include <vector>

namespace kp {
namespace {

// The same bound the kernel puts on links followed in one lookup.
constexpr int kMaxLinksFollowed = 40;

std::atomic<bool> kernelLacksOpenat2{false};

void PushComponentsFront(std::deque<std::string>& pending, std::string_view path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t slash = path.find('/', start);
    const std::size_t end = slash == std::string_view::npos ? path.size() : slash;
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  pending.insert(pending.begin(), parts.begin(), parts.end());
}

std::optional<std::string> ReadLinkOf(int linkFd) {
  std::string target(PATH_MAX, '\0');
  // An O_PATH descriptor of the link itself with an empty name reads that very
  // link, not whatever the name points to by now.
  const ssize_t length = ::readlinkat(linkFd, "", target.data(), target.size());
  if (length < 0 || static_cast<std::size_t>(length) >= target.size()) return std::nullopt;
  target.resize(static_cast<std::size_t>(length));
  return target;
}

TFileDescriptor Fail(int error) {
  errno = error;
  return TFileDescriptor{};
}

// Resolves like the kernel would, but each component is opened without following
// links, relative to the descriptor of its parent that this walk holds. ".." pops
// that stack of descriptors instead of asking the file system, so a folder moved
// away during the walk cannot lead out either.
TFileDescriptor WalkBeneath(const TShareFolderHandle& folder, std::string_view relative, int flags) {
  std::vector<TFileDescriptor> stack;
  std::deque<std::string> pending;
  PushComponentsFront(pending, relative);
  int linksFollowed = 0;
  const auto current = [&] { return stack.empty() ? folder.Folder.get() : stack.back().get(); };

  while (!pending.empty()) {
    const std::string component = std::move(pending.front());
    pending.pop_front();
    if (component == ".") {
      if (pending.empty()) return TFileDescriptor(::openat(current(), ".", flags | O_CLOEXEC));
      continue;
    }
    if (component == "..") {
      if (stack.empty()) return Fail(EXDEV);
      stack.pop_back();
      if (pending.empty()) return TFileDescriptor(::openat(current(), ".", flags | O_CLOEXEC));
      continue;
    }
    TFileDescriptor step(::openat(current(), component.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (!step.valid()) return TFileDescriptor{};
    struct stat status {};
    if (::fstat(step.get(), &status) != 0) return TFileDescriptor{};
    if (S_ISLNK(status.st_mode)) {
      if (++linksFollowed > kMaxLinksFollowed) return Fail(ELOOP);
      const std::optional<std::string> target = ReadLinkOf(step.get());
      if (!target || target->empty()) return Fail(ENOENT);
      if ((*target)[0] == '/') {
        // An absolute target counts only when it names a place inside the folder;
        // the rest of it is then resolved from the folder again.
        if (folder.Canonical.empty() || !IsSameOrBelow(folder.Canonical, *target)) return Fail(EXDEV);
        stack.clear();
        PushComponentsFront(pending, std::string_view(*target).substr(folder.Canonical.size()));
        if (pending.empty()) pending.emplace_back(".");
      } else {
        PushComponentsFront(pending, *target);
      }
      continue;
    }
    if (!pending.empty()) {
      if (!S_ISDIR(status.st_mode)) return Fail(ENOTDIR);
      stack.push_back(std::move(step));
      continue;
    }
    TFileDescriptor last(::openat(current(), component.c_str(), flags | O_NOFOLLOW | O_CLOEXEC));
    if (!last.valid() && errno != ELOOP && errno != EMLINK) return last;
    if (last.valid() && (::fstat(last.get(), &status) != 0 || !S_ISLNK(status.st_mode))) return last;
    // Swapped for a link since the look above: resolve it like any other link.
    pending.push_front(component);
  }
  return TFileDescriptor(::openat(current(), ".", flags | O_CLOEXEC));
}

TFileDescriptor KernelBeneath(const TShareFolderHandle& folder, std::string_view relative, int flags) {
  open_how how{};
  how.flags = static_cast<unsigned int>(flags | O_CLOEXEC);
  how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
  const std::string path = relative.empty() ? std::string(".") : std::string(relative);
  for (;;) {
    const long fd = ::syscall(SYS_openat2, folder.Folder.get(), path.c_str(), &how, sizeof how);
    if (fd >= 0) return TFileDescriptor(static_cast<int>(fd));
    if (errno != EINTR && errno != EAGAIN) return TFileDescriptor{};
  }
}

}  // namespace

TShareFolderHandle OpenShareFolder(const std::string& folderPath) {
  TShareFolderHandle handle;
  std::optional<std::string> canonical = CanonicalPath(folderPath);
  if (!canonical) return handle;
  // Opened by its canonical path, so the descriptor and the text agree.
  handle.Folder = TFileDescriptor(::open(canonical->c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (handle.Folder.valid()) handle.Canonical = std::move(*canonical);
  return handle;
}

TFileDescriptor OpenBeneath(const TShareFolderHandle& folder, std::string_view relative, int flags,
                            TBeneathMethod method) {
  if (!folder.valid()) return Fail(EBADF);
  if (method == TBeneathMethod::Automatic && !kernelLacksOpenat2.load(std::memory_order_relaxed)) {
    TFileDescriptor fd = KernelBeneath(folder, relative, flags);
    if (fd.valid()) return fd;
    const int error = errno;
    if (error == ENOSYS || error == EPERM) {
      // No openat2 here (an old kernel, or a sandbox that filters it).
      if (error == ENOSYS) kernelLacksOpenat2.store(true, std::memory_order_relaxed);
    } else if (error != EXDEV) {
      return Fail(error);
    }
    // EXDEV also stands for an absolute link that stays inside the folder, which
    // the kernel refuses outright; the walk tells the two apart.
  }
  return WalkBeneath(folder, relative, flags);
}

TFileDescriptor OpenSharedFile(const std::string& folderPath, const std::string& realPath, int flags) {
  if (folderPath == realPath) {
    // A top-level shared file: the user chose this very path.
    return TFileDescriptor(::open(realPath.c_str(), flags | O_CLOEXEC));
  }
  if (!IsSameOrBelow(folderPath, realPath)) return Fail(EXDEV);
  const TShareFolderHandle folder = OpenShareFolder(folderPath);
  std::string_view relative(realPath);
  relative.remove_prefix(folderPath.size());
  while (!relative.empty() && relative.front() == '/') relative.remove_prefix(1);
  return OpenBeneath(folder, relative, flags);
}

std::optional<std::string> CanonicalPath(const std::string& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (!resolved) return std::nullopt;
  std::string result(resolved);
  std::free(resolved);
  return result;
}

bool IsSameOrBelow(std::string_view folder, std::string_view path) noexcept {
  while (folder.size() > 1 && folder.back() == '/') folder.remove_suffix(1);
  if (path.substr(0, folder.size()) != folder) return false;
  if (path.size() == folder.size()) return true;
  return folder == "/" || path[folder.size()] == '/';
}

bool ResolvesInside(const std::string& folderPath, const std::string& path) {
  const std::optional<std::string> folder = CanonicalPath(folderPath);
  const std::optional<std::string> target = CanonicalPath(path);
  return folder && target && IsSameOrBelow(*folder, *target);
}

}  // namespace kp
