// The history of the search texts: its files as another program or an older
// run may have left them, what is written back, and how a sent text enters a
// list.
#include "core/search/search_history.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/search/search_request.h"
#include "support/temp_folder.h"

namespace kp {
namespace {

using Strings = std::vector<std::string>;

// The files are the request's; no search is sent here.
class NoSearches final : public ISearchOpener {
 public:
  std::int32_t OpenSearch(std::string_view, std::string_view, std::int32_t, std::int64_t,
                          std::int64_t) override {
    ADD_FAILURE() << "no search was to open";
    return 0;
  }
  void AddService(std::uint32_t) override { ADD_FAILURE() << "no service was to be asked"; }
};

struct ParseCase {
  const char* name;
  std::string content;
  Strings entries;
};

class HistoryParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(HistoryParse, EveryLineEndEndsAnEntry) {
  EXPECT_EQ(ParseHistory(GetParam().content), GetParam().entries);
}

INSTANTIATE_TEST_SUITE_P(
    LineEnds, HistoryParse,
    ::testing::Values(ParseCase{"empty", "", {}}, ParseCase{"crlf_no_final_end", "a\r\nb", {"a", "b"}},
                      ParseCase{"lone_cr_no_final_end", "a\rb", {"a", "b"}},
                      ParseCase{"lone_lf", "a\nb\n", {"a", "b"}},
                      ParseCase{"empty_lines_are_entries", "a\r\n\r\n\nb", {"a", "", "", "b"}},
                      ParseCase{"cr_then_crlf", "a\r\r\nb", {"a", "", "b"}},
                      ParseCase{"blanks_kept", " x \r\n", {" x "}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(HistoryFiles, ReadWithoutAFinalEndAndWrittenBackWithCrLf) {
  test::TempFolder folder;
  folder.WriteFile("SearchHistory1.dat", "a\r\nb");
  const TSearchingSettings settings;
  TServiceRegistry registry(folder.Path());
  NoSearches opener;
  TSearchRequest request(registry, opener, settings);

  // The missing second file is an empty list and does not stop the first.
  request.LoadSearchHistory(folder.Path());
  EXPECT_EQ(request.History1(), (Strings{"a", "b"}));
  EXPECT_EQ(request.History2(), Strings{});

  ASSERT_TRUE(request.SaveSearchHistory(folder.Path()));
  EXPECT_EQ(folder.ReadFile("SearchHistory1.dat"), "a\r\nb\r\n");
  EXPECT_TRUE(folder.Exists("SearchHistory2.dat"));
  EXPECT_EQ(folder.ReadFile("SearchHistory2.dat"), "");
}

TEST(HistoryFiles, AnUntrustedFileIsBounded) {
  test::TempFolder folder;
  const std::string tooLarge = folder.WriteFile("large.dat", std::string(kMaxHistoryFileSize + 1, 'x'));
  EXPECT_EQ(ReadHistoryFile(tooLarge), Strings{});

  std::string manyLines = "newest\n";
  for (std::size_t i = 0; i < kMaxHistoryEntries; ++i) manyLines += "old\n";
  const Strings entries = ReadHistoryFile(folder.WriteFile("many.dat", manyLines));
  ASSERT_EQ(entries.size(), kMaxHistoryEntries);
  EXPECT_EQ(entries.front(), "newest");
}

TEST(HistoryFiles, ALineEndInsideAnEntryDoesNotSplitItOnTheNextRead) {
  EXPECT_EQ(ParseHistory(FormatHistory({"a\r\nb", ""})), (Strings{"a  b", ""}));
}

struct AddCase {
  const char* name;
  Strings before;
  std::string text;
  std::int32_t maximum;
  Strings after;
};

class HistoryAdd : public ::testing::TestWithParam<AddCase> {};

TEST_P(HistoryAdd, NewestOnTopAndAtMostOneEntryDropped) {
  Strings entries = GetParam().before;
  AddToHistory(entries, GetParam().text, GetParam().maximum);
  EXPECT_EQ(entries, GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, HistoryAdd,
    ::testing::Values(AddCase{"full_list_loses_its_oldest", {"c", "b", "a"}, "d", 3, {"d", "c", "b"}},
                      AddCase{"lowered_maximum_drops_only_one",
                              {"9", "8", "7", "6", "5", "4", "3", "2", "1", "0"},
                              "n",
                              3,
                              {"n", "9", "8", "7", "6", "5", "4", "3", "2", "1"}},
                      AddCase{"same_text_listed_again", {"x"}, "x", 10, {"x", "x"}},
                      AddCase{"kept_with_its_blanks", {}, " x ", 10, {" x "}},
                      AddCase{"blank_text_not_added", {"a"}, " \t", 10, {"a"}},
                      AddCase{"maximum_zero_keeps_nothing_new", {}, "x", 0, {}}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace kp
