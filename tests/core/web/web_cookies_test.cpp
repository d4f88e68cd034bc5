#include "core/web/web_cookies.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

namespace kp {
namespace {

using namespace std::chrono_literals;

struct TSetCookieCase {
  const char* header;
  const char* name;
  const char* value;
  std::optional<std::string> path;
  std::int32_t maxAge;
};

class SetCookie : public testing::TestWithParam<TSetCookieCase> {};

TEST_P(SetCookie, SplitsIntoNameValueAndAttributes) {
  const TSetCookieCase& c = GetParam();
  const TSetCookie cookie = ParseSetCookie(c.header);
  EXPECT_EQ(cookie.name, c.name);
  EXPECT_EQ(cookie.value, c.value);
  EXPECT_EQ(cookie.path, c.path);
  EXPECT_EQ(cookie.maxAge, c.maxAge);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SetCookie,
    testing::Values(TSetCookieCase{"sid=abc", "sid", "abc", std::nullopt, kNoMaxAge},
                    TSetCookieCase{"sid=abc; Path=/a; Max-Age=60", "sid", "abc", "/a", 60},
                    TSetCookieCase{"  ;,=sid = abc ;path=/x", "sid", "abc", "/x", kNoMaxAge},
                    TSetCookieCase{"sid=\"a;b\"; path=/x", "sid", "\"a;b\"", "/x", kNoMaxAge},
                    // A flag without a value and a date with a comma shift nothing.
                    TSetCookieCase{"id=1; HttpOnly; Max-Age=0", "id", "1", std::nullopt, 0},
                    TSetCookieCase{"id=1; Expires=Wed, 09 Jun 2021 10:18:14 GMT; Path=/p", "id", "1", "/p",
                                   kNoMaxAge},
                    TSetCookieCase{"id=1; Max-Age=abc", "id", "1", std::nullopt, kNoMaxAge},
                    TSetCookieCase{"id=1; Max-Age=-5", "id", "1", std::nullopt, 0},
                    TSetCookieCase{"id=1; Max-Age=99999999999", "id", "1", std::nullopt, 2147483647},
                    TSetCookieCase{"id", "id", "", std::nullopt, kNoMaxAge}));

TEST(SetCookie, DefaultPathEndsAtTheLastSlash) {
  EXPECT_EQ(DefaultCookiePath("/a/b/c"), "/a/b/");
  EXPECT_EQ(DefaultCookiePath("/"), "/");
  EXPECT_EQ(DefaultCookiePath("/a"), "/");
}

class CookieJar : public testing::Test {
 protected:
  TimeStamp now_ = TimeStamp{} + 1000s;
  TCookieJar jar_{[this] { return now_; }};
};

TEST_F(CookieJar, SendsCookiesOfTheHostWhosePathBeginsTheRequestPathNewestFirst) {
  jar_.Store("host", "/", "a=1");
  jar_.Store("HOST ", "/", "b=2");
  jar_.Store("host", "/shop/cart", "c=3");
  jar_.Store("other", "/", "d=4");
  EXPECT_EQ(jar_.CookieLine("Host", "/index"), "Cookie: b=2; $Path=/; a=1; $Path=/\r\n");
  EXPECT_EQ(jar_.CookieLine("host", "/shop/x"), "Cookie: c=3; $Path=/shop/; b=2; $Path=/; a=1; $Path=/\r\n");
  EXPECT_EQ(jar_.CookieLine("nobody", "/"), "");
}

TEST_F(CookieJar, APathThatDoesNotLieAboveTheRequestIsNotTaken) {
  jar_.Store("host", "/a/b/c", "x=1; Path=/elsewhere");
  jar_.Store("host", "/a/b/c", "y=1; Path=/A");
  ASSERT_EQ(jar_.Snapshot().size(), 2u);
  EXPECT_EQ(jar_.Snapshot()[1].path, "/a/b/");
  EXPECT_EQ(jar_.Snapshot()[0].path, "/A");
}

TEST_F(CookieJar, SettingASixthCookieDropsTheOldestOfTheJar) {
  for (int i = 1; i <= 6; ++i) jar_.Store(i % 2 ? "one" : "two", "/", "c" + std::to_string(i) + "=v");
  const auto cookies = jar_.Snapshot();
  ASSERT_EQ(cookies.size(), kMaxCookies);
  EXPECT_EQ(cookies.front().name, "c6");
  EXPECT_EQ(cookies.back().name, "c2");
}

TEST_F(CookieJar, ASecondSetUpdatesInPlaceAndMaxAgeZeroRemoves) {
  jar_.Store("host", "/", "a=1");
  jar_.Store("host", "/", "b=1");
  jar_.Store("host", "/", "a=2");
  EXPECT_EQ(jar_.CookieLine("host", "/"), "Cookie: a=2; $Path=/; b=1; $Path=/\r\n");
  jar_.Store("host", "/", "a=gone; Max-Age=0");
  jar_.Store("host", "/", "never=1; Max-Age=0");
  EXPECT_EQ(jar_.CookieLine("host", "/"), "Cookie: b=1; $Path=/\r\n");
}

TEST_F(CookieJar, ExpiredCookiesAreNotSentAndAreDroppedByTheNextStore) {
  jar_.Store("host", "/", "short=1; Max-Age=10");
  jar_.Store("host", "/", "long=1; Max-Age=100");
  now_ += 11s;
  EXPECT_EQ(jar_.CookieLine("host", "/"), "Cookie: long=1; $Path=/\r\n");
  jar_.Store("host", "/", "new=1");
  EXPECT_EQ(jar_.Snapshot().size(), 2u);
}

}  // namespace
}  // namespace kp
