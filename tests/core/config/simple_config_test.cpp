#include "core/config/simple_config.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <string_view>
#include <utility>

#include "core/config/global_stores.h"
#include "support/temp_folder.h"

namespace kp {
namespace {

using namespace std::string_view_literals;

// The whole store on one line: "[name]" then "key=value;" for each pair, in order.
std::string Dump(const TSimpleConfig& config) {
  std::string out;
  for (std::size_t s = 0; s < config.SectionCount(); ++s) {
    out += "[" + config.SectionNameAt(s) + "]";
    const TSectionObject& section = config.SectionAt(s);
    for (std::size_t k = 0; k < section.Count(); ++k) out += section.KeyAt(k) + "=" + section.ValueAt(k) + ";";
  }
  return out;
}

TSimpleConfig Parse(std::string_view text) {
  TSimpleConfig config;
  config.LoadFromText(text);
  return config;
}

TEST(SimpleConfigReader, StoresQuotedPairsInTheirSections) {
  EXPECT_EQ(Dump(Parse("[A]\r\nx = \"1\"\r\nX = \"2\"\r\n")), "[A]x=2;")
      << "a later duplicate replaces the value; the key keeps its first spelling";
  EXPECT_EQ(Dump(Parse("[S]\nk1=\"a\"\nk2   =\t  \"b\"\nk3 = junk \"c\"\n")), "[S]k1=a;k2=b;k3=c;");
  EXPECT_EQ(Dump(Parse("[S]\rp = \"1\" q = \"2\"\r[T]\r\nr = \"\"")), "[S]p=1;q=2;[T]r=;")
      << "CR alone breaks lines, two pairs share a line, an empty value is a value";
  EXPECT_EQ(Dump(Parse("top = \"1\"\n[S]\nk = \"v\"")), "[]top=1;[S]k=v;");
  EXPECT_EQ(Dump(Parse("[S]\nk = \"a=[b] 'c'\"\nw]e\"ird = \"v\"")), "[S]k=a=[b] 'c';w]e\"ird=v;");
  EXPECT_EQ(Dump(Parse("[S]\na = \"1\"\n[Other]\nb = \"2\"\n[s]\nc = \"3\"")), "[S]a=1;c=3;[Other]b=2;")
      << "a header names an existing section without regard to case";
  EXPECT_EQ(Dump(Parse("[Long\r\nName]\r\nk = \"v\"")), "[Long\r\nName]k=v;");
  EXPECT_EQ(Dump(Parse("[S]\nmy key = \"v\"")), "[S]ey=v;")
      << "the second word, less its first character, becomes the key";
  EXPECT_EQ(Parse("[A]\nx = \"1\"\n[B]\ny = \"2\"\n[Empty]\n").CurrentSection(), "B");
}

TEST(SimpleConfigReader, SkipsWhatItCannotPair) {
  EXPECT_EQ(Dump(Parse("[S]\nunquoted = value\nopen = \"no end\nbare\n; comment = x\n=\"x\"\n")), "");
  EXPECT_EQ(Dump(Parse("[S]\nk = \"one\ntwo\"\nm = \"ok\"")), "[S]m=ok;") << "a value may not span lines";
  EXPECT_EQ(Dump(Parse("[Empty]\n[Full]\nk = \"v\"\n[Trailing]\n")), "[Full]k=v;")
      << "a header without stored pairs creates no section";
  EXPECT_EQ(Dump(Parse("[S]\nk = \"v\"\0\nm = \"w\""sv)), "[S]k=v;") << "a NUL ends the text";
  EXPECT_EQ(Dump(Parse("[S]\na = \"1\"\n[Unclosed\nb = \"2\"")), "[S]a=1;");
  EXPECT_EQ(Dump(Parse("\"]= stray\n  \t\r\n")), "");
  EXPECT_EQ(Dump(Parse("")), "");
}

TEST(SimpleConfigWriter, WritesTheFileFormatByteForByte) {
  TSimpleConfig config;
  config.SelectSection("Searching");
  config.WriteBoolean("LimitResults", true);
  config.WriteInteger("MaximumResults", 500);
  config.SelectSection("Advanced");
  config.WriteBoolean("RememberLocation", false);
  EXPECT_EQ(config.SaveToText(),
            "[Searching]\r\nLimitResults = \"TRUE\"\r\nMaximumResults = \"500\"\r\n\r\n"
            "[Advanced]\r\nRememberLocation = \"FALSE\"\r\n");

  TSimpleConfig odd = Parse("top = \"1\"");
  odd.FindSection("Bare", true);
  EXPECT_EQ(odd.SaveToText(), "[]\r\ntop = \"1\"\r\n\r\n[Bare]\r\n");
  EXPECT_EQ(TSimpleConfig().SaveToText(), "");
}

TEST(SimpleConfigWriter, ParsedStoresSurviveARoundTripButValuesAreNotEscaped) {
  const TSimpleConfig first = Parse("lead = \"0\"\n[A]\nx=\"1\" y = junk\"2\"\r\n[b]\r\nz = \"\"\n[a]\nX = \"3\"\n");
  EXPECT_EQ(Dump(first), "[]lead=0;[A]x=3;y=2;[b]z=;");
  const TSimpleConfig second = Parse(first.SaveToText());
  EXPECT_EQ(Dump(second), Dump(first));
  EXPECT_EQ(second.SaveToText(), first.SaveToText());

  TSimpleConfig values;
  values.SelectSection("V");
  values.WriteString("quote", "say \"hi\"");
  values.WriteString("break", "one\r\ntwo");
  values.WriteString("kept", "  [x] = y  ");
  TSimpleConfig back = Parse(values.SaveToText());
  EXPECT_EQ(Dump(back), "[V]quote=say ;kept=  [x] = y  ;");
}

TEST(SimpleConfig, TypedReadsAndWritesUseTheSelectedSection) {
  TSimpleConfig config;
  EXPECT_FALSE(config.SelectSection("Net"));
  EXPECT_EQ(config.ReadString("Port"), "");
  EXPECT_EQ(config.ReadInteger("Port"), 0);
  EXPECT_FALSE(config.ReadBoolean("Port"));
  EXPECT_EQ(config.SectionCount(), 0u) << "reading creates nothing";

  config.WriteInteger("Port", -42);
  config.WriteInteger("Min", INT_MIN);
  EXPECT_TRUE(config.SelectSection("NET"));
  EXPECT_EQ(config.ReadString("port"), "-42");
  EXPECT_EQ(config.ReadInteger("MIN"), INT_MIN);
  config.WriteString("PORT", "8080");
  EXPECT_EQ(Dump(config), "[Net]Port=8080;Min=-2147483648;") << "replaced in place, first spelling kept";

  // Only the low 32 bits of the (64-bit) number in the text are kept.
  const std::pair<const char*, std::int32_t> integers[] = {
      {"4294967297", 1},   {"2147483648", INT_MIN},          {"4294967295", -1},
      {"-4294967297", -1}, {"99999999999999999999", -1}};
  for (const auto& [text, expected] : integers) {
    config.WriteString("n", text);
    EXPECT_EQ(config.ReadInteger("n"), expected) << text;
  }

  config.WriteBoolean("b", true);
  EXPECT_EQ(config.ReadString("b"), "TRUE");
  config.WriteString("b", " true ");
  EXPECT_TRUE(config.ReadBoolean("b"));
  config.WriteString("b", "T");
  EXPECT_FALSE(config.ReadBoolean("b"));
}

TEST(SimpleConfigFile, LoadAddsToTheStoreAndAnUnreadableFileChangesNothing) {
  test::TempFolder folder;
  TSimpleConfig config = Parse("[A]\nx = \"old\"\ny = \"keep\"");
  config.SelectSection("Elsewhere");
  const std::string before = config.SaveToText();
  EXPECT_FALSE(config.LoadFromFile(folder / "missing.cfg"));
  EXPECT_FALSE(config.LoadFromFile(folder.MakeFolder("folder")));
  EXPECT_EQ(config.SaveToText(), before);
  EXPECT_EQ(config.CurrentSection(), "Elsewhere");

  EXPECT_TRUE(config.LoadFromFile(folder.WriteFile("a.cfg", "[a]\r\nX = \"new\"\r\n[B]\r\nz = \"1\"\r\n")));
  EXPECT_EQ(Dump(config), "[A]x=new;y=keep;[B]z=1;");
  EXPECT_EQ(config.CurrentSection(), "B");
  EXPECT_TRUE(config.LoadFromFile(folder.WriteFile("empty.cfg", "")));
  EXPECT_EQ(Dump(config), "[A]x=new;y=keep;[B]z=1;");
}

TEST(SimpleConfigFile, SaveWritesTheTextAndAnEmptyStoreRemovesTheFile) {
  test::TempFolder folder;
  const std::string path = folder / "Application4.cfg";
  TSimpleConfig config = Parse("[S]\nk = \"v\"");
  EXPECT_TRUE(config.SaveToFile(path));
  EXPECT_EQ(folder.ReadFile("Application4.cfg"), "[S]\r\nk = \"v\"\r\n");
  config.WriteString("k", "w");
  EXPECT_TRUE(config.SaveToFile(path));
  EXPECT_EQ(folder.ReadFile("Application4.cfg"), "[S]\r\nk = \"w\"\r\n");
  EXPECT_FALSE(config.SaveToFile(folder / "no/such/folder/x.cfg"));

  TSimpleConfig headerOnly;
  EXPECT_TRUE(headerOnly.LoadFromFile(folder.WriteFile("header.cfg", "[OnlyAHeader]\r\n")));
  EXPECT_EQ(headerOnly.SectionCount(), 0u);
  EXPECT_TRUE(headerOnly.SaveToFile(path));
  EXPECT_FALSE(folder.Exists("Application4.cfg"));
  EXPECT_TRUE(headerOnly.SaveToFile(path)) << "no file to delete is no failure";

  config.Clear();
  EXPECT_EQ(config.SectionCount(), 0u);
  EXPECT_EQ(config.ReadString("k"), "");
}

TEST(LanguageText, ReadsIdsOfTheSelectedSectionOnly) {
  TSimpleConfig language = Parse("[General]\n00001 = \"Edit\"\n[Main]\n00001 = \"File\"\n");
  SetLanguageSection("General", language);
  EXPECT_EQ(GetLanguageText("00001", language), "Edit");
  EXPECT_EQ(GetLanguageText("00002", language), "");
  SetLanguageSection("main", language);
  EXPECT_EQ(GetLanguageText("00001", language), "File");
  SetLanguageSection("Missing", language);
  EXPECT_EQ(GetLanguageText("00001", language), "") << "there is no fallback to another section";
}

}  // namespace
}  // namespace kp
