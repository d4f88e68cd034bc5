// Small file helpers of the plugin; it links nothing of the program's, so it
// keeps its own.
#pragma once

#include <string>

namespace lan {

// Replaces the file whole: a temporary file beside it, written, flushed to
// disk, then renamed over it. False when any step failed; the old file is then
// untouched and no temporary is left behind.
bool WriteFileAtomically(const std::string& path, const std::string& bytes);

// The whole file, at most maxBytes of it; false when it cannot be read or is larger.
bool ReadSmallFile(const std::string& path, std::size_t maxBytes, std::string& bytes);

}  // namespace lan
