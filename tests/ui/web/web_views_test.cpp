#include <gtest/gtest.h>

#include <QTest>
#include <chrono>
#include <string>

#include "core/host/main_thread_queue.h"
#include "core/platform/shell_services.h"
#include "support/temp_folder.h"
#include "support/test_http_server.h"
#include "ui/shell/qt_main_thread.h"
#include "ui/web/advertising_panel.h"
#include "ui/web/home_section.h"
#include "ui/web/text_web_view.h"

namespace kp {
namespace {

using namespace std::chrono_literals;
using test::TTestHttpServer;

constexpr int kPatience = 20000;

TEST(TextWebView, FetchesAPageOffTheMainThreadAndResolvesItsLinks) {
  TTestHttpServer server([](const std::string& request, int) {
    if (request.starts_with("GET /slow ")) return std::string(TTestHttpServer::kSilent);
    return TTestHttpServer::Ok(R"(<p>Hello page</p><a href="next.html">next</a>)",
                               "text/html; charset=utf-8");
  });
  TTextWebView view;
  QUrl followed;
  view.SetLinkHandler([&](const QUrl& link) { followed = link; });

  // A server that never answers does not hold up the window, nor its end.
  auto slowView = std::make_unique<TTextWebView>();
  const auto started = std::chrono::steady_clock::now();
  slowView->ShowUrl(QUrl(QString::fromStdString(server.Url("/slow"))));
  EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
  ASSERT_TRUE(server.WaitForRequests(1));
  slowView.reset();

  view.ShowUrl(QUrl(QString::fromStdString(server.Url("/dir/page.html"))), {{"X-Extra", "1"}});
  ASSERT_TRUE(QTest::qWaitFor([&] { return view.toPlainText().contains("Hello page"); }, kPatience));
  EXPECT_NE(server.Requests().back().find("\r\nX-Extra: 1\r\n"), std::string::npos);

  emit view.anchorClicked(QUrl("next.html"));
  EXPECT_EQ(followed, QUrl(QString::fromStdString(server.Url("/dir/next.html"))));
}

TEST(HomeSection, ShowsTheHomePageOrElseTheStartPage) {
  test::TempFolder folder;
  folder.WriteFile("home.html", "<p>My home page</p>");
  QWidget startPage;
  {
    THomeSection blank(&startPage);
    blank.SetHomePage("  ");
    blank.show();
    EXPECT_EQ(blank.Browser(), nullptr);
    EXPECT_TRUE(startPage.isVisible());
  }
  // Handed back, not destroyed, by the section that goes first.
  EXPECT_EQ(startPage.parent(), nullptr);

  THomeSection home(&startPage);
  home.show();
  home.SetHomePage(QUrl::fromLocalFile(QString::fromStdString(folder.Path() + "home.html")).toString());
  ASSERT_NE(home.Browser(), nullptr);
  auto* page = static_cast<TTextWebView*>(home.Browser()->Widget());
  EXPECT_TRUE(page->toPlainText().contains("My home page"));
  EXPECT_TRUE(page->isVisible());
  EXPECT_FALSE(startPage.isVisible());
}

class AdvertisingPanel : public testing::Test {
 protected:
  void SetUp() override { HeadlessShell().Forget(); }

  TMainThreadQueue queue_;
  TQtMainThread mainThread_{queue_};
  TAdvertisingTick seen_;
  std::unique_ptr<TAdvertisingPanel> panel_ = std::make_unique<TAdvertisingPanel>(
      TAdvertisingHooks{[this](std::function<void()> work) { queue_.Post(std::move(work)); },
                        [this] { mainThread_.ProcessPendingMessages(); },
                        {}});
};

TEST_F(AdvertisingPanel, StaysHiddenWithoutAServer) {
  panel_->SetServerUrl(std::nullopt);
  EXPECT_TRUE(panel_->isHidden());
  EXPECT_TRUE(panel_->Core().AdminURL().empty());
}

TEST_F(AdvertisingPanel, ShowsThePageWithEscapedHeadersAndOpensTheBannerLink) {
  TTestHttpServer server([](const std::string&, int) {
    return TTestHttpServer::Ok(R"(<KEPLINOR_TEXT VALUE="Visit us" HREF="http://maker.example/offer">)",
                               "text/html");
  });
  panel_->resize(600, TAdvertisingPanel::kPanelHeight);
  panel_->SetServerUrl(server.Url("/Keplinor/Advertising.php"));
  panel_->Core().AddHeader("X-Note", "a\rb");
  panel_->SetTickSource([this] {
    ++seen_.cursorX;
    seen_.applicationActive = true;
    return seen_;
  });
  panel_->show();
  panel_->Core().Start();
  panel_->Tick();

  // The description, then the browser's own request for the page once the
  // main loop has run the load's result.
  ASSERT_TRUE(QTest::qWaitFor([&] { return server.Requests().size() >= 2; }, kPatience));
  const std::string browserRequest = server.Requests()[1];
  EXPECT_NE(browserRequest.find("\r\nX-Note: a%0Db\r\n"), std::string::npos) << browserRequest;
  EXPECT_TRUE(panel_->Browser().Widget()->isVisible());
  EXPECT_LE(panel_->Browser().Widget()->geometry().bottom(), panel_->BannerTop() - 6);
  ASSERT_TRUE(QTest::qWaitFor([&] { return panel_->Core().BannerText() == "Visit us"; }, kPatience));

  // A click on the banner text opens its link on the desktop; one beside it does not.
  for (int i = 0; i < 300 && panel_->Core().DrawnText() != "Visit us"; ++i) panel_->Tick();
  ASSERT_EQ(panel_->Core().DrawnText(), "Visit us");
  const int line = (panel_->BannerTop() + panel_->BannerBottom()) / 2;
  QTest::mouseClick(panel_.get(), Qt::LeftButton, {}, QPoint(panel_->Core().BannerX() - 10, line));
  EXPECT_TRUE(HeadlessShell().OpenRequests().empty());
  QTest::mouseClick(panel_.get(), Qt::LeftButton, {}, QPoint(panel_->Core().BannerX() + 10, line));
  ASSERT_EQ(HeadlessShell().OpenRequests().size(), 1u);
  EXPECT_EQ(HeadlessShell().OpenRequests()[0].target, "http://maker.example/offer");
  panel_->Core().Stop();
}

}  // namespace
}  // namespace kp
