#include "core/web/port_check_client.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <thread>

#include "core/web/socket.h"
#include "core/web/socket_lines.h"

extern char** environ;

namespace kp {
namespace {

using namespace std::chrono_literals;

struct TServerCase {
  const char* Key;
  std::int32_t PortCheckPort;
  std::optional<std::pair<std::string, std::uint16_t>> Expected;
};

class PortCheckServerSetting : public testing::TestWithParam<TServerCase> {};

TEST_P(PortCheckServerSetting, NamesTheServer) {
  TApplicationSettings application;
  application.PortCheckServer = GetParam().Key;
  application.PortCheckPort = GetParam().PortCheckPort;
  const auto server = PortCheckServerOf(application);
  ASSERT_EQ(server.has_value(), GetParam().Expected.has_value());
  if (!server) return;
  EXPECT_EQ(server->Host, GetParam().Expected->first);
  EXPECT_EQ(server->Port, GetParam().Expected->second);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, PortCheckServerSetting,
    testing::Values(
        TServerCase{"", 0, std::nullopt}, TServerCase{"   ", 0, std::nullopt},
        TServerCase{"check.example.net", 0, std::pair<std::string, std::uint16_t>{"check.example.net", 8890}},
        TServerCase{" check.example.net ", 9000,
                    std::pair<std::string, std::uint16_t>{"check.example.net", 9000}},
        TServerCase{"10.0.0.1:4000", 9000, std::pair<std::string, std::uint16_t>{"10.0.0.1", 4000}},
        TServerCase{"check.example.net:0", 0, std::nullopt},
        TServerCase{"check.example.net:70000", 0, std::nullopt},
        TServerCase{"check.example.net:http", 0, std::nullopt}, TServerCase{":4000", 0, std::nullopt}));

// A port-check server played by the test on loopback: it greets and then does
// what the test says with the control connection.
class TFakeServer {
 public:
  using TScript = std::function<void(TSocket& control)>;
  explicit TFakeServer(TScript script) {
    listener_.Listen("127.0.0.1", 0, true);
    port_ = listener_.GetLocalPort();
    thread_ = std::thread([this, script = std::move(script)] {
      TSocket control;
      control.SetTimeout(20);
      if (control.TryAccept(listener_) == 0) script(control);
    });
  }
  ~TFakeServer() {
    listener_.Close();
    thread_.join();
  }
  [[nodiscard]] std::uint16_t Port() const { return port_; }

