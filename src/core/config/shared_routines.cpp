#include "core/config/shared_routines.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "core/config/text_basics.h"
#include "core/platform/file_io.h"
#include "core/platform/shell_services.h"
#include "version.h"

namespace kp {
std::vector<std::string> SplitCommaList(std::string_view text) {
  std::vector<std::string> items;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t comma = text.find(',', start);
    const std::size_t end = comma == std::string_view::npos ? text.size() : comma;
    items.emplace_back(Trim(text.substr(start, end - start)));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return items;
}

std::string ResolveIconFile(std::string_view name, std::string_view pluginFolder,
                            std::string_view applicationFolder) {
  std::string candidate(name);
  if (!name.empty()) {
    if (IsRegularFile(candidate)) return candidate;
    if (!pluginFolder.empty() && IsRegularFile(candidate = JoinPath(pluginFolder, name))) return candidate;
    if (IsRegularFile(candidate = JoinPath(JoinPath(applicationFolder, "Icons"), name))) return candidate;
    if (IsRegularFile(candidate = JoinPath(applicationFolder, name))) return candidate;
  }
  return std::string(name);
}

std::int32_t SecondsSince(TimeStamp since) { return SecondsSince(since, std::chrono::steady_clock::now()); }

std::int32_t SecondsSince(TimeStamp since, TimeStamp now) {
  const auto seconds = std::chrono::floor<std::chrono::seconds>(now - since).count();
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(seconds, INT32_MIN, INT32_MAX));
}

void CopyBoundedText(char* destination, std::size_t maxCharacters, std::string_view text) noexcept {
  if (!destination) return;
  std::size_t length = std::min(text.size(), maxCharacters);
  if (length > 0) {
    if (const void* nul = std::memchr(text.data(), '\0', length)) {
      length = static_cast<std::size_t>(static_cast<const char*>(nul) - text.data());
    }
    std::memcpy(destination, text.data(), length);
  }
  destination[length] = '\0';
}

void CopyToFixedText(char* destination, std::string_view text) noexcept {
  // 254 characters, not 255: the fields have always left their last byte alone.
  CopyBoundedText(destination, kFixedTextSize - 2, text);
}

void ShellOpen(std::string_view target) {
  const std::string_view trimmed = Trim(target);
  if (trimmed.empty()) return;
  ShellServices().OpenDocument(std::string(target), FolderOfPath(target));
}

void ShowTextMessage(std::string_view text) { ShellServices().ShowMessage(std::string(text)); }

std::string GetVersionText() {
  // Each number is one 16-bit half of the version, as version resources keep them.
  auto part = [](unsigned value) { return std::to_string(value & 0xFFFFu); };
  return part(build::kVersionMajor) + "." + part(build::kVersionMinor) + "." + part(build::kVersionRelease) +
         "." + part(build::kVersionBuild);
}

std::int64_t RoundHalfEven(double value) noexcept {
  constexpr double kLimit = 9.0e18;
  if (!(value > -kLimit && value < kLimit)) {  // NaN too
    if (value >= kLimit) return std::numeric_limits<std::int64_t>::max();
    if (value <= -kLimit) return std::numeric_limits<std::int64_t>::min();
    return 0;
  }
  // Truncation and a correction make the floor without a library call: this
  // runs for every transfer in every frame.
  auto whole = static_cast<std::int64_t>(value);
  double fraction = value - static_cast<double>(whole);
  if (fraction < 0) {
    fraction += 1.0;
    --whole;
  }
  if (fraction > 0.5 || (fraction == 0.5 && (whole & 1) != 0)) ++whole;
  return whole;
}

}  // namespace kp
