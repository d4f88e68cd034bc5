#include "core/web/advertising.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/config/settings.h"
#include "core/host/main_thread_queue.h"
#include "core/web/web_client.h"
#include "support/test_http_server.h"
#include "support/waiting.h"

namespace kp {
namespace {

using namespace std::chrono_literals;
using test::TTestHttpServer;

std::string Description(std::string_view tags) { return TTestHttpServer::Ok(tags); }

// A window 500 pixels wide whose font gives every byte 10 pixels.
class TFakeView final : public IAdvertisingView {
 public:
  int PanelWidth() const override { return 500; }
  int TextWidth(std::string_view text) const override { return static_cast<int>(text.size()) * 10; }
  void ShowPage(const std::string& url, const THeaderList& headers) override {
    shownUrl = url;
    shownHeaders = headers;
    ++pagesShown;
  }
  void BannerChanged() override {}

  std::string shownUrl;
  THeaderList shownHeaders;
  int pagesShown = 0;
};

class Advertising : public testing::Test {
 protected:
  Advertising() {
    panel_.SetView(&view_);
    panel_.SetRotateTime(180);
  }

  // A tick of a user who moves the mouse in the active application.
  void ActiveTick(bool applicationActive = true) {
    TAdvertisingTick tick;
    tick.cursorX = ++cursor_;
    tick.applicationActive = applicationActive;
    panel_.Tick(tick);
  }
  // One rotation: the load and its main-thread steps. The first tick of all
  // only shows where the mouse is; the second sees it move.
  void Rotate() {
    now_ += 181s;
    ActiveTick();
    ActiveTick();
    ASSERT_TRUE(panel_.Loading());
    ASSERT_TRUE(test::DrainUntil(queue_, [&] { return !panel_.Loading(); }));
  }

