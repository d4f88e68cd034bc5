#include "lan_peer_answers.h"

#include <algorithm>
#include <limits>
#include <nlohmann/json.hpp>

#include "lan_hash.h"
#include "lan_http_text.h"
#include "lan_nodes.h"

namespace lan {
namespace {

using Json = nlohmann::json;

// A result URL we made is far shorter; anything longer was not made by us.
constexpr std::size_t kMaxResultUrlBytes = 8192;

bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// The length of the valid UTF-8 sequence at the start of text and its code
// point, or 0 for an invalid (overlong, surrogate, cut) one.
std::size_t DecodeUtf8(std::string_view text, char32_t& codePoint) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char first = byte(0);
  if (first < 0x80) {
    codePoint = first;
    return 1;
  }
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (first >= 0xC2 && first <= 0xDF) {
    length = 2;
  } else if (first >= 0xE0 && first <= 0xEF) {
    length = 3;
    if (first == 0xE0) low = 0xA0;
    if (first == 0xED) high = 0x9F;
  } else if (first >= 0xF0 && first <= 0xF4) {
    length = 4;
    if (first == 0xF0) low = 0x90;
    if (first == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  if (byte(1) < low || byte(1) > high) return 0;
  char32_t value = first & (0xFF >> (length + 1));
  value = (value << 6) | (byte(1) & 0x3F);
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    value = (value << 6) | (byte(i) & 0x3F);
  }
  codePoint = value;
  return length;
}

bool IsControl(char32_t c) { return c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0); }

bool IsValidName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F) return false;
  }
  return true;
}

std::string TextField(const Json& object, const char* key) {
  const auto found = object.find(key);
  return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

bool BoolField(const Json& object, const char* key) {
  const auto found = object.find(key);
  return found != object.end() && found->is_boolean() && found->get<bool>();
}

// A non-negative integer that fits int64; floats, strings and negatives fail.
bool SizeField(const Json& object, const char* key, std::int64_t& value) {
  const auto found = object.find(key);
  if (found == object.end()) return false;
  if (found->is_number_unsigned()) {
    const auto number = found->get<std::uint64_t>();
    if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return false;
    value = static_cast<std::int64_t>(number);
    return true;
  }
  if (found->is_number_integer()) {
    value = found->get<std::int64_t>();
    return value >= 0;
  }
  return false;
}

// Audio facts are only shown: anything out of range reads as "none".
std::int32_t SmallNumberField(const Json& object, const char* key) {
  std::int64_t value = 0;
  if (!SizeField(object, key, value) || value > std::numeric_limits<std::int32_t>::max()) return 0;
  return static_cast<std::int32_t>(value);
}

bool ParseObject(std::string_view body, Json& document) {
  document = Json::parse(body.begin(), body.end(), nullptr, /*allow_exceptions=*/false);
  return document.is_object();
}

bool ReadHit(const Json& item, PeerHit& hit) {
  if (!item.is_object()) return false;
  hit.path = TextField(item, "path");
  if (hit.path.size() < 2 || !IsValidVirtualPath(hit.path)) return false;
  if (!SizeField(item, "size", hit.size)) return false;
  if (!CleanPeerName(TextField(item, "name"), hit.name) &&
      !CleanPeerName(std::string_view(hit.path).substr(hit.path.rfind('/') + 1), hit.name)) {
    return false;
  }
  const std::string hash = TextField(item, "hash");
  hit.hash = IsHashText(hash) ? Lower(hash) : std::string();
  hit.mp3 = BoolField(item, "mp3");
  hit.bitrate = SmallNumberField(item, "bitrate");
  hit.length = SmallNumberField(item, "length");
  hit.frequency = SmallNumberField(item, "frequency");
  return true;
}

bool ReadEntry(const Json& item, PeerEntry& entry) {
  if (!item.is_object() || !CleanPeerName(TextField(item, "name"), entry.name)) return false;
  entry.directory = BoolField(item, "dir");
  if (!SizeField(item, "size", entry.size)) {
    if (!entry.directory) return false;
    entry.size = 0;
  }
  entry.mp3 = BoolField(item, "mp3");
  entry.bitrate = SmallNumberField(item, "bitrate");
  entry.length = SmallNumberField(item, "length");
  entry.frequency = SmallNumberField(item, "frequency");
  return true;
}

}  // namespace

