// Texts of the node's HTTP side that need no program call: reading a request's
// target, Range and Authorization headers, and writing listings, search answers
// and header values. Everything here takes what a stranger sent, so every input
// is bounded and checked and nothing throws.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace lan::http {

// The longest virtual path (decoded) a request may name.
inline constexpr std::size_t kMaxVirtualPathBytes = 1024;
// Query parameters beyond these are ignored.
inline constexpr std::size_t kMaxQueryParameters = 32;
inline constexpr std::size_t kMaxQueryValueBytes = 1024;

enum class TargetStatus {
  kOk,
  kBadRequest,  // a bad escape, an encoded separator or NUL, "." or "..", not starting with '/'
  kTooLong,     // the virtual path is over kMaxVirtualPathBytes
};

struct Target {
  std::vector<std::string> names;  // decoded, none empty; empty for the root
  std::string virtualPath;         // "/" + names joined by '/'
  std::map<std::string, std::string> query;  // decoded; the first of repeated keys
};

// Reads a request target as it came on the request line ("/Music/a%20b.mp3?x=1").
// Each name is decoded on its own, so an encoded '/' cannot join two names.
TargetStatus ParseTarget(std::string_view raw, Target& target);

// A decimal number of digits only, within int64; false otherwise.
bool ParseDecimal(std::string_view text, std::int64_t& value);

// A name percent-encoded for a URL path: only RFC 3986's unreserved characters stay.
std::string PercentEncodeName(std::string_view name);
// "/" + every name of a virtual path encoded ("/" for the root).
std::string EncodeVirtualPath(std::string_view virtualPath);

// One "Range" header against a file of `size` bytes.
struct ByteRange {
  enum class Kind {
    kWhole,          // no header, or one we do not serve (malformed, several ranges): 200
    kPartial,        // 206 for bytes first..last
    kUnsatisfiable,  // 416
  };
  Kind kind = Kind::kWhole;
  std::int64_t first = 0;
  std::int64_t last = -1;  // inclusive
};
ByteRange ParseRange(std::string_view header, std::int64_t size);

// The user and password of an "Authorization: Basic ..." header; false when the
// header is not Basic, its base64 is bad, or the decoded text has no ':'.
bool DecodeBasicAuthorization(std::string_view header, std::string& user, std::string& password);

// Whether an Accept header names application/json.
bool AcceptsJson(std::string_view accept);

// A "Content-Disposition" value that names the file safely in any client.
std::string ContentDisposition(std::string_view name);

std::string EscapeHtml(std::string_view text);

// Blank-separated words of a search text, lower-cased, at most 32 of them.
std::vector<std::string> SearchWords(std::string_view text);
// Whether every word is in the name, letter case ignored; false for no words.
bool NameHasAllWords(std::string_view name, const std::vector<std::string>& words);

struct ListingEntry {
  std::string name;
  bool directory = false;
  std::int64_t size = 0;
  bool mp3 = false;
  std::int32_t bitrate = 0;
  std::int32_t length = 0;
  std::int32_t frequency = 0;
};

struct SearchHit {
  std::string path;  // virtual
  std::string name;
  std::int64_t size = 0;
  std::string hash;
  bool mp3 = false;
  std::int32_t bitrate = 0;
  std::int32_t length = 0;
  std::int32_t frequency = 0;
};

std::string ListingJson(std::string_view node, std::string_view virtualPath, const std::vector<ListingEntry>& entries);
std::string ListingHtml(std::string_view node, std::string_view virtualPath, const std::vector<ListingEntry>& entries);
std::string SearchJson(std::string_view node, const std::vector<SearchHit>& hits);
// {"queued":false} or {"queued":true,"position":P,"size":S}.
std::string BusyJson(bool queued, std::int32_t position, std::int32_t size);

}  // namespace lan::http
