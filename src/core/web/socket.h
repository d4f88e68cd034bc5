#pragma once
// The core's own blocking TCP/IPv4 socket: time-outs on every wait, host-name
// lookups that never block the main thread, buffered byte reads, and the
// negative error codes that the HTTP client and the port check pass on.
//
// A socket is used by one thread at a time. The one exception is Close: any
// thread may call it to end a blocking call of the thread that uses the socket
// (a cancelled port check, a program that shuts down). Every other operation
// holds the socket's own lock while it runs; Close takes the process-wide lock
// instead, so it never waits for the blocked call it is meant to end.
//
// Each operation comes twice: TryX returns 0 or a count, else a negative code;
// X raises ESocket with that code.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kp {

// Negative results of the socket operations.
namespace socket_error {
inline constexpr int kFailed = -1;            // no socket, lookup not started, connect result unreadable
inline constexpr int kNotOpen = -2;           // not connected (or, for Accept, the listener is not listening)
inline constexpr int kTimeout = -3;           // no data or no incoming connection in time
inline constexpr int kReset = -4;             // reset or aborted
inline constexpr int kAddressInUse = -6;      // address in use or not available
inline constexpr int kNetworkDown = -7;       // network down or unreachable
inline constexpr int kNoBuffers = -8;         // no buffer space
inline constexpr int kRefused = -9;           // connection refused
inline constexpr int kHostUnreachable = -10;  // host down or unreachable
inline constexpr int kHostNotFound = -11;     // host name not found
inline constexpr int kOther = -12;            // any other platform error
inline constexpr int kPeerClosed = -13;       // the peer closed, or the listener was closed during Accept
}  // namespace socket_error

// The code for an errno value of a socket call.
[[nodiscard]] int SocketErrorFromErrno(int error) noexcept;
// The code for a getaddrinfo result (systemError is errno, read for EAI_SYSTEM).
[[nodiscard]] int SocketErrorFromLookup(int lookupError, int systemError) noexcept;

class ESocket : public std::runtime_error {
 public:
  // Message "Network Exception " and the code.
  explicit ESocket(int code);
  ESocket(int code, const std::string& message);
  [[nodiscard]] int ErrorCode() const noexcept { return code_; }

 private:
  int code_;
};

enum class TSocketState : std::uint8_t {
  Closed = 1,
  CreatedForListening = 2,
  Resolving = 3,
  Connecting = 4,
  Listening = 5,
  Connected = 6,
};

class TSocket {
 public:
  static constexpr std::size_t kReceiveBufferSize = 8191;
  static constexpr int kListenBacklog = 5000;
  // How long a connect may take before it counts as timed out; the kernel's
  // own retries give up well before.
  static constexpr int kConnectWaitMilliseconds = 10'000'000;
  // Longer host names are not looked up (-11).
  static constexpr std::size_t kMaximumHostNameLength = 255;
  // Host-name lookups that may run at once in the process; one more is -1.
  static constexpr int kMaximumPendingLookups = 32;

  // Raises ESocket(-1, "Out of network resources: WSACreateEvent") when the
  // wake-up descriptor cannot be made.
  TSocket();
  TSocket(const TSocket&) = delete;
  TSocket& operator=(const TSocket&) = delete;
  ~TSocket();

  // Seconds; 0 (or less) is no time-out. Read by Accept, Receive and ReadByte.
  void SetTimeout(std::int32_t seconds) noexcept;
  [[nodiscard]] std::int32_t GetTimeout() const noexcept { return timeout_.load(); }
  // The local port after Listen, Accept or Connect; 0 while closed.
  [[nodiscard]] std::uint16_t GetLocalPort() const noexcept { return localPort_.load(); }
  // The peer's dotted IPv4 address and port while connected; empty and 0 otherwise.
  [[nodiscard]] std::string GetPeerAddress() const;
  [[nodiscard]] std::uint16_t GetPeerPort() const noexcept { return peerPort_.load(); }
  [[nodiscard]] TSocketState GetState() const noexcept { return state_.load(); }
  // Listening or connected.
  [[nodiscard]] bool IsOpen() const noexcept;

