#pragma once
// "Shared.dat": the share tree as the program last saw it, little-endian binary.
// The nine characters "SHARE_1_0", then records, each a 32-bit tag and a body:
// tag 1 a directory (1,037 bytes: real path, name, virtual path, extensions as
// 256-byte texts, the 32-bit count of the records that follow and belong to it,
// the subdirectory flag, an 8-byte stamp), tag 0 a file (793 bytes: real path,
// name, virtual path, the MP3 flag, bitrate, frequency, length, size, and the
// modification time as a double). Texts hold at most 254 characters and a NUL.
//
// Order: the root's files, then each directory followed by its files and,
// depth first, its subdirectories; siblings come in reverse order, as a stack
// would give them back.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/sharing/share_entry.h"

namespace kp {

class TShareDirectory;

inline constexpr std::string_view kShareTreeMagic = "SHARE_1_0";
inline constexpr std::uint32_t kShareFileTag = 0;
inline constexpr std::uint32_t kShareDirectoryTag = 1;
inline constexpr std::size_t kShareDirectoryBodySize = 1'037;
inline constexpr std::size_t kShareFileBodySize = 793;
// A tree of a few hundred thousand files is tens of megabytes.
inline constexpr std::size_t kMaxShareTreeFileSize = 1024u * 1024u * 1024u;

// How loading asks whether a recorded path still exists; tests and fuzzing
// answer without a disk.
struct TSharePathProbe {
  std::function<bool(const std::string&)> isDirectory;
  std::function<bool(const std::string&)> isFile;
  // The disk as it is.
  static TSharePathProbe Disk();
};

// The bytes of the tree below the root, entries marked removed left out.
[[nodiscard]] std::string WriteShareTree(const TShareDirectory& root);

class TShareTreeReader {
 public:
  // Reads records into the (empty) root; top-level entries add events. False for
  // a foreign file; a truncated one keeps what was read. Records whose path no
  // longer exists, or whose names would lead out of their folder, are dropped
  // with their subtrees.
  [[nodiscard]] static bool Read(TShareDirectory& root, std::string_view bytes, const TSharePathProbe& probe,
                                 TShareEventList& events);
};

}  // namespace kp
