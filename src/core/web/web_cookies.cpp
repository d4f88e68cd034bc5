#include "core/web/web_cookies.h"

#include <algorithm>
#include <chrono>
#include <limits>

#include "core/config/text_basics.h"
#include "core/web/web_chars.h"

namespace kp {

namespace {

// A quoted text runs to its closing quote (or the end); the quotes are kept.
std::string_view TakeQuoted(std::string_view& rest) {
  const std::size_t close = rest.find('"', 1);
  const std::size_t length = close == std::string_view::npos ? rest.size() : close + 1;
  const std::string_view token = rest.substr(0, length);
  rest.remove_prefix(length);
  return token;
}

std::string_view TakeUntil(std::string_view& rest, std::string_view stops) {
  const std::size_t end = std::min(rest.find_first_of(stops), rest.size());
  const std::string_view token = rest.substr(0, end);
  rest.remove_prefix(end);
  return token;
}

std::string_view Unquote(std::string_view text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return text.substr(1, text.size() - 2);
  return text;
}

std::int32_t ReadMaxAge(std::string_view text) {
  text = Trim(Unquote(Trim(text)));
  bool negative = false;
  if (!text.empty() && text.front() == '-') {
    negative = true;
    text.remove_prefix(1);
  }
  bool digitsOnly = !text.empty();
  for (char c : text) digitsOnly = digitsOnly && c >= '0' && c <= '9';
  if (!digitsOnly) return kNoMaxAge;
  if (negative) return 0;
  const auto value = ReadWebDecimal(text, std::numeric_limits<std::int32_t>::max());
  return value ? static_cast<std::int32_t>(*value) : std::numeric_limits<std::int32_t>::max();
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace

TSetCookie ParseSetCookie(std::string_view headerValue) {
  TSetCookie cookie;
  std::string_view rest = headerValue;
  while (!rest.empty() &&
         (IsWebBlank(rest.front()) || rest.front() == ',' || rest.front() == ';' || rest.front() == '=')) {
    rest.remove_prefix(1);
  }
  cookie.name =
      std::string(Trim(!rest.empty() && rest.front() == '"' ? TakeQuoted(rest) : TakeUntil(rest, ",;=")));
  if (!rest.empty() && rest.front() == '=') {
    rest.remove_prefix(1);
    while (!rest.empty() && IsWebBlank(rest.front())) rest.remove_prefix(1);
    cookie.value =
        std::string(Trim(!rest.empty() && rest.front() == '"' ? TakeQuoted(rest) : TakeUntil(rest, ",;")));
  }
  TakeUntil(rest, ";");

  while (!rest.empty()) {
    rest.remove_prefix(1);  // the ";"
    std::string_view attribute = TakeUntil(rest, ";");
    const std::string name = ToUpperAscii(Trim(TakeUntil(attribute, "=")));
    const std::string_view value = attribute.empty() ? attribute : Trim(attribute.substr(1));
    if (name == "PATH") {
      cookie.path = std::string(Trim(Unquote(value)));
    } else if (name == "MAX-AGE") {
      cookie.maxAgeText = std::string(value);
      cookie.maxAge = ReadMaxAge(value);
    }
  }
  return cookie;
}

std::string DefaultCookiePath(std::string_view requestPath) {
  const std::size_t lastSlash = requestPath.rfind('/');
  if (lastSlash == std::string_view::npos) return "/";
  return std::string(requestPath.substr(0, lastSlash + 1));
}

TCookieJar::TCookieJar() : TCookieJar([] { return std::chrono::steady_clock::now(); }) {}

TCookieJar::TCookieJar(Clock clock) : clock_(std::move(clock)) {}

bool TCookieJar::Expired(const TCookieItem& item, TimeStamp now) const {
  return item.maxAge != kNoMaxAge && SecondsSince(item.stored, now) > item.maxAge;
}

void TCookieJar::Store(std::string_view host, std::string_view requestPath, std::string_view setCookieValue) {
  TSetCookie parsed = ParseSetCookie(setCookieValue);
  if (parsed.name.empty()) return;
  const std::string hostKey = ToUpperAscii(Trim(host));
  const std::string defaultPath =
      DefaultCookiePath(requestPath.empty() ? std::string_view("/") : requestPath);
  std::string path = defaultPath;
  // A path that does not lie above the request's own would let one page set
  // cookies for pages it has nothing to do with.
  if (parsed.path && !parsed.path->empty() && parsed.path->front() == '/' &&
      StartsWithIgnoreCase(defaultPath, *parsed.path)) {
    path = *parsed.path;
  }

  std::lock_guard guard(lock_);
  const TimeStamp now = clock_();
  const auto existing = std::find_if(items_.begin(), items_.end(), [&](const TCookieItem& item) {
    return item.host == hostKey && EqualsIgnoreCase(item.path, path) &&
           EqualsIgnoreCase(item.name, parsed.name);
  });
  if (parsed.maxAge == 0) {
    if (existing != items_.end()) items_.erase(existing);
    return;
  }

  TCookieItem item;
  if (existing != items_.end()) {
    item = std::move(*existing);
    items_.erase(existing);
  }
  item.name = std::move(parsed.name);
  item.value = std::move(parsed.value);
  item.host = hostKey;
  item.path = std::move(path);
  item.maxAge = parsed.maxAge;
  item.maxAgeText = std::move(parsed.maxAgeText);
  item.stored = now;
  items_.insert(items_.begin(), std::move(item));

  std::erase_if(items_, [&](const TCookieItem& old) { return Expired(old, now); });
  if (items_.size() > kMaxCookies) items_.resize(kMaxCookies);
}

std::string TCookieJar::CookieLine(std::string_view host, std::string_view requestPath) const {
  const std::string hostKey = ToUpperAscii(Trim(host));
  std::string joined;
  std::lock_guard guard(lock_);
  const TimeStamp now = clock_();
  for (const TCookieItem& item : items_) {
    if (item.host != hostKey || Expired(item, now) || !StartsWithIgnoreCase(requestPath, item.path)) continue;
    if (!joined.empty()) joined += "; ";
    joined += item.name + "=" + item.value + "; $Path=" + item.path;
  }
  if (joined.empty()) return {};
  return "Cookie: " + joined + "\r\n";
}

std::vector<TCookieItem> TCookieJar::Snapshot() const {
  std::lock_guard guard(lock_);
  return items_;
}

void TCookieJar::Clear() {
  std::lock_guard guard(lock_);
  items_.clear();
}

TCookieJar& ProcessCookieJar() {
  static TCookieJar jar;
  return jar;
}

}  // namespace kp
