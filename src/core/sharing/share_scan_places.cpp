#include "core/sharing/share_scan_places.h"

#include <algorithm>
#include <array>
#include <optional>

#include "core/platform/file_io.h"

namespace kp {
namespace {

// File systems that reach other machines. Their mounts may carry a device-like
// source, and a server that stopped answering would hang the walk.
constexpr std::array<std::string_view, 14> kNetworkTypes = {"nfs",    "nfs4",  "cifs", "smb3", "smbfs",
                                                            "ncpfs",  "9p",    "afs",  "ceph", "glusterfs",
                                                            "lustre", "davfs", "coda", "ocfs2"};

bool IsDisk(std::string_view source, std::string_view type) {
  if (std::ranges::find(kNetworkTypes, type) != kNetworkTypes.end()) return false;
  // Userspace file systems (fuse.sshfs, fuse.gvfsd-fuse, ...) are mostly network
  // or virtual ones; those on a block device are mounted as "fuseblk".
  if (type == "fuse" || type.starts_with("fuse.")) return false;
  // ZFS names its pool, not a device.
  return source.starts_with("/dev/") || type == "zfs";
}

// The table writes blanks, tabs, newlines and backslashes in names as "\ooo".
std::string Unescape(std::string_view field) {
  std::string text;
  text.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    const auto isOctal = [&](std::size_t at) { return field[at] >= '0' && field[at] <= '7'; };
    if (field[i] == '\\' && i + 3 < field.size() && isOctal(i + 1) && isOctal(i + 2) && isOctal(i + 3)) {
      text.push_back(static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) |
                                       (field[i + 3] - '0')));
      i += 3;
    } else {
      text.push_back(field[i]);
    }
  }
  return text;
}

// The first `count` blank-separated fields of a line.
std::vector<std::string_view> Fields(std::string_view line, std::size_t count) {
  std::vector<std::string_view> fields;
  std::size_t at = 0;
  while (fields.size() < count) {
    at = line.find_first_not_of(" \t", at);
    if (at == std::string_view::npos) break;
    const std::size_t end = std::min(line.find_first_of(" \t", at), line.size());
    fields.push_back(line.substr(at, end - at));
    at = end;
  }
  return fields;
}

}  // namespace

TScanPlaces ScanPlacesFromMountTable(std::string_view table) {
  TScanPlaces places;
  std::size_t start = 0;
  while (start < table.size()) {
    const std::size_t end = std::min(table.find('\n', start), table.size());
    const std::vector<std::string_view> fields = Fields(table.substr(start, end - start), 3);
    start = end + 1;
    if (fields.size() < 3) continue;
    std::string mountPoint = Unescape(fields[1]);
    if (mountPoint.empty() || mountPoint.front() != '/') continue;
    while (mountPoint.size() > 1 && mountPoint.back() == '/') mountPoint.pop_back();
    // A later mount at the same place hides the earlier one: what is walked there
    // is the file system on top.
    const bool disk = IsDisk(Unescape(fields[0]), fields[2]);
    const auto root = std::ranges::find(places.Roots, mountPoint);
    if (disk && root == places.Roots.end()) places.Roots.push_back(mountPoint);
    if (!disk && root != places.Roots.end()) places.Roots.erase(root);
    if (std::ranges::find(places.MountPoints, mountPoint) == places.MountPoints.end()) {
      places.MountPoints.push_back(std::move(mountPoint));
    }
  }
  return places;
}

TScanPlaces MachineScanPlaces() {
  const std::optional<std::string> table = ReadWholeFile("/proc/self/mounts");
  return table ? ScanPlacesFromMountTable(*table) : TScanPlaces{};
}

}  // namespace kp
