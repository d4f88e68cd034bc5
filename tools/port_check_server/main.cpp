// keplinor-port-check-server: tells a client whether its port is reachable.
//
// On each control connection: greet with "200", read "PORT <n>", connect back to
// the address the control connection came from (that address only) on port n,
// wait for the client's "200" greeting there, send "CHECK", expect
// "200 Port Tested OK", and answer "200 ..." or "4xx/5xx ..." on the control
// connection. Nothing is sent on the connection back until the peer has spoken
// the protocol first, so the server cannot be used to talk to other services.
//
// Safe to expose: connections are bounded in total and per address, every wait
// has a time-out, a whole check has a deadline, lines are length-limited. One
// log line per check goes to standard output.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "core/web/socket.h"
#include "core/web/socket_lines.h"

namespace {

using kp::ESocket;
using kp::TSocket;

constexpr std::size_t kMaximumLineLength = 64;
constexpr std::uint16_t kDefaultPort = 8890;

struct TOptions {
  std::string Listen;  // empty: every local address
  std::uint16_t Port = kDefaultPort;
  int MaximumConnections = 64;
  int MaximumPerAddress = 4;
  int Timeout = 10;  // seconds for each wait; a whole check may take three times as long
};

std::atomic<bool> stopRequested{false};

extern "C" void RequestStop(int) { stopRequested.store(true); }

std::mutex logMutex;

void Log(const std::string& text) {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char stamp[32] = {};
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
  std::lock_guard guard(logMutex);
  std::fprintf(stdout, "%s %s\n", stamp, text.c_str());
  std::fflush(stdout);
}

std::optional<long> ParseNumber(std::string_view text, long lowest, long highest) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  long value = 0;
  for (const char digit : text) {
    if (digit < '0' || digit > '9') return std::nullopt;
    value = value * 10 + (digit - '0');
  }
  if (value < lowest || value > highest) return std::nullopt;
  return value;
}

// The connections that run, in total and per peer address.
class TSessions {
 public:
  explicit TSessions(const TOptions& options) : options_(options) {}

  bool TryEnter(const std::string& address) {
    std::lock_guard guard(mutex_);
    int& ofAddress = perAddress_[address];
    if (active_ >= options_.MaximumConnections || ofAddress >= options_.MaximumPerAddress) {
      if (ofAddress == 0) perAddress_.erase(address);
      return false;
    }
    ++active_;
    ++ofAddress;
    return true;
  }

  void Leave(const std::string& address) {
    {
      std::lock_guard guard(mutex_);
      --active_;
      if (--perAddress_[address] <= 0) perAddress_.erase(address);
    }
    left_.notify_all();
  }

  void WaitUntilAllLeft() {
    std::unique_lock lock(mutex_);
    left_.wait(lock, [&] { return active_ == 0; });
  }

 private:
  const TOptions& options_;
  std::mutex mutex_;
  std::condition_variable left_;
  int active_ = 0;
  std::map<std::string, int> perAddress_;
};

// Closes the sockets of a check that runs past its deadline, which ends
// whatever call the check is blocked in (a connect back included).
class TDeadline {
 public:
  TDeadline(std::chrono::seconds limit, TSocket& first, TSocket& second)
      : thread_([this, limit, &first, &second] {
          std::unique_lock lock(mutex_);
          if (!ended_.wait_for(lock, limit, [&] { return finished_; })) {
            first.Close();
            second.Close();
          }
        }) {}
  TDeadline(const TDeadline&) = delete;
  TDeadline& operator=(const TDeadline&) = delete;
  ~TDeadline() {
    {
      std::lock_guard guard(mutex_);
      finished_ = true;
    }
    ended_.notify_all();
    thread_.join();
  }

 private:
  std::mutex mutex_;
  std::condition_variable ended_;
  bool finished_ = false;
  std::thread thread_;  // last: starts once the members above exist
};

// Runs the check on the connection back; returns the log word and the line
// for the control connection.
std::pair<std::string, std::string> TestPort(TSocket& back, const std::string& peer, std::uint16_t port) {
  const std::string portText = std::to_string(port);
  if (const int result = back.TryConnect(peer, port); result < 0)
    return {"unreachable (connect " + std::to_string(result) + ")",
            "400 Port " + portText + " is not reachable"};
  std::string line;
  if (const int result = kp::TryReadLine(back, line, kMaximumLineLength);
      result < 0 || kp::FirstWord(line) != "200")
    return {"no-greeting", "401 Port " + portText + " did not answer the port test"};
  back.SendAll("CHECK\r\n");
  if (const int result = kp::TryReadLine(back, line, kMaximumLineLength);
      result < 0 || line != "200 Port Tested OK")
    return {"wrong-answer", "401 Port " + portText + " did not answer the port test"};
  return {"reachable", "200 Port " + portText + " is reachable"};
}

