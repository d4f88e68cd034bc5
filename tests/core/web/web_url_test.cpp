#include "core/web/web_url.h"

#include <gtest/gtest.h>

#include <string>

namespace kp {
namespace {

struct TUrlCase {
  const char* url;
  int code;
  const char* host;  // expected after parsing, starting from old:81/old
  int port;
  const char* requestPath;
};

class WebUrl : public testing::TestWithParam<TUrlCase> {};

TEST_P(WebUrl, ParsesIntoHostPortAndPath) {
  const TUrlCase& c = GetParam();
  TWebUrl url{"old", 81, "/old"};
  EXPECT_EQ(ParseWebUrl(c.url, url), c.code);
  EXPECT_EQ(url.host, c.host);
  EXPECT_EQ(url.port, c.port);
  EXPECT_EQ(url.RequestPath(), c.requestPath);
}

const TUrlCase kUrlCases[] = {
    {"http://host:8080", 0, "host", 8080, "/"},
    {"HTTP://Example.com/a/b", 0, "Example.com", 80, "/a/b"},
    {" http://host/x?y=1 ", 0, "host", 80, "/x?y=1"},
    {"http://host?q=1", 0, "host", 80, "/?q=1"},
    {"http://host/a b#part", 0, "host", 80, "/a%20b"},
    {"/new/path", 0, "old", 81, "/new/path"},
    {"http://host:abc/x", 0, "host", 80, "/x"},
    {"http://host:0/x", 0, "host", 80, "/x"},
    {"http://host:70000/", 0, "host", 80, "/"},
    // Refused addresses leave the old one as it was.
    {"ftp://host/x", -8, "old", 81, "/old"},
    {"https://host/x", -8, "old", 81, "/old"},
    {"host/x", -8, "old", 81, "/old"},
    {"http:/host", -8, "old", 81, "/old"},
    {"http:///path", -8, "old", 81, "/old"},
    {"http://user@host/", -8, "old", 81, "/old"},
    {"http://ho\r\nst/", -8, "old", 81, "/old"},
    {"/x\r\nInjected: 1", -8, "old", 81, "/old"},
    {"", -8, "old", 81, "/old"},
};

INSTANTIATE_TEST_SUITE_P(Table, WebUrl, testing::ValuesIn(kUrlCases));

TEST(WebUrl, HostLineNamesThePortOnlyWhenItIsNot80) {
  EXPECT_EQ((TWebUrl{"host", 8080, ""}).HostLine(), "host:8080");
  EXPECT_EQ((TWebUrl{"host", 80, ""}).HostLine(), "host");
}

TEST(WebUrl, OverLongAddressIsRefused) {
  TWebUrl url;
  EXPECT_EQ(ParseWebUrl("http://host/" + std::string(kMaxWebUrlLength, 'a'), url), kWebBadUrl);
}

}  // namespace
}  // namespace kp
