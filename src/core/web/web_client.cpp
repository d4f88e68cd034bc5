#include "core/web/web_client.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

#include "core/config/text_basics.h"

namespace kp {

namespace {

// Every live handle; TWebClient owns exactly one handle, so this one list
// stands for the clients as well.
struct TLiveClients {
  std::mutex lock;
  std::vector<TWebClientHandle*> handles;
};

TLiveClients& LiveClients() {
  static TLiveClients clients;
  return clients;
}

std::string EscapeLineBreaks(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (char c : text) {
    if (c == '\r') {
      result += "%0D";
    } else if (c == '\n') {
      result += "%0A";
    } else {
      result += c;
    }
  }
  return result;
}

}  // namespace

int WebCodeFromSocketError(int socketError) noexcept {
  if (socketError == socket_error::kTimeout) return kWebConnectTimedOut;
  if (socketError == socket_error::kHostNotFound) return kWebHostNotFound;
  return kWebConnectionFailed;
}

// Marks a call in progress, so that Abort knows when it has ended.
class TWebClientHandle::TBusy {
 public:
  explicit TBusy(std::atomic<int>& busy) : busy_(busy) { busy_.fetch_add(1); }
  TBusy(const TBusy&) = delete;
  TBusy& operator=(const TBusy&) = delete;
  ~TBusy() { busy_.fetch_sub(1); }

