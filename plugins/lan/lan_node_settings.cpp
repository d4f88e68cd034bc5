// What a node's settings may hold, and the settings file Lan.cfg: pure
// functions on texts, so the reader can be tested on any input. Every value
// comes from a file or a page the user typed in, so each is checked and
// bounded; a bad value is skipped, never half taken.
#include "lan_nodes.h"

#include <algorithm>
#include <cstdio>

namespace lan {
namespace {

const char* const kDefaultNodeName = "This computer";

// ---- Text helpers

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (IsBlank(text.front()) || text.front() == '\r')) text.remove_prefix(1);
  while (!text.empty() && (IsBlank(text.back()) || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Counts the characters of valid UTF-8 without control characters (C0, DEL,
// C1); -1 for anything else.
long CountPlainCharacters(std::string_view text) {
  long count = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::uint32_t code = 0;
    std::size_t length = 0;
    if (lead < 0x80) {
      code = lead;
      length = 1;
    } else if ((lead & 0xE0) == 0xC0) {
      code = lead & 0x1Fu;
      length = 2;
    } else if ((lead & 0xF0) == 0xE0) {
      code = lead & 0x0Fu;
      length = 3;
    } else if ((lead & 0xF8) == 0xF0) {
      code = lead & 0x07u;
      length = 4;
    } else {
      return -1;
    }
    if (i + length > text.size()) return -1;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return -1;
      code = (code << 6) | (next & 0x3Fu);
    }
    static constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return -1;
    if (code < 0x20 || (code >= 0x7F && code <= 0x9F)) return -1;
    ++count;
    i += length;
  }
  return count;
}

bool IsIpv4(std::string_view host) {
  int parts = 0;
  while (true) {
    std::size_t digits = 0;
    unsigned value = 0;
    while (digits < host.size() && IsDigit(host[digits])) {
      value = value * 10 + static_cast<unsigned>(host[digits] - '0');
      if (++digits > 3) return false;
    }
    if (digits == 0 || value > 255) return false;
    ++parts;
    host.remove_prefix(digits);
    if (host.empty()) return parts == 4;
    if (host.front() != '.' || parts == 4) return false;
    host.remove_prefix(1);
  }
}

bool IsHostName(std::string_view host) {
  if (host.empty() || host.size() > 253) return false;
  std::size_t label = 0;
  for (std::size_t i = 0; i <= host.size(); ++i) {
    if (i == host.size() || host[i] == '.') {
      if (label == 0 || label > 63) return false;
      if (host[i - 1] == '-' || host[i - label] == '-') return false;
      label = 0;
      continue;
    }
    const char c = host[i];
    if (!(IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-')) return false;
    ++label;
  }
  return true;
}

bool IsCredential(std::string_view text) {
  return text.size() <= kMaxCredentialBytes && CountPlainCharacters(text) >= 0;
}

// Splits at '\n' and ','; each piece trimmed, empty ones dropped.
std::vector<std::string_view> SplitPeerText(std::string_view text) {
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != '\n' && text[i] != ',') continue;
    const std::string_view piece = Trim(text.substr(start, i - start));
    if (!piece.empty()) pieces.push_back(piece);
    start = i + 1;
  }
  return pieces;
}

}  // namespace

bool AddPeerOnce(std::vector<std::string>& peers, std::string_view peer) {
  for (const std::string& known : peers) {
    if (EqualNoCase(known, peer)) return false;
  }
  peers.emplace_back(peer);
  return true;
}

NodeSettings DefaultNodeSettings() {
  NodeSettings node;
  node.name = kDefaultNodeName;
  node.port = kDefaultPort;
  node.discover = true;
  return node;
}

// ---- Pure parts

std::string GuidText(const kp_guid& guid) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.Data1,
                guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3],
                guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  return text;
}

