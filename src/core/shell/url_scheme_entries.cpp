#include "core/shell/url_scheme_entries.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

#include "core/config/autostart_entry.h"
#include "core/config/text_basics.h"
#include "core/platform/file_io.h"

namespace kp {
namespace {

constexpr std::string_view kDefaultsSection = "[Default Applications]";
constexpr std::string_view kAddedSection = "[Added Associations]";
constexpr std::string_view kCacheSection = "[MIME Cache]";
// Association files are small; a huge one is not read.
constexpr std::size_t kMaxAssociationFileSize = 4u * 1024u * 1024u;

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::ranges::transform(lower, lower.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
  return lower;
}

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    start = end + 1;
  }
  return lines;
}

// The first desktop id that the section of the file lists for the MIME type.
std::string FirstListed(const std::string& path, std::string_view section, const std::string& mimeType) {
  const std::optional<std::string> text = ReadWholeFile(path, kMaxAssociationFileSize);
  if (!text) return {};
  bool inSection = false;
  for (const std::string& raw : Lines(*text)) {
    const std::string_view line = Trim(raw);
    if (line.starts_with('[')) {
      inSection = line == section;
      continue;
    }
    const std::size_t equals = line.find('=');
    if (!inSection || equals == std::string_view::npos) continue;
    if (Lower(Trim(line.substr(0, equals))) != mimeType) continue;
    std::string_view ids = line.substr(equals + 1);
    while (!ids.empty()) {
      const std::size_t semicolon = std::min(ids.find(';'), ids.size());
      const std::string_view id = Trim(ids.substr(0, semicolon));
      if (!id.empty()) return std::string(id);
      ids.remove_prefix(std::min(semicolon + 1, ids.size()));
    }
  }
  return {};
}

std::vector<std::string> SplitPathList(const char* value, std::string_view fallback) {
  std::vector<std::string> dirs;
  std::string_view list = value && value[0] != '\0' ? std::string_view(value) : fallback;
  while (!list.empty()) {
    const std::size_t colon = std::min(list.find(':'), list.size());
    const std::string_view dir = list.substr(0, colon);
    // The base directory rules ignore relative paths.
    if (dir.starts_with('/')) dirs.emplace_back(dir);
    list.remove_prefix(std::min(colon + 1, list.size()));
  }
  return dirs;
}

}  // namespace

TXdgPlaces DefaultXdgPlaces() {
  TXdgPlaces places;
  places.DataHome = DefaultDataHome();
  places.ConfigHome = DefaultConfigHome();
  places.DataDirs = SplitPathList(std::getenv("XDG_DATA_DIRS"), "/usr/local/share/:/usr/share/");
  places.ConfigDirs = SplitPathList(std::getenv("XDG_CONFIG_DIRS"), "/etc/xdg");
  return places;
}

bool IsValidUrlScheme(std::string_view scheme) {
  if (scheme.empty() || scheme.size() > kMaxUrlSchemeLength) return false;
  auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (!letter(scheme.front())) return false;
  return std::ranges::all_of(scheme, [&](char c) {
    return letter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
  });
}

TUrlSchemeEntries::TUrlSchemeEntries(TXdgPlaces places, std::string executable)
    : places_(std::move(places)), executable_(std::move(executable)) {}

std::string TUrlSchemeEntries::EntryPath(std::string_view scheme) const {
  return JoinPath(JoinPath(places_.DataHome, "applications"), "keplinor-url-" + Lower(scheme) + ".desktop");
}

std::string TUrlSchemeEntries::EntryText(std::string_view scheme) const {
  const std::string key = Lower(scheme);
  std::string text = "[Desktop Entry]\n";
  text += "Type=Application\n";
  text += "Name=Keplinor (" + key + " links)\n";
  text += "Exec=" + DesktopExecValue(executable_) + " %u\n";
  text += "MimeType=x-scheme-handler/" + key + ";\n";
  text += "NoDisplay=true\n";
  text += "Terminal=false\n";
  text += std::string(kUrlSchemeMarker) + "\n";
  return text;
}

