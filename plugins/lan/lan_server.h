// Serving one node over HTTP (libmicrohttpd). The functions the other parts
// call are declared in lan_plugin.h (StartServing, StopServing, StopAllServing,
// the upload events); these are the extras of the serving side.
#pragma once

#include <string>

#include "lan_hash.h"

namespace lan {

// The plugin's one hash cache, kept in LibraryFolder() + "LanHashes.txt". It is
// loaded when the first node starts; StopAllServing saves it.
HashCache& Hashes();
// Writes the cache now (atomically); false when that failed. StopAllServing calls it.
bool SaveHashCache();

}  // namespace lan