bool ParseGuidText(std::string_view text, kp_guid& guid) {
  if (text.size() == 38 && text.front() == '{' && text.back() == '}') text = text.substr(1, 36);
  if (text.size() != 36) return false;
  std::uint8_t bytes[16];
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size();) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (text[i] != '-') return false;
      ++i;
      continue;
    }
    const int high = HexValue(text[i]);
    const int low = HexValue(text[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes[count++] = static_cast<std::uint8_t>(high * 16 + low);
    i += 2;
  }
  kp_guid parsed{};
  parsed.Data1 = (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
                 (std::uint32_t{bytes[2]} << 8) | bytes[3];
  parsed.Data2 = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
  parsed.Data3 = static_cast<std::uint16_t>((bytes[6] << 8) | bytes[7]);
  std::copy(bytes + 8, bytes + 16, parsed.Data4);
  // The nil GUID names nothing: every damaged entry would share it.
  if (SameGuid(parsed, kp_guid{})) return false;
  guid = parsed;
  return true;
}

bool SameGuid(const kp_guid& a, const kp_guid& b) {
  return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
         std::equal(std::begin(a.Data4), std::end(a.Data4), std::begin(b.Data4));
}

bool ParsePort(std::string_view text, std::uint16_t& port) {
  if (text.empty() || text.size() > 5) return false;
  unsigned value = 0;
  for (const char c : text) {
    if (!IsDigit(c)) return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value < 1 || value > 65535) return false;
  port = static_cast<std::uint16_t>(value);
  return true;
}

bool IsValidNodeName(std::string_view name) {
  const long characters = CountPlainCharacters(name);
  // A service's caption holds at most 254 bytes.
  return characters >= 1 && static_cast<std::size_t>(characters) <= kMaxNameChars && name.size() <= 254;
}

bool IsValidPeer(std::string_view peer) {
  const std::size_t colon = peer.rfind(':');
  if (colon == std::string_view::npos) return false;
  const std::string_view host = peer.substr(0, colon);
  std::uint16_t port = 0;
  if (!ParsePort(peer.substr(colon + 1), port)) return false;
  // A host of digits and dots only is an address and must be a whole one:
  // "300.1.1.1" or "10.1" are refused rather than looked up as names.
  const bool numeric =
      !host.empty() && std::all_of(host.begin(), host.end(), [](char c) { return IsDigit(c) || c == '.'; });
  return numeric ? IsIpv4(host) : IsHostName(host);
}

bool IsValidUser(std::string_view user) {
  return IsCredential(user) && user.find(':') == std::string_view::npos;
}

bool IsValidPassword(std::string_view password) { return IsCredential(password); }

bool ParsePeerText(std::string_view text, std::vector<std::string>& peers, std::string& bad) {
  peers.clear();
  bad.clear();
  for (const std::string_view piece : SplitPeerText(text)) {
    if (!IsValidPeer(piece)) {
      bad = std::string(piece.substr(0, 80));
      peers.clear();
      return false;
    }
    AddPeerOnce(peers, piece);
    if (peers.size() > kMaxPeers) {
      peers.clear();
      return false;
    }
  }
  return true;
}

SettingsDraft DraftOf(const NodeSettings& settings) {
  SettingsDraft draft;
  draft.name = settings.name;
  draft.port = settings.port ? std::to_string(settings.port) : std::string();
  for (const std::string& peer : settings.peers) draft.peers += peer + "\n";
  draft.user = settings.user;
  draft.password = settings.password;
  draft.discover = settings.discover;
  return draft;
}

bool SettingsFromDraft(const SettingsDraft& draft, NodeSettings& settings, std::string& problem) {
  NodeSettings checked = settings;
  checked.name = std::string(Trim(draft.name));
  if (!IsValidNodeName(checked.name)) {
    problem = "A node needs a name of 1 to 64 characters, without control characters.";
    return false;
  }
  if (!ParsePort(Trim(draft.port), checked.port)) {
    problem = "The port must be a number from 1 to 65535.";
    return false;
  }
  std::string bad;
  if (!ParsePeerText(draft.peers, checked.peers, bad)) {
    problem = bad.empty() ? "A node can know at most 256 peers."
                          : "\"" + bad + "\" is not a peer. Write host:port, for example 192.168.1.20:8441.";
    return false;
  }
  checked.user = std::string(Trim(draft.user));
  if (!IsValidUser(checked.user)) {
    problem = "The user name may hold up to 255 bytes, no ':' and no control characters.";
    return false;
  }
  checked.password = draft.password;
  if (!IsValidPassword(checked.password)) {
    problem = "The password may hold up to 255 bytes and no control characters.";
    return false;
  }
  checked.discover = draft.discover;
  settings = std::move(checked);
  return true;
}

std::vector<NodeSettings> ParseNodesFile(std::string_view text) {
  std::vector<NodeSettings> parsed;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  NodeSettings current;
  bool inNode = false;
  bool hasGuid = false;
  const auto finish = [&] {
    if (!inNode || !hasGuid || parsed.size() >= kMaxNodes) return;
    const bool repeated = std::any_of(parsed.begin(), parsed.end(), [&](const NodeSettings& node) {
      return SameGuid(node.guid, current.guid);
    });
    if (!repeated) parsed.push_back(current);
  };
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() > kMaxLineBytes) continue;
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#') continue;
    if (trimmed.front() == '[') {
      finish();
      inNode = trimmed.back() == ']' && EqualNoCase(Trim(trimmed.substr(1, trimmed.size() - 2)), "Node");
      current = DefaultNodeSettings();
      hasGuid = false;
      continue;
    }
    const std::size_t equals = line.find('=');
    if (!inNode || equals == std::string_view::npos) continue;
    const std::string_view key = Trim(line.substr(0, equals));
    // A password keeps its blanks; every other value is trimmed.
    const std::string_view raw = line.substr(equals + 1);
    const std::string_view value = Trim(raw);
    if (EqualNoCase(key, "GUID")) {
      hasGuid = ParseGuidText(value, current.guid) || hasGuid;
    } else if (EqualNoCase(key, "Name")) {
      if (IsValidNodeName(value)) current.name = std::string(value);
    } else if (EqualNoCase(key, "Port")) {
      ParsePort(value, current.port);
    } else if (EqualNoCase(key, "Peers")) {
      // Several Peers lines add up: a long list is written over several.
      for (const std::string_view peer : SplitPeerText(value)) {
        if (current.peers.size() >= kMaxPeers) break;
        if (IsValidPeer(peer)) AddPeerOnce(current.peers, peer);
      }
    } else if (EqualNoCase(key, "User")) {
      if (IsValidUser(value)) current.user = std::string(value);
    } else if (EqualNoCase(key, "Password")) {
      if (IsValidPassword(raw)) current.password = std::string(raw);
    } else if (EqualNoCase(key, "Discover")) {
      if (value == "0" || value == "1") current.discover = value == "1";
    }
  }
  finish();
  return parsed;
}

