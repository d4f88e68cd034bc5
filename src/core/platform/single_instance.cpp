#include "core/platform/single_instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <utility>

#include "core/platform/file_descriptor.h"
#include "core/platform/file_io.h"

namespace kp {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kShowLine = "SHOW";
constexpr std::string_view kLinkPrefix = "LINK ";
constexpr std::string_view kAcknowledgement = "OK\n";
constexpr std::string_view kNotUnderstood = "ERR\n";
// The answer line is one of the two above; anything longer is not an answer.
constexpr std::size_t kMaxAnswerSize = 16;
// How long the listener rests after a failure of accept or poll (out of
// descriptors, say) before it tries again, so it does not spin.
constexpr int kRetryPauseMs = 100;
// How often a second start retries a connection while the listener's backlog is full.
constexpr auto kConnectRetryPause = std::chrono::milliseconds(10);

// Milliseconds left until the deadline for poll, rounded up; 0 once it has passed.
int MillisecondsUntil(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(left, 0, 60 * 60 * 1000));
}

// Raw control characters have no place in a link (a URL carries them
// percent-encoded), and a line break or zero byte would break the line or the
// C text that plugins receive.
bool IsAcceptableLink(std::string_view link) {
  if (link.empty()) return false;
  return std::none_of(link.begin(), link.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
}

// The folder without trailing "/" (but "/" stays "/").
std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// Makes the runtime folder when it is missing and checks that it is a real
// folder of this user that nobody else may write to. 0 or an errno value.
int PrepareFolder(const std::string& folder) {
  const std::string path = WithoutTrailingSlash(folder);
  if (path.empty()) return ENOENT;
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) {
    if (errno != ENOENT) return errno;
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    if (::lstat(path.c_str(), &info) != 0) return errno;
  }
  if (S_ISLNK(info.st_mode)) return ELOOP;
  if (!S_ISDIR(info.st_mode)) return ENOTDIR;
  if (info.st_uid != ::geteuid()) return EPERM;
  if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) return EPERM;
  return 0;
}

bool FitsSocketAddress(const std::string& path) { return path.size() < sizeof(sockaddr_un::sun_path); }

sockaddr_un AddressOf(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.data(), std::min(path.size(), sizeof(address.sun_path) - 1));
  return address;
}

int Connect(int fd, const std::string& path) {
  const sockaddr_un address = AddressOf(path);
  return ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
}

bool PeerIsThisUser(int connection) {
  ucred peer{};
  socklen_t size = sizeof(peer);
  return ::getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && size == sizeof(peer) &&
         peer.uid == ::geteuid();
}

// Best effort: the client may have gone already.
void Answer(int connection, std::string_view text) noexcept {
  if (::send(connection, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0) return;
}

// Waits until fd is ready for the events or the deadline passes. 1 when ready,
// 0 at the deadline, -1 with errno on failure.
int WaitFor(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    pollfd entry{fd, events, 0};
    const int ready = ::poll(&entry, 1, MillisecondsUntil(deadline));
    if (ready < 0 && errno == EINTR) continue;
    return ready;
  }
}

THandOverResult Outcome(THandOverStatus status, int error = 0) { return {status, error}; }

// Connects to the socket within the deadline. A status only when it did not connect.
std::optional<THandOverResult> ConnectBefore(int fd, const std::string& socketPath, Clock::time_point deadline) {
  for (;;) {
    if (Connect(fd, socketPath) == 0) return std::nullopt;
    const int error = errno;
    switch (error) {
      case EINTR:
        continue;
      case EISCONN:
        return std::nullopt;
      case ENOENT:        // no socket file: the running instance does not listen yet
      case ECONNREFUSED:  // a socket file that nobody listens on
        return Outcome(THandOverStatus::NoListener, error);
      case EAGAIN:  // the listener's backlog is full; it may drain in time
        if (Clock::now() + kConnectRetryPause >= deadline) return Outcome(THandOverStatus::NoAnswer, error);
        std::this_thread::sleep_for(kConnectRetryPause);
        continue;
      case EINPROGRESS:
      case EALREADY: {
        const int ready = WaitFor(fd, POLLOUT, deadline);
        if (ready < 0) return Outcome(THandOverStatus::Failed, errno);
        if (ready == 0) return Outcome(THandOverStatus::NoAnswer, ETIMEDOUT);
        int pending = 0;
        socklen_t size = sizeof(pending);
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &pending, &size) != 0) {
          return Outcome(THandOverStatus::Failed, errno);
        }
        if (pending == 0) return std::nullopt;
        if (pending == ECONNREFUSED) return Outcome(THandOverStatus::NoListener, pending);
        return Outcome(THandOverStatus::Failed, pending);
      }
      default:
        return Outcome(THandOverStatus::Failed, error);
    }
  }
}

