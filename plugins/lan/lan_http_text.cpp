#include "lan_http_text.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>
#include <nlohmann/json.hpp>

namespace lan::http {
namespace {

using Json = nlohmann::json;

constexpr std::size_t kMaxSearchWords = 32;
// A Basic header longer than this carries no account anybody typed.
constexpr std::size_t kMaxAuthorizationBytes = 2048;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (LowerAscii(text[i]) != LowerAscii(prefix[i])) return false;
  }
  return true;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// Percent-decodes; '+' is a blank only in query parts. False on a bad escape.
bool PercentDecode(std::string_view text, bool plusIsBlank, std::string& decoded) {
  decoded.clear();
  decoded.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '%') {
      if (i + 2 >= text.size()) return false;
      const int high = HexValue(text[i + 1]);
      const int low = HexValue(text[i + 2]);
      if (high < 0 || low < 0) return false;
      decoded.push_back(static_cast<char>(high * 16 + low));
      i += 2;
    } else if (c == '+' && plusIsBlank) {
      decoded.push_back(' ');
    } else {
      decoded.push_back(c);
    }
  }
  return true;
}

void ParseQuery(std::string_view query, std::map<std::string, std::string>& parameters) {
  std::size_t kept = 0;
  while (!query.empty() && kept < kMaxQueryParameters) {
    const std::size_t end = query.find('&');
    const std::string_view pair = query.substr(0, end);
    query = end == std::string_view::npos ? std::string_view{} : query.substr(end + 1);
    if (pair.empty()) continue;
    const std::size_t equals = pair.find('=');
    const std::string_view rawKey = pair.substr(0, equals);
    const std::string_view rawValue = equals == std::string_view::npos ? std::string_view{} : pair.substr(equals + 1);
    std::string key;
    std::string value;
    if (rawValue.size() > 3 * kMaxQueryValueBytes || !PercentDecode(rawKey, true, key) ||
        !PercentDecode(rawValue, true, value) || key.empty() || value.size() > kMaxQueryValueBytes) {
      continue;
    }
    ++kept;
    parameters.emplace(std::move(key), std::move(value));  // the first of repeated keys stays
  }
}

}  // namespace

bool ParseDecimal(std::string_view text, std::int64_t& value) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc{} && end == text.data() + text.size();
}

namespace {

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// Strict base64 with padding; false on any stray character.
bool DecodeBase64(std::string_view text, std::string& bytes) {
  bytes.clear();
  if (text.size() % 4 != 0) return false;
  for (std::size_t i = 0; i < text.size(); i += 4) {
    const bool last = i + 4 == text.size();
    int values[4];
    int padding = 0;
    for (int j = 0; j < 4; ++j) {
      const char c = text[i + static_cast<std::size_t>(j)];
      if (c == '=' && last && j >= 2) {
        values[j] = 0;
        ++padding;
        continue;
      }
      if (padding > 0) return false;  // data after '='
      values[j] = Base64Value(c);
      if (values[j] < 0) return false;
    }
    const std::uint32_t group = (static_cast<std::uint32_t>(values[0]) << 18) |
                                (static_cast<std::uint32_t>(values[1]) << 12) |
                                (static_cast<std::uint32_t>(values[2]) << 6) | static_cast<std::uint32_t>(values[3]);
    bytes.push_back(static_cast<char>((group >> 16) & 0xFF));
    if (padding < 2) bytes.push_back(static_cast<char>((group >> 8) & 0xFF));
    if (padding < 1) bytes.push_back(static_cast<char>(group & 0xFF));
  }
  return true;
}

bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}

// Invalid UTF-8 in a file name becomes U+FFFD instead of failing the answer.
std::string Dump(const Json& value) {
  try {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
  } catch (const std::exception&) {
    return "{}";
  }
}

Json EntryJson(const ListingEntry& entry) {
  return Json{{"name", entry.name},       {"dir", entry.directory},      {"size", entry.size},
              {"mp3", entry.mp3},         {"bitrate", entry.bitrate},    {"length", entry.length},
              {"frequency", entry.frequency}};
}

std::string SizeText(std::int64_t size) {
  static const char* const kUnits[] = {"bytes", "KiB", "MiB", "GiB", "TiB"};
  if (size < 1024) return std::to_string(size) + " bytes";
  double value = static_cast<double>(size);
  std::size_t unit = 0;
  while (value >= 1024.0 && unit + 1 < std::size(kUnits)) {
    value /= 1024.0;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
  return text;
}

}  // namespace

