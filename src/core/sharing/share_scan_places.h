#pragma once
// Where the system scan looks: the machine's disks. A disk is a mounted file
// system on a local block device, taken in the order of the mount table; pseudo
// file systems (proc, tmpfs, ...) and network ones are left out. Every other mount
// point is a border that a walk does not cross, so that the walk of "/" neither
// wanders into /proc nor hangs on a network server that does not answer; another
// disk mounted below it is walked as a disk of its own.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kp {

struct TScanPlaces {
  std::vector<std::string> Roots;        // the disks' mount points, in table order, each once
  std::vector<std::string> MountPoints;  // every mount point of the table, disks included
};

// Where the scan looks, asked on the scan's own thread when it starts.
using TScanPlacesSource = std::function<TScanPlaces()>;

// Reads a mount table in the format of /proc/self/mounts (device, mount point,
// type, options, two numbers; blanks in names written as octal escapes).
[[nodiscard]] TScanPlaces ScanPlacesFromMountTable(std::string_view table);
// This machine's, from /proc/self/mounts; none when it cannot be read.
[[nodiscard]] TScanPlaces MachineScanPlaces();

}  // namespace kp