std::string CleanText(std::string_view text, std::size_t maxBytes, std::size_t maxChars) {
  std::string clean;
  std::size_t chars = 0;
  while (!text.empty() && chars < maxChars) {
    char32_t codePoint = 0;
    const std::size_t length = DecodeUtf8(text, codePoint);
    if (length == 0) {
      text.remove_prefix(1);
      continue;
    }
    if (!IsControl(codePoint)) {
      if (clean.size() + length > maxBytes) break;
      clean.append(text.substr(0, length));
      ++chars;
    }
    text.remove_prefix(length);
  }
  return clean;
}

bool CleanPeerName(std::string_view text, std::string& name) {
  name = CleanText(text, kMaxPeerNameBytes, kMaxPeerNameBytes);
  if (IsValidName(name)) return true;
  name.clear();
  return false;
}

bool IsValidVirtualPath(std::string_view path) {
  if (path.empty() || path[0] != '/' || path.size() > kMaxVirtualPathBytes) return false;
  if (path == "/") return true;
  std::size_t start = 1;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    if (!IsValidName(path.substr(start, end - start))) return false;
    start = end + 1;
  }
  return true;
}

std::string MakeResultUrl(std::string_view peer, std::string_view virtualPath, std::int64_t size,
                          std::string_view hash) {
  std::string url =
      "http://" + std::string(peer) + http::EncodeVirtualPath(virtualPath) + "#size=" + std::to_string(size);
  if (!hash.empty()) url += "&hash=" + Lower(hash);
  return url;
}

bool ParseResultUrl(std::string_view url, ResultUrl& result) {
  result = ResultUrl{};
  constexpr std::string_view kScheme = "http://";
  if (url.size() > kMaxResultUrlBytes || !url.starts_with(kScheme)) return false;
  const std::size_t fragmentAt = url.find('#');
  if (fragmentAt == std::string_view::npos) return false;
  const std::string_view address = url.substr(0, fragmentAt);
  const std::size_t pathAt = address.find('/', kScheme.size());
  if (pathAt == std::string_view::npos) return false;
  const std::string_view peer = address.substr(kScheme.size(), pathAt - kScheme.size());
  if (!IsValidPeer(peer)) return false;
  const std::string_view path = address.substr(pathAt);
  if (path.size() < 2) return false;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (c == '/' || IsUnreserved(c)) continue;
    if (c != '%' || i + 2 >= path.size() || !IsHexDigit(path[i + 1]) || !IsHexDigit(path[i + 2]))
      return false;
    i += 2;
  }
  std::string_view fragment = url.substr(fragmentAt + 1);
  bool haveSize = false;
  while (!fragment.empty()) {
    const std::size_t amp = std::min(fragment.find('&'), fragment.size());
    const std::string_view pair = fragment.substr(0, amp);
    fragment.remove_prefix(std::min(amp + 1, fragment.size()));
    if (pair.starts_with("size=")) {
      if (!http::ParseDecimal(pair.substr(5), result.size)) return false;
      haveSize = true;
    } else if (pair.starts_with("hash=")) {
      const std::string hash(pair.substr(5));
      if (!IsHashText(hash)) return false;
      result.hash = Lower(hash);
    }
  }
  if (!haveSize) return false;
  result.address = std::string(address);
  result.peer = std::string(peer);
  return true;
}

