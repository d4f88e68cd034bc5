#include "core/web/socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <initializer_list>
#include <thread>
#include <utility>
#include <vector>

namespace kp {

namespace {

// Guards every socket's descriptor, generation and pending lookup, and every
// Close; never held across a wait.
std::mutex& ProcessLock() {
  static std::mutex lock;
  return lock;
}

std::atomic<int> pendingLookups{0};

enum class TWaitResult { Ready, TimedOut, Woken, Failed };

// Waits until fd has the events, a wake-up descriptor is readable, or the time
// (milliseconds, negative for none) has passed.
TWaitResult WaitFor(int fd, short events, std::initializer_list<int> wakeFds, std::int64_t milliseconds) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds < 0 ? 0 : milliseconds);
  std::vector<pollfd> fds;
  fds.push_back({fd, events, 0});
  for (const int wake : wakeFds) fds.push_back({wake, POLLIN, 0});
  for (;;) {
    int wait = -1;
    if (milliseconds >= 0) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      wait = static_cast<int>(left < 0 ? 0 : (left > INT_MAX ? INT_MAX : left));
    }
    const int ready = ::poll(fds.data(), fds.size(), wait);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return TWaitResult::Failed;
    }
    for (std::size_t i = 1; i < fds.size(); ++i) {
      if (fds[i].revents != 0) return TWaitResult::Woken;
    }
    if (ready > 0) return TWaitResult::Ready;
    if (wait >= 0 && Clock::now() >= deadline) return TWaitResult::TimedOut;
  }
}

std::uint32_t ParseDottedAddress(std::string_view text, bool& ok) {
  ok = false;
  if (text.empty() || text.size() > 15) return 0;
  const std::string copy(text);
  in_addr address{};
  if (::inet_pton(AF_INET, copy.c_str(), &address) != 1) return 0;
  ok = true;
  return address.s_addr;
}

}  // namespace

int SocketErrorFromErrno(int error) noexcept {
  switch (error) {
    case ETIMEDOUT:
      return socket_error::kTimeout;
    case ENETRESET:
    case ECONNABORTED:
    case ECONNRESET:
    case EPIPE:
      return socket_error::kReset;
    case EADDRINUSE:
    case EADDRNOTAVAIL:
      return socket_error::kAddressInUse;
    case ENETDOWN:
    case ENETUNREACH:
      return socket_error::kNetworkDown;
    case ENOBUFS:
    case ENOMEM:
      return socket_error::kNoBuffers;
    case ECONNREFUSED:
      return socket_error::kRefused;
    case EHOSTDOWN:
    case EHOSTUNREACH:
      return socket_error::kHostUnreachable;
    default:
      return socket_error::kOther;
  }
}

int SocketErrorFromLookup(int lookupError, int systemError) noexcept {
  switch (lookupError) {
    case 0:
      return 0;
    case EAI_NONAME:
    case EAI_AGAIN:
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
#endif
      return socket_error::kHostNotFound;
    case EAI_MEMORY:
      return socket_error::kNoBuffers;
    case EAI_SYSTEM:
      return SocketErrorFromErrno(systemError);
    default:
      return socket_error::kOther;
  }
}

ESocket::ESocket(int code) : ESocket(code, "Network Exception " + std::to_string(code)) {}

ESocket::ESocket(int code, const std::string& message) : std::runtime_error(message), code_(code) {}

// One host-name lookup, shared by the socket that waits and the thread that
// looks the name up, so either may go first.
struct TSocket::TLookup {
  std::mutex mutex;
  std::condition_variable answered;
  bool done = false;
  bool cancelled = false;
  int error = 0;
  std::uint32_t address = 0;  // network byte order
};

TSocket::TSocket() {
  wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wakeFd_ < 0) throw ESocket(socket_error::kFailed, "Out of network resources: WSACreateEvent");
}

TSocket::~TSocket() {
  Close();
  CloseDeferred();
  ::close(wakeFd_);
}

