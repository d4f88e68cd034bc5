#include "lan_http_text.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

namespace {

using lan::http::ByteRange;
using lan::http::TargetStatus;

struct TargetCase {
  const char* raw;
  TargetStatus status;
  const char* virtualPath;  // when kOk
};

class LanHttpTarget : public ::testing::TestWithParam<TargetCase> {};

TEST_P(LanHttpTarget, DecodesEachNameOnItsOwn) {
  const TargetCase& c = GetParam();
  lan::http::Target target;
  EXPECT_EQ(lan::http::ParseTarget(c.raw, target), c.status) << c.raw;
  if (c.status == TargetStatus::kOk) {
    EXPECT_EQ(target.virtualPath, c.virtualPath) << c.raw;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, LanHttpTarget,
    ::testing::Values(TargetCase{"/", TargetStatus::kOk, "/"}, TargetCase{"/Music/", TargetStatus::kOk, "/Music"},
                      TargetCase{"/Music//a%20b.mp3?x=1#frag", TargetStatus::kOk, "/Music/a b.mp3"},
                      TargetCase{"/a+b/%C3%A9", TargetStatus::kOk, "/a+b/\xC3\xA9"},
                      TargetCase{"/...", TargetStatus::kOk, "/..."},
                      TargetCase{"/Music/../etc", TargetStatus::kBadRequest, ""},
                      TargetCase{"/Music/%2e%2E/etc", TargetStatus::kBadRequest, ""},
                      TargetCase{"/.", TargetStatus::kBadRequest, ""},
                      TargetCase{"/Music%2F..%2Fetc", TargetStatus::kBadRequest, ""},
                      TargetCase{"/Music%2fa", TargetStatus::kBadRequest, ""},
                      TargetCase{"/Music%5Ca", TargetStatus::kBadRequest, ""},
                      TargetCase{"/Music\\a", TargetStatus::kBadRequest, ""},
                      TargetCase{"/a%00.txt", TargetStatus::kBadRequest, ""},
                      TargetCase{"/a%", TargetStatus::kBadRequest, ""},
                      TargetCase{"/a%4", TargetStatus::kBadRequest, ""},
                      TargetCase{"/a%zz", TargetStatus::kBadRequest, ""},
                      TargetCase{"Music", TargetStatus::kBadRequest, ""},
                      TargetCase{"", TargetStatus::kBadRequest, ""}));

TEST(LanHttpTargetLength, OverlongPathsAre414EvenWhenEncoded) {
  lan::http::Target target;
  const std::string fits = "/" + std::string(1023, 'a');
  EXPECT_EQ(lan::http::ParseTarget(fits, target), TargetStatus::kOk);
  EXPECT_EQ(lan::http::ParseTarget(fits + "b", target), TargetStatus::kTooLong);
  // Escapes count as the byte they stand for, not as three.
  std::string encoded = "/";
  for (int i = 0; i < 1023; ++i) encoded += "%41";
  EXPECT_EQ(lan::http::ParseTarget(encoded, target), TargetStatus::kOk);
  EXPECT_EQ(lan::http::ParseTarget(encoded + "/x", target), TargetStatus::kTooLong);
  EXPECT_EQ(lan::http::ParseTarget("/" + std::string(100000, '/'), target), TargetStatus::kTooLong);
}

TEST(LanHttpTargetQuery, DecodesFormValuesAndKeepsTheFirstOfRepeatedKeys) {
  lan::http::Target target;
  ASSERT_EQ(lan::http::ParseTarget("/?search=red+fox%21&min=10&search=other&bad=%zz&=x&mp3", target),
            TargetStatus::kOk);
  EXPECT_EQ(target.query["search"], "red fox!");
  EXPECT_EQ(target.query["min"], "10");
  EXPECT_EQ(target.query.count("bad"), 0u);
  EXPECT_EQ(target.query["mp3"], "");
}

TEST(LanHttpEncode, NamesRoundTripThroughTheParser) {
  const std::string name = "a b/c\\d%e?#&\xC3\xA9~.-_";
  EXPECT_EQ(lan::http::PercentEncodeName(name), "a%20b%2Fc%5Cd%25e%3F%23%26%C3%A9~.-_");
  lan::http::Target target;
  ASSERT_EQ(lan::http::ParseTarget(lan::http::EncodeVirtualPath("/Music/x y") + "/" +
                                       lan::http::PercentEncodeName("a?b"), target),
            TargetStatus::kOk);
  EXPECT_EQ(target.virtualPath, "/Music/x y/a?b");
  EXPECT_EQ(lan::http::EncodeVirtualPath("/"), "/");
}

struct RangeCase {
  const char* header;
  std::int64_t size;
  ByteRange::Kind kind;
  std::int64_t first;
  std::int64_t last;
};

class LanHttpRange : public ::testing::TestWithParam<RangeCase> {};

TEST_P(LanHttpRange, Parses) {
  const RangeCase& c = GetParam();
  const ByteRange range = lan::http::ParseRange(c.header, c.size);
  EXPECT_EQ(range.kind, c.kind) << c.header;
  if (c.kind == ByteRange::Kind::kPartial) {
    EXPECT_EQ(range.first, c.first) << c.header;
    EXPECT_EQ(range.last, c.last) << c.header;
  }
}

constexpr auto kWhole = ByteRange::Kind::kWhole;
constexpr auto kPartial = ByteRange::Kind::kPartial;
constexpr auto kNone = ByteRange::Kind::kUnsatisfiable;

INSTANTIATE_TEST_SUITE_P(
    Table, LanHttpRange,
    ::testing::Values(RangeCase{"", 100, kWhole, 0, 0}, RangeCase{"bytes=0-9", 100, kPartial, 0, 9},
                      RangeCase{"Bytes= 10-", 100, kPartial, 10, 99}, RangeCase{"bytes=-30", 100, kPartial, 70, 99},
                      RangeCase{"bytes=-300", 100, kPartial, 0, 99}, RangeCase{"bytes=90-500", 100, kPartial, 90, 99},
                      RangeCase{"bytes=99-99", 100, kPartial, 99, 99}, RangeCase{"bytes=100-", 100, kNone, 0, 0},
                      RangeCase{"bytes=50-10", 100, kNone, 0, 0}, RangeCase{"bytes=-0", 100, kNone, 0, 0},
                      RangeCase{"bytes=0-", 0, kNone, 0, 0}, RangeCase{"bytes=-5", 0, kNone, 0, 0},
                      RangeCase{"bytes=0-1,5-6", 100, kWhole, 0, 0}, RangeCase{"bytes=-", 100, kWhole, 0, 0},
                      RangeCase{"bytes=a-b", 100, kWhole, 0, 0}, RangeCase{"bytes=1-2-3", 100, kWhole, 0, 0},
                      RangeCase{"bytes=+1-2", 100, kWhole, 0, 0}, RangeCase{"items=0-1", 100, kWhole, 0, 0},
                      RangeCase{"bytes=0x10-", 100, kWhole, 0, 0},
                      RangeCase{"bytes=9223372036854775807-", 100, kNone, 0, 0},
                      RangeCase{"bytes=9223372036854775808-", 100, kWhole, 0, 0},
                      RangeCase{"bytes=0-99999999999999999999999", 100, kWhole, 0, 0},
                      RangeCase{"bytes=-99999999999999999999999", 100, kWhole, 0, 0}));

struct BasicCase {
  const char* header;
  bool ok;
  const char* user;
  const char* password;
};

class LanHttpBasic : public ::testing::TestWithParam<BasicCase> {};

TEST_P(LanHttpBasic, Decodes) {
  const BasicCase& c = GetParam();
  std::string user = "stale";
  std::string password = "stale";
  EXPECT_EQ(lan::http::DecodeBasicAuthorization(c.header, user, password), c.ok) << c.header;
  EXPECT_EQ(user, c.user) << c.header;
  EXPECT_EQ(password, c.password) << c.header;
}

INSTANTIATE_TEST_SUITE_P(
    Table, LanHttpBasic,
    ::testing::Values(BasicCase{"Basic YWxpY2U6c2VjcmV0", true, "alice", "secret"},       // alice:secret
                      BasicCase{"basic  YWxpY2U6YTpi ", true, "alice", "a:b"},             // alice:a:b
                      BasicCase{"Basic OnB3", true, "", "pw"},                             // :pw
                      BasicCase{"Basic YWxpY2U=", false, "", ""},                          // no colon
                      BasicCase{"Basic YWxp*2U6c2VjcmV0", false, "", ""},                  // bad character
                      BasicCase{"Basic YWxpY2U6c2VjcmV0=", false, "", ""},                 // bad length
                      BasicCase{"Basic YW=pY2U6", false, "", ""},                          // data after '='
                      BasicCase{"Basic YQBiOmM=", false, "", ""},                          // a NUL inside
                      BasicCase{"Bearer YWxpY2U6c2VjcmV0", false, "", ""}, BasicCase{"Basic", false, "", ""}));

TEST(LanHttpText, ContentDispositionKeepsQuotesAndSeparatorsOut) {
  const std::string value = lan::http::ContentDisposition("..\"evil\r\nX: 1\\/\xC3\xA9.txt");
  EXPECT_EQ(value.find('\r'), std::string::npos);
  EXPECT_EQ(value.find('\n'), std::string::npos);
  EXPECT_EQ(value.rfind("attachment; filename=\"_._evil__X: 1___", 0), 0u) << value;
  EXPECT_NE(value.find("filename*=UTF-8''..%22evil%0D%0AX%3A%201%5C%2F%C3%A9.txt"), std::string::npos) << value;
  EXPECT_EQ(lan::http::ContentDisposition(".."), "attachment; filename=\"download\"");
}

TEST(LanHttpText, HtmlListingEscapesNamesAndEncodesLinks) {
  const std::vector<lan::http::ListingEntry> entries = {{"<b>&\"x\".mp3", false, 5000000000, true, 128, 200, 44100},
                                                        {"sub dir", true, 0, false, 0, 0, 0}};
  const std::string html = lan::http::ListingHtml("Desk<", "/A&B", entries);
  EXPECT_EQ(html.find("<b>"), std::string::npos);
  EXPECT_NE(html.find("&lt;b&gt;&amp;&quot;x&quot;.mp3"), std::string::npos);
  EXPECT_NE(html.find("href=\"/A%26B/%3Cb%3E%26%22x%22.mp3\""), std::string::npos) << html;
  EXPECT_NE(html.find("href=\"/A%26B/sub%20dir/\""), std::string::npos) << html;
  EXPECT_NE(html.find("Desk&lt;"), std::string::npos);
}

TEST(LanHttpText, JsonAnswersCarry64BitSizesAndSurviveBadUtf8) {
  const std::vector<lan::http::ListingEntry> entries = {{"a\xFF.mp3", false, 5000000000, true, 128, 200, 44100}};
  const auto listing = nlohmann::json::parse(lan::http::ListingJson("Desk", "/Music", entries));
  EXPECT_EQ(listing["node"], "Desk");
  EXPECT_EQ(listing["entries"][0]["size"].get<std::int64_t>(), 5000000000);
  EXPECT_EQ(listing["entries"][0]["name"], "a\xEF\xBF\xBD.mp3");
  EXPECT_EQ(listing["entries"][0]["bitrate"], 128);

  const auto busy = nlohmann::json::parse(lan::http::BusyJson(true, 2, 7));
  EXPECT_EQ(busy, (nlohmann::json{{"queued", true}, {"position", 2}, {"size", 7}}));
  EXPECT_EQ(nlohmann::json::parse(lan::http::BusyJson(false, 0, 0)), (nlohmann::json{{"queued", false}}));
}

TEST(LanHttpText, SearchWordsMatchIgnoringCase) {
  const auto words = lan::http::SearchWords("  Red\tFOX ");
  ASSERT_EQ(words, (std::vector<std::string>{"red", "fox"}));
  EXPECT_TRUE(lan::http::NameHasAllWords("The Fox is rEd.mp3", words));
  EXPECT_FALSE(lan::http::NameHasAllWords("The red dog.mp3", words));
  EXPECT_FALSE(lan::http::NameHasAllWords("anything", lan::http::SearchWords("   ")));
  EXPECT_TRUE(lan::http::AcceptsJson("text/html, APPLICATION/JSON;q=0.9"));
  EXPECT_FALSE(lan::http::AcceptsJson("text/html"));
}

}  // namespace
