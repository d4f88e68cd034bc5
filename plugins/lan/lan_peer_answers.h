// What a peer answers us, checked before any of it is used, and the texts we
// make from it: result URLs, request paths, local file names. A peer is any
// program on the network, so every field is bounded, typed and cleaned here;
// nothing in this file calls the program.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lan_http_text.h"

namespace lan {

inline constexpr std::size_t kMaxPeerNameBytes = 255;  // one name in a path
inline constexpr std::size_t kMaxNodeNameChars = 64;   // a peer's nick
inline constexpr std::size_t kMaxVirtualPathBytes = 1024;
inline constexpr std::size_t kMaxHitsPerAnswer = 1000;
inline constexpr std::size_t kMaxEntriesPerListing = 100000;
inline constexpr std::size_t kMaxSafeNameBytes = 200;

// What a peer reports: the records it sends us, in the types we send them in.
// Parsed here, every name is checked ("." and ".." and separators refused),
// sizes are non-negative and a hash is 64 lower-case hex digits or empty.
using PeerHit = http::SearchHit;
using PeerEntry = http::ListingEntry;

struct PeerSearchAnswer {
  std::string node;  // the peer's own name, cleaned; may be empty
  std::vector<PeerHit> hits;
};

struct PeerListing {
  std::string node;
  std::string path;
  std::vector<PeerEntry> entries;
};

// Both answer false when the body is not a JSON object; a hit or an entry
// that fails a check is left out, the rest is kept.
bool ParseSearchAnswer(std::string_view body, PeerSearchAnswer& answer);
bool ParseListing(std::string_view body, PeerListing& listing);

// The text without control characters or invalid UTF-8, cut to at most
// maxBytes bytes and maxChars characters on a character boundary.
std::string CleanText(std::string_view text, std::size_t maxBytes, std::size_t maxChars);
// A name as it may stand inside a path: cleaned, not empty, not "." or "..",
// no '/' or '\\'. False when nothing usable is left.
bool CleanPeerName(std::string_view text, std::string& name);
// "/a/b": absolute, every name a valid one (nothing is cleaned away here, a
// path is used to ask for the file again), no control characters, bounded.
bool IsValidVirtualPath(std::string_view path);

// The URL of a result: http://host:port/<encoded path>#size=<n>&hash=<hex>.
// The fragment carries the true 64-bit size and the hash to the download;
// curl never sends it. An empty hash leaves "&hash=" out.
std::string MakeResultUrl(std::string_view peer, std::string_view virtualPath, std::int64_t size,
                          std::string_view hash);

struct ResultUrl {
  std::string address;  // what is asked for: the URL without its fragment
  std::string peer;     // "host:port"
  std::int64_t size = -1;
  std::string hash;  // lower case, or empty
};
// False for anything MakeResultUrl would not have made.
bool ParseResultUrl(std::string_view url, ResultUrl& result);

// A name safe to create in a folder of ours: no '/', no NUL, no control
// characters, not "." or "..", no leading '.', at most kMaxSafeNameBytes bytes;
// "download" when nothing is left.
std::string SafeFileName(std::string_view name);
// "name (n).ext" for n >= 2, the name itself for n < 2.
std::string NumberedName(std::string_view name, int n);

// "bytes first-last/total" of a 206 answer; total is -1 for "*". False for
// anything else, an inverted range or numbers beyond int64.
bool ParseContentRange(std::string_view header, std::int64_t& first, std::int64_t& last, std::int64_t& total);

// The JSON of a busy peer's 503: {"queued":true,"position":P,"size":S}.
// False when the peer did not queue us (or said nothing we can read).
bool ParseQueuedAnswer(std::string_view body, std::int32_t& position, std::int32_t& size);

// Seconds to wait before asking a busy peer again: 1..120, 10 when the
// header is absent or not a number of seconds.
int RetryAfterSeconds(std::string_view header);

}  // namespace lan
