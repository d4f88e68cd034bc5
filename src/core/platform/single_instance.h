#pragma once
// One running instance per logged-on user. The first start takes an exclusive
// lock on a file in the user's runtime folder and listens on a UNIX-domain
// socket beside it; a later start finds the lock taken, connects, asks the
// running instance to show itself or hands it a link from its command line,
// and ends without touching any other file.
//
// The conversation is one line each way, per connection:
//   client: "SHOW\n" or "LINK <text>\n"  (at most kMaxHandOverLineSize bytes)
//   server: "OK\n" when the request reached the owner's handler, "ERR\n" when
//           it was not understood; nothing when the client was too slow.

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

#include "core/platform/file_descriptor.h"

namespace kp {

inline constexpr std::string_view kInstanceLockFileName = "keplinor.lock";
inline constexpr std::string_view kInstanceSocketFileName = "keplinor.socket";
// A request line, its "\n" included, is never longer than this.
inline constexpr std::size_t kMaxHandOverLineSize = 16 * 1024;
// How long the running instance waits for a connected client's request line.
inline constexpr std::chrono::milliseconds kDefaultRequestTimeout{2000};
// How long a second start waits, all told, for the running instance's answer.
inline constexpr std::chrono::milliseconds kDefaultHandOverWait{3000};

// The folder that holds the lock and the socket: XDG_RUNTIME_DIR when it is an
// absolute path, otherwise "/tmp/keplinor-<uid>". xdgRuntimeDir may be null.
[[nodiscard]] std::string RuntimeFolderFrom(const char* xdgRuntimeDir, uid_t uid);
// RuntimeFolderFrom with this process's environment and effective user.
[[nodiscard]] std::string DefaultRuntimeFolder();

struct TInstanceRequest {
  enum class TKind : std::uint8_t { Show, Link };

  TKind kind = TKind::Show;
  std::string link;  // only for Link

  [[nodiscard]] static TInstanceRequest Show() { return {}; }
  [[nodiscard]] static TInstanceRequest Link(std::string text) { return {TKind::Link, std::move(text)}; }
  bool operator==(const TInstanceRequest&) const = default;
};

// The request's line with its "\n"; no value when it cannot travel as one line:
// a link that is empty, holds a line break or a zero byte, or makes the line
// longer than kMaxHandOverLineSize.
[[nodiscard]] std::optional<std::string> EncodeInstanceRequest(const TInstanceRequest& request);
// A received line without its "\n"; no value for anything but a well-formed request.
[[nodiscard]] std::optional<TInstanceRequest> ParseInstanceRequest(std::string_view line);

enum class TInstanceRole : std::uint8_t {
  None,       // Start has not run (or failed)
  Primary,    // this process holds the lock and serves requests
  Secondary,  // another process holds the lock; hand over and end
};

struct TInstanceStart {
  TInstanceRole role = TInstanceRole::None;  // None when it failed
  int error = 0;                             // errno of the failure, else 0
};

enum class THandOverStatus : std::uint8_t {
  Delivered,       // the running instance acknowledged the request
  NoListener,      // the lock is held but nobody listens (the first start is still starting)
  NoAnswer,        // connected, but no acknowledgement within the wait
  Refused,         // the running instance answered that it did not understand
  InvalidRequest,  // the request cannot be sent (see EncodeInstanceRequest); nothing was sent
  Failed,          // a system call failed, or this object is not a secondary instance
};

struct THandOverResult {
  THandOverStatus status = THandOverStatus::Failed;
  int error = 0;  // errno of a failure, else 0
};

class TSingleInstance {
 public:
  // Runs on the listener thread, once per valid request, and should return
  // quickly (the desktop program posts the request to its main thread).
  // Exceptions it throws are swallowed and the request counts as not delivered.
  using RequestHandler = std::function<void(TInstanceRequest)>;

  // Nothing happens until Start. requestTimeout bounds how long the running
  // instance waits for one connected client's request line.
  explicit TSingleInstance(std::string runtimeFolder,
                           std::chrono::milliseconds requestTimeout = kDefaultRequestTimeout);
  TSingleInstance(const TSingleInstance&) = delete;
  TSingleInstance& operator=(const TSingleInstance&) = delete;
  // A primary instance stops its listener, removes the socket file and then
  // releases the lock.
  ~TSingleInstance();

  // Makes the runtime folder when it is missing (mode 0700) and refuses one that
  // is a symbolic link, belongs to another user or is writable by others. Then
  // takes the lock: as the primary instance it replaces a socket file left by a
  // crashed instance, listens (socket mode 0600) and passes every valid request
  // to the handler. A second call returns the first call's role.
  [[nodiscard]] TInstanceStart Start(RequestHandler handler);

  // Secondary instance only: sends the request to the running instance and waits
  // at most the given time for its acknowledgement. Reads and writes no file.
  [[nodiscard]] THandOverResult HandOver(const TInstanceRequest& request,
                                         std::chrono::milliseconds wait = kDefaultHandOverWait) const;

  [[nodiscard]] TInstanceRole Role() const noexcept { return role_; }
  [[nodiscard]] const std::string& SocketPath() const noexcept { return socketPath_; }

 private:
  [[nodiscard]] int Listen();
  void Serve();
  void ServeConnection(int connection);
  void Shutdown() noexcept;

  const std::string folder_;
  const std::string lockPath_;
  const std::string socketPath_;
  const std::chrono::milliseconds requestTimeout_;

  TInstanceRole role_ = TInstanceRole::None;
  RequestHandler handler_;
  TFileDescriptor lockFd_;
  TFileDescriptor listenFd_;
  TFileDescriptor stopRead_;  // the listener thread watches this pipe; the destructor writes to it
  TFileDescriptor stopWrite_;
  std::thread listener_;
};

}  // namespace kp
