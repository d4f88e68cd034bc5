#pragma once
// The cookie jar that every web client of the process shares: the few cookies
// most recently set by servers, sent back to the host that set them.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/config/shared_routines.h"

namespace kp {

// The jar keeps at most this many cookies in all, and so at most this many per host.
inline constexpr std::size_t kMaxCookies = 5;
// Max-Age of a cookie that carried none: it never expires.
inline constexpr std::int32_t kNoMaxAge = -1;

struct TCookieItem {
  std::string name;
  std::string value;  // as sent, quotes included
  std::string host;   // trimmed and upper-cased
  std::string path;
  std::int32_t maxAge = kNoMaxAge;  // seconds
  std::string maxAgeText;           // the attribute as the server wrote it
  TimeStamp stored{};
};

// What one Set-Cookie header says.
struct TSetCookie {
  std::string name;
  std::string value;
  std::optional<std::string> path;  // the Path attribute when there was one
  std::int32_t maxAge = kNoMaxAge;  // 0 asks to remove the cookie
  std::string maxAgeText;
};

// Name and value come first, up to "," or ";" (a value in double quotes runs
// to the closing quote and keeps its quotes); then come ";"-separated
// attributes, each a name and an optional "=" value. Attributes without a value
// ("HttpOnly") and values with commas ("Expires=Wed, 09 Jun ...") do not shift
// the attributes after them. A Max-Age that is no number counts as none; a
// negative one, like 0, asks to remove the cookie.
[[nodiscard]] TSetCookie ParseSetCookie(std::string_view headerValue);

// The request path up to and including its last "/": "/a/b/" for "/a/b/c", "/" for "/".
[[nodiscard]] std::string DefaultCookiePath(std::string_view requestPath);

class TCookieJar {
 public:
  using Clock = std::function<TimeStamp()>;

  TCookieJar();
  // Tests drive time through the clock.
  explicit TCookieJar(Clock clock);

  // Stores the cookie that one Set-Cookie header of a response from host to a
  // request for requestPath carried: a new one goes to the front, one with the
  // same path and name (for this host) is updated and moved to the front, or
  // removed when Max-Age is 0; then expired cookies are dropped and the jar is
  // cut to kMaxCookies from its old end. The Domain attribute is not honoured:
  // a cookie belongs to the host that set it.
  void Store(std::string_view host, std::string_view requestPath, std::string_view setCookieValue);

  // "Cookie: " and every live cookie of the host whose path begins the request
  // path, as name=value; $Path=path, joined by "; ", then CR LF; empty when no
  // cookie applies.
  [[nodiscard]] std::string CookieLine(std::string_view host, std::string_view requestPath) const;

  // The cookies newest first.
  [[nodiscard]] std::vector<TCookieItem> Snapshot() const;
  void Clear();

 private:
  [[nodiscard]] bool Expired(const TCookieItem& item, TimeStamp now) const;

  mutable std::mutex lock_;
  Clock clock_;
  // With at most five cookies in all, one list newest first is the jar's list
  // and, filtered by host, every host's list.
  std::vector<TCookieItem> items_;
};

// The jar that web clients use unless they are given another.
[[nodiscard]] TCookieJar& ProcessCookieJar();

}  // namespace kp