void TSocket::SetTimeout(std::int32_t seconds) noexcept { timeout_.store(seconds < 0 ? 0 : seconds); }

std::string TSocket::GetPeerAddress() const {
  const std::uint32_t address = peerAddress_.load();
  if (address == 0) return {};
  in_addr raw{};
  raw.s_addr = address;
  char text[INET_ADDRSTRLEN] = {};
  if (::inet_ntop(AF_INET, &raw, text, sizeof text) == nullptr) return {};
  return text;
}

bool TSocket::IsOpen() const noexcept {
  const TSocketState state = state_.load();
  return state == TSocketState::Listening || state == TSocketState::Connected;
}

std::int64_t TSocket::WaitMilliseconds() const noexcept {
  const std::int64_t seconds = timeout_.load();
  return seconds <= 0 ? -1 : seconds * 1000;
}

std::uint64_t TSocket::Generation() const noexcept {
  std::lock_guard guard(ProcessLock());
  return generation_;
}

void TSocket::ClearWake() noexcept {
  eventfd_t value = 0;
  (void)::eventfd_read(wakeFd_, &value);
}

bool TSocket::Adopt(int fd, TSocketState state, std::uint64_t generation) noexcept {
  std::lock_guard guard(ProcessLock());
  if (generation_ != generation) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  state_.store(state);
  return true;
}

bool TSocket::SetStateIfCurrent(TSocketState state, std::uint64_t generation) noexcept {
  std::lock_guard guard(ProcessLock());
  if (generation_ != generation) return false;
  state_.store(state);
  return true;
}

void TSocket::RecordAddresses(int fd) noexcept {
  sockaddr_in local{};
  socklen_t length = sizeof local;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) == 0)
    localPort_.store(ntohs(local.sin_port));
  sockaddr_in peer{};
  length = sizeof peer;
  if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) == 0) {
    peerAddress_.store(peer.sin_addr.s_addr);
    peerPort_.store(ntohs(peer.sin_port));
  }
}

void TSocket::Close() noexcept {
  std::lock_guard guard(ProcessLock());
  const bool idle = mutex_.try_lock();
  EndConnection(idle);
  if (idle) mutex_.unlock();
}

void TSocket::CloseHeld() noexcept {
  std::lock_guard guard(ProcessLock());
  EndConnection(true);
}

void TSocket::EndConnection(bool closeNow) noexcept {
  ++generation_;
  (void)::eventfd_write(wakeFd_, 1);
  if (lookup_) {
    {
      std::lock_guard lookupGuard(lookup_->mutex);
      lookup_->cancelled = true;
    }
    lookup_->answered.notify_all();
    lookup_.reset();
  }
  if (fd_ >= 0) {
    // Shutting down ends a send or receive that another thread is blocked in;
    // the descriptor itself is closed only when no operation polls it, so its
    // number cannot be reused under that operation's feet.
    ::shutdown(fd_, SHUT_RDWR);
    if (closeNow) {
      ::close(fd_);
    } else {
      // An older deferred descriptor belongs to an operation that has ended.
      if (deferredFd_ >= 0) ::close(deferredFd_);
      deferredFd_ = fd_;
    }
    fd_ = -1;
  }
  state_.store(TSocketState::Closed);
  localPort_.store(0);
  peerAddress_.store(0);
  peerPort_.store(0);
}

void TSocket::CloseDeferred() noexcept {
  std::lock_guard guard(ProcessLock());
  if (deferredFd_ >= 0) {
    ::close(deferredFd_);
    deferredFd_ = -1;
  }
}

// ---- connect ---------------------------------------------------------------

