#include "core/web/web_url.h"

#include "core/config/text_basics.h"
#include "core/web/web_chars.h"

namespace kp {

namespace {

bool HasControlBytes(std::string_view text) {
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && c != '\t') || byte == 0x7F) return true;
  }
  return false;
}

std::string CleanPath(std::string_view path) {
  if (const std::size_t hash = path.find('#'); hash != std::string_view::npos) path = path.substr(0, hash);
  std::string result;
  result.reserve(path.size());
  for (char c : path) {
    if (IsWebBlank(c)) {
      result += c == ' ' ? "%20" : "%09";
    } else {
      result += c;
    }
  }
  return result;
}

}  // namespace

std::string TWebUrl::HostLine() const {
  if (port == kDefaultWebPort) return host;
  return host + ":" + std::to_string(port);
}

int ParseWebUrl(std::string_view url, TWebUrl& target) {
  url = Trim(url);
  if (url.size() > kMaxWebUrlLength || HasControlBytes(url)) return kWebBadUrl;
  if (!url.empty() && url.front() == '/') {
    target.path = CleanPath(url);
    return 0;
  }

  const std::size_t firstSlash = url.find('/');
  if (firstSlash == std::string_view::npos) return kWebBadUrl;
  if (ToUpperAscii(Trim(url.substr(0, firstSlash))) != "HTTP:") return kWebBadUrl;
  if (firstSlash + 1 >= url.size() || url[firstSlash + 1] != '/') return kWebBadUrl;
  std::string_view rest = url.substr(firstSlash + 2);

  const std::size_t hostEnd = rest.find_first_of(":/?#");
  const std::string_view host = rest.substr(0, hostEnd);
  if (host.empty() || host.find_first_of(" \t@") != std::string_view::npos) return kWebBadUrl;
  rest = hostEnd == std::string_view::npos ? std::string_view() : rest.substr(hostEnd);

  std::uint16_t port = kDefaultWebPort;
  if (!rest.empty() && rest.front() == ':') {
    const std::size_t portEnd = rest.find_first_of("/?#");
    const std::string_view portText =
        rest.substr(1, portEnd == std::string_view::npos ? rest.npos : portEnd - 1);
    if (const auto number = ReadWebDecimal(portText, 65535); number && *number > 0) {
      port = static_cast<std::uint16_t>(*number);
    }
    rest = portEnd == std::string_view::npos ? std::string_view() : rest.substr(portEnd);
  }

  std::string path;
  if (!rest.empty() && rest.front() == '?') {
    path = "/" + CleanPath(rest);
  } else {
    path = CleanPath(rest);
  }
  target.host = std::string(host);
  target.port = port;
  target.path = std::move(path);
  return 0;
}

}  // namespace kp
