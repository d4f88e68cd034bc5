#include "core/platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "core/platform/file_descriptor.h"

namespace kp {
namespace {

bool WriteAll(int fd, std::string_view content) {
  const char* data = content.data();
  std::size_t left = content.size();
  while (left > 0) {
    const ssize_t written = ::write(fd, data, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    left -= static_cast<std::size_t>(written);
  }
  return true;
}

// A name beside the target that no other writer of this process or another one uses.
std::string TemporaryNameFor(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  return path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
}

void SyncFolderOf(const std::string& path) {
  std::string folder = FolderOfPath(path);
  if (folder.empty()) folder = ".";
  TFileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.valid()) ::fsync(dir.get());
}

}  // namespace

TFileDescriptor OpenDataFile(const std::string& path, std::size_t maxSize, std::size_t& size) {
  size = 0;
  TFileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!file.valid()) return file;
  struct stat info {};
  if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0 ||
      static_cast<std::uint64_t>(info.st_size) > maxSize) {
    return TFileDescriptor();
  }
  size = static_cast<std::size_t>(info.st_size);
  return file;
}

long ReadUpTo(int fd, char* buffer, std::size_t size) {
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = ::read(fd, buffer + got, size - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return static_cast<long>(got);
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t maxSize) {
  std::size_t size = 0;
  const TFileDescriptor file = OpenDataFile(path, maxSize, size);
  if (!file.valid()) return std::nullopt;
  std::string content;
  content.reserve(size);
  char buffer[65536];
  for (;;) {
    const long got = ReadUpTo(file.get(), buffer, sizeof buffer);
    if (got < 0) return std::nullopt;
    if (got == 0) break;
    if (content.size() + static_cast<std::size_t>(got) > maxSize) return std::nullopt;
    content.append(buffer, static_cast<std::size_t>(got));
  }
  return content;
}

bool WriteFileAtomically(const std::string& requestedPath, std::string_view content) {
  // A link to the file (a settings file kept elsewhere, say) is written through,
  // not replaced by a file of its own.
  std::string path = requestedPath;
  struct stat link {};
  if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    if (char* target = ::realpath(path.c_str(), nullptr)) {
      path = target;
      std::free(target);
    }
  }
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = TemporaryNameFor(path);
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  TFileDescriptor file(fd);
  if (!file.valid()) return false;

  struct stat existing {};
  bool ok = true;
  if (::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
    ok = ::fchmod(file.get(), existing.st_mode & 07777) == 0;
  }
  ok = ok && WriteAll(file.get(), content) && ::fsync(file.get()) == 0;
  ok = file.Close() && ok;
  ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(temporary.c_str());
    return false;
  }
  SyncFolderOf(path);
  return true;
}

bool RemoveFileIfPresent(const std::string& path) {
  if (::unlink(path.c_str()) == 0) return true;
  return errno == ENOENT;
}

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && path.back() != '/') path += '/';
  path += name;
  return path;
}

std::string FolderOfPath(std::string_view path) {
  const auto slash = path.rfind('/');
  if (slash == std::string_view::npos) return {};
  return std::string(path.substr(0, slash + 1));
}

}  // namespace kp
