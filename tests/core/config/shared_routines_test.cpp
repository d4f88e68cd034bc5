#include "core/config/shared_routines.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "core/config/base64.h"
#include "core/config/text_basics.h"
#include "core/config/wildcard.h"
#include "core/platform/shell_services.h"
#include "support/temp_folder.h"
#include "support/wildcard_reference.h"

namespace kp {
namespace {

using namespace std::literals;
using Strings = std::vector<std::string>;

TEST(MatchWildcard, CornerCases) {
  EXPECT_TRUE(MatchWildcard("*.FPN", "plugin.fpn"));
  EXPECT_TRUE(MatchWildcard("a*b", "ab"));
  EXPECT_FALSE(MatchWildcard("*a", ""));
  EXPECT_TRUE(MatchWildcard("", "anything"));
  EXPECT_TRUE(MatchWildcard("", ""));
  EXPECT_TRUE(MatchWildcard("***", ""));
  EXPECT_FALSE(MatchWildcard("?", ""));
  EXPECT_FALSE(MatchWildcard("??", "x"));
  EXPECT_FALSE(MatchWildcard("?*", ""));
  EXPECT_TRUE(MatchWildcard("a?c", "ABC"));
  EXPECT_TRUE(MatchWildcard("*ab", "aab")) << "needs the star to take one more character";
  EXPECT_TRUE(MatchWildcard("a*b*c", "aXbYbZc"));
  EXPECT_FALSE(MatchWildcard("*.mp3", "song.mp3.txt"));
  EXPECT_FALSE(MatchWildcard("*.*", "noext"));
  EXPECT_FALSE(MatchWildcard("abc", "ab"));
  EXPECT_FALSE(MatchWildcard("ab", "abc"));
  EXPECT_TRUE(MatchWildcard("[x]", "[X]"));
  EXPECT_TRUE(MatchWildcard("a?c", "a*c")) << "the name's characters have no special meaning";
  EXPECT_FALSE(MatchWildcard("\xC3\x89", "\xC3\xA9")) << "only ASCII letters ignore case";
  EXPECT_FALSE(MatchWildcard("{", "[")) << "'{' and '[' differ by the case bit but are no letters";
}

TEST(MatchWildcard, PathologicalPatternsFinishQuickly) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(MatchWildcard("*a*a*a*a*a*a*a*b", std::string(64, 'a')));
  std::string manyStars;
  for (int i = 0; i < 40; ++i) manyStars += "*a";
  EXPECT_FALSE(MatchWildcard(manyStars + "b", std::string(20'000, 'a')));
  EXPECT_TRUE(MatchWildcard(manyStars + "b", std::string(20'000, 'a') + "b"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(MatchWildcard, AgreesWithAReferenceMatcher) {
  std::mt19937 random(20240611);
  const std::string patternChars = "ab*?A";
  const std::string nameChars = "abAB?*";
  auto generate = [&](const std::string& alphabet, std::size_t maxLength) {
    std::string text(std::uniform_int_distribution<std::size_t>(0, maxLength)(random), ' ');
    for (char& c : text) c = alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(random)];
    return text;
  };
  int matches = 0;
  for (int i = 0; i < 30'000; ++i) {
    const std::string pattern = generate(patternChars, 8);
    const std::string name = generate(nameChars, 10);
    const bool expected = test::ReferenceWildcardMatch(pattern, name);
    ASSERT_EQ(MatchWildcard(pattern, name), expected) << '"' << pattern << "\" against \"" << name << '"';
    matches += expected ? 1 : 0;
  }
  EXPECT_GT(matches, 1000) << "the generated pairs should match often enough to mean something";
}

TEST(Base64, EncodesTheStandardAlphabetWithALineBreakEverySixtyBytes) {
  EXPECT_EQ(Base64Encode(""), "");
  EXPECT_EQ(Base64Encode("f"), "Zg==");
  EXPECT_EQ(Base64Encode("fo"), "Zm8=");
  EXPECT_EQ(Base64Encode("foo"), "Zm9v");
  EXPECT_EQ(Base64Encode("foobar"), "Zm9vYmFy");
  EXPECT_EQ(Base64Encode("\xFB\xFF"), "+/8=");

  const std::string sixty = Base64Encode(std::string(60, 'x'));
  EXPECT_EQ(sixty.size(), 82u);
  EXPECT_EQ(sixty.substr(80), "\r\n") << "a full line ends with a break even at the very end";
  const std::string sixtyOne = Base64Encode(std::string(61, 'x'));
  EXPECT_EQ(sixtyOne.substr(80), "\r\neA==");
  EXPECT_EQ(Base64Encode(std::string(59, 'x')).find('\r'), std::string::npos);
  const std::string twoLines = Base64Encode(std::string(150, 'x'));
  EXPECT_EQ(twoLines.find("\r\n"), 80u);
  EXPECT_EQ(twoLines.find("\r\n", 82), 162u);
  EXPECT_EQ(twoLines.size(), 200u + 4u);
}

TEST(Base64, DecodeSkipsJunkAndKeepsZeroBytes) {
  EXPECT_EQ(Base64Decode("Zg=="), "f");
  EXPECT_EQ(Base64Decode("Zg"), "f");
  EXPECT_EQ(Base64Decode("Zm8="), "fo");
  EXPECT_EQ(Base64Decode("Zm8"), "fo");
  EXPECT_EQ(Base64Decode("Zm9vY"), "foo") << "a lone character completes no byte";
  EXPECT_EQ(Base64Decode("Zm9v\r\nYm Fy\n"), "foobar");
  EXPECT_EQ(Base64Decode("Z!m@9#v$Y%m^F&y"), "foobar");
  EXPECT_EQ(Base64Decode("+/8="), "\xFB\xFF");
  EXPECT_EQ(Base64Decode("AAAA"), std::string(3, '\0'));
  EXPECT_EQ(Base64Decode(""), "");

  const std::string zeros = "\0a\0\0b\0"s;
  EXPECT_EQ(Base64Decode(Base64Encode(zeros)), zeros);
  std::string everyByte;
  for (int i = 0; i < 256; ++i) everyByte += static_cast<char>(i);
  EXPECT_EQ(Base64Decode(Base64Encode(everyByte)), everyByte) << "spans several lines";

  std::mt19937 random(7);
  std::uniform_int_distribution<int> byte(0, 255);
  for (std::size_t length = 0; length <= 125; ++length) {
    std::string data(length, '\0');
    for (char& c : data) c = static_cast<char>(byte(random));
    const std::string text = Base64Encode(data);
    ASSERT_EQ(Base64Decode(text), data) << length;
    std::string unpadded;
    for (const char c : text) {
      if (c != '=') unpadded += c;
    }
    ASSERT_EQ(Base64Decode(unpadded), data) << length;
  }
}

TEST(SplitCommaList, TrimsPiecesKeepsEmptyOnesButNoneAfterAFinalComma) {
  EXPECT_EQ(SplitCommaList("mp3, wav,"), (Strings{"mp3", "wav"}));
  EXPECT_EQ(SplitCommaList("mp3,,wav"), (Strings{"mp3", "", "wav"}));
  EXPECT_EQ(SplitCommaList(" mp3 \t,\r\nwav\x01 "), (Strings{"mp3", "wav"}));
  EXPECT_EQ(SplitCommaList(""), Strings{});
  EXPECT_EQ(SplitCommaList(","), Strings{""});
  EXPECT_EQ(SplitCommaList(",a"), (Strings{"", "a"}));
  EXPECT_EQ(SplitCommaList("a,,"), (Strings{"a", ""}));
  EXPECT_EQ(SplitCommaList("a, "), (Strings{"a", ""})) << "a blank after the last comma is a piece";
}

TEST(ResolveIconFile, SearchesNamePluginFolderIconsFolderThenProgramFolder) {
  test::TempFolder app;
  const std::string plugin = app.MakeFolder("Plugins/Mine");
  const std::string pluginNoSlash = plugin.substr(0, plugin.size() - 1);
  const std::string inPlugin = app.WriteFile("Plugins/Mine/icon.png", "p");
  const std::string inIcons = app.WriteFile("Icons/icon.png", "i");
  const std::string inApp = app.WriteFile("icon.png", "a");

  EXPECT_EQ(ResolveIconFile("icon.png", plugin, app.Path()), inPlugin);
  EXPECT_EQ(ResolveIconFile("icon.png", pluginNoSlash, app.Path()), inPlugin);
  EXPECT_EQ(ResolveIconFile("icon.png", "", app.Path()), inIcons);
  std::filesystem::remove(inPlugin);
  EXPECT_EQ(ResolveIconFile("icon.png", plugin, app.Path()), inIcons);
  std::filesystem::remove(inIcons);
  app.MakeFolder("Icons/icon.png");
  EXPECT_EQ(ResolveIconFile("icon.png", plugin, app.Path()), inApp) << "a folder of that name is no icon";
  EXPECT_EQ(ResolveIconFile(inApp, plugin, "/nowhere/"), inApp);

  // A relative name that exists from the current folder is taken as it stands.
  const std::filesystem::path savedCurrent = std::filesystem::current_path();
  std::filesystem::current_path(app.MakeFolder("current"));
  app.WriteFile("current/icon.png", "c");
  const std::string fromCurrent = ResolveIconFile("icon.png", plugin, app.Path());
  std::filesystem::current_path(savedCurrent);
  EXPECT_EQ(fromCurrent, "icon.png");

  EXPECT_EQ(ResolveIconFile("missing.png", plugin, app.Path()), "missing.png");
  EXPECT_EQ(ResolveIconFile("RESOURCE://3", plugin, app.Path()), "RESOURCE://3");
  EXPECT_EQ(ResolveIconFile("", plugin, app.Path()), "");
}

TEST(CopyToFixedText, Copies254CharactersAtMostAndAlwaysEndsWithNul) {
  char field[kFixedTextSize];
  auto reset = [&] { std::memset(field, 'X', sizeof field); };

  reset();
  CopyToFixedText(field, std::string(300, 'a'));
  EXPECT_EQ(std::strlen(field), 254u);
  EXPECT_EQ(field[255], 'X') << "the last byte of the field is not written";

  reset();
  CopyToFixedText(field, "ab\0cd"sv);
  EXPECT_EQ(std::string(field), "ab");
  EXPECT_EQ(field[3], 'X');

  reset();
  CopyToFixedText(field, "");
  EXPECT_EQ(field[0], '\0');
  EXPECT_EQ(field[1], 'X');
  CopyToFixedText(nullptr, "ignored");
}

TEST(SecondsSince, WholeSecondsWithinTheIntegerRange) {
  using namespace std::chrono;
  const TimeStamp now = steady_clock::now();
  EXPECT_EQ(SecondsSince(now, now), 0);
  EXPECT_EQ(SecondsSince(now - milliseconds(1999), now), 1);
  EXPECT_EQ(SecondsSince(now - seconds(90), now), 90);
  EXPECT_EQ(SecondsSince(now + seconds(3), now), -3);
  EXPECT_EQ(SecondsSince(now - hours(1'000'000), now), std::numeric_limits<std::int32_t>::max());
  const TimeStamp fiveSecondsAgo = steady_clock::now() - seconds(5);
  const std::int32_t elapsed = SecondsSince(fiveSecondsAgo);
  EXPECT_GE(elapsed, 5);
  EXPECT_LE(elapsed, 6);
}

TEST(ShellRoutines, ReachTheRecordingShell) {
  InstallShellServices(nullptr);
  TRecordingShell& shell = HeadlessShell();
  shell.Forget();
  const bool printed = shell.PrintMessages;
  shell.PrintMessages = false;

  ShellOpen("");
  ShellOpen(" \t\r\n");
  EXPECT_TRUE(shell.OpenRequests().empty()) << "blank texts open nothing";
  ShellOpen("/home/user/music/song.mp3");
  ShellOpen("https://example.org/page");
  ShellOpen("readme.txt");
  const auto opened = shell.OpenRequests();
  ASSERT_EQ(opened.size(), 3u);
  EXPECT_EQ(opened[0].target, "/home/user/music/song.mp3");
  EXPECT_EQ(opened[0].workingFolder, "/home/user/music/");
  EXPECT_EQ(opened[1].target, "https://example.org/page");
  EXPECT_EQ(opened[2].workingFolder, "");

  ShowTextMessage("Port 6346 is closed.");
  EXPECT_EQ(shell.Messages(), Strings{"Port 6346 is closed."});

  shell.PrintMessages = printed;
  shell.Forget();
}

TEST(GetVersionText, FourNumbersJoinedByDots) {
  const std::string version = GetVersionText();
  EXPECT_TRUE(std::regex_match(version, std::regex(R"(\d+\.\d+\.\d+\.\d+)"))) << version;
}

}  // namespace
}  // namespace kp