int TSocket::ConnectHeld(std::string_view host, std::uint16_t port) noexcept {
  CloseHeld();
  std::uint64_t generation = 0;
  {
    std::lock_guard guard(ProcessLock());
    ClearWake();
    generation = generation_;
  }

  bool dotted = false;
  std::uint32_t address = ParseDottedAddress(host, dotted);
  if (!dotted) {
    if (host.empty() || host.size() > kMaximumHostNameLength || host.find('\0') != std::string_view::npos)
      return socket_error::kHostNotFound;
    if (pendingLookups.fetch_add(1) >= kMaximumPendingLookups) {
      pendingLookups.fetch_sub(1);
      return socket_error::kFailed;
    }
    auto lookup = std::make_shared<TLookup>();
    {
      std::lock_guard guard(ProcessLock());
      if (generation_ != generation) {
        pendingLookups.fetch_sub(1);
        return socket_error::kNotOpen;
      }
      lookup_ = lookup;
      state_.store(TSocketState::Resolving);
    }
    try {
      std::thread([lookup, name = std::string(host)]() noexcept {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* answer = nullptr;
        const int result = ::getaddrinfo(name.c_str(), nullptr, &hints, &answer);
        const int systemError = errno;
        std::uint32_t found = 0;
        int error = SocketErrorFromLookup(result, systemError);
        if (result == 0) {
          for (const addrinfo* entry = answer; entry != nullptr; entry = entry->ai_next) {
            if (entry->ai_family == AF_INET && entry->ai_addrlen >= sizeof(sockaddr_in)) {
              found = reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr;
              break;
            }
          }
          if (found == 0) error = socket_error::kHostNotFound;
        }
        if (answer != nullptr) ::freeaddrinfo(answer);
        {
          std::lock_guard guard(lookup->mutex);
          lookup->done = true;
          lookup->error = error;
          lookup->address = found;
        }
        lookup->answered.notify_all();
        pendingLookups.fetch_sub(1);
      }).detach();
    } catch (...) {
      pendingLookups.fetch_sub(1);
      CloseHeld();
      return socket_error::kFailed;
    }
    {
      // The answer comes from the lookup thread itself, so this wait needs no
      // main thread to turn; a Close from any thread ends it as well.
      std::unique_lock lock(lookup->mutex);
      lookup->answered.wait(lock, [&] { return lookup->done || lookup->cancelled; });
    }
    {
      std::lock_guard guard(ProcessLock());
      if (lookup_ == lookup) lookup_.reset();
    }
    if (lookup->cancelled) return socket_error::kNotOpen;
    if (lookup->error != 0) {
      CloseHeld();
      return lookup->error;
    }
    address = lookup->address;
  }

  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    CloseHeld();
    return socket_error::kFailed;
  }
  if (!Adopt(fd, TSocketState::Connecting, generation)) return socket_error::kNotOpen;

  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  peer.sin_addr.s_addr = address;
  const int result = ::connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
  if (result != 0) {
    // An interrupted connect goes on in the background: wait for it as for any.
    if (errno != EINPROGRESS && errno != EINTR) {
      const int code = SocketErrorFromErrno(errno);
      CloseHeld();
      return code;
    }
    const TWaitResult waited = WaitFor(fd, POLLOUT, {wakeFd_}, kConnectWaitMilliseconds);
    if (waited == TWaitResult::Woken) return socket_error::kNotOpen;
    if (waited != TWaitResult::Ready) {
      CloseHeld();
      return socket_error::kTimeout;
    }
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
      CloseHeld();
      return socket_error::kFailed;
    }
    if (error != 0) {
      CloseHeld();
      return SocketErrorFromErrno(error);
    }
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) (void)::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  RecordAddresses(fd);
  if (!SetStateIfCurrent(TSocketState::Connected, generation)) return socket_error::kNotOpen;
  return 0;
}

// ---- listen and accept -----------------------------------------------------

