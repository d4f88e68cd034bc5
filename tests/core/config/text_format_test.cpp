#include "core/config/text_format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace kp {
namespace {

const NumberFormat kEnglish{",", "."};
const NumberFormat kGerman{".", ","};

// English words in "General"; another section is left selected so the routines
// must select "General" themselves.
TSimpleConfig EnglishLanguage() {
  TSimpleConfig language;
  language.SelectSection("General");
  const std::pair<const char*, const char*> texts[] = {
      {"00014", "no time"}, {"00015", "seconds"}, {"00016", "minutes"}, {"00017", "hours"},
      {"00018", "days"},    {"00019", "years"},   {"00020", "%s B"},    {"00021", "%s KB"},
      {"00022", "%s MB"},   {"00023", "%s GB"},   {"00024", "%s TB"}};
  for (const auto& [id, text] : texts) language.WriteString(id, text);
  language.SelectSection("Main");
  return language;
}

TEST(FormatSize, ChoosesDecimalUnitsAndRoundsToOneDecimal) {
  TSimpleConfig language = EnglishLanguage();
  auto size = [&](std::int64_t bytes) { return FormatSize(bytes, language, kEnglish); };
  EXPECT_EQ(size(0), " B") << "zero formats as empty text";
  EXPECT_EQ(size(999), "999 B");
  EXPECT_EQ(size(-2048), "-2,048 B");
  EXPECT_EQ(size(1000), "1 KB");
  EXPECT_EQ(size(1049), "1 KB");
  EXPECT_EQ(size(1050), "1.1 KB");
  EXPECT_EQ(size(1500), "1.5 KB");
  EXPECT_EQ(size(999'949), "999.9 KB");
  EXPECT_EQ(size(999'999), "1,000 KB") << "rounding does not move to the next unit";
  EXPECT_EQ(size(1'000'000), "1 MB");
  EXPECT_EQ(size(999'999'999), "1,000 MB");
  EXPECT_EQ(size(1'000'000'000), "1 GB");
  EXPECT_EQ(size(1'000'000'000'000), "1 TB");
  EXPECT_EQ(size(12'345'678'900'000'000), "12,345.7 TB");
  EXPECT_EQ(size(std::numeric_limits<std::int64_t>::max()), "9,223,372 TB");
  EXPECT_EQ(FormatSize(12'345'678'900'000'000, language, kGerman), "12.345,7 TB");
  EXPECT_EQ(FormatSize(1'234'567, language, kGerman), "1,2 MB");
}

TEST(FormatSize, UnusableLanguageTextGivesCheckLanguageFile) {
  TSimpleConfig language = EnglishLanguage();
  for (const char* text : {"%d KB", "%s %s", "%", "%1:s", "%5.1f", "%s%", "%0:s %s", "%-"}) {
    language.SelectSection("General");
    language.WriteString("00021", text);
    EXPECT_EQ(FormatSize(1500, language, kEnglish), "Check Language File") << text;
  }
  EXPECT_EQ(FormatSize(5, language, kEnglish), "5 B") << "only the unit with the bad text is affected";

  EXPECT_EQ(FormatWithText("%0:s KB", "1.5"), "1.5 KB");
  EXPECT_EQ(FormatWithText("[%6s]", "1.5"), "[   1.5]");
  EXPECT_EQ(FormatWithText("[%-6s]", "1.5"), "[1.5   ]");
  EXPECT_EQ(FormatWithText("[%2s]", "1.5"), "[1.5]");
  EXPECT_EQ(FormatWithText("[%.1s]", "1.5"), "[1]");
  EXPECT_EQ(FormatWithText("100%% %S", "x"), "100% x");
  EXPECT_EQ(FormatWithText("%s/%0:s", "x"), "x/x");
  EXPECT_EQ(FormatWithText("plain", "x"), "plain");
  EXPECT_EQ(FormatWithText("", "x"), "");
  EXPECT_FALSE(FormatWithText("%99999s", "x").has_value());
  // A number takes "%d" placeholders, and only those.
  EXPECT_EQ(FormatWithNumber("Results: %d", 12), "Results: 12");
  EXPECT_EQ(FormatWithNumber("[%4d] 100%%", -3), "[  -3] 100%");
  EXPECT_FALSE(FormatWithNumber("%s kbps", 192).has_value());
  EXPECT_FALSE(FormatWithText("%d kbps", "192").has_value());
}

TEST(FormatDuration, ListsUnitsAboveZeroEachFollowedByABlank) {
  TSimpleConfig language = EnglishLanguage();
  auto duration = [&](std::int32_t seconds) { return FormatDuration(seconds, language); };
  EXPECT_EQ(duration(0), "no time");
  EXPECT_EQ(duration(-5), "no time");
  EXPECT_EQ(duration(59), "59 seconds ");
  EXPECT_EQ(duration(3600), "1 hours ");
  EXPECT_EQ(duration(86'399), "23 hours 59 minutes 59 seconds ");
  EXPECT_EQ(duration(90'061), "1 days 1 hours 1 minutes 1 seconds ");
  EXPECT_EQ(duration(31'536'000), "1 years ");
  EXPECT_EQ(duration(std::numeric_limits<std::int32_t>::max()), "68 years 35 days 3 hours 14 minutes 7 seconds ");
}

TEST(NumberTexts, ThousandsTenthsAndMinutes) {
  EXPECT_EQ(FormatThousands(0, kEnglish), "0");
  EXPECT_EQ(FormatThousands(999, kEnglish), "999");
  EXPECT_EQ(FormatThousands(1000, kEnglish), "1,000");
  EXPECT_EQ(FormatThousands(1'234'567, kEnglish), "1,234,567");
  EXPECT_EQ(FormatThousands(-999, kEnglish), "-999");
  EXPECT_EQ(FormatThousands(-1234, kEnglish), "-1,234");
  EXPECT_EQ(FormatThousands(std::numeric_limits<std::int64_t>::min(), kEnglish), "-9,223,372,036,854,775,808");
  EXPECT_EQ(FormatThousands(std::numeric_limits<std::int64_t>::max(), kGerman), "9.223.372.036.854.775.807");
  const NumberFormat narrowSpace{"\xE2\x80\xAF", ","};
  EXPECT_EQ(FormatThousands(1'234'567, narrowSpace), "1\xE2\x80\xAF" "234\xE2\x80\xAF" "567");

  EXPECT_EQ(FormatTenths(0, kEnglish), "");
  EXPECT_EQ(FormatTenths(5, kEnglish), ".5");
  EXPECT_EQ(FormatTenths(10, kEnglish), "1");
  EXPECT_EQ(FormatTenths(15, kGerman), "1,5");
  EXPECT_EQ(FormatTenths(12'345, kEnglish), "1,234.5");
  EXPECT_EQ(FormatTenths(-5, kEnglish), "-.5");

  EXPECT_EQ(FormatMinutesSeconds(0), "0:00");
  EXPECT_EQ(FormatMinutesSeconds(5), "0:05");
  EXPECT_EQ(FormatMinutesSeconds(60), "1:00");
  EXPECT_EQ(FormatMinutesSeconds(3725), "62:05");
  EXPECT_EQ(FormatMinutesSeconds(360'000), "6000:00");
  EXPECT_EQ(FormatMinutesSeconds(-65), "-1:05");
}

}  // namespace
}  // namespace kp