TargetStatus ParseTarget(std::string_view raw, Target& target) {
  target = Target{};
  const std::size_t fragment = raw.find('#');
  if (fragment != std::string_view::npos) raw = raw.substr(0, fragment);
  const std::size_t question = raw.find('?');
  std::string_view path = raw.substr(0, question);
  if (question != std::string_view::npos) ParseQuery(raw.substr(question + 1), target.query);
  if (path.empty() || path.front() != '/') return TargetStatus::kBadRequest;
  // Even written wholly in escapes (three bytes for one) a path that fits is
  // shorter than this; a longer one is not worth decoding.
  if (path.size() > 4 * kMaxVirtualPathBytes) return TargetStatus::kTooLong;
  std::size_t total = 0;
  while (!path.empty()) {
    path.remove_prefix(1);  // the '/'
    const std::size_t end = path.find('/');
    const std::string_view rawName = path.substr(0, end);
    path = end == std::string_view::npos ? std::string_view{} : path.substr(end);
    if (rawName.empty()) continue;  // "//" and a trailing '/' name nothing
    std::string name;
    if (!PercentDecode(rawName, false, name)) return TargetStatus::kBadRequest;
    if (name == "." || name == ".." || name.find_first_of(std::string_view("/\\\0", 3)) != std::string::npos) {
      return TargetStatus::kBadRequest;
    }
    total += 1 + name.size();
    if (total > kMaxVirtualPathBytes) return TargetStatus::kTooLong;
    target.names.push_back(std::move(name));
  }
  target.virtualPath = "/";
  for (std::size_t i = 0; i < target.names.size(); ++i) {
    if (i > 0) target.virtualPath += '/';
    target.virtualPath += target.names[i];
  }
  return TargetStatus::kOk;
}

std::string PercentEncodeName(std::string_view name) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(name.size() * 3);
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsUnreserved(byte)) {
      encoded.push_back(c);
    } else {
      encoded.push_back('%');
      encoded.push_back(kDigits[byte >> 4]);
      encoded.push_back(kDigits[byte & 15]);
    }
  }
  return encoded;
}

std::string EncodeVirtualPath(std::string_view virtualPath) {
  std::string encoded;
  while (!virtualPath.empty()) {
    const std::size_t end = virtualPath.find('/');
    const std::string_view name = virtualPath.substr(0, end);
    virtualPath = end == std::string_view::npos ? std::string_view{} : virtualPath.substr(end + 1);
    if (name.empty()) continue;
    encoded += '/';
    encoded += PercentEncodeName(name);
  }
  return encoded.empty() ? "/" : encoded;
}

ByteRange ParseRange(std::string_view header, std::int64_t size) {
  ByteRange whole;
  header = TrimBlanks(header);
  if (!StartsWithNoCase(header, "bytes=")) return whole;
  const std::string_view spec = TrimBlanks(header.substr(6));
  if (spec.find(',') != std::string_view::npos) return whole;
  const std::size_t dash = spec.find('-');
  if (dash == std::string_view::npos) return whole;
  const std::string_view firstText = TrimBlanks(spec.substr(0, dash));
  const std::string_view lastText = TrimBlanks(spec.substr(dash + 1));
  ByteRange range;
  range.kind = ByteRange::Kind::kPartial;
  if (firstText.empty()) {
    std::int64_t suffix = 0;
    if (!ParseDecimal(lastText, suffix)) return whole;
    if (suffix == 0 || size <= 0) return ByteRange{ByteRange::Kind::kUnsatisfiable, 0, -1};
    range.first = suffix >= size ? 0 : size - suffix;
    range.last = size - 1;
    return range;
  }
  if (!ParseDecimal(firstText, range.first)) return whole;
  if (lastText.empty()) {
    range.last = size - 1;
  } else if (!ParseDecimal(lastText, range.last)) {
    return whole;
  }
  if (range.first > range.last || range.first >= size) return ByteRange{ByteRange::Kind::kUnsatisfiable, 0, -1};
  range.last = std::min(range.last, size - 1);
  return range;
}

bool DecodeBasicAuthorization(std::string_view header, std::string& user, std::string& password) {
  user.clear();
  password.clear();
  header = TrimBlanks(header);
  if (header.size() > kMaxAuthorizationBytes || !StartsWithNoCase(header, "basic ")) return false;
  std::string decoded;
  if (!DecodeBase64(TrimBlanks(header.substr(6)), decoded)) return false;
  if (decoded.find('\0') != std::string::npos) return false;
  const std::size_t colon = decoded.find(':');
  if (colon == std::string::npos) return false;
  user = decoded.substr(0, colon);
  password = decoded.substr(colon + 1);
  return true;
}