std::string FormatNodesFile(const std::vector<NodeSettings>& all) {
  std::string text;
  for (const NodeSettings& node : all) {
    text += "[Node]\n";
    text += "GUID=" + GuidText(node.guid) + "\n";
    // Only what reads back the same is written; the checks keep newlines out.
    text += "Name=" + (IsValidNodeName(node.name) ? node.name : std::string(kDefaultNodeName)) + "\n";
    text += "Port=" + std::to_string(node.port ? node.port : kDefaultPort) + "\n";
    std::string line;
    std::size_t written = 0;
    for (const std::string& peer : node.peers) {
      if (!IsValidPeer(peer) || written >= kMaxPeers) continue;
      ++written;
      if (!line.empty() && line.size() + 2 + peer.size() > kMaxLineBytes) {
        text += line + "\n";
        line.clear();
      }
      line += line.empty() ? "Peers=" + peer : ", " + peer;
    }
    text += (line.empty() ? std::string("Peers=") : line) + "\n";
    text += "User=" + (IsValidUser(node.user) ? node.user : std::string()) + "\n";
    text += "Password=" + (IsValidPassword(node.password) ? node.password : std::string()) + "\n";
    text += std::string("Discover=") + (node.discover ? "1" : "0") + "\n\n";
  }
  return text;
}

}  // namespace lan
