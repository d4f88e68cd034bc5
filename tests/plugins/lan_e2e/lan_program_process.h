#pragma once
// A real program run headless in a prepared folder: started as a child that
// dies with this process, stopped by its own process id (SIGTERM, then SIGKILL
// when it does not end in time), its output kept in the folder's "out.txt".

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>

namespace kp::lan_e2e {

class TLanProgram {
 public:
  TLanProgram() = default;
  TLanProgram(const TLanProgram&) = delete;
  TLanProgram& operator=(const TLanProgram&) = delete;
  ~TLanProgram() { static_cast<void>(Stop()); }

  // Runs "<folder>/<executable name> --headless". False with a reason when the
  // program could not be started, did not say it was up, or did not listen on
  // the port within the patience.
  [[nodiscard]] bool Start(const std::string& folder, const std::string& executableName, std::uint16_t port,
                           std::string& error, std::chrono::seconds patience = std::chrono::seconds(30));
  // The exit status of a program that ended by itself or was stopped; -1 when
  // it had to be killed or never ran.
  int Stop(std::chrono::seconds patience = std::chrono::seconds(20));
  [[nodiscard]] bool Running();
  // Whether Start ever launched the program.
  [[nodiscard]] bool Launched() const noexcept { return launched_; }
  [[nodiscard]] pid_t Pid() const noexcept { return pid_; }
  [[nodiscard]] std::string Output() const;

 private:
  pid_t pid_ = -1;
  bool launched_ = false;
  int status_ = -1;
  std::string output_;
};

// True when something accepts a connection on 127.0.0.1 at the port.
[[nodiscard]] bool Listening(std::uint16_t port);

}  // namespace kp::lan_e2e
