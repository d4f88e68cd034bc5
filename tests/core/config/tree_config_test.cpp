#include "core/config/tree_config.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/stat.h>

#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/file_io.h"
#include "support/temp_folder.h"

namespace kp {
namespace {

// A node's children on one line: folders "!name[VALUE=text;]{children}" first,
// then entries "name[VALUE=text;]", separated by blanks.
std::string Dump(const TConfigNode& node) {
  std::string out;
  auto values = [&out](const TConfigNode& n) {
    if (n.valueNames.empty()) return;
    out += "[";
    for (std::size_t i = 0; i < n.valueNames.size(); ++i) out += n.valueNames[i] + "=" + n.valueTexts[i] + ";";
    out += "]";
  };
  for (const auto& folder : node.folders) {
    out += (out.empty() ? "!" : " !") + folder.node->name;
    values(*folder.node);
    if (!folder.node->folders.empty() || !folder.node->entries.empty()) out += "{" + Dump(*folder.node) + "}";
  }
  for (const auto& entry : node.entries) {
    out += (out.empty() ? "" : " ") + entry.node->name;
    values(*entry.node);
  }
  return out;
}

std::string Parse(std::string_view text) {
  TConfig config;
  config.LoadFromBuffer(text);
  return Dump(config.Root());
}

TEST(TreeConfigReader, BuildsFoldersEntriesAndValuesInFileOrder) {
  EXPECT_EQ(Parse("<!MAIN_MENU>\r\n  <!ITEM Command=\"OPEN\" Text='Open file'>\r\n  <!/ITEM>\r\n<!/MAIN_MENU>\r\n"
                  "<BUTTON Icon=open.png>"),
            "!MAIN_MENU{!ITEM[COMMAND=OPEN;TEXT=Open file;]} BUTTON[ICON=open.png;]");
  EXPECT_EQ(Parse("<!A><B x=1><!A><!\\a><!/A><B x=2 X=3><B>"), "!A{!A B[X=1;]} B[X=2;X=3;] B")
      << "duplicates are all kept; a backslash closes too; a folder closes whatever case its name has";
  EXPECT_EQ(Parse("<E a=\"x\"\r\n\t b\t='y'  my key=z>"), "E[A=x;B=y;MY KEY=z;]")
      << "value names are trimmed of blanks and control characters at both ends only";
}

TEST(TreeConfigReader, FolderEndTagsCloseOnlyTheCurrentFolderByName) {
  EXPECT_EQ(Parse("<!A><!B><!/A><E><!/B><F><!/A><G>"), "!A{!B{E} F} G") << "a mismatched end tag is ignored";
  EXPECT_EQ(Parse("<!A><!/A ><E>"), "!A{E}") << "a blank before the \">\" belongs to the name";
  EXPECT_EQ(Parse("<!/ROOT><!/><E>"), "E");
  EXPECT_EQ(Parse("<!A><!B><E>"), "!A{!B{E}}") << "unclosed folders hold the rest of the input";
  EXPECT_EQ(Parse("<!A></A><E>"), "!A{/A E}") << "only the exclamation-mark form closes a folder";
}

TEST(TreeConfigReader, QuotesAndOddValues) {
  EXPECT_EQ(Parse("<E a=\"it's\" b=2><F b='say \"hi\"'>"), "E[A=it;S\" B=2;] F[B=say ;]")
      << "either quote ends a quoted text, and what follows runs into the next value's name";
  EXPECT_EQ(Parse("<E a=\"x>y\" b=\"2\"><F>"), "E F") << "\">\" in a quoted text drops it and ends the tag";
  EXPECT_EQ(Parse("<E a=> <F b= c=1 d=\"\">"), "E F[B= c=1;D=;]");
  EXPECT_EQ(Parse("<E a=\"1\"junk b=\"2\" c=3 =4>"), "E[A=1;JUNK B=2;C=3;=4;]");
  EXPECT_EQ(Parse("<ENTRY\r\nnext=1> <!DIR\n<ITEM x=1>"), "!DIR\n<ITEM[X=1;] ENTRY\r\nnext=1")
      << "names run over line breaks up to the next blank or \">\"";
  EXPECT_EQ(Parse("< > <> <!> <!!a>"), "!!a  ");
}

TEST(TreeConfigReader, TextOutsideTagsIsComment) {
  EXPECT_EQ(Parse("# hash\n// slashes <E> ; semicolon = \"x\"\n> stray > signs\n"), "E");
  EXPECT_EQ(Parse("<!-- a note --> <E>"), "!--{E}") << "markup-style comments are folder tags here";
}

TEST(TreeConfigReader, OverlongNamesAndValuesAreEmptiedAndCollectionGoesOn) {
  const std::string full(kMaxTreeConfigText, 'n');
  EXPECT_EQ(Parse("<" + full + ">"), full);
  EXPECT_EQ(Parse("<" + full + "xyz v=1>"), "yz[V=1;]");
  EXPECT_EQ(Parse("<E v=\"" + full + "\">"), "E[V=" + full + ";]");
  EXPECT_EQ(Parse("<E v=" + full + "xyz w='" + full + "ab'>"), "E[V=yz;W=b;]");
  EXPECT_EQ(Parse("<!" + full + "x><E>"), "!{E}") << "an emptied folder name gives a folder without a name";
}

TEST(TreeConfigReader, PiecesGiveTheSameTreeAsOneBuffer) {
  const std::vector<std::string> inputs = {
      "<!MAIN_MENU>\n<!ITEM Command=\"OPEN\" Text='Open'>\n<!/ITEM>\n<!SUB x=1><E a=\"q>\" b=c>\n<!\\SUB><!/MAIN_MENU>",
      "<E a=\"it's\"junk b=''> <!-- x --> <!/-- ><F\r\nG=1 h=\"2\">text<!/-->",
      "<" + std::string(kMaxTreeConfigText + 5, 'x') + " v='" + std::string(kMaxTreeConfigText - 1, 'y') + "'>",
  };
  std::mt19937 random(20240611);
  for (const std::string& input : inputs) {
    const std::string whole = Parse(input);
    for (int round = 0; round < 100; ++round) {
      TConfig config;
      config.BeginLoad();
      std::size_t pos = 0;
      while (pos < input.size()) {
        const std::size_t length = std::uniform_int_distribution<std::size_t>(0, round % 2 ? 3 : 40)(random);
        config.LoadPiece(std::string_view(input).substr(pos, length));
        pos += length;
      }
      config.EndLoad();
      ASSERT_EQ(Dump(config.Root()), whole) << "round " << round;
    }
  }
}

TEST(TreeConfigCursor, WalksFoldersByPathAndIndex) {
  TConfig config;
  config.LoadFromBuffer("<!Menu v=m><!Sub v=s><!Deep v=d><!/Deep><!/Sub><!..><!/..><!Sub v=second><!/Sub><!/Menu><!Other>");
  EXPECT_TRUE(config.GoTo("\\menu\\SUB\\"));
  EXPECT_EQ(config.ReadValue("V"), "s") << "the first of two folders with one name";
  EXPECT_TRUE(config.GoTo("deep"));
  EXPECT_EQ(config.ReadValue("v"), "d");
  EXPECT_FALSE(config.GoTo("\\Menu\\Missing"));
  EXPECT_FALSE(config.GoTo("Sub"));
  EXPECT_EQ(config.Current().name, "Deep") << "a failed path changes nothing";
  EXPECT_TRUE(config.GoTo(""));
  EXPECT_EQ(config.Current().name, "Deep");
  config.GoUp();
  EXPECT_EQ(config.ReadValue("v"), "s");
  EXPECT_TRUE(config.GoTo("\\"));
  EXPECT_EQ(&config.Current(), &config.Root());
  config.GoUp();
  EXPECT_EQ(&config.Selected(), &config.Root());
  EXPECT_TRUE(config.GoTo("Menu\\..")) << "\"..\" is a folder name like any other";
  EXPECT_FALSE(config.GoTo("\\Menu\\."));

  ASSERT_TRUE(config.GoTo("\\Menu"));
  ASSERT_EQ(config.FolderCount(), 3u);
  EXPECT_FALSE(config.EnterFolder(3));
  EXPECT_TRUE(config.EnterFolder(2));
  EXPECT_EQ(config.ReadValue("v"), "second");
  EXPECT_EQ(config.FolderCount(), 0u);
}

TEST(TreeConfigCursor, SelectsEntriesAndAddsMissingOnes) {
  TConfig config;
  config.LoadFromBuffer("<!Bar><Button Icon=a><Button Icon=b><!/Bar><Top t=1>");
  EXPECT_EQ(config.EntryCount(), 1u);
  EXPECT_EQ(config.SelectEntryAt(0), "Top");
  EXPECT_EQ(config.ReadValue("T"), "1");
  ASSERT_TRUE(config.GoTo("\\BAR"));
  EXPECT_EQ(config.SelectEntryAt(1), "Button");
  EXPECT_EQ(config.ReadValue("icon"), "b");
  EXPECT_EQ(config.SelectEntryAt(2), "");
  EXPECT_EQ(config.ReadValue("icon"), "b") << "an index out of range keeps the selection";
  EXPECT_TRUE(config.SelectEntry("BUTTON"));
  EXPECT_EQ(config.ReadValue("icon"), "a");
  EXPECT_TRUE(config.SelectEntry("Missing"));
  EXPECT_EQ(config.ReadValue("icon"), "");
  EXPECT_EQ(config.EntryCount(), 3u);
  EXPECT_EQ(config.SelectEntryAt(2), "Missing");
}

TEST(TreeConfigFile, ReadsInPiecesAndReportsFailures) {
  test::TempFolder folder;
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "<!F" + std::to_string(i) + " v='" + std::to_string(i) + "'><E x=1><!/F" +
                                         std::to_string(i) + ">\n";
  ASSERT_GT(text.size(), 3 * kTreeConfigPieceSize);
  TConfig config;
  config.LoadFromFile(folder.WriteFile("Layout.cfg", text));
  EXPECT_EQ(Dump(config.Root()), Parse(text));
  EXPECT_EQ(config.FolderCount(), 3000u);

  auto codeOf = [&config](const std::string& path) {
    try {
      config.LoadFromFile(path);
    } catch (const EConfig& error) {
      EXPECT_EQ(std::string(error.what()), "Config Exception " + std::to_string(error.Code()));
      return error.Code();
    }
    return 0;
  };
  EXPECT_EQ(codeOf(folder / "missing.cfg"), -2);
  EXPECT_EQ(config.FolderCount(), 0u) << "the previous tree is gone";
  EXPECT_EQ(codeOf(folder.MakeFolder("sub")), -2);
  ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
  EXPECT_EQ(codeOf(folder / "pipe"), -2) << "a named pipe is refused, not waited on";
  EXPECT_EQ(codeOf(folder.WriteFile("empty.cfg", "")), 0);
  std::filesystem::resize_file(folder.WriteFile("huge.cfg", "<E>"), kMaxDataFileSize + 1);
  EXPECT_EQ(codeOf(folder / "huge.cfg"), -2) << "larger than any data file of the program";
  EXPECT_EQ(config.EntryCount(), 0u);

  // Kernel attribute files promise 4096 bytes and deliver fewer.
  struct stat info {};
  const char* promising = "/sys/devices/system/cpu/online";
  if (::stat(promising, &info) != 0 || info.st_size <= 64) GTEST_SKIP() << "no file that ends before its size";
  EXPECT_EQ(codeOf(promising), -1);
}

// Runs work on a thread with a stack far too small for 100,000 levels of recursion.
template <class Work>
void RunOnSmallStack(Work work) {
  pthread_attr_t attributes;
  ASSERT_EQ(::pthread_attr_init(&attributes), 0);
  ASSERT_EQ(::pthread_attr_setstacksize(&attributes, 256 * 1024), 0);
  pthread_t thread;
  auto run = [](void* argument) -> void* {
    (*static_cast<Work*>(argument))();
    return nullptr;
  };
  ASSERT_EQ(::pthread_create(&thread, &attributes, run, &work), 0);
  ::pthread_join(thread, nullptr);
  ::pthread_attr_destroy(&attributes);
}

TEST(TreeConfigLimits, DeepNestingAndHugeInputStayBounded) {
  std::string deep;
  for (int i = 0; i < 100'000; ++i) deep += "<!f>";
  std::size_t depth = 0;
  std::string innermost;
  RunOnSmallStack([&] {
    TConfig config;
    config.LoadFromBuffer(deep + "<E>");
    while (config.EnterFolder(0)) ++depth;
    innermost = config.SelectEntryAt(0);
    config.LoadFromBuffer(deep);  // takes the first tree apart, and the second one goes with config
  });
  EXPECT_EQ(depth, 100'000u);
  EXPECT_EQ(innermost, "E");

  std::string many = "<E";
  for (std::size_t i = 0; i < kMaxTreeConfigItems; ++i) many += " v=1";
  TConfig config;
  config.LoadFromBuffer(many + "><After>");
  ASSERT_EQ(config.EntryCount(), 1u) << "reading stops once the tree holds the most items allowed";
  EXPECT_EQ(config.Root().entries[0].node->valueNames.size(), kMaxTreeConfigItems - 1);
}

}  // namespace
}  // namespace kp