  // Host: a dotted IPv4 address, or a name looked up on a lookup thread (the
  // wait for it has no time-out; Close ends it).
  [[nodiscard]] int TryConnect(std::string_view host, std::uint16_t port) noexcept;
  void Connect(std::string_view host, std::uint16_t port);

  // Local address: dotted IPv4, empty for any. Port 0 lets the system choose.
  [[nodiscard]] int TryListen(std::string_view localAddress, std::uint16_t port, bool reuse) noexcept;
  void Listen(std::string_view localAddress, std::uint16_t port, bool reuse);

  // Waits (with this socket's time-out) for a connection on the listener and
  // takes it into this socket. Close of either socket ends the wait.
  [[nodiscard]] int TryAccept(TSocket& listener) noexcept;
  void Accept(TSocket& listener);

  // Up to size bytes, at least one; a time-out closes the connection (-3), a
  // peer that has closed gives -13.
  [[nodiscard]] std::int64_t TryReceive(void* buffer, std::size_t size) noexcept;
  std::size_t Receive(void* buffer, std::size_t size);

  // One send; the count may be less than size.
  [[nodiscard]] std::int64_t TrySend(const void* buffer, std::size_t size) noexcept;
  std::size_t Send(const void* buffer, std::size_t size);
  // Sends until every byte is gone.
  [[nodiscard]] int TrySendAll(const void* buffer, std::size_t size) noexcept;
  void SendAll(const void* buffer, std::size_t size);
  void SendAll(std::string_view text) { SendAll(text.data(), text.size()); }

  // The next received byte (0..255), or a negative code.
  [[nodiscard]] int TryReadByte() noexcept;
  std::uint8_t ReadByte();

  // Never fails; callable from any thread.
  void Close() noexcept;

 private:
  struct TLookup;

  // Under mutex_: the operations proper.
  int ConnectHeld(std::string_view host, std::uint16_t port) noexcept;
  int ListenHeld(std::string_view localAddress, std::uint16_t port, bool reuse) noexcept;
  int AcceptHeld(TSocket& listener) noexcept;
  std::int64_t ReceiveHeld(void* buffer, std::size_t size) noexcept;
  std::int64_t SendHeld(const void* buffer, std::size_t size) noexcept;
  template <typename Move>
  std::int64_t TransferHeld(short direction, std::size_t size, Move move) noexcept;
  // Close by the thread that holds mutex_: the socket is closed at once.
  void CloseHeld() noexcept;
  // Under the process-wide lock; closeNow when no operation can be using fd_.
  void EndConnection(bool closeNow) noexcept;
  // Takes a new descriptor as this socket's, unless a Close came since the
  // operation began (then it is closed and false returned).
  bool Adopt(int fd, TSocketState state, std::uint64_t generation) noexcept;
  bool SetStateIfCurrent(TSocketState state, std::uint64_t generation) noexcept;
  void RecordAddresses(int fd) noexcept;
  // After an operation has let go of mutex_: closes a descriptor that a Close
  // from another thread had to leave open while the operation still used it.
  void CloseDeferred() noexcept;
  // Empties the wake-up descriptor so that only a later Close makes it readable.
  void ClearWake() noexcept;
  [[nodiscard]] std::int64_t WaitMilliseconds() const noexcept;
  [[nodiscard]] std::uint64_t Generation() const noexcept;

  std::mutex mutex_;  // held by every operation but Close
  int wakeFd_ = -1;   // eventfd: readable after a Close, polled beside the socket

  // Guarded by the process-wide lock (written also under mutex_ where noted).
  int fd_ = -1;
  int deferredFd_ = -1;
  std::uint64_t generation_ = 0;  // counts Closes; an operation that sees it change stops
  std::shared_ptr<TLookup> lookup_;

  std::atomic<TSocketState> state_{TSocketState::Closed};
  std::atomic<std::int32_t> timeout_{0};
  std::atomic<std::uint16_t> localPort_{0};
  std::atomic<std::uint32_t> peerAddress_{0};  // network byte order
  std::atomic<std::uint16_t> peerPort_{0};

  // Guarded by mutex_.
  std::array<std::uint8_t, kReceiveBufferSize> buffer_{};
  std::size_t bufferCount_ = 0;
  std::size_t bufferPosition_ = 0;
  std::uint64_t bufferGeneration_ = 0;  // the connection the buffered bytes came from
};

}  // namespace kp
