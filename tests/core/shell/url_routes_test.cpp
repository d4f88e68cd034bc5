#include "core/shell/url_routes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/host/dispatcher.h"
#include "core/host/main_thread_queue.h"
#include "core/host/plugin_manager.h"
#include "core/platform/file_io.h"
#include "core/shell/url_scheme_entries.h"
#include "recorded_lines.h"
#include "support/temp_folder.h"

namespace kp {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

class UrlRoutesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(temp_ / "Plugins");
    for (const char* name : {"one.so", "two.so"}) fs::copy_file(KP_TP_RECORDING_A, fs::path(temp_ / "Plugins") / name);
    temp_.WriteFile("Plugins/order.fpc", "one.so\ntwo.so\n");
    manager_.ScanPlugins(temp_ / "Plugins");
    ASSERT_EQ(manager_.GetPluginCount(), 2U);
    kp_test_record_clear();
  }
  TPluginHolder* One() const { return manager_.GetPlugin(0); }
  TPluginHolder* Two() const { return manager_.GetPlugin(1); }
  TXdgPlaces Places() const {
    return {temp_.Path() + "/data", temp_.Path() + "/config", {temp_.Path() + "/sysdata"}, {}};
  }
  std::string Read(const std::string& relative) const {
    return ReadWholeFile(temp_.Path() + "/" + relative).value_or("<none>");
  }

  test::TempFolder temp_;
  TMainThreadQueue queue_;
  TDispatcher dispatcher_{queue_};
  TApiRegistry registry_{dispatcher_};
  TPluginManager manager_{registry_, {}};
  TUrlSchemeEntries entries_{Places(), "/opt/kp/keplinor"};
  TUrlRoutes routes_{&entries_};
};

struct TLinkCase {
  const char* link;
  Strings expected;
};

class UrlDispatch : public UrlRoutesTest, public ::testing::WithParamInterface<TLinkCase> {};

TEST_P(UrlDispatch, RoutesEachLinkToItsClaimantOrDropsIt) {
  ASSERT_EQ(routes_.RegisterName(One(), " chat "), 1);
  ASSERT_EQ(routes_.RegisterScheme(Two(), "abc"), 1);
  routes_.DispatchUrl(GetParam().link);
  EXPECT_EQ(test::RecordedLines(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Links, UrlDispatch,
    ::testing::Values(TLinkCase{"KPL://Chat|hello=1", {"one.so:OnApplicationURL CHAT hello=1"}},
                      TLinkCase{"KPL:chat|a|b", {"one.so:OnApplicationURL CHAT a|b"}},
                      TLinkCase{"kpl://chat|//x:y\r\n", {"one.so:OnApplicationURL CHAT x:y\\r\\n"}},
                      TLinkCase{"abc://|file|x|", {"two.so:OnURL ABC |file|x|"}},
                      TLinkCase{"KPL://chat", {}}, TLinkCase{"KPL://other|x", {}},
                      TLinkCase{"xyz://chat|x", {}}, TLinkCase{"no colon at all", {}}));

TEST_F(UrlRoutesTest, AClaimBelongsToItsFirstClaimantUntilThatOneGivesItUp) {
  EXPECT_EQ(routes_.RegisterName(One(), "chat"), 1);
  EXPECT_EQ(routes_.RegisterName(Two(), "CHAT"), 0);
  routes_.UnregisterName(Two(), "chat");
  EXPECT_EQ(routes_.UrlNameList().front().second, One());
  routes_.UnregisterName(One(), "Chat");
  EXPECT_EQ(routes_.RegisterName(Two(), "chat"), 1);

  ASSERT_EQ(routes_.RegisterScheme(One(), "abc"), 1);
  EXPECT_EQ(routes_.RegisterScheme(Two(), "ABC"), 0);
  routes_.UnregisterScheme(Two(), "abc");
  EXPECT_NE(Read("data/applications/keplinor-url-abc.desktop"), "<none>");
  routes_.UnregisterScheme(One(), "abc");
  EXPECT_EQ(Read("data/applications/keplinor-url-abc.desktop"), "<none>");
  EXPECT_EQ(routes_.UrlSchemeList().size(), 0U);
  // Not a scheme the desktop could name, so nothing is written for it.
  EXPECT_EQ(routes_.RegisterScheme(One(), "../evil"), 0);
}

TEST_F(UrlRoutesTest, AnotherProgramsHandlerIsLeftAloneUnlessForced) {
  const std::string foreign = "[Default Applications]\nx-scheme-handler/abc=other.desktop;\n";
  temp_.WriteFile("config/mimeapps.list", foreign);
  EXPECT_EQ(routes_.RegisterScheme(One(), "abc"), 0);
  EXPECT_EQ(Read("config/mimeapps.list"), foreign);
  EXPECT_EQ(Read("data/applications/keplinor-url-abc.desktop"), "<none>");
  // A handler the system lists counts as well.
  temp_.WriteFile("sysdata/applications/mimeinfo.cache", "[MIME Cache]\nx-scheme-handler/web=browser.desktop;\n");
  EXPECT_FALSE(entries_.RegisterUrlScheme("web", false));

  EXPECT_TRUE(entries_.RegisterUrlScheme("abc", true));
  EXPECT_TRUE(entries_.IsOurs("abc"));
  const std::string list = Read("config/mimeapps.list");
  EXPECT_NE(list.find("x-scheme-handler/abc=keplinor-url-abc.desktop;"), std::string::npos) << list;
  EXPECT_EQ(list.find("other.desktop"), std::string::npos) << list;
  EXPECT_NE(Read("data/applications/keplinor-url-abc.desktop").find("Exec=/opt/kp/keplinor %u\n"),
            std::string::npos);
}

TEST_F(UrlRoutesTest, AnEntryLeftByAnEarlierRunIsKeptAsItIs) {
  ASSERT_TRUE(entries_.RegisterUrlScheme("abc", false));
  const std::string entry = "data/applications/keplinor-url-abc.desktop";
  // Marked as this program's, but not what this run would write.
  temp_.WriteFile(entry, Read(entry) + "Comment=from an earlier run\n");
  EXPECT_EQ(routes_.RegisterScheme(One(), "abc"), 1);
  EXPECT_NE(Read(entry).find("from an earlier run"), std::string::npos);
  EXPECT_TRUE(entries_.RegisterUrlScheme("abc", true));
  EXPECT_EQ(Read(entry).find("from an earlier run"), std::string::npos);
}

}  // namespace
}  // namespace kp
