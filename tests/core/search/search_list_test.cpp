// The open searches: IDs, the tab limit, which results are accepted and how
// they group, completion, closing, and the record plugins read.
#include "core/search/search_list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "search_list_fixture.h"

namespace kp::test {
namespace {

std::string S(std::int64_t n) { return std::to_string(n); }

TEST_F(SearchListTest, IdsWrapAfter65000AndPassOverOnesStillOpen) {
  TSearchContext* keep = nullptr;
  TSearchContext* last = nullptr;
  for (int i = 0; i < 65001; ++i) {
    TSearchContext& search = Open();
    if (last) searches_.CloseSearch(*last);
    last = &search;
    if (search.SearchID == 1) {
      keep = &search;
      last = nullptr;
    }
  }
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(last->SearchID, 65000) << "the 65,001st search";
  EXPECT_EQ(Open().SearchID, 0) << "the counter wraps";
  ASSERT_EQ(searches_.FindSearch(1), keep);
  EXPECT_EQ(Open().SearchID, 2) << "1 is still open";
}

TEST_F(SearchListTest, TheTabLimitClosesTheOldestAndItsPluginsHearItBeforeTheNewSearchIsShown) {
  settings_.Searching.LimitResultTabs = true;
  settings_.Searching.MaximumResultTabs = 2;
  const TSearchPlugin a = Load("a.so");
  const TSearchPlugin b = Load("b.so");
  TSearchContext& first = Open();
  searches_.AddService(first, AddService(b));
  searches_.AddService(first, AddService(a));
  searches_.AddService(first, AddService(b));
  Open();
  kp_test_record_clear();
  view_.calls.clear();

  const TSearchContext& third = Open();
  EXPECT_EQ(Events(), (Strings{"b.so:OnSearchClose 0", "a.so:OnSearchClose 0"}))
      << "each plugin once, in order";
  EXPECT_EQ(view_.calls, (Strings{"closing 0", "opened 2"}));
  ASSERT_EQ(searches_.Searches().size(), 2u);
  EXPECT_EQ(searches_.Searches()[1], &third);
}

struct TabLimitCase {
  bool limit;
  std::int32_t maximum;
  int opened;
  std::vector<std::int32_t> left;
};
class SearchTabLimitTest : public SearchListTest, public ::testing::WithParamInterface<TabLimitCase> {};

TEST_P(SearchTabLimitTest, ClosesAtMostOneOlderSearchPerNewOne) {
  settings_.Searching.LimitResultTabs = GetParam().limit;
  settings_.Searching.MaximumResultTabs = GetParam().maximum;
  for (int i = 0; i < GetParam().opened; ++i) Open();
  std::vector<std::int32_t> left;
  for (const TSearchContext* search : searches_.Searches()) left.push_back(search->SearchID);
  EXPECT_EQ(left, GetParam().left);
}

INSTANTIATE_TEST_SUITE_P(Cases, SearchTabLimitTest,
                         ::testing::Values(TabLimitCase{true, 2, 3, {1, 2}}, TabLimitCase{true, 0, 1, {0}},
                                           TabLimitCase{true, 0, 3, {2}},
                                           TabLimitCase{false, 1, 3, {0, 1, 2}}));

TEST_F(SearchListTest, GroupedResultsKeepArrivingUntilTheLimitOfRowsIsReached) {
  settings_.Searching.LimitResults = true;
  settings_.Searching.MaximumResults = 3;
  settings_.Searching.GroupResults = true;
  const TSearchPlugin a = Load("a.so");
  const std::uint32_t service = AddService(a);
  TSearchContext& search = Open();
  for (const char* hash : {"h1", "h1", "h2", "H2", "h3", "h1", "h4"}) {
    TSearchPlugin::Result r;
    r.hashCode = hash;
    EXPECT_EQ(a.Add(service, search.SearchID, r), 0);
  }
  EXPECT_EQ(search.ResultCount, 3);
  ASSERT_EQ(search.Results.size(), 5u)
      << "the second h1 and H2 joined groups; h1 and h4 came after three rows";
  EXPECT_EQ(search.Results[1]->Parent, search.Results[0].get());
  EXPECT_EQ(search.Results[3]->Parent, search.Results[2].get());
  EXPECT_EQ(search.Results[0]->Children, (std::vector<TSearchResultHolder*>{search.Results[1].get()}));
  EXPECT_EQ(view_.calls.back(), "results 0 from 4");
}

struct FilterCase {
  const char* name;
  std::int64_t minimumSize, maximumSize;
  std::int32_t minimumBitrate;
  const char* filter;
  std::int32_t size, bitrate;
  const char* description;
  bool accepted;
};
class SearchFilterTest : public SearchListTest, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(SearchFilterTest, AcceptsOrDrops) {
  const FilterCase& c = GetParam();
  settings_.Searching.FilterExtensions.Assign(c.filter);
  const TSearchPlugin a = Load("a.so");
  const std::uint32_t service = AddService(a);
  TSearchContext& search = Open(c.minimumSize, c.maximumSize, c.minimumBitrate);
  TSearchPlugin::Result r;
  r.size = c.size;
  r.bitrate = c.bitrate;
  r.description = c.description;
  a.Add(service, search.SearchID, r);
  EXPECT_EQ(search.Results.size(), c.accepted ? 1u : 0u);
  EXPECT_EQ(search.ResultCount, c.accepted ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SearchFilterTest,
    ::testing::Values(FilterCase{"SizeAtTheMinimum", 100, 200, 0, "", 100, 0, "a.mp3", true},
                      FilterCase{"SizeAtTheMaximum", 100, 200, 0, "", 200, 0, "a.mp3", true},
                      FilterCase{"SizeBelowTheMinimum", 100, 200, 0, "", 99, 0, "a.mp3", false},
                      FilterCase{"SizeAboveTheMaximum", 100, 200, 0, "", 201, 0, "a.mp3", false},
                      FilterCase{"NoMaximum", 100, 0, 0, "", 2147483647, 0, "a.mp3", true},
                      FilterCase{"NegativeSizeFailsAPositiveMinimum", 1, 0, 0, "", -5, 0, "a.mp3", false},
                      FilterCase{"NegativeSizePassesWithoutMinimum", 0, 0, 0, "", -5, 0, "a.mp3", true},
                      FilterCase{"BitrateBelowTheMinimum", 0, 0, 128, "", 1, 127, "a.mp3", false},
                      FilterCase{"BitrateAtTheMinimum", 0, 0, 128, "", 1, 128, "a.mp3", true},
                      FilterCase{"NegativeBitratePassesWithoutMinimum", 0, 0, 0, "", 1, -1, "a.mp3", true},
                      FilterCase{"HiddenExtensionAnyCase", 0, 0, 0, "*.zip, *.exe", 1, 0, "SETUP.EXE", false},
                      FilterCase{"TrailingCommaHidesNothingElse", 0, 0, 0, "*.exe,", 1, 0, "a.mp3", true},
                      FilterCase{"EmptyPieceHidesNothingElse", 0, 0, 0, "*.exe,,*.zip", 1, 0, "a.mp3", true}),
    [](const ::testing::TestParamInfo<FilterCase>& row) { return std::string(row.param.name); });

TEST_F(SearchListTest, ResultsAfterTheLastCompletionAreDropped) {
  const TSearchPlugin a = Load("a.so");
  const std::uint32_t one = AddService(a);
  const std::uint32_t two = AddService(a);
  TSearchContext& search = Open();
  searches_.AddService(search, one);
  searches_.AddService(search, two);
  view_.calls.clear();

  EXPECT_EQ(a.Complete(one, search.SearchID), 0);
  EXPECT_EQ(a.Complete(one, search.SearchID + 1), 0) << "no such search";
  EXPECT_EQ(a.Complete(0x1234, search.SearchID), 0) << "no such service";
  a.Add(two, search.SearchID, {});
  EXPECT_EQ(search.Results.size(), 1u) << "two is still at work";
  a.Complete(two, search.SearchID);
  a.Add(two, search.SearchID, {});
  a.Add(one, search.SearchID, {});
  EXPECT_EQ(search.Results.size(), 1u);
  EXPECT_EQ(view_.calls,
            (Strings{"state 0 running pending 1", "results 0 from 0", "state 0 stopped pending 0"}));
  EXPECT_FALSE(searches_.AnySearching());
}

TEST_F(SearchListTest, ResultsForAnUnknownServiceOrSearchAreDropped) {
  const TSearchPlugin a = Load("a.so");
  const std::uint32_t service = AddService(a);
  TSearchContext& search = Open();
  EXPECT_EQ(a.Add(service + 16, search.SearchID, {}), 0);
  EXPECT_EQ(a.Add(service, search.SearchID + 1, {}), 0);
  EXPECT_TRUE(search.Results.empty());
}

TEST_F(SearchListTest, RemovingTheLastPendingServiceFinishesTheSearch) {
  const TSearchPlugin a = Load("a.so");
  const std::uint32_t service = AddService(a);
  TSearchContext& search = Open();
  searches_.AddService(search, service);
  a.Add(service, search.SearchID, {});
  services_.RemoveService(&a.Holder(), service);
  EXPECT_TRUE(search.Stopped);
  EXPECT_EQ(search.Results[0]->Service, nullptr);
  kp_test_record_clear();
  searches_.CloseSearch(search);
  EXPECT_EQ(Events(), Strings{"a.so:OnSearchClose 0"}) << "its plugin still hears the end";
}

TEST_F(SearchListTest, HashCodesGroupWithoutLetterCaseWithinATypeOnly) {
  settings_.Searching.GroupResults = true;
  const TSearchPlugin a = Load("a.so");
  const std::uint32_t type = AddType(a);
  const std::uint32_t first = AddService(a, type);
  const std::uint32_t sameType = AddService(a, type);
  const std::uint32_t otherType = AddService(a);
  TSearchContext& search = Open();
  const auto add = [&](std::uint32_t service, const char* hash) {
    TSearchPlugin::Result r;
    r.hashCode = hash;
    a.Add(service, search.SearchID, r);
    return search.Results.back()->Parent;
  };
  const TSearchResultHolder* head = (add(first, "AbC"), search.Results.back().get());
  EXPECT_EQ(add(sameType, "aBc"), head);
  EXPECT_EQ(add(otherType, "abc"), nullptr) << "another type";
  EXPECT_EQ(add(first, " abc"), nullptr) << "the key keeps the blanks as received";
  EXPECT_EQ(add(first, " "), nullptr);
  EXPECT_EQ(add(first, " "), nullptr) << "a blank hash groups nothing";
  EXPECT_EQ(search.ResultCount, 5);
}

TEST_F(SearchListTest, TheRecordHoldsTheResultAtItsOffsets) {
  const TSearchPlugin a = Load("a.so");
  const std::uint32_t service = AddService(a);
  TSearchContext& search = Open();
  TSearchPlugin::Result r;
  r.description = "Artist - Title.mp3";
  r.hashCode = "HASH";
  r.nick = "peer";
  r.size = -2;
  r.bitrate = 192;
  r.length = 245;
  r.frequency = 44100;
  r.url = "x://file";
  a.Add(service, search.SearchID, r);
  const TSearchResultHolder& result = *search.Results.at(0);
  EXPECT_EQ(result.Size, -2);

  const auto* bytes = reinterpret_cast<const unsigned char*>(static_cast<std::uintptr_t>(result.Handle()));
  const auto u32 = [&](std::size_t offset) {
    std::uint32_t value;
    std::memcpy(&value, bytes + offset, 4);
    return value;
  };
  const auto text = [&](std::size_t offset) {
    return std::string(reinterpret_cast<const char*>(static_cast<std::uintptr_t>(u32(offset))));
  };
  EXPECT_EQ(u32(0), service);
  EXPECT_EQ(u32(4), 0u);
  EXPECT_EQ(text(8), "Artist - Title.mp3");
  EXPECT_EQ(text(12), "HASH");
  EXPECT_EQ(text(16), "peer");
  EXPECT_EQ(u32(20), 0xFFFFFFFEu);
  EXPECT_EQ(u32(24), 192u);
  EXPECT_EQ(u32(28), 245u);
  EXPECT_EQ(u32(32), 44100u);
  EXPECT_EQ(bytes[36], 1u);
  EXPECT_EQ(text(37), "x://file");

  searches_.SelectResult(search, result);
  EXPECT_EQ(Events(),
            Strings{"a.so:select service=" + S(service) +
                    " reserved=0 desc=Artist - Title.mp3 hash=HASH nick=peer size=4294967294 bitrate=192 "
                    "length=245 frequency=44100 music=1 url=x://file"});
}

// A plugin's texts are kept to 4,096 bytes, never cutting a UTF-8 character.
TEST_F(SearchListTest, LongTextsAreCutBeforeACharacter) {
  const TSearchPlugin a = Load("a.so");
  const std::uint32_t service = AddService(a);
  TSearchContext& search = Open();
  TSearchPlugin::Result r;
  const std::string longText = std::string(4095, 'x') + "\xC3\xA9" + std::string(10'000, 'y');
  r.description = longText.c_str();
  a.Add(service, search.SearchID, r);
  EXPECT_EQ(search.Results.at(0)->Description, std::string(4095, 'x'));
}

TEST_F(SearchListTest, PluginCommandsGoToTheCurrentResultsTabOnTheMainThreadOnly) {
  temp_.WriteFile("Plugins/b.bmp", "BM");
  const TSearchPlugin a = Load("a.so");
  const std::uint32_t service = AddService(a);
  TSearchContext& search = Open();
  a.Add(service, search.SearchID, {});
  view_.calls.clear();
  EXPECT_EQ(a.MenuAdd(1, 0, "none yet"), 0u) << "no current results tab";
  a.ButtonAdd(1, "none yet");
  EXPECT_TRUE(view_.calls.empty());

  a.AddCommandsOnSelect(true);
  searches_.SelectResult(search, *search.Results[0]);
  EXPECT_EQ(searches_.CurrentResultsContext(), &search);
  EXPECT_EQ(view_.calls, (Strings{"button 0 a.so 7 Button " + temp_.Path() + "Plugins/b.bmp",
                                  "menu 0 a.so -1 under 0 Menu ", "menu 0 a.so 3 under 500 Sub "}));
  EXPECT_EQ(Events().back(), "a.so:menus 500 501");

  view_.calls.clear();
  std::uint32_t fromThread = 1;
  std::thread([&] { fromThread = a.MenuAdd(1, 0, "elsewhere"); }).join();
  EXPECT_EQ(fromThread, 0u);
  EXPECT_TRUE(view_.calls.empty());

  searches_.CloseSearch(search);
  EXPECT_EQ(searches_.CurrentResultsContext(), nullptr);
}

TEST_F(SearchListTest, ResultEventsGoToThePluginOfTheResultsService) {
  const TSearchPlugin a = Load("a.so");
  const TSearchPlugin b = Load("b.so");
  const std::uint32_t service = AddService(b);
  TSearchContext& search = Open();
  a.Add(service, search.SearchID, {});
  const TSearchResultHolder& result = *search.Results.at(0);
  const std::string handle = S(result.Handle());
  searches_.SendResultCommand(result, 5, true);
  searches_.SendResultCommand(result, -6, false);
  searches_.ExecuteResult(result);
  EXPECT_EQ(Events(),
            (Strings{"b.so:OnSearchResultMenu 5 " + handle, "b.so:OnSearchResultButton -6 " + handle,
                     "b.so:OnSearchResultExecute " + handle}));
}

TEST_F(SearchListTest, CloseAllEndsTheOldestFirst) {
  const TSearchPlugin a = Load("a.so");
  const TSearchPlugin b = Load("b.so");
  const std::uint32_t sa = AddService(a);
  const std::uint32_t sb = AddService(b);
  TSearchContext& first = Open();
  searches_.AddService(first, sa);
  TSearchContext& second = Open();
  searches_.AddService(second, sb);
  searches_.AddService(second, sa);
  kp_test_record_clear();
  searches_.CloseAll();
  EXPECT_EQ(Events(), (Strings{"a.so:OnSearchClose 0", "b.so:OnSearchClose 1", "a.so:OnSearchClose 1"}));
  EXPECT_TRUE(searches_.Searches().empty());
}

}  // namespace
}  // namespace kp::test