std::string SafeFileName(std::string_view name) {
  std::string safe = CleanText(name, 4 * kMaxSafeNameBytes, 4 * kMaxSafeNameBytes);
  for (char& c : safe) {
    if (c == '/' || c == '\\') c = '_';
  }
  const std::size_t first = safe.find_first_not_of(". ");
  safe.erase(0, first == std::string::npos ? safe.size() : first);
  safe = CleanText(safe, kMaxSafeNameBytes, kMaxSafeNameBytes);
  return safe.empty() ? "download" : safe;
}

std::string NumberedName(std::string_view name, int n) {
  if (n < 2) return std::string(name);
  const std::string suffix = " (" + std::to_string(n) + ")";
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return std::string(name) + suffix;
  return std::string(name.substr(0, dot)) + suffix + std::string(name.substr(dot));
}

int RetryAfterSeconds(std::string_view header) {
  constexpr int kDefault = 10;
  constexpr int kLongest = 120;
  const std::size_t first = header.find_first_not_of(" \t");
  if (first == std::string_view::npos) return kDefault;
  header = header.substr(first, header.find_last_not_of(" \t\r\n") - first + 1);
  if (header.find_first_not_of("0123456789") != std::string_view::npos) return kDefault;
  // A number of seconds beyond any sane wait is still a number: the longest wait.
  if (header.size() > 9) return kLongest;
  std::int64_t seconds = 0;
  if (!http::ParseDecimal(header, seconds)) return kDefault;
  return static_cast<int>(std::clamp<std::int64_t>(seconds, 1, kLongest));
}

bool ParseContentRange(std::string_view header, std::int64_t& first, std::int64_t& last,
                       std::int64_t& total) {
  constexpr std::string_view kUnit = "bytes ";
  if (!header.starts_with(kUnit)) return false;
  header.remove_prefix(kUnit.size());
  const std::size_t dash = header.find('-');
  const std::size_t slash = header.find('/');
  if (dash == std::string_view::npos || slash == std::string_view::npos || slash < dash) return false;
  if (!http::ParseDecimal(header.substr(0, dash), first) ||
      !http::ParseDecimal(header.substr(dash + 1, slash - dash - 1), last)) {
    return false;
  }
  const std::string_view whole = header.substr(slash + 1);
  if (whole == "*") {
    total = -1;
  } else if (!http::ParseDecimal(whole, total) || last >= total) {
    return false;
  }
  return first <= last;
}

bool ParseQueuedAnswer(std::string_view body, std::int32_t& position, std::int32_t& size) {
  Json document;
  if (!ParseObject(body, document) || !BoolField(document, "queued")) return false;
  position = SmallNumberField(document, "position");
  size = SmallNumberField(document, "size");
  return true;
}

bool ParseSearchAnswer(std::string_view body, PeerSearchAnswer& answer) {
  answer = PeerSearchAnswer{};
  Json document;
  if (!ParseObject(body, document)) return false;
  answer.node = CleanText(TextField(document, "node"), 4 * kMaxNodeNameChars, kMaxNodeNameChars);
  const auto hits = document.find("hits");
  if (hits == document.end() || !hits->is_array()) return true;
  for (const Json& item : *hits) {
    if (answer.hits.size() >= kMaxHitsPerAnswer) break;
    PeerHit hit;
    if (ReadHit(item, hit)) answer.hits.push_back(std::move(hit));
  }
  return true;
}

bool ParseListing(std::string_view body, PeerListing& listing) {
  listing = PeerListing{};
  Json document;
  if (!ParseObject(body, document)) return false;
  listing.node = CleanText(TextField(document, "node"), 4 * kMaxNodeNameChars, kMaxNodeNameChars);
  const std::string path = TextField(document, "path");
  listing.path = IsValidVirtualPath(path) ? path : "/";
  const auto entries = document.find("entries");
  if (entries == document.end() || !entries->is_array()) return true;
  for (const Json& item : *entries) {
    if (listing.entries.size() >= kMaxEntriesPerListing) break;
    PeerEntry entry;
    if (ReadEntry(item, entry)) listing.entries.push_back(std::move(entry));
  }
  return true;
}

}  // namespace lan