int TSocket::ListenHeld(std::string_view localAddress, std::uint16_t port, bool reuse) noexcept {
  CloseHeld();
  std::uint64_t generation = 0;
  {
    std::lock_guard guard(ProcessLock());
    ClearWake();
    generation = generation_;
  }
  std::uint32_t address = htonl(INADDR_ANY);
  if (!localAddress.empty()) {
    bool ok = false;
    address = ParseDottedAddress(localAddress, ok);
    if (!ok) return socket_error::kAddressInUse;
  }
  // Non-blocking, so that an accept after a connection vanished between the
  // wait and the accept fails instead of blocking.
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return socket_error::kFailed;
  if (!Adopt(fd, TSocketState::CreatedForListening, generation)) return socket_error::kNotOpen;
  const int reuseValue = reuse ? 1 : 0;
  (void)::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuseValue, sizeof reuseValue);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(port);
  local.sin_addr.s_addr = address;
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
      ::listen(fd, kListenBacklog) != 0) {
    const int code = SocketErrorFromErrno(errno);
    CloseHeld();
    return code;
  }
  RecordAddresses(fd);
  if (!SetStateIfCurrent(TSocketState::Listening, generation)) return socket_error::kNotOpen;
  return 0;
}

int TSocket::AcceptHeld(TSocket& listener) noexcept {
  CloseHeld();
  std::uint64_t generation = 0;
  std::uint64_t listenerGeneration = 0;
  int listenerFd = -1;
  {
    std::lock_guard guard(ProcessLock());
    ClearWake();
    generation = generation_;
    listenerGeneration = listener.generation_;
    if (listener.state_.load() != TSocketState::Listening) return socket_error::kNotOpen;
    listenerFd = listener.fd_;
  }
  const TWaitResult waited = WaitFor(listenerFd, POLLIN, {wakeFd_, listener.wakeFd_}, WaitMilliseconds());
  if (waited == TWaitResult::Woken) {
    std::lock_guard guard(ProcessLock());
    return listener.generation_ != listenerGeneration ? socket_error::kPeerClosed : socket_error::kNotOpen;
  }
  if (waited != TWaitResult::Ready) return socket_error::kTimeout;
  sockaddr_in peer{};
  socklen_t length = sizeof peer;
  const int fd = ::accept4(listenerFd, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC);
  if (fd < 0) {
    std::lock_guard guard(ProcessLock());
    return listener.generation_ != listenerGeneration ? socket_error::kPeerClosed : socket_error::kFailed;
  }
  if (!Adopt(fd, TSocketState::Connected, generation)) return socket_error::kNotOpen;
  RecordAddresses(fd);
  return 0;
}

// ---- receive and send ------------------------------------------------------

// Waits until the socket is ready for the direction, then moves what it can.
// A peer that never reads must not hold the sender for ever, so the wait for
// room has the same time-out as a wait for data.
template <typename Move>
std::int64_t TSocket::TransferHeld(short direction, std::size_t size, Move move) noexcept {
  int fd = -1;
  {
    std::lock_guard guard(ProcessLock());
    if (state_.load() != TSocketState::Connected) return socket_error::kNotOpen;
    fd = fd_;
  }
  if (size == 0) return 0;
  for (;;) {
    const TWaitResult waited = WaitFor(fd, direction, {wakeFd_}, WaitMilliseconds());
    if (waited == TWaitResult::Woken) return socket_error::kNotOpen;
    if (waited == TWaitResult::Failed) return SocketErrorFromErrno(errno);
    if (waited == TWaitResult::TimedOut) {
      CloseHeld();
      return socket_error::kTimeout;
    }
    const ssize_t moved = move(fd);
    if (moved > 0 || (moved == 0 && direction == POLLOUT)) return moved;
    if (moved == 0) return socket_error::kPeerClosed;
    if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
    return SocketErrorFromErrno(errno);
  }
}

std::int64_t TSocket::ReceiveHeld(void* buffer, std::size_t size) noexcept {
  return TransferHeld(POLLIN, size, [&](int fd) { return ::recv(fd, buffer, size, MSG_DONTWAIT); });
}

std::int64_t TSocket::SendHeld(const void* buffer, std::size_t size) noexcept {
  return TransferHeld(POLLOUT, size,
                      [&](int fd) { return ::send(fd, buffer, size, MSG_DONTWAIT | MSG_NOSIGNAL); });
}

// ---- the public operations -------------------------------------------------