 private:
  TSocket listener_;
  std::uint16_t port_ = 0;
  std::thread thread_;
};

TEST(PortCheckClient, AGreetingOtherThan200EndsTheCheckBeforeAnyListening) {
  std::promise<std::string> afterGreeting;
  TFakeServer server([&](TSocket& control) {
    control.SendAll(std::string_view("220 Port Check Ready\r\n"));
    std::string line;
    afterGreeting.set_value(TryReadLine(control, line, 64) == 0 ? line : "<closed>");
  });
  TPortCheckClient client;
  EXPECT_FALSE(client.Check(0, "127.0.0.1", server.Port()));
  EXPECT_FALSE(client.CheckResult());
  EXPECT_EQ(afterGreeting.get_future().get(), "<closed>") << "no PORT line may follow";
}

TEST(PortCheckClient, ALowerCaseCheckIsAnsweredAsInvalid) {
  std::promise<std::string> answer;
  TFakeServer server([&](TSocket& control) {
    control.SendAll(std::string_view("200 Port Check Ready and more words\r\n"));
    const std::string request = ReadLine(control, 64);
    TSocket back;
    back.SetTimeout(20);
    back.Connect("127.0.0.1", static_cast<std::uint16_t>(std::stoi(request.substr(5))));
    EXPECT_EQ(ReadLine(back, 64), "200 Port Test Ready!");
    back.SendAll(std::string_view("check\r\n"));
    answer.set_value(ReadLine(back, 64));
    control.SendAll(std::string_view("200 Port Tested OK\r\n"));
  });
  TPortCheckClient client;
  // The client answered and the server still said 200: the result is the server's.
  EXPECT_TRUE(client.Check(0, "127.0.0.1", server.Port()));
  EXPECT_EQ(answer.get_future().get(), "401 Invalid command");
}

TEST(PortCheckClient, AServerThatNeverConnectsBackGivesFalseAfterTheTimeOut) {
  TFakeServer server([](TSocket& control) {
    control.SendAll(std::string_view("200\r\n"));
    (void)ReadLine(control, 64);
    std::string line;
    (void)TryReadLine(control, line, 64);  // until the client gives up
  });
  TPortCheckClient client;
  client.SetTimeout(1);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(client.Check(0, "127.0.0.1", server.Port()));
  const auto took = std::chrono::steady_clock::now() - started;
  EXPECT_GE(took, 900ms);
  EXPECT_LT(took, 10s);
}

TEST(PortCheckClient, CancelWhileTheCallerHandlesItsMessagesEndsTheCheck) {
  TFakeServer server([](TSocket& control) {
    control.SendAll(std::string_view("200\r\n"));
    std::string line;
    while (TryReadLine(control, line, 64) == 0) {
    }
  });
  TPortCheckClient* self = nullptr;
  int turns = 0;
  TPortCheckClient client({[&] {
                             if (++turns == 4) self->Cancel();
                           },
                           {}});
  self = &client;
  const auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(client.Check(0, "127.0.0.1", server.Port()));
  EXPECT_LT(std::chrono::steady_clock::now() - started, 10s) << "the 15 s time-out was not what ended it";
}

TEST(PortCheckClient, WithoutAConfiguredServerNothingIsContacted) {
  TSocket untouched;
  untouched.Listen("127.0.0.1", 0, true);
  TApplicationSettings application;
  application.PortCheckServer = "";
  application.PortCheckPort = untouched.GetLocalPort();
  TPortCheckClient client;
  EXPECT_EQ(client.CheckConfigured(application), TPortCheckOutcome::NotConfigured);
  TSocket incoming;
  incoming.SetTimeout(1);
  EXPECT_EQ(incoming.TryAccept(untouched), socket_error::kTimeout) << "something connected";
}

// The shipped server program, run on loopback.
class TServerProgram {
 public:
  TServerProgram() {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    out_ = out[0];
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    std::string arguments[] = {KP_PORT_CHECK_SERVER, "--listen", "127.0.0.1", "--port", "0",
                               "--timeout",          "5"};
    char* argv[] = {arguments[0].data(), arguments[1].data(), arguments[2].data(), arguments[3].data(),
                    arguments[4].data(), arguments[5].data(), arguments[6].data(), nullptr};
    const int spawned = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned != 0) throw std::runtime_error("posix_spawn");
  }
  ~TServerProgram() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    ::close(out_);
  }
  TServerProgram(const TServerProgram&) = delete;
  TServerProgram& operator=(const TServerProgram&) = delete;

  // The next log line, or empty when none comes in time.
  std::string ReadLogLine() {
    std::string line;
    char byte = 0;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < deadline) {
      pollfd entry{out_, POLLIN, 0};
      if (::poll(&entry, 1, 100) != 1) continue;
      if (::read(out_, &byte, 1) != 1) return line;
      if (byte == '\n') return line;
      line.push_back(byte);
    }
    return line;
  }
  // The exit status after SIGTERM, or -1.
  int Stop() {
    if (pid_ <= 0) return -1;
    ::kill(pid_, SIGTERM);
    int status = 0;
    if (::waitpid(pid_, &status, 0) != pid_ || !WIFEXITED(status)) return -1;
    pid_ = -1;
    return WEXITSTATUS(status);
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
};

TEST(PortCheckClient, AFullCheckAgainstTheServerProgramSucceeds) {
  TServerProgram program;
  const std::string listening = program.ReadLogLine();
  const std::size_t colon = listening.rfind(':');
  ASSERT_NE(listening.find("listening on 127.0.0.1:"), std::string::npos) << listening;
  TApplicationSettings application;
  application.PortCheckServer = "127.0.0.1:" + listening.substr(colon + 1);

  TPortCheckClient client;
  EXPECT_EQ(client.CheckConfigured(application), TPortCheckOutcome::Reachable);
  EXPECT_TRUE(client.CheckResult());
  const std::string logged = program.ReadLogLine();
  EXPECT_NE(logged.find("127.0.0.1 port="), std::string::npos) << logged;
  EXPECT_NE(logged.find(" reachable "), std::string::npos) << logged;
  EXPECT_EQ(program.Stop(), 0);
}

}  // namespace
}  // namespace kp
