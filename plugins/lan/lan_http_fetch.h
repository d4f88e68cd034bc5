// The few things every request we send to a peer has in common, on top of
// libcurl: searches and downloads both build their requests here.
#pragma once

#include <curl/curl.h>

#include <cstddef>
#include <memory>
#include <string>

namespace lan {

struct CurlEasyFree {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyFree>;

struct CurlMultiFree {
  void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
using CurlMulti = std::unique_ptr<CURLM, CurlMultiFree>;

// A multi handle, libcurl made ready first; null when it cannot make one.
CurlMulti NewMulti();

// An easy handle for a GET of the URL: plain HTTP only, no redirects, no
// proxy from the environment, no signals, HTTP Basic when a user is given,
// the connect time-out. Null when libcurl cannot make one.
CurlEasy NewPeerRequest(const std::string& url, const std::string& user, const std::string& password,
                        long connectTimeoutMs);

// What we read from a response's headers. Only the last response counts: a
// "100 Continue" or any interim status line starts it afresh.
struct ResponseHeaders {
  long status = 0;
  std::string retryAfter;
  std::string contentRange;
};
// Installs a header callback that fills `headers` (which must outlive the transfer).
void CollectHeaders(CURL* handle, ResponseHeaders& headers);

// A body kept in memory, cut off (and the transfer failed) past the limit.
struct BoundedBody {
  std::string bytes;
  std::size_t limit = 0;
  bool overflowed = false;
};
// Installs a write callback that appends to `body`.
void CollectBody(CURL* handle, BoundedBody& body);

}  // namespace lan
