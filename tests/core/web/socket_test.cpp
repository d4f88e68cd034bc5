#include "core/web/socket.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include "core/web/socket_lines.h"

namespace kp {
namespace {

using namespace std::chrono_literals;

// A listener on a free loopback port.
struct TLoopbackListener {
  TSocket Socket;
  std::uint16_t Port = 0;
  TLoopbackListener() {
    Socket.Listen("127.0.0.1", 0, true);
    Port = Socket.GetLocalPort();
  }
};

// A connected pair on loopback: the client's end and the accepted end.
struct TLoopbackPair {
  TLoopbackListener Listener;
  TSocket Client;
  TSocket Server;
  TLoopbackPair() {
    Client.Connect("127.0.0.1", Listener.Port);
    Server.SetTimeout(5);
    Server.Accept(Listener.Socket);
  }
};

struct TErrorCase {
  const char* Name;
  int Expected;
  std::function<int()> Run;
};

class SocketErrors : public testing::TestWithParam<TErrorCase> {};

TEST_P(SocketErrors, GiveTheirCode) { EXPECT_EQ(GetParam().Run(), GetParam().Expected); }

INSTANTIATE_TEST_SUITE_P(
    Loopback, SocketErrors,
    testing::Values(TErrorCase{"ConnectWhereNothingListensIsRefused", socket_error::kRefused,
                               [] {
                                 std::uint16_t port = 0;
                                 {
                                   TLoopbackListener gone;
                                   port = gone.Port;
                                 }
                                 TSocket socket;
                                 return socket.TryConnect("127.0.0.1", port);
                               }},
                    TErrorCase{"AnEmptyHostIsNotFound", socket_error::kHostNotFound,
                               [] {
                                 TSocket socket;
                                 return socket.TryConnect("", 80);
                               }},
                    TErrorCase{"ListeningTwiceOnOnePortFindsItInUse", socket_error::kAddressInUse,
                               [] {
                                 TLoopbackListener first;
                                 TSocket second;
                                 return second.TryListen("127.0.0.1", first.Port, true);
                               }},
                    TErrorCase{"AcceptFromASocketThatDoesNotListen", socket_error::kNotOpen,
                               [] {
                                 TSocket notListening;
                                 TSocket socket;
                                 return socket.TryAccept(notListening);
                               }},
                    TErrorCase{"ReceiveOnAClosedSocket", socket_error::kNotOpen,
                               [] {
                                 TSocket socket;
                                 char byte = 0;
                                 return static_cast<int>(socket.TryReceive(&byte, 1));
                               }}),
    [](const testing::TestParamInfo<TErrorCase>& testCase) { return std::string(testCase.param.Name); });

TEST(Socket, ARefusedConnectRaisesESocketWithItsCode) {
  std::uint16_t port = 0;
  {
    TLoopbackListener gone;
    port = gone.Port;
  }
  TSocket socket;
  try {
    socket.Connect("127.0.0.1", port);
    FAIL() << "the connect succeeded";
  } catch (const ESocket& error) {
    EXPECT_EQ(error.ErrorCode(), -9);
  }
  EXPECT_FALSE(socket.IsOpen());
}

TEST(Socket, AHostNameIsLookedUpAndBytesArriveInOrder) {
  TLoopbackListener listener;
  TSocket client;
  client.Connect("localhost", listener.Port);
  TSocket server;
  server.SetTimeout(5);
  server.Accept(listener.Socket);
  EXPECT_EQ(client.GetState(), TSocketState::Connected);
  EXPECT_EQ(server.GetPeerAddress(), "127.0.0.1");
  EXPECT_EQ(server.GetPeerPort(), client.GetLocalPort());

  // More than one receive buffer's worth, so ReadByte refills it.
  std::string sent(3 * TSocket::kReceiveBufferSize + 7, '\0');
  for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<char>(i * 7 % 251);
  client.SendAll(sent);
  std::string received;
  while (received.size() < sent.size()) received.push_back(static_cast<char>(server.ReadByte()));
  EXPECT_EQ(received, sent);
}

TEST(Socket, APeerThatClosesGivesMinus13) {
  TLoopbackPair pair;
  pair.Client.Close();
  char byte = 0;
  try {
    (void)pair.Server.Receive(&byte, 1);
    FAIL() << "the receive succeeded";
  } catch (const ESocket& error) {
    EXPECT_EQ(error.ErrorCode(), -13);
    EXPECT_STREQ(error.what(), "Network Exception -13");
  }
}

TEST(Socket, AReceiveTimeOutClosesTheConnection) {
  TLoopbackPair pair;
  pair.Server.SetTimeout(1);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(pair.Server.TryReadByte(), socket_error::kTimeout);
  EXPECT_GE(std::chrono::steady_clock::now() - started, 900ms);
  EXPECT_FALSE(pair.Server.IsOpen());
  EXPECT_EQ(pair.Server.GetState(), TSocketState::Closed);
  // The peer sees the connection end.
  pair.Client.SetTimeout(5);
  EXPECT_EQ(pair.Client.TryReadByte(), socket_error::kPeerClosed);
}

// Close from another thread must end a wait that has no time-out of its own.
TEST(Socket, CloseFromAnotherThreadEndsABlockedReceiveAndAccept) {
  TLoopbackPair pair;  // no time-out on the client
  auto receiving = std::async(std::launch::async, [&] { return pair.Client.TryReadByte(); });
  TLoopbackListener listener;
  TSocket accepting;  // no time-out either
  auto accepted = std::async(std::launch::async, [&] { return accepting.TryAccept(listener.Socket); });

  std::this_thread::sleep_for(200ms);
  ASSERT_EQ(receiving.wait_for(0ms), std::future_status::timeout) << "the receive did not wait";
  ASSERT_EQ(accepted.wait_for(0ms), std::future_status::timeout) << "the accept did not wait";
  pair.Client.Close();
  listener.Socket.Close();
  ASSERT_EQ(receiving.wait_for(10s), std::future_status::ready);
  ASSERT_EQ(accepted.wait_for(10s), std::future_status::ready);
  EXPECT_LT(receiving.get(), 0);
  EXPECT_EQ(accepted.get(), socket_error::kPeerClosed) << "accept after the listener was closed";
  EXPECT_FALSE(pair.Client.IsOpen());

  // The socket is usable again after the Close that ended the wait.
  TLoopbackListener again;
  EXPECT_EQ(pair.Client.TryConnect("127.0.0.1", again.Port), 0);
}

TEST(SocketLines, EndAtLfDropCrAndRefuseOverlongLines) {
  TLoopbackPair pair;
  pair.Client.SendAll(std::string_view("200 Ready here\r\nPORT 80\nxxxxxxxxxx\r\n"));
  EXPECT_EQ(ReadLine(pair.Server, 64), "200 Ready here");
  EXPECT_EQ(FirstWord("200 Ready here"), "200");
  EXPECT_EQ(ReadLine(pair.Server, 64), "PORT 80");
  std::string line;
  EXPECT_EQ(TryReadLine(pair.Server, line, 9), socket_error::kOther);
}

}  // namespace
}  // namespace kp
