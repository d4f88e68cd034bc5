#include "core/web/advertising_item.h"

#include "core/config/settings.h"
#include "core/config/text_basics.h"
#include "core/config/text_conversions.h"
#include "core/config/tree_config.h"
#include "core/web/web_chars.h"
#include "core/web/web_url.h"

namespace kp {
namespace {

bool IsUtf8Continuation(char c) noexcept { return (static_cast<unsigned char>(c) & 0xC0u) == 0x80u; }

// Control characters would draw as boxes or break the banner line.
std::string CleanBannerText(std::string_view text) {
  std::string clean;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    clean += (byte < 0x20 || byte == 0x7F) ? ' ' : c;
  }
  if (clean.size() > kMaxBannerText) {
    std::size_t cut = kMaxBannerText;
    while (cut > 0 && IsUtf8Continuation(clean[cut])) --cut;
    clean.resize(cut);
  }
  return clean;
}

bool IsHostCharacter(char c) noexcept {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
}

}  // namespace

void TAdvertisingItem::SetHeader(std::string_view name, std::string_view value) {
  const std::string_view key = Trim(name);
  for (auto& [existingName, existingValue] : headers) {
    if (EqualsIgnoreCase(Trim(existingName), key)) {
      existingValue = std::string(value);
      return;
    }
  }
  headers.emplace_back(std::string(name), std::string(value));
}

std::string EscapeHeaderValue(std::string_view value) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  escaped.reserve(value.size());
  for (char c : value) {
    if (c == '\t' || c == '\n' || c == '\r') {
      const auto byte = static_cast<unsigned char>(c);
      escaped += '%';
      escaped += kHex[byte >> 4];
      escaped += kHex[byte & 0x0F];
    } else {
      escaped += c;
    }
  }
  return escaped;
}

THeaderList BrowserHeaders(const THeaderList& headers) {
  THeaderList result;
  for (const auto& [name, value] : headers) {
    if (Trim(name).empty() || Trim(value).empty()) continue;
    // The name is escaped as well: a line break in it would split the request too.
    result.emplace_back(EscapeHeaderValue(name), EscapeHeaderValue(value));
  }
  return result;
}

bool IsWebLink(std::string_view link) noexcept {
  const std::string_view trimmed = Trim(link);
  if (trimmed.size() > kMaxBannerLink) return false;
  for (char c : trimmed) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return false;
  }
  auto startsWith = [&](std::string_view scheme) {
    return trimmed.size() > scheme.size() && EqualsIgnoreCase(trimmed.substr(0, scheme.size()), scheme);
  };
  return startsWith("http://") || startsWith("https://");
}

TAdvertisingDescription ReadAdvertisingDescription(std::string_view body) {
  TConfig config;
  config.LoadFromBuffer(body);
  TAdvertisingDescription description;
  config.GoTo("\\");
  config.SelectEntry("KEPLINOR_TEXT");
  description.bannerText = CleanBannerText(config.ReadValue("VALUE"));
  const std::string link = std::string(Trim(config.ReadValue("HREF")));
  // The link goes to the desktop's "open": a server must not make it start a
  // program or open a local file.
  if (IsWebLink(link)) description.bannerLink = link;
  config.GoTo("\\");
  config.SelectEntry("KEPLINOR_CONFIG");
  description.rotateTime = TextToInt64(config.ReadValue("ROTATE_TIME"));
  description.inactiveTime = TextToInt64(config.ReadValue("INACTIVE_TIME"));
  return description;
}

std::optional<std::string> AdvertisingUrlOf(const TApplicationSettings& application) {
  const std::string_view key = Trim(application.AdvertisingServer);
  if (key.empty()) return std::nullopt;
  const std::size_t colon = key.find(':');
  const std::string_view host = key.substr(0, colon);
  if (host.empty()) return std::nullopt;
  // Only a host: a path, user or query in the key would change what is asked for.
  for (char c : host) {
    if (!IsHostCharacter(c)) return std::nullopt;
  }
  std::string address = "http://" + std::string(host);
  if (colon != std::string_view::npos) {
    const std::optional<std::int64_t> port = ReadWebDecimal(key.substr(colon + 1), 65535);
    if (!port || *port == 0) return std::nullopt;
    address += ":" + std::to_string(*port);
  }
  address += kAdvertisingPath;
  TWebUrl parsed;
  if (ParseWebUrl(address, parsed) < 0) return std::nullopt;
  return address;
}

std::string ResolutionText(int width, int height) {
  return std::to_string(width) + "X" + std::to_string(height);
}

}  // namespace kp