int TSocket::TryConnect(std::string_view host, std::uint16_t port) noexcept {
  int result = 0;
  {
    std::lock_guard guard(mutex_);
    result = ConnectHeld(host, port);
  }
  CloseDeferred();
  return result;
}

int TSocket::TryListen(std::string_view localAddress, std::uint16_t port, bool reuse) noexcept {
  int result = 0;
  {
    std::lock_guard guard(mutex_);
    result = ListenHeld(localAddress, port, reuse);
  }
  CloseDeferred();
  return result;
}

int TSocket::TryAccept(TSocket& listener) noexcept {
  if (&listener == this) return socket_error::kNotOpen;
  int result = 0;
  {
    std::scoped_lock guard(mutex_, listener.mutex_);
    result = AcceptHeld(listener);
  }
  CloseDeferred();
  listener.CloseDeferred();
  return result;
}

std::int64_t TSocket::TryReceive(void* buffer, std::size_t size) noexcept {
  std::int64_t result = 0;
  {
    std::lock_guard guard(mutex_);
    result = ReceiveHeld(buffer, size);
  }
  CloseDeferred();
  return result;
}

std::int64_t TSocket::TrySend(const void* buffer, std::size_t size) noexcept {
  std::int64_t result = 0;
  {
    std::lock_guard guard(mutex_);
    result = SendHeld(buffer, size);
  }
  CloseDeferred();
  return result;
}

int TSocket::TrySendAll(const void* buffer, std::size_t size) noexcept {
  int result = 0;
  {
    std::lock_guard guard(mutex_);
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    while (size > 0) {
      const std::int64_t sent = SendHeld(bytes, size);
      if (sent < 0) {
        result = static_cast<int>(sent);
        break;
      }
      bytes += sent;
      size -= static_cast<std::size_t>(sent);
    }
  }
  CloseDeferred();
  return result;
}

int TSocket::TryReadByte() noexcept {
  int result = 0;
  {
    std::lock_guard guard(mutex_);
    const std::uint64_t generation = Generation();
    // Bytes received before a Close belong to the connection that ended.
    if (bufferGeneration_ != generation) {
      bufferCount_ = 0;
      bufferPosition_ = 0;
      bufferGeneration_ = generation;
    }
    if (bufferPosition_ >= bufferCount_) {
      const std::int64_t received = ReceiveHeld(buffer_.data(), buffer_.size());
      if (received < 0) {
        bufferCount_ = 0;
        bufferPosition_ = 0;
        result = static_cast<int>(received);
      } else {
        bufferCount_ = static_cast<std::size_t>(received);
        bufferPosition_ = 0;
      }
    }
    if (result == 0) result = buffer_[bufferPosition_++];
  }
  CloseDeferred();
  return result;
}

namespace {
template <typename Result>
Result ThrowIfNegative(Result result) {
  if (result < 0) throw ESocket(static_cast<int>(result));
  return result;
}
}  // namespace

void TSocket::Connect(std::string_view host, std::uint16_t port) { ThrowIfNegative(TryConnect(host, port)); }

void TSocket::Listen(std::string_view localAddress, std::uint16_t port, bool reuse) {
  ThrowIfNegative(TryListen(localAddress, port, reuse));
}

void TSocket::Accept(TSocket& listener) { ThrowIfNegative(TryAccept(listener)); }

std::size_t TSocket::Receive(void* buffer, std::size_t size) {
  return static_cast<std::size_t>(ThrowIfNegative(TryReceive(buffer, size)));
}

std::size_t TSocket::Send(const void* buffer, std::size_t size) {
  return static_cast<std::size_t>(ThrowIfNegative(TrySend(buffer, size)));
}

void TSocket::SendAll(const void* buffer, std::size_t size) { ThrowIfNegative(TrySendAll(buffer, size)); }

std::uint8_t TSocket::ReadByte() { return static_cast<std::uint8_t>(ThrowIfNegative(TryReadByte())); }

}  // namespace kp
