// The search request over a registry filled by real plugins: the places to
// search as services come and go, which services a place stands for, what
// their plugins hear, the validation, and what a sent request does to the
// history.
#include "core/search/search_request.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/config/text_ids.h"
#include "support/service_plugins_fixture.h"

namespace kp {
namespace {

using Strings = std::vector<std::string>;

// Writes into the plugins' log, so the order of opening, asking and the
// plugins' events shows in one list.
class LoggingOpener final : public ISearchOpener {
 public:
  std::int32_t nextID = 40;

  std::int32_t OpenSearch(std::string_view text1, std::string_view text2, std::int32_t minimumBitrate,
                          std::int64_t minimumSize, std::int64_t maximumSize) override {
    const std::string line = "core:open [" + std::string(text1) + "] [" + std::string(text2) +
                             "] bitrate=" + std::to_string(minimumBitrate) +
                             " min=" + std::to_string(minimumSize) + " max=" + std::to_string(maximumSize);
    kp_test_record(line.c_str());
    return nextID++;
  }
  void AddService(std::uint32_t service) override {
    kp_test_record(("core:add " + std::to_string(service)).c_str());
  }
};

class RecordingView final : public ISearchRequestView {
 public:
  Strings calls;
  void SourceInserted(std::size_t index) override { calls.push_back("+" + std::to_string(index)); }
  void SourceRemoved(std::size_t index) override { calls.push_back("-" + std::to_string(index)); }
  void TextsChanged() override { calls.push_back("texts"); }
};

// Two plugins: "net.so" with the type Network and its service One, "chat.so"
// with the type Chat and its service Room, and a second Network service, Two,
// that chat.so added.
class SearchRequestTest : public test::ServicePluginsTest {
 protected:
  void SetUp() override {
    net_ = std::make_unique<test::TServicePlugin>(Load(KP_TP_SERVICES, "net.so"));
    chat_ = std::make_unique<test::TServicePlugin>(Load(KP_TP_SERVICES, "chat.so"));
    network_ = net_->AddType("Network");
    chatType_ = chat_->AddType("Chat", "", 0x7E570002u);
    one_ = net_->Add(network_, "One");
    room_ = chat_->Add(chatType_, "Room");
    two_ = chat_->Add(network_, "Two");
    settings_.KeepHistory = true;
    settings_.MaximumHistory = 10;
    settings_.RememberLastRequest = true;
    request_ = std::make_unique<TSearchRequest>(services_, opener_, settings_);
    kp_test_record_clear();
  }

  // Each place as the list shows it: its indent in blanks, then its description.
  Strings Places() const {
    Strings places;
    for (std::size_t i = 0; i < request_->Sources().size(); ++i) {
      const std::string description = request_->SourceLabel(i).description;
      places.push_back(std::string(static_cast<std::size_t>(request_->Sources()[i].indent), ' ') +
                       (description.empty() ? "all" : description));
    }
    return places;
  }
  std::string Asked(const char* plugin, std::uint32_t service, const std::string& rest) const {
    return std::string(plugin) + ":OnSearchRequest " + H(service) + " " + rest;
  }

