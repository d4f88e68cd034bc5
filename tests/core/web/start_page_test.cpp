#include "core/web/start_page.h"

#include <gtest/gtest.h>

#include "core/config/simple_config.h"

namespace kp {
namespace {

TEST(StartPage, NamesFromPluginsCannotBreakOutOfThePage) {
  TSimpleConfig language;
  language.LoadFromText("[StartPage]\n00001 = \"Welcome to %s\"\n00006 = \"online\"\n00014 = \"%d waiting\"\n"
                        "00017 = \"%s files\"\n");
  TStartPageFacts facts;
  facts.Services = {{"<script>alert('x')</script>", true}, {"Ann & \"Bob\"\x01", false}};
  facts.DownloadsWaiting = 7;
  facts.SharedFiles = 3;
  const std::string html = StartPageHtml(facts, "Kep<linor>", {}, language);

  EXPECT_EQ(html.find("<script>"), std::string::npos);
  EXPECT_NE(html.find("&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;"), std::string::npos);
  EXPECT_NE(html.find("Ann &amp; &quot;Bob&quot;<"), std::string::npos) << "control characters are dropped";
  EXPECT_NE(html.find("Welcome to Kep&lt;linor&gt;"), std::string::npos);
  EXPECT_NE(html.find("7 waiting"), std::string::npos);
  // A translation whose placeholder does not fit shows the number alone.
  EXPECT_NE(html.find(">3<"), std::string::npos);
  EXPECT_EQ(html.find("%s files"), std::string::npos);
}

}  // namespace
}  // namespace kp
