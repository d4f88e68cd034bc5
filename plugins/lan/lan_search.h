// Asking a node's peers for files (the parts' entry points are in
// lan_plugin.h). What the search sends is built here so it can be checked
// without a network.
#pragma once

#include <cstdint>
#include <string>

namespace lan {

// The request path and query of a search ("/?search=...&format=json...");
// empty when there is nothing to search for. Texts are cleaned and bounded.
std::string SearchQuery(const std::string& text1, const std::string& text2, bool mp3,
                        std::int32_t maximumSize, std::int32_t minimumSize, std::int32_t minimumBitrate);

}  // namespace lan