void RunSession(std::unique_ptr<TSocket> control, const TOptions& options, TSessions& sessions) {
  const auto started = std::chrono::steady_clock::now();
  const std::string peer = control->GetPeerAddress();
  std::string requested = "-";
  std::string outcome;
  {
    TSocket back;
    const TDeadline deadline(std::chrono::seconds(3 * options.Timeout), *control, back);
    try {
      control->SetTimeout(options.Timeout);
      back.SetTimeout(options.Timeout);
      control->SendAll(std::string_view("200 Port Check Ready\r\n"));
      std::string line;
      const int read = kp::TryReadLine(*control, line, kMaximumLineLength);
      if (read == kp::socket_error::kOther) {
        outcome = "line-too-long";
        control->SendAll(std::string_view("500 Line too long\r\n"));
        throw ESocket(read);
      }
      if (read < 0) throw ESocket(read);
      const std::string_view word = kp::FirstWord(line);
      const std::optional<long> port = word == "PORT" && line.size() > 5
                                           ? ParseNumber(std::string_view(line).substr(5), 1, 65535)
                                           : std::nullopt;
      if (!port) {
        outcome = "invalid-request";
        control->SendAll(std::string_view("501 Expected PORT and a port number\r\n"));
      } else {
        requested = std::to_string(*port);
        auto [logWord, answer] = TestPort(back, peer, static_cast<std::uint16_t>(*port));
        back.Close();
        outcome = std::move(logWord);
        control->SendAll(answer + "\r\n");
      }
    } catch (const ESocket& failure) {
      if (outcome.empty()) outcome = "failed (" + std::to_string(failure.ErrorCode()) + ")";
    } catch (const std::exception&) {
      outcome = "failed";
    }
    control->Close();
  }
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started)
          .count();
  Log(peer + " port=" + requested + " " + outcome + " " + std::to_string(elapsed) + "ms");
  sessions.Leave(peer);
}

void PrintUsage(std::FILE* to) {
  std::fprintf(to,
               "Usage: keplinor-port-check-server [--listen ADDRESS] [--port N] [--timeout SECONDS]\n"
               "                                  [--max-connections N] [--max-per-address N]\n"
               "  --listen ADDRESS      local IPv4 address to listen on (default: all)\n"
               "  --port N              TCP port to listen on, 0 for any free port (default: %u)\n"
               "  --timeout SECONDS     time-out of each wait, 1-300 (default: 10)\n"
               "  --max-connections N   checks that may run at once (default: 64)\n"
               "  --max-per-address N   checks that one address may run at once (default: 4)\n",
               static_cast<unsigned>(kDefaultPort));
}

std::optional<TOptions> ParseOptions(int argc, char** argv) {
  TOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view name = argv[i];
    if (name == "--help" || name == "-h") {
      PrintUsage(stdout);
      std::exit(0);
    }
    if (i + 1 >= argc) return std::nullopt;
    const std::string_view value = argv[++i];
    if (name == "--listen") {
      options.Listen = std::string(value);
    } else if (name == "--port") {
      const auto port = ParseNumber(value, 0, 65535);
      if (!port) return std::nullopt;
      options.Port = static_cast<std::uint16_t>(*port);
    } else if (name == "--timeout") {
      const auto seconds = ParseNumber(value, 1, 300);
      if (!seconds) return std::nullopt;
      options.Timeout = static_cast<int>(*seconds);
    } else if (name == "--max-connections") {
      const auto count = ParseNumber(value, 1, 10000);
      if (!count) return std::nullopt;
      options.MaximumConnections = static_cast<int>(*count);
    } else if (name == "--max-per-address") {
      const auto count = ParseNumber(value, 1, 10000);
      if (!count) return std::nullopt;
      options.MaximumPerAddress = static_cast<int>(*count);
    } else {
      return std::nullopt;
    }
  }
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<TOptions> parsed = ParseOptions(argc, argv);
  if (!parsed) {
    PrintUsage(stderr);
    return 2;
  }
  const TOptions& options = *parsed;

  struct sigaction stop {};
  stop.sa_handler = RequestStop;
  sigemptyset(&stop.sa_mask);
  sigaction(SIGTERM, &stop, nullptr);
  sigaction(SIGINT, &stop, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  TSocket listener;
  if (const int result = listener.TryListen(options.Listen, options.Port, true); result < 0) {
    std::fprintf(stderr, "keplinor-port-check-server: cannot listen on %s:%u: %s\n",
                 options.Listen.empty() ? "0.0.0.0" : options.Listen.c_str(),
                 static_cast<unsigned>(options.Port), ESocket(result).what());
    return 1;
  }
  Log("listening on " + (options.Listen.empty() ? std::string("0.0.0.0") : options.Listen) + ":" +
      std::to_string(listener.GetLocalPort()));

  TSessions sessions(options);
  while (!stopRequested.load()) {
    auto connection = std::make_unique<TSocket>();
    connection->SetTimeout(1);  // looks at the stop request every second
    const int accepted = connection->TryAccept(listener);
    if (accepted == kp::socket_error::kTimeout) continue;
    if (accepted < 0) {
      if (!listener.IsOpen()) break;
      // Out of descriptors or a connection gone before it was taken: try again shortly.
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      continue;
    }
    const std::string peer = connection->GetPeerAddress();
    if (!sessions.TryEnter(peer)) {
      connection->SetTimeout(2);
      constexpr std::string_view kBusy = "421 Too many checks at once\r\n";
      (void)connection->TrySendAll(kBusy.data(), kBusy.size());
      Log(peer + " port=- refused (too many checks at once)");
      continue;
    }
    try {
      std::thread(RunSession, std::move(connection), std::cref(options), std::ref(sessions)).detach();
    } catch (const std::exception&) {
      sessions.Leave(peer);
    }
  }
  listener.Close();
  sessions.WaitUntilAllLeft();
  Log("stopped");
  return 0;
}
