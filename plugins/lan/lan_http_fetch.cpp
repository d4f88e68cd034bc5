#include "lan_http_fetch.h"

#include <mutex>
#include <string_view>

namespace lan {
namespace {

constexpr std::size_t kMaxHeaderValueBytes = 256;

// curl_global_init is not safe to race with other libcurl calls, so every
// request goes through here and the first one does it.
void EnsureCurlReady() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

std::string HeaderValue(std::string_view line, std::size_t nameLength) {
  line.remove_prefix(nameLength);
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n' || line.back() == ' '))
    line.remove_suffix(1);
  return std::string(line.substr(0, kMaxHeaderValueBytes));
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* context) {
  auto& headers = *static_cast<ResponseHeaders*>(context);
  const std::size_t total = size * count;
  const std::string_view line(data, total);
  if (line.starts_with("HTTP/")) {
    headers = ResponseHeaders{};
    const std::size_t blank = line.find(' ');
    long status = 0;
    for (std::size_t i = blank + 1; blank != std::string_view::npos && i < line.size() && i < blank + 4;
         ++i) {
      if (line[i] < '0' || line[i] > '9') break;
      status = status * 10 + (line[i] - '0');
    }
    headers.status = status;
  } else if (StartsWithNoCase(line, "retry-after:")) {
    headers.retryAfter = HeaderValue(line, 12);
  } else if (StartsWithNoCase(line, "content-range:")) {
    headers.contentRange = HeaderValue(line, 14);
  }
  return total;
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* context) {
  auto& body = *static_cast<BoundedBody*>(context);
  const std::size_t total = size * count;
  if (body.bytes.size() + total > body.limit) {
    body.overflowed = true;
    return 0;  // fails the transfer with CURLE_WRITE_ERROR
  }
  body.bytes.append(data, total);
  return total;
}

}  // namespace

CurlMulti NewMulti() {
  EnsureCurlReady();
  return CurlMulti(curl_multi_init());
}

CurlEasy NewPeerRequest(const std::string& url, const std::string& user, const std::string& password,
                        long connectTimeoutMs) {
  EnsureCurlReady();
  CurlEasy easy(curl_easy_init());
  if (!easy) return easy;
  CURL* handle = easy.get();
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http");
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  // Peers are on the local network: a proxy set for the web would only get in the way.
  curl_easy_setopt(handle, CURLOPT_PROXY, "");
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, connectTimeoutMs);
  curl_easy_setopt(handle, CURLOPT_TCP_NODELAY, 1L);
  curl_easy_setopt(handle, CURLOPT_USERAGENT, "Keplinor-LAN/1.0");
  if (!user.empty()) {
    curl_easy_setopt(handle, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
    curl_easy_setopt(handle, CURLOPT_USERNAME, user.c_str());
    curl_easy_setopt(handle, CURLOPT_PASSWORD, password.c_str());
  }
  return easy;
}

void CollectHeaders(CURL* handle, ResponseHeaders& headers) {
  curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &OnHeader);
  curl_easy_setopt(handle, CURLOPT_HEADERDATA, &headers);
}

void CollectBody(CURL* handle, BoundedBody& body) {
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &OnBody);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &body);
}

}  // namespace lan