 private:
  std::atomic<int>& busy_;
};

int TWebClientHandle::TSocketSource::Receive(char* buffer, int size) {
  const std::int64_t received = socket_.TryReceive(buffer, static_cast<std::size_t>(std::max(size, 0)));
  if (received > 0) return static_cast<int>(std::min<std::int64_t>(received, size));
  lastError_ = static_cast<int>(std::min<std::int64_t>(received, -1));
  return received == socket_error::kPeerClosed ? 0 : lastError_;
}

TWebClientHandle::TWebClientHandle(TCookieJar& jar) : jar_(jar) {
  socket_.SetTimeout(timeout_);
  TLiveClients& live = LiveClients();
  std::lock_guard guard(live.lock);
  live.handles.push_back(this);
}

TWebClientHandle::~TWebClientHandle() {
  TLiveClients& live = LiveClients();
  std::lock_guard guard(live.lock);
  std::erase(live.handles, this);
}

void TWebClientHandle::SetTimeout(std::int32_t seconds) noexcept {
  timeout_ = seconds > 0 ? seconds : kDefaultWebTimeout;
  socket_.SetTimeout(timeout_);
}

void TWebClientHandle::AddHeader(std::string_view name, std::string_view value) {
  requestHeaders_.emplace_back(EscapeLineBreaks(name), EscapeLineBreaks(value));
}

int TWebClientHandle::Finish(int code) const noexcept {
  return code < 0 && aborted_.load() ? kWebConnectionFailed : code;
}

void TWebClientHandle::Disconnect() noexcept {
  socket_.Close();
  connected_ = false;
  reusable_ = false;
  reader_.Reset();
}

int TWebClientHandle::Connect() {
  Disconnect();
  if (aborted_.load()) return kWebConnectionFailed;
  const int result = socket_.TryConnect(url_.host, url_.port);
  if (aborted_.load()) {
    socket_.Close();
    return kWebConnectionFailed;
  }
  if (result < 0) return WebCodeFromSocketError(result);
  connectedHost_ = ToUpperAscii(url_.host);
  connectedPort_ = url_.port;
  connected_ = true;
  reusable_ = true;
  return 0;
}

int TWebClientHandle::Open(std::string_view url) {
  TBusy busy(busy_);
  aborted_ = false;
  if (const int code = ParseWebUrl(url, url_); code < 0) return code;
  const bool sameServer = connectedHost_ == ToUpperAscii(url_.host) && connectedPort_ == url_.port;
  if (connected_.load() && sameServer) return 0;
  return Finish(Connect());
}

std::string TWebClientHandle::BuildRequest(std::int32_t start, std::int32_t end) const {
  const std::string path = url_.RequestPath();
  std::string request = "GET " + path + " HTTP/1.1\r\n";
  for (const auto& [name, value] : requestHeaders_) request += name + ": " + value + "\r\n";
  request += jar_.CookieLine(url_.host, path);
  request += "Host: " + url_.HostLine() + "\r\n";
  if (start > 0 || end > 0) {
    request += "Range: bytes=" + std::to_string(std::max(start, 0)) + "-";
    if (end > 0) request += std::to_string(end);
    request += "\r\n";
  }
  request += "\r\n";
  return request;
}

int TWebClientHandle::RunGet(std::int32_t start, std::int32_t end) {
  if (aborted_.load()) return kWebConnectionFailed;
  if (url_.host.empty()) return kWebBadUrl;
  rangeAsked_ = start > 0 || end > 0;
  bool mayRetry = true;
  for (int redirects = 0;; ++redirects) {
    head_.Clear();
    body_ = TWebBody{};
    // What the last response left unread would be taken for this one's head.
    const bool reused = connected_.load() && reusable_;
    if (!reused) {
      if (const int code = Connect(); code < 0) return code;
    }
    reader_.Reset();
    source_.ClearError();
    reusable_ = false;

    const std::string request = BuildRequest(start, end);
    const bool sent = socket_.TrySendAll(request.data(), request.size()) >= 0;
    const int code = sent ? reader_.ReadHead(head_) : kWebConnectionFailed;
    if (reader_.SourceEnded()) connected_ = false;
    if (code < 0) {
      // A server may close a kept connection just as the request goes out;
      // that is no answer, so the request is made once more on a new one. A
      // server that let the time run out has had its chance.
      const bool noAnswer = reader_.BytesReceived() == 0 && source_.LastError() != socket_error::kTimeout;
      Disconnect();
      if (reused && mayRetry && noAnswer && !aborted_.load()) {
        mayRetry = false;
        --redirects;
        continue;
      }
      return code;
    }
    for (std::size_t i = 0; i < head_.names.size(); ++i) {
      if (head_.names[i] == "SET-COOKIE") jar_.Store(url_.host, url_.RequestPath(), head_.values[i]);
    }

    const std::string* location = head_.Find("LOCATION");
    // A 3xx without a place to go (304 Not Modified) is an answer, not a redirect.
    if (head_.statusCode < 300 || head_.statusCode > 399 || location == nullptr) return head_.statusCode;
    if (redirects >= kMaxWebRedirects) {
      Disconnect();
      return kWebTooManyRedirects;
    }
    Disconnect();
    if (const int parsed = ParseWebUrl(*location, url_); parsed < 0) return parsed;
  }
}

int TWebClientHandle::Get(std::int32_t start, std::int32_t end) {
  TBusy busy(busy_);
  const int result = RunGet(start, end);
  requestHeaders_.clear();
  return Finish(result);
}

int TWebClientHandle::ReadText() {
  TBusy busy(busy_);
  if (aborted_.load()) return kWebConnectionFailed;
  const int result = reader_.ReadBody(head_, rangeAsked_, maxBody_, body_);
  if (reader_.SourceEnded() || result < 0) {
    Disconnect();
    return Finish(result);
  }
  const std::string* connection = head_.Find("CONNECTION");
  reusable_ = connection == nullptr || ToUpperAscii(*connection).find("CLOSE") == std::string::npos;
  return result;
}

void TWebClientHandle::Abort() noexcept {
  aborted_ = true;
  connected_ = false;
  // A call may be just about to start a connect or a wait that a single Close
  // would miss; closing until it has let go ends that one too.
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  for (;;) {
    socket_.Close();
    if (busy_.load() == 0 || std::chrono::steady_clock::now() >= giveUp) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

EWebClient::EWebClient(int code)
    : std::runtime_error("WebClient Exception " + std::to_string(code)), code_(code) {}

namespace {

int Check(int code) {
  if (code < 0) throw EWebClient(code);
  return code;
}

}  // namespace

void TWebClient::Open(std::string_view url) { Check(handle_.Open(url)); }

std::int32_t TWebClient::Get(std::int32_t start, std::int32_t end) { return Check(handle_.Get(start, end)); }

const TWebBody& TWebClient::ReadText() {
  Check(handle_.ReadText());
  return handle_.Body();
}

void AbortAllWebClients() noexcept {
  TLiveClients& live = LiveClients();
  std::lock_guard guard(live.lock);
  for (TWebClientHandle* handle : live.handles) handle->Abort();
}

std::size_t LiveWebClientCount() {
  TLiveClients& live = LiveClients();
  std::lock_guard guard(live.lock);
  return live.handles.size();
}

}  // namespace kp
