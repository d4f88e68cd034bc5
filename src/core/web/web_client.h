#pragma once
// A small blocking HTTP/1.1 client over the core's own socket: plain http,
// request headers, the process's cookie jar, bounded redirects, byte ranges
// and chunked bodies, the body kept in memory.
//
// TWebClientHandle keeps the connection and the parser state and answers with
// integer codes; TWebClient is the same with every negative code raised as
// EWebClient. A client is used by one thread at a time; Abort may come from
// any other thread.

#include <atomic>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/web/socket.h"
#include "core/web/web_cookies.h"
#include "core/web/web_response.h"
#include "core/web/web_url.h"

namespace kp {

// Codes beyond those of the response reader (web_response.h).
inline constexpr int kWebTooManyRedirects = -7;
inline constexpr int kWebConnectTimedOut = -11;   // socket time-out
inline constexpr int kWebHostNotFound = -12;      // socket: host name not found
inline constexpr int kWebConnectionFailed = -13;  // every other socket failure, and Abort

// Redirects followed for one Get; the next one fails with kWebTooManyRedirects.
inline constexpr int kMaxWebRedirects = 5;
// Seconds that each connect step, send and receive wait may take.
inline constexpr std::int32_t kDefaultWebTimeout = 30;

// The code of a failed socket connect, as the client reports it.
[[nodiscard]] int WebCodeFromSocketError(int socketError) noexcept;

class TWebClientHandle {
 public:
  explicit TWebClientHandle(TCookieJar& jar = ProcessCookieJar());
  TWebClientHandle(const TWebClientHandle&) = delete;
  TWebClientHandle& operator=(const TWebClientHandle&) = delete;
  ~TWebClientHandle();

  // Seconds; 0 or less is kDefaultWebTimeout, so no wait is ever unbounded.
  void SetTimeout(std::int32_t seconds) noexcept;
  // Bodies longer than this fail with kWebBodyTooLarge.
  void SetMaxBodySize(std::int32_t bytes) noexcept { maxBody_ = bytes; }

  // A header for the next request only. CR and LF are written as %0D and
  // %0A, so a value cannot add lines of its own to the request.
  void AddHeader(std::string_view name, std::string_view value);

  // Reads the address (a path alone keeps host and port) and connects, unless
  // already connected to that host and port: 0 or a negative code. Ends the
  // effect of an earlier Abort.
  [[nodiscard]] int Open(std::string_view url);

  // Sends a GET (with "Range: bytes=start-end" when start or end is above 0;
  // an end of 0 leaves the range open), reads the response head, skipping
  // interim responses and following up to kMaxWebRedirects redirects: the
  // status code or a negative code. The headers added since the last Get are
  // sent with every request of this one and then forgotten, whatever the outcome.
  [[nodiscard]] int Get(std::int32_t start, std::int32_t end);

  // Reads the body of the response that Get returned: its size or a negative
  // code. The body stays in Body().
  [[nodiscard]] int ReadText();

  // Closes the connection; a call in progress on another thread ends with a
  // negative code (kWebConnectionFailed for Open and Get), and so does every
  // call until the next Open. Returns once that call has let go of the
  // socket, or after a second at most.
  void Abort() noexcept;

  [[nodiscard]] bool IsConnected() const noexcept { return connected_.load(); }
  [[nodiscard]] const TWebUrl& Url() const noexcept { return url_; }
  [[nodiscard]] std::int32_t StatusCode() const noexcept { return head_.statusCode; }
  [[nodiscard]] const TWebResponseHead& ResponseHead() const noexcept { return head_; }
  [[nodiscard]] const TWebBody& Body() const noexcept { return body_; }

 private:
  class TSocketSource : public IWebByteSource {
   public:
    explicit TSocketSource(TSocket& socket) : socket_(socket) {}
    int Receive(char* buffer, int size) override;
    // The socket's code for the last failed receive, 0 when none failed.
    [[nodiscard]] int LastError() const noexcept { return lastError_; }
    void ClearError() noexcept { lastError_ = 0; }

   private:
    TSocket& socket_;
    int lastError_ = 0;
  };

  class TBusy;

  [[nodiscard]] int Connect();
  void Disconnect() noexcept;
  [[nodiscard]] std::string BuildRequest(std::int32_t start, std::int32_t end) const;
  [[nodiscard]] int RunGet(std::int32_t start, std::int32_t end);
  // A negative code becomes kWebConnectionFailed once an Abort has come.
  [[nodiscard]] int Finish(int code) const noexcept;

  TCookieJar& jar_;
  TSocket socket_;
  TSocketSource source_{socket_};
  TWebResponseReader reader_{source_};
  std::int32_t timeout_ = kDefaultWebTimeout;
  std::int32_t maxBody_ = kDefaultMaxWebBody;

  TWebUrl url_;
  std::string connectedHost_;  // upper-cased
  std::uint16_t connectedPort_ = 0;
  // The connection may carry the next request: nothing of the last response is left unread.
  bool reusable_ = false;
  std::vector<std::pair<std::string, std::string>> requestHeaders_;
  bool rangeAsked_ = false;
  TWebResponseHead head_;
  TWebBody body_;

  std::atomic<bool> connected_{false};
  std::atomic<bool> aborted_{false};
  std::atomic<int> busy_{0};
};

class EWebClient : public std::runtime_error {
 public:
  // Message "WebClient Exception " and the code.
  explicit EWebClient(int code);
  [[nodiscard]] int ErrorCode() const noexcept { return code_; }

 private:
  int code_;
};

class TWebClient {
 public:
  TWebClient() = default;
  explicit TWebClient(TCookieJar& jar) : handle_(jar) {}

  void AddHeader(std::string_view name, std::string_view value) { handle_.AddHeader(name, value); }
  void Open(std::string_view url);
  std::int32_t Get(std::int32_t start = 0, std::int32_t end = 0);
  // The body (its size is the byte count) with the range received.
  const TWebBody& ReadText();
  void Abort() noexcept { handle_.Abort(); }

  [[nodiscard]] TWebClientHandle& Handle() noexcept { return handle_; }

 private:
  TWebClientHandle handle_;
};

// Every client alive in the process, for a shutdown that must not wait for
// slow servers: aborts each one's running call.
void AbortAllWebClients() noexcept;
[[nodiscard]] std::size_t LiveWebClientCount();

}  // namespace kp