THandOverResult SendRequestLine(const std::string& socketPath, std::string_view line,
                                std::chrono::milliseconds wait) {
  const Clock::time_point deadline = Clock::now() + wait;
  if (!FitsSocketAddress(socketPath)) return Outcome(THandOverStatus::Failed, ENAMETOOLONG);
  const TFileDescriptor fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (fd.get() < 0) return Outcome(THandOverStatus::Failed, errno);
  if (auto failure = ConnectBefore(fd.get(), socketPath, deadline)) return *failure;

  while (!line.empty()) {
    const int ready = WaitFor(fd.get(), POLLOUT, deadline);
    if (ready < 0) return Outcome(THandOverStatus::Failed, errno);
    if (ready == 0) return Outcome(THandOverStatus::NoAnswer, ETIMEDOUT);
    const ssize_t sent = ::send(fd.get(), line.data(), line.size(), MSG_NOSIGNAL);
    if (sent < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      if (errno == EPIPE || errno == ECONNRESET) return Outcome(THandOverStatus::NoAnswer, errno);
      return Outcome(THandOverStatus::Failed, errno);
    }
    line.remove_prefix(static_cast<std::size_t>(sent));
  }

  std::string answer;
  for (;;) {
    const int ready = WaitFor(fd.get(), POLLIN, deadline);
    if (ready < 0) return Outcome(THandOverStatus::Failed, errno);
    if (ready == 0) return Outcome(THandOverStatus::NoAnswer, ETIMEDOUT);
    char buffer[kMaxAnswerSize];
    const ssize_t got = ::recv(fd.get(), buffer, kMaxAnswerSize - answer.size(), 0);
    if (got < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      if (errno == ECONNRESET) return Outcome(THandOverStatus::NoAnswer, errno);
      return Outcome(THandOverStatus::Failed, errno);
    }
    if (got == 0) return Outcome(THandOverStatus::NoAnswer);  // closed without answering
    answer.append(buffer, static_cast<std::size_t>(got));
    const std::size_t end = answer.find('\n');
    if (end != std::string::npos) {
      answer.resize(end + 1);
      return Outcome(answer == kAcknowledgement ? THandOverStatus::Delivered : THandOverStatus::Refused);
    }
    if (answer.size() >= kMaxAnswerSize) return Outcome(THandOverStatus::Refused);
  }
}

}  // namespace

std::string RuntimeFolderFrom(const char* xdgRuntimeDir, uid_t uid) {
  if (xdgRuntimeDir && xdgRuntimeDir[0] == '/') return xdgRuntimeDir;
  return "/tmp/keplinor-" + std::to_string(uid);
}

std::string DefaultRuntimeFolder() { return RuntimeFolderFrom(std::getenv("XDG_RUNTIME_DIR"), ::geteuid()); }

std::optional<std::string> EncodeInstanceRequest(const TInstanceRequest& request) {
  if (request.kind == TInstanceRequest::TKind::Show) return std::string(kShowLine) + '\n';
  if (!IsAcceptableLink(request.link)) return std::nullopt;
  std::string line = std::string(kLinkPrefix) + request.link + '\n';
  if (line.size() > kMaxHandOverLineSize) return std::nullopt;
  return line;
}

std::optional<TInstanceRequest> ParseInstanceRequest(std::string_view line) {
  if (line.size() >= kMaxHandOverLineSize) return std::nullopt;
  if (line == kShowLine) return TInstanceRequest::Show();
  if (!line.starts_with(kLinkPrefix)) return std::nullopt;
  const std::string_view link = line.substr(kLinkPrefix.size());
  if (!IsAcceptableLink(link)) return std::nullopt;
  return TInstanceRequest::Link(std::string(link));
}

TSingleInstance::TSingleInstance(std::string runtimeFolder, std::chrono::milliseconds requestTimeout)
    : folder_(std::move(runtimeFolder)),
      lockPath_(JoinPath(folder_, kInstanceLockFileName)),
      socketPath_(JoinPath(folder_, kInstanceSocketFileName)),
      requestTimeout_(requestTimeout) {}

TSingleInstance::~TSingleInstance() { Shutdown(); }

TInstanceStart TSingleInstance::Start(RequestHandler handler) {
  if (role_ != TInstanceRole::None) return {role_, 0};
  // Checked first so that a primary never holds a lock it cannot serve.
  if (!FitsSocketAddress(socketPath_)) return {TInstanceRole::None, ENAMETOOLONG};
  if (const int error = PrepareFolder(folder_)) return {TInstanceRole::None, error};

  lockFd_ =
      TFileDescriptor(::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600));
  if (!lockFd_.valid()) return {TInstanceRole::None, errno};
  struct stat info {};
  int error = 0;
  if (::fstat(lockFd_.get(), &info) != 0) {
    error = errno;
  } else if (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
    error = EPERM;
  }
  while (error == 0 && ::flock(lockFd_.get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno == EWOULDBLOCK) {
      // Another instance runs; a second start keeps nothing open.
      lockFd_.Close();
      role_ = TInstanceRole::Secondary;
      return {role_, 0};
    }
    error = errno;
  }
  if (error != 0) {
    lockFd_.Close();
    return {TInstanceRole::None, error};
  }

  handler_ = std::move(handler);
  if (const int listenError = Listen()) {
    Shutdown();
    return {TInstanceRole::None, listenError};
  }
  role_ = TInstanceRole::Primary;
  return {role_, 0};
}