  std::unique_ptr<test::TServicePlugin> net_;
  std::unique_ptr<test::TServicePlugin> chat_;
  std::uint32_t network_ = 0;
  std::uint32_t chatType_ = 0;
  std::uint32_t one_ = 0;
  std::uint32_t room_ = 0;
  std::uint32_t two_ = 0;
  TSearchingSettings settings_;
  LoggingOpener opener_;
  std::unique_ptr<TSearchRequest> request_;
};

TEST_F(SearchRequestTest, PlacesFollowTheRegistryAndTheChoiceStaysOnItsPlace) {
  EXPECT_EQ(Places(), (Strings{"all", "  Network", "   One", "   Two", "  Chat", "   Room"}));
  RecordingView view;
  request_->SetView(&view);
  request_->SelectSource(4);

  net_->Add(network_, "Three");
  EXPECT_EQ(Places(), (Strings{"all", "  Network", "   One", "   Two", "   Three", "  Chat", "   Room"}));
  EXPECT_EQ(request_->SourceLabel(static_cast<std::size_t>(request_->SelectedSource())).description, "Chat");

  // The type's last service takes the type's place with it, and the choice of it.
  chat_->Remove(room_);
  EXPECT_EQ(Places(), (Strings{"all", "  Network", "   One", "   Two", "   Three"}));
  EXPECT_EQ(request_->SelectedSource(), -1);
  EXPECT_EQ(view.calls, (Strings{"+4", "-6", "-5"}));
  request_->Prepare();
  EXPECT_EQ(request_->SelectedSource(), 0);
}

struct ChoiceCase {
  const char* name;
  int place;
  // Each asked service as plugin file and service name, in order.
  std::vector<std::pair<const char*, const char*>> asked;
};

class SearchRequestChoice : public SearchRequestTest, public ::testing::WithParamInterface<ChoiceCase> {};

TEST_P(SearchRequestChoice, EveryChosenServiceIsAddedThenItsOwnPluginHearsOfIt) {
  const std::map<std::string, std::uint32_t> handles{{"One", one_}, {"Two", two_}, {"Room", room_}};
  request_->SetText1("abba");
  request_->SelectSource(GetParam().place);

  const auto outcome = request_->Send();

  ASSERT_EQ(outcome.fault, TRequestFault::None);
  EXPECT_EQ(outcome.searchID, 40);
  Strings expected{"core:open [abba] [] bitrate=0 min=0 max=0"};
  for (const auto& [plugin, service] : GetParam().asked) {
    const std::uint32_t handle = handles.at(service);
    expected.push_back("core:add " + H(handle));
    expected.push_back(Asked(plugin, handle, "40 [abba] [] mp3=1 max=0 min=0 bitrate=0"));
  }
  EXPECT_EQ(Events(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Places, SearchRequestChoice,
    ::testing::Values(ChoiceCase{"every_service_in_registration_order",
                                 0,
                                 {{"net.so", "One"}, {"chat.so", "Room"}, {"chat.so", "Two"}}},
                      ChoiceCase{
                          "a_type_with_services_of_two_plugins", 1, {{"net.so", "One"}, {"chat.so", "Two"}}},
                      ChoiceCase{"one_service", 3, {{"chat.so", "Two"}}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(SearchRequestTest, TextsGoAsTypedAndLimitsOnlyWhileTickedInEitherMode) {
  request_->SetText1(" Abba ");
  request_->SetText2("Waterloo");
  request_->MinimumSize = {true, 1000};
  request_->MaximumSize = {false, 5000};
  // Ticked in MP3 mode, then the mode changes: the bitrate still counts.
  request_->MinimumBitrate = {true, 128};
  request_->SetMP3Search(false);
  request_->SelectSource(2);

  ASSERT_EQ(request_->Send().fault, TRequestFault::None);

  EXPECT_EQ(Events(),
            (Strings{"core:open [ Abba ] [Waterloo] bitrate=128 min=1000 max=0", "core:add " + H(one_),
                     Asked("net.so", one_, "40 [ Abba ] [Waterloo] mp3=0 max=0 min=1000 bitrate=128")}));
}

struct FaultCase {
  const char* name;
  bool mp3;
  std::string text1;
  std::string text2;
  bool chosen;
  TRequestFault fault;
};

class SearchRequestFault : public SearchRequestTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(SearchRequestFault, AFaultyRequestOpensNothing) {
  request_->SetMP3Search(GetParam().mp3);
  request_->SetText1(GetParam().text1);
  request_->SetText2(GetParam().text2);
  if (GetParam().chosen) request_->Prepare();

  EXPECT_EQ(request_->Send().fault, GetParam().fault);

  if (GetParam().fault == TRequestFault::None) {
    EXPECT_FALSE(Events().empty());
  } else {
    EXPECT_EQ(Events(), Strings{});
    EXPECT_EQ(request_->History1(), Strings{});
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SearchRequestFault,
    ::testing::Values(FaultCase{"both_empty", true, "", "", true, TRequestFault::NoSearchText},
                      FaultCase{"both_blank", true, " \t", "  ", true, TRequestFault::NoSearchText},
                      FaultCase{"hidden_title_counts", false, "", "title", true, TRequestFault::None},
                      FaultCase{"no_place_chosen", true, "x", "", false, TRequestFault::NoSource}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(SearchRequestFaultMessage, OnlyMissingTextsAreToldToTheUser) {
  const std::optional<TTextId> missing = FaultMessage(TRequestFault::NoSearchText);
  ASSERT_TRUE(missing.has_value());
  EXPECT_EQ(missing->section, "SearchRequest");
  EXPECT_EQ(missing->id, "00014");
  EXPECT_FALSE(FaultMessage(TRequestFault::NoSource).has_value());
}

TEST_F(SearchRequestTest, AServiceWhosePluginLacksTheEventIsStillAsked) {
  TPluginHolder mute("/nowhere/mute.so", "MUTE.SO");
  const std::uint32_t type = services_.AddType(&mute, "Mute", "", TGuid{});
  const std::uint32_t service = services_.AddService(&mute, type, "Quiet", "", "", 0, TGuid{});
  request_->SetText1("x");
  request_->SelectSource(static_cast<int>(request_->Sources().size()) - 1);

  ASSERT_EQ(request_->Send().fault, TRequestFault::None);

  EXPECT_EQ(Events(), (Strings{"core:open [x] [] bitrate=0 min=0 max=0", "core:add " + H(service)}));
  services_.RemoveType(&mute, type);
}

TEST_F(SearchRequestTest, EveryServiceWithNoneRegisteredStillOpensASearch) {
  TServiceRegistry empty(temp_.Path());
  TSearchRequest request(empty, opener_, settings_);
  request.SetText1("x");
  request.Prepare();

  ASSERT_EQ(request.Send().fault, TRequestFault::None);

  EXPECT_EQ(Events(), Strings{"core:open [x] [] bitrate=0 min=0 max=0"});
}

struct HistoryCase {
  const char* name;
  bool keep;
  bool remember;
  Strings history;
  std::string textAfter;
};

class SearchRequestHistory : public SearchRequestTest, public ::testing::WithParamInterface<HistoryCase> {};

TEST_P(SearchRequestHistory, TwoSendsOfOneText) {
  settings_.KeepHistory = GetParam().keep;
  settings_.RememberLastRequest = GetParam().remember;
  request_->Prepare();
  for (int i = 0; i < 2; ++i) {
    request_->SetText1("x");
    request_->SetText2(" ");
    ASSERT_EQ(request_->Send().fault, TRequestFault::None);
  }
  EXPECT_EQ(request_->History1(), GetParam().history);
  EXPECT_EQ(request_->History2(), Strings{});
  EXPECT_EQ(request_->Text1(), GetParam().textAfter);
}

INSTANTIATE_TEST_SUITE_P(Settings, SearchRequestHistory,
                         ::testing::Values(HistoryCase{"kept_twice", true, true, {"x", "x"}, "x"},
                                           HistoryCase{"not_kept", false, true, {}, "x"},
                                           HistoryCase{"fields_cleared", true, false, {"x", "x"}, ""}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(SearchRequestTest, SettingsAndClearingEmptyWhatTheySay) {
  temp_.WriteFile("SearchHistory1.dat", "a\r\n");
  temp_.WriteFile("SearchHistory2.dat", "b\r\n");
  request_->LoadSearchHistory(temp_.Path());
  request_->SetText1("t1");
  request_->SetText2("t2");

  TSearchingSettings searching;
  searching.KeepHistory = true;
  searching.RememberLastRequest = false;
  request_->SearchingSettingsLoaded(searching);
  EXPECT_EQ(request_->History1(), Strings{"a"});
  EXPECT_EQ(request_->Text1() + request_->Text2(), "");

  searching.KeepHistory = false;
  searching.RememberLastRequest = true;
  request_->SetText1("t1");
  request_->ApplyHistorySettings(searching);
  EXPECT_EQ(request_->History1(), Strings{});
  EXPECT_EQ(request_->History2(), Strings{});
  EXPECT_EQ(request_->Text1(), "t1");

  request_->LoadSearchHistory(temp_.Path());
  request_->ClearSearchHistory();
  EXPECT_EQ(request_->History1().size() + request_->History2().size(), 0u);
  EXPECT_EQ(request_->Text1(), "");
}

}  // namespace
}  // namespace kp
