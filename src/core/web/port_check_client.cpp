#include "core/web/port_check_client.h"

#include <chrono>
#include <string>

#include "core/config/text_basics.h"
#include "core/web/socket.h"
#include "core/web/socket_lines.h"

namespace kp {

namespace {

constexpr auto kWaitStep = std::chrono::milliseconds(50);

std::optional<std::uint16_t> ParsePort(std::string_view text) {
  if (text.empty() || text.size() > 5) return std::nullopt;
  std::uint32_t port = 0;
  for (const char digit : text) {
    if (digit < '0' || digit > '9') return std::nullopt;
    port = port * 10 + static_cast<std::uint32_t>(digit - '0');
  }
  if (port == 0 || port > 65535) return std::nullopt;
  return static_cast<std::uint16_t>(port);
}

}  // namespace

std::optional<TPortCheckServerAddress> PortCheckServerOf(const TApplicationSettings& application) {
  const std::string_view key = Trim(application.PortCheckServer);
  if (key.empty()) return std::nullopt;
  TPortCheckServerAddress server;
  const std::size_t colon = key.rfind(':');
  if (colon == std::string_view::npos) {
    server.Host = std::string(key);
    server.Port = EffectivePortCheckPort(application);
    return server;
  }
  const std::optional<std::uint16_t> port = ParsePort(Trim(key.substr(colon + 1)));
  const std::string_view host = Trim(key.substr(0, colon));
  if (!port || host.empty()) return std::nullopt;
  server.Host = std::string(host);
  server.Port = *port;
  return server;
}

// One check: the worker owns the three sockets while it runs; the client only
// closes them to end it.
struct TPortCheckClient::TRun {
  TSocket Control;
  TSocket Listener;
  TSocket Incoming;
  std::atomic<bool> Result{false};

  std::mutex Mutex;
  std::condition_variable Ended;
  bool Done = false;

  void CloseAll() noexcept {
    Control.Close();
    Listener.Close();
    Incoming.Close();
  }

  void Work(std::uint16_t localPort, const std::string& host, std::uint16_t port,
            std::int32_t timeout) noexcept {
    try {
      Control.SetTimeout(timeout);
      Listener.SetTimeout(timeout);
      Incoming.SetTimeout(timeout);
      Control.Connect(host, port);
      if (FirstWord(ReadLine(Control, kMaximumLineLength)) != "200") return Finish();
      Listener.Listen("", localPort, true);
      Control.SendAll("PORT " + std::to_string(Listener.GetLocalPort()) + "\r\n");
      Incoming.Accept(Listener);
      // Only the server's connection back is wanted; nothing else may come in.
      Listener.Close();
      Incoming.SendAll("200 Port Test Ready!\r\n");
      const bool asked = FirstWord(ReadLine(Incoming, kMaximumLineLength)) == "CHECK";
      Incoming.SendAll(asked ? std::string_view("200 Port Tested OK\r\n")
                             : std::string_view("401 Invalid command\r\n"));
      Incoming.Close();
      Result.store(FirstWord(ReadLine(Control, kMaximumLineLength)) == "200");
    } catch (...) {
      // Every failure, time-outs and a cancel included, leaves the result false.
    }
    Finish();
  }

  void Finish() noexcept {
    CloseAll();
    {
      std::lock_guard guard(Mutex);
      Done = true;
    }
    Ended.notify_all();
  }
};

TPortCheckClient::TPortCheckClient(TWaitHooks hooks) : hooks_(std::move(hooks)) {}

TPortCheckClient::~TPortCheckClient() { Cancel(); }

void TPortCheckClient::WaitUntilEnded(TRun& run, bool giveUpWhenTerminating) {
  for (;;) {
    if (giveUpWhenTerminating && hooks_.IsTerminating && hooks_.IsTerminating()) return;
    if (hooks_.ProcessPendingMessages) hooks_.ProcessPendingMessages();
    std::unique_lock lock(run.Mutex);
    if (run.Ended.wait_for(lock, kWaitStep, [&] { return run.Done; })) return;
  }
}

bool TPortCheckClient::Check(std::uint16_t localPort, std::string_view host, std::uint16_t port) {
  Cancel();
  checkResult_.store(false);
  auto run = std::make_shared<TRun>();
  {
    std::lock_guard guard(mutex_);
    try {
      worker_ =
          std::thread([run, localPort, name = std::string(host), port, timeout = timeout_.load()]() noexcept {
            run->Work(localPort, name, port, timeout);
          });
    } catch (...) {
      return false;
    }
    run_ = run;
  }
  WaitUntilEnded(*run, true);
  {
    std::unique_lock lock(run->Mutex);
    if (!run->Done) return false;  // the program is ending; Cancel or the destructor ends the worker
  }
  {
    std::lock_guard guard(mutex_);
    // A Cancel made while this thread handled its messages has joined it already.
    if (run_ == run) {
      worker_.join();
      run_.reset();
    }
  }
  checkResult_.store(run->Result.load());
  return checkResult_.load();
}

TPortCheckOutcome TPortCheckClient::CheckConfigured(const TApplicationSettings& application,
                                                    std::uint16_t localPort) {
  const std::optional<TPortCheckServerAddress> server = PortCheckServerOf(application);
  if (!server) return TPortCheckOutcome::NotConfigured;
  return Check(localPort, server->Host, server->Port) ? TPortCheckOutcome::Reachable
                                                      : TPortCheckOutcome::Unreachable;
}

void TPortCheckClient::Cancel() {
  std::shared_ptr<TRun> run;
  std::thread worker;
  {
    std::lock_guard guard(mutex_);
    run = std::move(run_);
    worker = std::move(worker_);
    run_.reset();
  }
  if (!run) return;
  run->CloseAll();
  WaitUntilEnded(*run, false);
  if (worker.joinable()) worker.join();
}

}  // namespace kp
