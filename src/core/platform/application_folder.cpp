#include "core/platform/application_folder.h"

#include <unistd.h>

#include <climits>
#include <vector>

#include "core/platform/file_io.h"

namespace kp {
namespace {

std::string ReadExecutablePath() {
  std::vector<char> buffer(PATH_MAX);
  for (;;) {
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < buffer.size()) {
      return std::string(buffer.data(), static_cast<std::size_t>(length));
    }
    buffer.resize(buffer.size() * 2);
  }
}

// The folder of an executable path with a trailing "/"; "./" when it has none.
std::string ExecutableFolderOf(const std::string& executablePath) {
  std::string folder = FolderOfPath(executablePath);
  return folder.empty() ? std::string("./") : folder;
}

}  // namespace

const std::string& ExecutablePath() {
  static const std::string path = ReadExecutablePath();
  return path;
}

const std::string& ApplicationFolder() {
  static const std::string folder = ExecutableFolderOf(ExecutablePath());
  return folder;
}

}  // namespace kp
