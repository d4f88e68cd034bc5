#include "core/web/web_client.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/test_http_server.h"

namespace kp {
namespace {

using namespace std::chrono_literals;

using TTestWebServer = test::TTestHttpServer;

std::string Ok(std::string_view body, std::string_view headers = "") {
  return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + std::string(headers) +
         "\r\n" + std::string(body);
}

class WebClient : public testing::Test {
 protected:
  TCookieJar jar_;
  TWebClient client_{jar_};
  void SetUp() override { client_.Handle().SetTimeout(10); }
};

TEST_F(WebClient, GetsABodyWithContentLengthAndSendsHeadersOnlyOnce) {
  TTestWebServer server([](const std::string&, int) { return Ok("hello"); });
  client_.Open(server.Url("/a/b?x=1"));
  client_.AddHeader("Keplinor-Name", "Test\r\nInjected: 1");
  EXPECT_EQ(client_.Get(), 200);
  const TWebBody& body = client_.ReadText();
  EXPECT_EQ(body.bytes, "hello");
  EXPECT_EQ(body.rangeEnd, 5);

  client_.Open("/second");
  EXPECT_EQ(client_.Get(10, 0), 200);
  ASSERT_EQ(server.Requests().size(), 2u);
  const std::string first = server.Requests()[0];
  const std::string host = "Host: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n";
  EXPECT_EQ(first, "GET /a/b?x=1 HTTP/1.1\r\nKeplinor-Name: Test%0D%0AInjected: 1\r\n" + host + "\r\n");
  EXPECT_EQ(server.Requests()[1], "GET /second HTTP/1.1\r\n" + host + "Range: bytes=10-\r\n\r\n");
}

TEST_F(WebClient, ReadsAChunkedBody) {
  TTestWebServer server([](const std::string&, int) {
    return std::string(
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n");
  });
  client_.Open(server.Url("/"));
  EXPECT_EQ(client_.Get(), 200);
  EXPECT_EQ(client_.ReadText().bytes, "hello world");
}

struct TRedirectCase {
  int redirects;  // the server's chain before it answers 200
  int result;     // of the Get
};

class WebClientRedirects : public WebClient, public testing::WithParamInterface<TRedirectCase> {};

TEST_P(WebClientRedirects, FollowsUpToTheBound) {
  const int chain = GetParam().redirects;
  TTestWebServer server([chain](const std::string&, int index) {
    if (index >= chain) return Ok("end");
    return "HTTP/1.1 302 Found\r\nLocation: /hop" + std::to_string(index + 1) +
           "\r\nContent-Length: 0\r\n\r\n";
  });
  client_.Open(server.Url("/start"));
  try {
    EXPECT_EQ(client_.Get(), GetParam().result);
    EXPECT_EQ(client_.ReadText().bytes, "end");
  } catch (const EWebClient& error) {
    EXPECT_EQ(error.ErrorCode(), GetParam().result);
    EXPECT_EQ(std::string(error.what()), "WebClient Exception " + std::to_string(GetParam().result));
  }
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), static_cast<std::size_t>(std::min(chain, kMaxWebRedirects) + 1));
  const int followed = std::min(chain, kMaxWebRedirects);
  const std::string lastPath = followed == 0 ? "/start" : "/hop" + std::to_string(followed);
  EXPECT_TRUE(requests.back().starts_with("GET " + lastPath + " HTTP/1.1\r\n")) << requests.back();
}

INSTANTIATE_TEST_SUITE_P(Chains, WebClientRedirects,
                         testing::Values(TRedirectCase{0, 200}, TRedirectCase{kMaxWebRedirects, 200},
                                         TRedirectCase{kMaxWebRedirects + 1, kWebTooManyRedirects}));

TEST_F(WebClient, StoresASetCookieAndSendsItBackUntilItIsRemoved) {
  TTestWebServer server([](const std::string&, int index) {
    if (index == 0) return Ok("", "Set-Cookie: sid=abc; HttpOnly; Max-Age=100\r\n");
    if (index == 1) return Ok("", "Set-Cookie: sid=x; Max-Age=0\r\n");
    return Ok("");
  });
  for (int i = 0; i < 3; ++i) {
    client_.Open(server.Url("/shop/cart"));
    EXPECT_EQ(client_.Get(), 200);
    (void)client_.ReadText();
  }
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].find("Cookie:"), std::string::npos);
  EXPECT_NE(requests[1].find("\r\nCookie: sid=abc; $Path=/shop/\r\n"), std::string::npos) << requests[1];
  EXPECT_EQ(requests[2].find("Cookie:"), std::string::npos) << requests[2];
}

TEST_F(WebClient, AHeaderLineOverTheLimitFailsAndTheClientStaysUsable) {
  TTestWebServer server([](const std::string&, int index) {
    if (index == 0) return "HTTP/1.1 200 OK\r\nX-Long: " + std::string(kMaxWebHeaderLine, 'a') + "\r\n\r\n";
    return Ok("fine");
  });
  client_.Open(server.Url("/"));
  EXPECT_EQ(client_.Handle().Get(0, 0), kWebHeaderLineTooLong);
  EXPECT_FALSE(client_.Handle().IsConnected());
  client_.Open(server.Url("/"));
  EXPECT_EQ(client_.Get(), 200);
  EXPECT_EQ(client_.ReadText().bytes, "fine");
}

TEST_F(WebClient, AShortBodyFailsWithItsCode) {
  TTestWebServer server([](const std::string&, int) {
    return std::string("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nsixsix");
  });
  client_.Open(server.Url("/"));
  EXPECT_EQ(client_.Get(), 200);
  EXPECT_EQ(client_.Handle().ReadText(), kWebBodyTruncated);
}

TEST_F(WebClient, AbortFromAnotherThreadEndsARequestBlockedOnASilentServer) {
  TTestWebServer server([](const std::string&, int) { return std::string(TTestWebServer::kSilent); });
  client_.Handle().SetTimeout(60);
  client_.Open(server.Url("/"));
  auto get = std::async(std::launch::async, [this] { return client_.Handle().Get(0, 0); });
  ASSERT_TRUE(server.WaitForRequests(1));
  const auto start = std::chrono::steady_clock::now();
  client_.Abort();
  ASSERT_EQ(get.wait_for(10s), std::future_status::ready);
  EXPECT_EQ(get.get(), kWebConnectionFailed);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  EXPECT_FALSE(client_.Handle().IsConnected());
}

TEST(WebClientCodes, SocketFailuresOfConnectMapToTheClientsCodes) {
  EXPECT_EQ(WebCodeFromSocketError(socket_error::kTimeout), kWebConnectTimedOut);
  EXPECT_EQ(WebCodeFromSocketError(socket_error::kHostNotFound), kWebHostNotFound);
  EXPECT_EQ(WebCodeFromSocketError(socket_error::kRefused), kWebConnectionFailed);

  TWebClientHandle handle;
  EXPECT_EQ(handle.Open("ftp://127.0.0.1/"), kWebBadUrl);
  EXPECT_FALSE(handle.IsConnected());
  std::uint16_t closedPort = 0;
  {
    TSocket gone;
    gone.Listen("127.0.0.1", 0, true);
    closedPort = gone.GetLocalPort();
  }
  EXPECT_EQ(handle.Open("http://127.0.0.1:" + std::to_string(closedPort) + "/"), kWebConnectionFailed);
}

}  // namespace
}  // namespace kp
