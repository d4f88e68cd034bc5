// The search request's window over a request whose services come from real
// plugins: the Enter key, the mode and the limits' enabling, the message for
// missing texts, and the list of places as services come and go.
#include "ui/search/search_request_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QtTest/QTest>
#include <memory>

#include "core/config/simple_config.h"
#include "core/platform/shell_services.h"
#include "support/service_plugins_fixture.h"

namespace kp {
namespace {

using Strings = std::vector<std::string>;

constexpr const char* kLanguage = R"(
[SearchRequest]
00007 = "Artist"
00009 = "Anything"
00014 = "Type something"
00015 = "Everywhere"
)";

class CountingOpener final : public ISearchOpener {
 public:
  Strings opened;
  std::int32_t OpenSearch(std::string_view text1, std::string_view text2, std::int32_t, std::int64_t,
                          std::int64_t) override {
    opened.push_back(std::string(text1) + "|" + std::string(text2));
    return 7;
  }
  void AddService(std::uint32_t) override {}
};

class SearchRequestDialogTest : public test::ServicePluginsTest {
 protected:
  void SetUp() override {
    language_.LoadFromText(kLanguage);
    net_ = std::make_unique<test::TServicePlugin>(Load(KP_TP_SERVICES, "net.so"));
    network_ = net_->AddType("Network");
    one_ = net_->Add(network_, "One");
    settings_.RememberLastRequest = true;
    request_ = std::make_unique<TSearchRequest>(services_, opener_, settings_);
    dialog_ = std::make_unique<TSearchRequestDialog>(*request_, language_);
    QObject::connect(dialog_.get(), &TSearchRequestDialog::requestSent,
                     [this](int id) { sent_.push_back(id); });
    HeadlessShell().Forget();
    HeadlessShell().PrintMessages = false;
    dialog_->ShowSearchRequest();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
  }
  void TearDown() override { HeadlessShell().PrintMessages = true; }

  Strings Places() const {
    Strings places;
    QComboBox* list = dialog_->Sources();
    for (int i = 0; i < list->count(); ++i) {
      places.push_back(std::string(list->itemData(i, TSearchRequestDialog::kIndentRole).toUInt(), ' ') +
                       list->itemText(i).toStdString());
    }
    return places;
  }

  TSimpleConfig language_;
  std::unique_ptr<test::TServicePlugin> net_;
  std::uint32_t network_ = 0;
  std::uint32_t one_ = 0;
  TSearchingSettings settings_;
  CountingOpener opener_;
  std::unique_ptr<TSearchRequest> request_;
  std::unique_ptr<TSearchRequestDialog> dialog_;
  std::vector<int> sent_;
};

TEST_F(SearchRequestDialogTest, EnterMovesOnToTheTitleInMP3ModeAndSendsOtherwise) {
  QTest::keyClicks(dialog_->Text1()->lineEdit(), "abba");
  QTest::keyClick(dialog_->Text1()->lineEdit(), Qt::Key_Return);
  EXPECT_TRUE(dialog_->Text2()->hasFocus() || dialog_->Text2()->lineEdit()->hasFocus());
  EXPECT_TRUE(opener_.opened.empty());

  QTest::keyClick(dialog_->Text2()->lineEdit(), Qt::Key_Enter);
  EXPECT_EQ(opener_.opened, Strings{"abba|"});
  EXPECT_EQ(sent_, std::vector<int>{7});
  EXPECT_FALSE(dialog_->isVisible());

  dialog_->ShowSearchRequest();
  dialog_->AnyFileChoice()->click();
  QTest::keyClick(dialog_->Text1()->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(opener_.opened, (Strings{"abba|", "abba|"}));
  // A typed Enter is no history entry; only the sent request is, when kept.
  EXPECT_EQ(dialog_->Text1()->count(), 0);
}

TEST_F(SearchRequestDialogTest, TheModeShowsItsFieldsAndEachBoxEnablesItsField) {
  EXPECT_EQ(dialog_->Text1Label()->text(), "Artist");
  EXPECT_FALSE(dialog_->MinimumBitrateField()->isEnabled());
  dialog_->Pages()->setCurrentIndex(1);
  dialog_->MinimumBitrateBox()->click();
  EXPECT_TRUE(dialog_->MinimumBitrateField()->isEnabled());
  EXPECT_TRUE(dialog_->MinimumBitrateUnit()->isEnabled());
  EXPECT_TRUE(request_->MinimumBitrate.on);

  dialog_->AnyFileChoice()->click();
  EXPECT_EQ(dialog_->Text1Label()->text(), "Anything");
  EXPECT_FALSE(dialog_->Text2()->isVisible());
  EXPECT_FALSE(dialog_->MinimumBitrateBox()->isVisible());
  EXPECT_FALSE(request_->MP3Search());
}

TEST_F(SearchRequestDialogTest, BlankTextsShowTheSimplePageAndTheMessage) {
  dialog_->Pages()->setCurrentIndex(1);
  request_->SetText1("   ");
  dialog_->SendRequest();
  EXPECT_EQ(HeadlessShell().Messages(), Strings{"Type something"});
  EXPECT_EQ(dialog_->Pages()->currentIndex(), 0);
  EXPECT_TRUE(dialog_->isVisible());
  EXPECT_TRUE(opener_.opened.empty());
}

TEST_F(SearchRequestDialogTest, ThePlacesFollowTheRegistry) {
  EXPECT_EQ(Places(), (Strings{"Everywhere", "  Network", "   One"}));
  EXPECT_EQ(dialog_->Sources()->currentIndex(), 0);

  const std::uint32_t chat = net_->AddType("Chat", "", 0x7E570002u);
  const std::uint32_t room = net_->Add(chat, "Room");
  net_->Add(network_, "Two");
  dialog_->Sources()->setCurrentIndex(3);
  EXPECT_EQ(Places(), (Strings{"Everywhere", "  Network", "   One", "   Two", "  Chat", "   Room"}));

  net_->Remove(one_);
  EXPECT_EQ(Places(), (Strings{"Everywhere", "  Network", "   Two", "  Chat", "   Room"}));
  EXPECT_EQ(dialog_->Sources()->currentText(), "Two");
  net_->Remove(room);
  EXPECT_EQ(Places(), (Strings{"Everywhere", "  Network", "   Two"}));
}

}  // namespace
}  // namespace kp