int TSingleInstance::Listen() {
  // Holding the lock, anything at the socket's path was left by an instance that ended without cleaning up.
  if (::unlink(socketPath_.c_str()) != 0 && errno != ENOENT) return errno;

  TFileDescriptor fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!fd.valid()) return errno;
  const sockaddr_un address = AddressOf(socketPath_);
  if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    const int error = errno;  // before the descriptor's close can change it
    return error;
  }
  listenFd_ = std::move(fd);  // from here on Shutdown removes the socket file
  // The folder already keeps other users out; the socket's own mode does as well.
  if (::chmod(socketPath_.c_str(), 0600) != 0) return errno;
  if (::listen(listenFd_.get(), 16) != 0) return errno;

  int stopPipe[2];
  if (::pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) return errno;
  stopRead_ = TFileDescriptor(stopPipe[0]);
  stopWrite_ = TFileDescriptor(stopPipe[1]);
  try {
    listener_ = std::thread(&TSingleInstance::Serve, this);
  } catch (const std::system_error& failure) {
    return failure.code().value() != 0 ? failure.code().value() : EAGAIN;
  }
  return 0;
}

void TSingleInstance::Serve() {
  for (;;) {
    pollfd entries[2] = {{listenFd_.get(), POLLIN, 0}, {stopRead_.get(), POLLIN, 0}};
    const int ready = ::poll(entries, 2, -1);
    if (ready < 0 && errno == EINTR) continue;
    if (entries[1].revents != 0) return;
    if (ready < 0 || (entries[0].revents & POLLIN) == 0) {
      // Nothing to accept after a failure or an error on the socket: rest, unless told to stop.
      pollfd stop{stopRead_.get(), POLLIN, 0};
      if (::poll(&stop, 1, kRetryPauseMs) > 0) return;
      continue;
    }
    const int connection = ::accept4(listenFd_.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (connection < 0) {
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
        pollfd stop{stopRead_.get(), POLLIN, 0};
        if (::poll(&stop, 1, kRetryPauseMs) > 0) return;
      }
      continue;  // EAGAIN, ECONNABORTED and the like: the client went away
    }
    ServeConnection(connection);
    ::close(connection);
  }
}

void TSingleInstance::ServeConnection(int connection) {
  // Only this user's processes can reach the folder; the check covers a
  // privileged process of someone else.
  if (!PeerIsThisUser(connection)) return;

  const Clock::time_point deadline = Clock::now() + requestTimeout_;
  std::string line;
  char buffer[4096];
  for (;;) {
    pollfd entries[2] = {{connection, POLLIN, 0}, {stopRead_.get(), POLLIN, 0}};
    const int ready = ::poll(entries, 2, MillisecondsUntil(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0 || entries[1].revents != 0) return;  // failure, too slow, or stopping

    // Never more than the bound, so a client cannot make this thread hold more.
    const std::size_t room = std::min(sizeof(buffer), kMaxHandOverLineSize - line.size());
    const ssize_t got = ::recv(connection, buffer, room, 0);
    if (got < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return;
    }
    if (got == 0) return;  // closed before the line was complete
    const std::size_t searchFrom = line.size();
    line.append(buffer, static_cast<std::size_t>(got));
    const std::size_t end = line.find('\n', searchFrom);
    if (end != std::string::npos) {
      line.resize(end);  // one request per connection; anything after it is ignored
      break;
    }
    if (line.size() >= kMaxHandOverLineSize) {
      Answer(connection, kNotUnderstood);
      return;
    }
  }

  std::optional<TInstanceRequest> request = ParseInstanceRequest(line);
  if (!request) {
    Answer(connection, kNotUnderstood);
    return;
  }
  try {
    if (handler_) handler_(std::move(*request));
  } catch (...) {
    // A failing handler must not end the listener, nor the program with it.
    Answer(connection, kNotUnderstood);
    return;
  }
  Answer(connection, kAcknowledgement);
}

THandOverResult TSingleInstance::HandOver(const TInstanceRequest& request, std::chrono::milliseconds wait) const {
  if (role_ != TInstanceRole::Secondary) return Outcome(THandOverStatus::Failed, EINVAL);
  const std::optional<std::string> line = EncodeInstanceRequest(request);
  if (!line) return Outcome(THandOverStatus::InvalidRequest);
  return SendRequestLine(socketPath_, *line, wait);
}

void TSingleInstance::Shutdown() noexcept {
  if (listener_.joinable()) {
    const char stop = 1;
    while (::write(stopWrite_.get(), &stop, 1) < 0 && errno == EINTR) {
    }
    listener_.join();
  }
  if (listenFd_.valid()) {
    listenFd_.Close();
    // Still under the lock, so no newer instance's socket can be removed here.
    ::unlink(socketPath_.c_str());
  }
  stopRead_.Close();
  stopWrite_.Close();
  lockFd_.Close();  // releases the lock
  handler_ = nullptr;
  role_ = TInstanceRole::None;
}

}  // namespace kp