std::string TUrlSchemeEntries::Handler(const std::string& mimeType) const {
  std::vector<std::string> lists{JoinPath(places_.ConfigHome, "mimeapps.list")};
  for (const std::string& dir : places_.ConfigDirs) lists.push_back(JoinPath(dir, "mimeapps.list"));
  lists.push_back(JoinPath(places_.DataHome, "applications/mimeapps.list"));
  for (const std::string& dir : places_.DataDirs) lists.push_back(JoinPath(dir, "applications/mimeapps.list"));
  for (const std::string_view section : {kDefaultsSection, kAddedSection}) {
    for (const std::string& list : lists) {
      if (std::string id = FirstListed(list, section, mimeType); !id.empty()) return id;
    }
  }
  std::vector<std::string> caches{JoinPath(places_.DataHome, "applications/mimeinfo.cache")};
  for (const std::string& dir : places_.DataDirs) caches.push_back(JoinPath(dir, "applications/mimeinfo.cache"));
  for (const std::string& cache : caches) {
    if (std::string id = FirstListed(cache, kCacheSection, mimeType); !id.empty()) return id;
  }
  return {};
}

bool TUrlSchemeEntries::IsOurs(std::string_view scheme) const {
  if (!IsValidUrlScheme(scheme) || places_.DataHome.empty()) return false;
  const std::string id = Handler("x-scheme-handler/" + Lower(scheme));
  // Only an entry of the user's own folder can be ours; the id is a file name.
  if (id.empty() || id.find('/') != std::string::npos || id == "." || id == "..") return false;
  const std::optional<std::string> entry =
      ReadWholeFile(JoinPath(JoinPath(places_.DataHome, "applications"), id), kMaxAssociationFileSize);
  if (!entry) return false;
  return std::ranges::any_of(Lines(*entry), [](const std::string& line) { return Trim(line) == kUrlSchemeMarker; });
}

bool TUrlSchemeEntries::SetDefault(const std::string& mimeType, const std::string& desktopId, bool set) const {
  const std::string path = JoinPath(places_.ConfigHome, "mimeapps.list");
  const std::optional<std::string> old = ReadWholeFile(path, kMaxAssociationFileSize);
  if (!old && IsRegularFile(path)) return false;  // there, but not readable: not replaced blindly
  std::vector<std::string> lines = old ? Lines(*old) : std::vector<std::string>{};
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  std::vector<std::string> kept;
  bool inDefaults = false;
  bool sectionFound = false;
  bool changed = false;
  const std::string ours = mimeType + "=" + desktopId + ";";
  for (std::string& line : lines) {
    const std::string_view trimmed = Trim(line);
    if (trimmed.starts_with('[')) {
      inDefaults = trimmed == kDefaultsSection;
      kept.push_back(std::move(line));
      if (inDefaults && !sectionFound) {
        sectionFound = true;
        if (set) kept.push_back(ours);
      }
      continue;
    }
    const std::size_t equals = trimmed.find('=');
    if (inDefaults && equals != std::string_view::npos && Lower(Trim(trimmed.substr(0, equals))) == mimeType) {
      // Removing drops only a default that names this program's entry.
      if (set || FirstListed(path, kDefaultsSection, mimeType) == desktopId) {
        changed = true;
        continue;
      }
    }
    kept.push_back(std::move(line));
  }
  if (set && !sectionFound) {
    kept.emplace_back(kDefaultsSection);
    kept.push_back(ours);
  }
  if (!set && !changed) return true;
  std::string text;
  for (const std::string& line : kept) text += line + "\n";
  std::error_code ignored;
  std::filesystem::create_directories(places_.ConfigHome, ignored);
  return WriteFileAtomically(path, text);
}

bool TUrlSchemeEntries::RegisterUrlScheme(std::string_view scheme, bool force) {
  if (!IsValidUrlScheme(scheme) || places_.DataHome.empty() || places_.ConfigHome.empty()) return false;
  const std::string mimeType = "x-scheme-handler/" + Lower(scheme);
  if (!force && !Handler(mimeType).empty()) return IsOurs(scheme);
  const std::string entry = EntryPath(scheme);
  std::error_code ignored;
  std::filesystem::create_directories(JoinPath(places_.DataHome, "applications"), ignored);
  if (!WriteFileAtomically(entry, EntryText(scheme))) return false;
  return SetDefault(mimeType, std::filesystem::path(entry).filename().string(), true);
}

void TUrlSchemeEntries::UnregisterUrlScheme(std::string_view scheme) {
  if (!IsOurs(scheme)) return;
  const std::string entry = EntryPath(scheme);
  static_cast<void>(
      SetDefault("x-scheme-handler/" + Lower(scheme), std::filesystem::path(entry).filename().string(), false));
  RemoveFileIfPresent(entry);
}

}  // namespace kp
