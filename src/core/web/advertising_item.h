#pragma once
// What the advertisement panel loads and what it reads from the answer: the
// item (the server's address and the request headers), the description that the
// server returns, and the server's address as the settings name it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kp {

struct TApplicationSettings;

// The path of the advertisement script on the advertising server.
inline constexpr std::string_view kAdvertisingPath = "/Keplinor/Advertising.php";
// The server's description is a few lines; anything longer is no description.
inline constexpr std::int32_t kMaxAdvertisingDescription = 256 * 1024;
// Banner texts and links longer than this are cut (text) or refused (link).
inline constexpr std::size_t kMaxBannerText = 1024;
inline constexpr std::size_t kMaxBannerLink = 2048;

using THeaderList = std::vector<std::pair<std::string, std::string>>;

struct TAdvertisingItem {
  std::string url;
  THeaderList headers;  // in the order they were first set

  // A header whose name (trimmed, in any letter case) is already there only
  // takes the new value and keeps its place.
  void SetHeader(std::string_view name, std::string_view value);
};

// The headers as the embedded browser gets them: those with a non-blank name
// and value, the value with TAB, LF and CR written as %09, %0A and %0D, so a
// header can never break into lines of its own.
[[nodiscard]] THeaderList BrowserHeaders(const THeaderList& headers);
// TAB, LF and CR written as "%" and two upper-case hexadecimal digits.
[[nodiscard]] std::string EscapeHeaderValue(std::string_view value);

// What the server's answer says; a missing entry or value reads as empty or 0.
struct TAdvertisingDescription {
  std::string bannerText;
  std::string bannerLink;
  std::int64_t rotateTime = 0;
  std::int64_t inactiveTime = 0;
};

// Reads the answer as a tree-shaped configuration text: the entry
// KEPLINOR_TEXT (VALUE, HREF) and the entry KEPLINOR_CONFIG (ROTATE_TIME,
// INACTIVE_TIME) at the root. The banner text loses its control characters and
// is cut to kMaxBannerText bytes (never inside a character); a link that could
// make the desktop open anything but a web page is dropped.
[[nodiscard]] TAdvertisingDescription ReadAdvertisingDescription(std::string_view body);

// True for an http:// or https:// address without control characters: what
// the panel lets the desktop open on a server's word.
[[nodiscard]] bool IsWebLink(std::string_view link) noexcept;

// The advertisement script's address on the server that AdvertisingServer
// names ("host" or "host:port"); none when the key is empty or names no usable
// host and port. Nothing is contacted without it.
[[nodiscard]] std::optional<std::string> AdvertisingUrlOf(const TApplicationSettings& application);

// The screen's size as the "Keplinor-Resolution" header gives it: "1024X768".
[[nodiscard]] std::string ResolutionText(int width, int height);

}  // namespace kp
