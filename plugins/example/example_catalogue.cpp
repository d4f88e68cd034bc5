// What the example's pretend network finds. A real network plugin sends the
// query to its servers; this one makes up a few versions of the requested
// file, each held by one to four users of every server, the same on every run.
// A file's hash code depends on the file alone, not on the server or the user,
// which is what lets the program group the copies under one row. The same hash
// code recognises a file again when the user downloads it, and the version
// decides how that download goes.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "example_plugin.h"

namespace {

using example::Delivery;

struct Version {
  const char* suffix;
  const char* extension;
  bool music;
  Delivery delivery;
};

// An MP3 search asks for music only; a search for any file gets the rest too.
// The live recording is popular, so its holders queue us first; the demo's
// holders are on a bad line.
constexpr Version kVersions[] = {
    {"", ".mp3", true, Delivery::Normal},
    {" (live)", ".mp3", true, Delivery::RemotelyQueued},
    {" (radio edit)", ".mp3", true, Delivery::Normal},
    {" (acoustic)", ".mp3", true, Delivery::Normal},
    {" - remastered", ".mp3", true, Delivery::Normal},
    {" (demo)", ".mp3", true, Delivery::FailsOnce},
    {" - video", ".avi", false, Delivery::Normal},
    {" - lyrics", ".txt", false, Delivery::Normal},
    {" - collection", ".zip", false, Delivery::Normal},
};
constexpr int32_t kBitrates[] = {128, 160, 192, 256, 320};

std::string Trim(std::string_view text) {
  const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

// FNV-1a, letter case ignored: "Abba" and "ABBA" find the same files.
uint64_t Mix(std::string_view text, uint64_t seed = 14695981039346656037ull) {
  uint64_t hash = seed;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(c)));
    hash *= 1099511628211ull;
  }
  return hash;
}

std::string Hex(uint64_t high, uint64_t low) {
  char text[33];
  std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(high),
                static_cast<unsigned long long>(low));
  return text;
}

bool SameLetters(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

std::string HashCode(const std::string& description, const std::string& title) {
  const uint64_t key = Mix(description);
  return Hex(key, Mix(title, key));
}

// What the user looks for: artist and title in an MP3 search, else the text.
std::string Title(const example::Query& query) {
  const std::string first = Trim(query.text1);
  if (!query.mp3) return first;
  const std::string second = Trim(query.text2);
  if (first.empty() || second.empty()) return first + second;
  return first + " - " + second;
}

bool WithinLimits(const example::Query& query, const example::Hit& hit) {
  if (query.minimumSize > 0 && hit.size < query.minimumSize) return false;
  if (query.maximumSize > 0 && hit.size > query.maximumSize) return false;
  return hit.bitrate >= query.minimumBitrate;
}

}  // namespace

namespace example {

std::vector<Hit> FindHits(const Query& query, const std::string& serverName, const std::string& address) {
  std::vector<Hit> hits;
  const std::string title = Title(query);
  if (title.empty()) return hits;
  const uint64_t server = Mix(address);
  for (const Version& version : kVersions) {
    if (query.mp3 && !version.music) continue;
    Hit file;
    file.description = title + version.suffix + version.extension;
    const uint64_t key = Mix(file.description);
    file.hashCode = HashCode(file.description, title);
    file.music = version.music;
    if (version.music) {
      file.bitrate = kBitrates[key % std::size(kBitrates)];
      file.length = static_cast<int32_t>(120 + (key >> 8) % 300);
      file.frequency = (key >> 16) % 4 == 0 ? 48000 : 44100;
      file.size = file.bitrate * 125 * file.length;  // kbit/s to bytes
    } else {
      file.size = static_cast<int32_t>(20'000 + (key >> 8) % 700'000'000);
    }
    if (!WithinLimits(query, file)) continue;
    file.info = serverName;
    file.url = "example://" + address + "/files/" + file.hashCode;
    const uint64_t copies = 1 + (key ^ server) % 4;
    for (uint64_t copy = 0; copy < copies; ++copy) {
      Hit hit = file;
      hit.nick = "user" + std::to_string(1000 + Mix(std::to_string(copy), key ^ server) % 9000);
      hits.push_back(std::move(hit));
    }
  }
  return hits;
}

bool Identify(const std::string& description, const std::string& hashCode, CatalogueFile& file) {
  for (const Version& version : kVersions) {
    const std::string tail = std::string(version.suffix) + version.extension;
    if (description.size() <= tail.size() || !description.ends_with(tail)) continue;
    const std::string title = description.substr(0, description.size() - tail.size());
    if (!SameLetters(HashCode(description, title), hashCode)) continue;
    file = CatalogueFile{title, version.delivery};
    return true;
  }
  return false;
}

}  // namespace example
