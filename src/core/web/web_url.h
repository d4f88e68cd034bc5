#pragma once
// The address of a web resource as the client keeps it: host, port, path.

#include <cstdint>
#include <string>
#include <string_view>

namespace kp {

inline constexpr std::uint16_t kDefaultWebPort = 80;
// The code of an address the client cannot use.
inline constexpr int kWebBadUrl = -8;
// Longer URLs are refused; servers and the panel's own addresses stay far below it.
inline constexpr std::size_t kMaxWebUrlLength = 8189;

struct TWebUrl {
  std::string host;
  std::uint16_t port = kDefaultWebPort;
  std::string path;  // from its leading "/"; empty means "/"

  // What the request line carries: the path, "/" when it is empty.
  [[nodiscard]] std::string RequestPath() const { return path.empty() ? std::string("/") : path; }
  // What the "Host:" line carries: the host, and ":port" unless the port is 80.
  [[nodiscard]] std::string HostLine() const;
};

// Reads an "http://host[:port][/path]" address into target, or, for a text
// that begins with "/", replaces only the path. A fragment ("#...") is left
// out, a query right after the host ("http://h?q") belongs to the path. A port
// that is no number from 1 to 65535 leaves 80. Returns 0, or -8 when the scheme
// is not http, the host is empty, or the address holds control bytes or is
// longer than kMaxWebUrlLength; target is then unchanged. Blanks in the path
// are sent as %20, so the request line cannot be split by them.
[[nodiscard]] int ParseWebUrl(std::string_view url, TWebUrl& target);

}  // namespace kp
