#include "lan_e2e/lan_program_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "core/platform/file_io.h"

namespace kp::lan_e2e {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kPollStep{50};

}  // namespace

bool Listening(std::uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return connected;
}

bool TLanProgram::Start(const std::string& folder, const std::string& executableName, std::uint16_t port,
                        std::string& error, std::chrono::seconds patience) {
  const std::string base = folder.ends_with('/') ? folder : folder + "/";
  const std::string program = base + executableName;
  output_ = base + "out.txt";
  if (Listening(port)) {
    error = "port " + std::to_string(port) + " is taken before the program starts";
    return false;
  }
  // Everything the child needs is made before the fork: between fork and exec
  // only calls that are safe in a copy of a threaded process are made.
  const char* arguments[] = {program.c_str(), "--headless", nullptr};
  const pid_t parent = ::getpid();
  pid_ = ::fork();
  if (pid_ < 0) {
    error = "fork failed";
    return false;
  }
  if (pid_ == 0) {
    // The child goes with this process, whatever ends it.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(126);
    const int out = ::open(output_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out >= 0) {
      ::dup2(out, STDOUT_FILENO);
      ::dup2(out, STDERR_FILENO);
    }
    ::execv(program.c_str(), const_cast<char* const*>(arguments));
    ::_exit(127);
  }
  launched_ = true;
  // The node listens while the plugins start; the program says it is up after that.
  const auto deadline = Clock::now() + patience;
  while (!Listening(port) || Output().find(" is up (headless)") == std::string::npos) {
    if (!Running()) {
      error = "the program ended before it was up on port " + std::to_string(port) + ":\n" + Output();
      return false;
    }
    if (Clock::now() > deadline) {
      error = "the program was not up on port " + std::to_string(port) + " in time:\n" + Output();
      return false;
    }
    std::this_thread::sleep_for(kPollStep);
  }
  return true;
}

bool TLanProgram::Running() {
  if (pid_ <= 0) return false;
  int status = 0;
  const pid_t ended = ::waitpid(pid_, &status, WNOHANG);
  if (ended == 0) return true;
  status_ = ended == pid_ && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  pid_ = -1;
  return false;
}

int TLanProgram::Stop(std::chrono::seconds patience) {
  if (!Running()) return status_;
  ::kill(pid_, SIGTERM);
  const auto deadline = Clock::now() + patience;
  while (Running()) {
    if (Clock::now() > deadline) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
      pid_ = -1;
      status_ = -1;
      break;
    }
    std::this_thread::sleep_for(kPollStep);
  }
  return status_;
}

std::string TLanProgram::Output() const { return ReadWholeFile(output_, 1u << 20).value_or(std::string()); }

}  // namespace kp::lan_e2e
