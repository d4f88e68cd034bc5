#include "core/config/text_conversions.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace kp {
namespace {

TEST(TextToInt64, KeepsOnlyDigitsAndMinusSigns) {
  EXPECT_EQ(TextToInt64("1,024 KB"), 1024);
  EXPECT_EQ(TextToInt64("2.5 MB"), 25);
  EXPECT_EQ(TextToInt64("12abc34"), 1234);
  EXPECT_EQ(TextToInt64("  -17 "), -17);
  EXPECT_EQ(TextToInt64("5,000"), 5000);
  EXPECT_EQ(TextToInt64(""), 0);
  EXPECT_EQ(TextToInt64("no digits"), 0);
  EXPECT_EQ(TextToInt64(std::string("12\0" "34", 5)), 12) << "an embedded NUL ends the scan";
}

TEST(TextToInt64, MalformedKeptTextIsNoNumber) {
  for (const char* text : {"-", "--5", "12-3", "5-", "a-b"}) {
    EXPECT_FALSE(TryTextToInt64(text).has_value()) << text;
    EXPECT_EQ(TextToInt64(text), 0) << text;
  }
}

TEST(TextToInt64, OutOfRangeNumbersSaturate) {
  constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
  constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
  EXPECT_EQ(TextToInt64("9223372036854775807"), kMax);
  EXPECT_EQ(TextToInt64("9223372036854775808"), kMax);
  EXPECT_EQ(TextToInt64("-9223372036854775808"), kMin);
  EXPECT_EQ(TextToInt64("-9223372036854775809"), kMin);
  EXPECT_EQ(TextToInt64(std::string(400, '9')), kMax);
  EXPECT_EQ(TextToInt64(std::string(40, '0') + "42"), 42) << "leading zeros are no overflow";
}

TEST(TextToBoolean, OnlyTrueTrimmedInAnyCaseIsTrue) {
  EXPECT_TRUE(TextToBoolean("TRUE"));
  EXPECT_TRUE(TextToBoolean(" true\t"));
  EXPECT_TRUE(TextToBoolean("\r\nTrUe\x01"));
  for (const char* text : {"T", "1", "yes", "", "TRUE1", "TR UE"}) EXPECT_FALSE(TextToBoolean(text)) << text;
  EXPECT_EQ(BooleanToText(true), "TRUE");
  EXPECT_EQ(BooleanToText(false), "FALSE");
}

}  // namespace
}  // namespace kp