  TMainThreadQueue queue_;
  TimeStamp now_ = std::chrono::steady_clock::now();
  TFakeView view_;
  TAdvertising panel_{TAdvertisingHooks{[this](std::function<void()> work) { queue_.Post(std::move(work)); },
                                        [this] { queue_.ProcessPending(); }, [this] { return now_; }}};
  int cursor_ = 0;
};

struct TDescriptionCase {
  const char* name;
  const char* description;
  const char* bannerText;
  const char* bannerLink;
};

class AdvertisingDescription : public Advertising, public testing::WithParamInterface<TDescriptionCase> {};

TEST_P(AdvertisingDescription, ReplacesTheBannerOnlyWithANonBlankText) {
  TTestHttpServer server([](const std::string&, int index) {
    return Description(index == 0 ? R"(<KEPLINOR_TEXT VALUE="Old" HREF="http://old.example/">)"
                                  : GetParam().description);
  });
  panel_.SetAdminURL(server.Url("/Keplinor/Advertising.php"));
  panel_.Start();
  Rotate();
  ASSERT_EQ(panel_.BannerText(), "Old");
  Rotate();
  EXPECT_EQ(server.Requests().size(), 2u);
  EXPECT_EQ(view_.pagesShown, 2);
  EXPECT_EQ(panel_.BannerText(), GetParam().bannerText);
  EXPECT_EQ(panel_.BannerLink(), GetParam().bannerLink);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AdvertisingDescription,
    testing::Values(TDescriptionCase{"NoTextEntry", R"(<KEPLINOR_CONFIG ROTATE_TIME=60>)", "Old",
                                     "http://old.example/"},
                    TDescriptionCase{"BlankValue", R"(<KEPLINOR_TEXT VALUE="  " HREF="http://new.example/">)",
                                     "Old", "http://old.example/"},
                    TDescriptionCase{"NewText", R"(<KEPLINOR_TEXT VALUE="New" HREF="http://new.example/">)",
                                     "New", "http://new.example/"},
                    // The desktop must not open a local program on a server's word.
                    TDescriptionCase{"LocalLinkDropped",
                                     R"(<KEPLINOR_TEXT VALUE="New" HREF="file:///bin/sh">)", "New", ""}),
    [](const auto& row) { return std::string(row.param.name); });

struct TAutomaticCase {
  bool automatic;
  const char* config;
  std::int32_t rotateTime;
  std::int32_t inactiveTime;
};

class AdvertisingAutomatic : public Advertising, public testing::WithParamInterface<TAutomaticCase> {};

TEST_P(AdvertisingAutomatic, LetsTheServerSetTheTimesOnlyWhenAutomatic) {
  TTestHttpServer server([](const std::string&, int) { return Description(GetParam().config); });
  panel_.SetAdminURL(server.Url("/"));
  panel_.SetAutomatic(GetParam().automatic);
  panel_.Start();
  Rotate();
  EXPECT_EQ(panel_.RotateTime(), GetParam().rotateTime);
  EXPECT_EQ(panel_.InactiveTime(), GetParam().inactiveTime);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AdvertisingAutomatic,
    testing::Values(TAutomaticCase{false, "<KEPLINOR_CONFIG ROTATE_TIME=60 INACTIVE_TIME=9>", 180, 5},
                    TAutomaticCase{true, "<KEPLINOR_CONFIG ROTATE_TIME=60 INACTIVE_TIME=9>", 60, 9},
                    TAutomaticCase{true, "<KEPLINOR_CONFIG ROTATE_TIME=0 INACTIVE_TIME=-3>", 180, 5}));

// When a load may start: the user is active (the mouse moved lately and the
// application is active) and a server is named.
struct TActivityCase {
  const char* name;
  bool applicationActive;
  bool mouseStill;  // the mouse has not moved for longer than iInactiveTime
  bool serverNamed;
  bool loads;
};

class AdvertisingActivity : public Advertising, public testing::WithParamInterface<TActivityCase> {};

TEST_P(AdvertisingActivity, LoadsOnlyForAnActiveUserAndANamedServer) {
  const TActivityCase& param = GetParam();
  TTestHttpServer server([](const std::string&, int) { return Description("<KEPLINOR_TEXT VALUE=x>"); });
  TApplicationSettings settings;
  if (param.serverNamed) settings.AdvertisingServer = "127.0.0.1:" + std::to_string(server.Port());
  panel_.SetAdminURL(AdvertisingUrlOf(settings).value_or(""));
  if (param.mouseStill) now_ += 6s;
  panel_.Start();
  for (int i = 0; i < 3; ++i) {
    if (param.mouseStill) {
      TAdvertisingTick still;
      still.cursorX = 7;
      still.applicationActive = param.applicationActive;
      panel_.Tick(still);
    } else {
      ActiveTick(param.applicationActive);
    }
  }
  if (param.loads) {
    ASSERT_TRUE(server.WaitForRequests(1));
    EXPECT_EQ(server.Requests()[0].rfind("GET /Keplinor/Advertising.php HTTP/1.1\r\n", 0), 0u);
  } else {
    EXPECT_FALSE(panel_.Loading());
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(server.Connections(), 0);
  }
  panel_.Stop();
}

INSTANTIATE_TEST_SUITE_P(Cases, AdvertisingActivity,
                         testing::Values(TActivityCase{"Active", true, false, true, true},
                                         TActivityCase{"ApplicationInactive", false, false, true, false},
                                         TActivityCase{"MouseStill", true, true, true, false},
                                         TActivityCase{"NoServerNamed", true, false, false, false}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(Advertising, StopDuringALoadReturnsAfterTheThreadHasEnded) {
  TTestHttpServer server([](const std::string&, int) { return std::string(TTestHttpServer::kSilent); });
  const std::size_t clientsBefore = LiveWebClientCount();
  panel_.SetAdminURL(server.Url("/"));
  panel_.Start();
  ActiveTick();
  ASSERT_TRUE(server.WaitForRequests(1));
  ASSERT_EQ(LiveWebClientCount(), clientsBefore + 1);

  const auto started = std::chrono::steady_clock::now();
  panel_.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
  EXPECT_FALSE(panel_.Loading());
  // The thread's client is gone with it, and no page was shown.
  EXPECT_EQ(LiveWebClientCount(), clientsBefore);
  queue_.ProcessPending();
  EXPECT_EQ(view_.pagesShown, 0);
  // Stopped: no further load, however long the user stays active.
  now_ += 600s;
  ActiveTick();
  EXPECT_FALSE(panel_.Loading());
}

TEST_F(Advertising, SendsTheProgramHeadersAndGivesTheBrowserEscapedOnes) {
  TTestHttpServer server([](const std::string&, int) { return Description("<KEPLINOR_TEXT VALUE=x>"); });
  panel_.SetAdminURL(server.Url("/ad"));
  AddProgramHeaders(panel_, "Keplinor", 1024, 768);
  panel_.AddHeader("X-Note", "first");
  panel_.AddHeader(" x-note ", "line\rbreak\tand\nmore");
  panel_.Start();
  Rotate();

  ASSERT_EQ(server.Requests().size(), 1u);
  const std::string request = server.Requests()[0];
  for (const std::string& line :
       {std::string("Keplinor-Name: Keplinor"), "Keplinor-Build: " + GetVersionText(),
        std::string("Keplinor-Resolution: 1024X768"), std::string("IE-Installed: True")}) {
    EXPECT_NE(request.find("\r\n" + line + "\r\n"), std::string::npos) << line;
  }
  EXPECT_EQ(request.find("first"), std::string::npos);

  EXPECT_EQ(view_.shownUrl, server.Url("/ad"));
  ASSERT_EQ(view_.shownHeaders.size(), 4u);
  EXPECT_EQ(view_.shownHeaders[3],
            (std::pair<std::string, std::string>("X-Note", "line%0Dbreak%09and%0Amore")));
}

TEST_F(Advertising, ScrollsAndCutsTheBannerToTheLine) {
  // 20 characters of 10 pixels in a line of 500: 200 pixels, two of them multi-byte.
  TTestHttpServer server([](const std::string&, int) {
    return Description("<KEPLINOR_TEXT VALUE=\"ABCDEFGHIJKLMNOPQR\xC3\xA9\xC3\xA9\">");
  });
  panel_.SetAdminURL(server.Url("/"));
  panel_.Start();
  Rotate();
  const std::string text = panel_.BannerText();
  ASSERT_EQ(text.size(), 22u);

  // The banner starts 14 pixels before the right end; every tick moves it by 2.
  const int start = panel_.BannerX();
  EXPECT_EQ(start, 500 - 14 - 2 * 2);
  for (int tick = 1; tick <= 250; ++tick) {
    ActiveTick();
    const int x = panel_.BannerX();
    const std::string& drawn = panel_.DrawnText();
    ASSERT_EQ(text.compare(0, drawn.size(), drawn), 0);
    // Never half a character, and the widest prefix under the room that is left.
    ASSERT_TRUE(drawn.size() <= 18 || drawn.size() % 2 == 0) << drawn.size();
    const int room = 500 - x - 28;
    ASSERT_LT(view_.TextWidth(drawn), room > 0 ? std::max(room, 1) : 1);
    if (drawn.size() < text.size()) {
      const std::size_t next = drawn.size() < 18 ? drawn.size() + 1 : drawn.size() + 2;
      ASSERT_GE(static_cast<int>(next) * 10, room);
    }
  }
  // Once it has left the line on the left, it comes back at the right.
  for (int tick = 0; tick < 200 && panel_.BannerX() < 400; ++tick) ActiveTick();
  EXPECT_EQ(panel_.BannerX(), 500 - 28);
}

struct TServerKeyCase {
  const char* key;
  std::optional<std::string> url;
};

class AdvertisingServerKey : public testing::TestWithParam<TServerKeyCase> {};

TEST_P(AdvertisingServerKey, NamesTheScriptOnlyForAPlainHostAndPort) {
  TApplicationSettings settings;
  settings.AdvertisingServer = GetParam().key;
  EXPECT_EQ(AdvertisingUrlOf(settings), GetParam().url);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AdvertisingServerKey,
    testing::Values(TServerKeyCase{"", std::nullopt}, TServerKeyCase{"   ", std::nullopt},
                    TServerKeyCase{"ads.example.net", "http://ads.example.net/Keplinor/Advertising.php"},
                    TServerKeyCase{" ads.example.net:8080 ",
                                   "http://ads.example.net:8080/Keplinor/Advertising.php"},
                    TServerKeyCase{"ads.example.net:0", std::nullopt},
                    TServerKeyCase{"ads.example.net:70000", std::nullopt},
                    TServerKeyCase{"ads.example.net/other", std::nullopt},
                    TServerKeyCase{"user@ads.example.net", std::nullopt}));

}  // namespace
}  // namespace kp