bool AcceptsJson(std::string_view accept) {
  std::string lower(accept.substr(0, 4096));
  std::transform(lower.begin(), lower.end(), lower.begin(), LowerAscii);
  return lower.find("application/json") != std::string::npos;
}

std::string ContentDisposition(std::string_view name) {
  constexpr std::size_t kMaxNameBytes = 200;
  name = name.substr(0, kMaxNameBytes);
  if (name.empty() || name == "." || name == "..") return "attachment; filename=\"download\"";
  // Old clients read only the quoted name: printable ASCII without quote,
  // backslash or separators; everything else becomes '_'.
  std::string plain;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    const bool safe = byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\' && c != '/' && c != ';' && c != '%';
    plain.push_back(safe ? c : '_');
  }
  if (plain.front() == '.') plain.front() = '_';  // no hidden file
  return "attachment; filename=\"" + plain + "\"; filename*=UTF-8''" + PercentEncodeName(name);
}

std::string EscapeHtml(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      case '\'': escaped += "&#39;"; break;
      default: escaped.push_back(c);
    }
  }
  return escaped;
}

std::vector<std::string> SearchWords(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    const bool blank = i == text.size() || text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n';
    if (!blank) {
      word.push_back(LowerAscii(text[i]));
    } else if (!word.empty()) {
      if (words.size() == kMaxSearchWords) break;
      words.push_back(std::move(word));
      word.clear();
    }
  }
  return words;
}

bool NameHasAllWords(std::string_view name, const std::vector<std::string>& words) {
  if (words.empty()) return false;
  std::string lower(name);
  std::transform(lower.begin(), lower.end(), lower.begin(), LowerAscii);
  return std::all_of(words.begin(), words.end(),
                     [&lower](const std::string& word) { return lower.find(word) != std::string::npos; });
}

std::string ListingJson(std::string_view node, std::string_view virtualPath, const std::vector<ListingEntry>& entries) {
  Json list = Json::array();
  for (const ListingEntry& entry : entries) list.push_back(EntryJson(entry));
  return Dump(Json{{"node", node}, {"path", virtualPath}, {"entries", std::move(list)}});
}

std::string ListingHtml(std::string_view node, std::string_view virtualPath, const std::vector<ListingEntry>& entries) {
  const std::string base = EncodeVirtualPath(virtualPath);
  const std::string prefix = base == "/" ? base : base + "/";
  const std::string title = EscapeHtml(node) + " &#8212; " + EscapeHtml(virtualPath);
  std::string html = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + title +
                     "</title></head>\n<body><h1>" + title + "</h1>\n<ul>\n";
  if (virtualPath != "/") {
    const std::size_t slash = base.rfind('/');
    html += "<li><a href=\"" + EscapeHtml(slash == 0 ? "/" : base.substr(0, slash)) + "\">..</a></li>\n";
  }
  for (const ListingEntry& entry : entries) {
    const std::string link = prefix + PercentEncodeName(entry.name) + (entry.directory ? "/" : "");
    html += "<li><a href=\"" + EscapeHtml(link) + "\">" + EscapeHtml(entry.name) + (entry.directory ? "/" : "") +
            "</a>";
    if (!entry.directory) html += " (" + SizeText(entry.size) + ")";
    html += "</li>\n";
  }
  html += "</ul>\n</body></html>\n";
  return html;
}

std::string SearchJson(std::string_view node, const std::vector<SearchHit>& hits) {
  Json list = Json::array();
  for (const SearchHit& hit : hits) {
    list.push_back(Json{{"path", hit.path},         {"name", hit.name},     {"size", hit.size},
                        {"hash", hit.hash},         {"mp3", hit.mp3},       {"bitrate", hit.bitrate},
                        {"length", hit.length},     {"frequency", hit.frequency}});
  }
  return Dump(Json{{"node", node}, {"hits", std::move(list)}});
}

std::string BusyJson(bool queued, std::int32_t position, std::int32_t size) {
  if (!queued) return Dump(Json{{"queued", false}});
  return Dump(Json{{"queued", true}, {"position", position}, {"size", size}});
}

}  // namespace lan::http
