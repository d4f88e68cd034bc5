#pragma once
// Reading and writing whole files. Every file the program writes goes through
// WriteFileAtomically, so a crash or a full disk leaves the previous version intact.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/platform/file_descriptor.h"

namespace kp {

// Files larger than this are refused by the readers of the program's own data files.
inline constexpr std::size_t kMaxDataFileSize = 64u * 1024u * 1024u;

// Opens a regular file of at most maxSize bytes for reading, without waiting: a
// named pipe would block the open until a writer came. No descriptor for
// anything else; size is the file's size at opening.
[[nodiscard]] TFileDescriptor OpenDataFile(const std::string& path, std::size_t maxSize, std::size_t& size);
// Reads up to size bytes, fewer only at the end of the file; -1 on a read error.
[[nodiscard]] long ReadUpTo(int fd, char* buffer, std::size_t size);

// The whole content of a regular file; no value when it cannot be opened or read,
// or when it is larger than maxSize.
[[nodiscard]] std::optional<std::string> ReadWholeFile(const std::string& path,
                                                       std::size_t maxSize = kMaxDataFileSize);

// Writes to a temporary file in the same folder, flushes it to disk, renames it
// over the target and flushes the folder. On failure the temporary file is removed
// and the target is untouched. A new file gets the usual permissions (0666 less the
// umask); a replaced file keeps its own.
[[nodiscard]] bool WriteFileAtomically(const std::string& path, std::string_view content);

// Removes a file; true when no file remains at the path afterwards.
bool RemoveFileIfPresent(const std::string& path);

[[nodiscard]] bool IsRegularFile(const std::string& path);
[[nodiscard]] bool IsDirectory(const std::string& path);

// The folder and the name with one "/" between them (none is added after an
// empty folder).
[[nodiscard]] std::string JoinPath(std::string_view folder, std::string_view name);

// The folder part of a path including its trailing "/", or empty text when the
// path has no folder part.
[[nodiscard]] std::string FolderOfPath(std::string_view path);

}  // namespace kp
