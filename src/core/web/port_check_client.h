#pragma once
// The port check: tells whether this computer accepts incoming TCP connections
// from the internet. The client listens on a local port, tells a port-check
// server that port on a control connection, and waits for the server to connect
// back and exchange two lines:
//
//   control   server -> client  a line whose first word is "200"
//   control   client -> server  "PORT <listening port>"
//   incoming  client -> server  "200 Port Test Ready!"
//   incoming  server -> client  "CHECK"
//   incoming  client -> server  "200 Port Tested OK" (or "401 Invalid command")
//   control   server -> client  a line whose first word is "200" when it passed
//
// Every line ends with CR LF. The check runs on a worker thread; the thread
// that calls Check keeps handling its messages while it waits.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "core/config/settings.h"

namespace kp {

// The outcome of a check, as the FirewallStatus setting keeps it.
enum class TPortCheckOutcome : std::int32_t {
  Reachable = 0,      // incoming connections reach this computer
  Unreachable = 1,    // the check failed
  NotConfigured = 3,  // no port-check server is named: nothing was contacted
};

struct TPortCheckServerAddress {
  std::string Host;
  std::uint16_t Port = 0;
};

// The server named by the settings: PortCheckServer holds "host" or
// "host:port"; without a port in it, PortCheckPort (default 8890) applies. An
// empty key, or a port in it that is no number from 1 to 65535, names none.
[[nodiscard]] std::optional<TPortCheckServerAddress> PortCheckServerOf(
    const TApplicationSettings& application);

class TPortCheckClient {
 public:
  static constexpr std::int32_t kDefaultTimeout = 15;
  // Longest line accepted from the server.
  static constexpr std::size_t kMaximumLineLength = 1024;

  // What the waiting thread does between its looks at the worker: handle its
  // pending messages, and give up at once when the program is ending. Either
  // may be empty.
  struct TWaitHooks {
    std::function<void()> ProcessPendingMessages;
    std::function<bool()> IsTerminating;
  };

  explicit TPortCheckClient(TWaitHooks hooks = {});
  TPortCheckClient(const TPortCheckClient&) = delete;
  TPortCheckClient& operator=(const TPortCheckClient&) = delete;
  // Cancels a check that still runs.
  ~TPortCheckClient();

  // Seconds for every wait for data or an incoming connection.
  void SetTimeout(std::int32_t seconds) noexcept { timeout_.store(seconds); }
  [[nodiscard]] std::int32_t GetTimeout() const noexcept { return timeout_.load(); }
  [[nodiscard]] bool CheckResult() const noexcept { return checkResult_.load(); }

  // Runs one check and waits for it; local port 0 lets the system choose.
  // Returns CheckResult; false at once when the program is ending.
  bool Check(std::uint16_t localPort, std::string_view host, std::uint16_t port);
  // Runs the check against the server that the settings name, or reports that
  // none is named without contacting anything.
  TPortCheckOutcome CheckConfigured(const TApplicationSettings& application, std::uint16_t localPort = 0);
  // Ends a running check (its blocking calls fail at once) and waits for it.
  void Cancel();

 private:
  struct TRun;

  void WaitUntilEnded(TRun& run, bool giveUpWhenTerminating);

  const TWaitHooks hooks_;
  std::atomic<std::int32_t> timeout_{kDefaultTimeout};
  std::atomic<bool> checkResult_{false};

  std::mutex mutex_;  // guards the worker and its run
  std::thread worker_;
  std::shared_ptr<TRun> run_;
};

}  // namespace kp
