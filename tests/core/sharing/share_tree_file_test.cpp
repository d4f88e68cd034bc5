#include "core/sharing/share_tree_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/sharing/share_manager.h"
#include "support/temp_folder.h"

namespace kp {
namespace {

namespace fs = std::filesystem;

// The whole tree, depth first in list order, as "virtual path <- real path".
std::vector<std::string> Dump(const TShareManager& manager) {
  std::vector<std::string> lines;
  std::vector<std::shared_ptr<TShareDirectory>> stack{manager.Root()};
  while (!stack.empty()) {
    const auto directory = stack.back();
    stack.pop_back();
    if (!directory->IsRoot()) lines.push_back(directory->VirtualPath() + "/ <- " + directory->RealPath());
    for (const auto& file : directory->Files())
      lines.push_back(file->VirtualPath() + " <- " + file->RealPath());
    auto children = directory->Subdirectories();
    stack.insert(stack.end(), children.rbegin(), children.rend());
  }
  std::ranges::sort(lines);
  return lines;
}

TEST(ShareTreeFile, ComesBackWithoutADeletedSubfolderAndEverythingElseInPlace) {
  const test::TempFolder disk;
  disk.WriteFile("F/f.txt", "f");
  disk.WriteFile("F/G/g.txt", "g");
  disk.WriteFile("F/G/K/k.txt", "k");
  disk.WriteFile("F/H/h.txt", "h");
  disk.WriteFile("E/e.txt", "e");
  const std::string single = disk.WriteFile("T.txt", "t");
  const std::string saved = disk / "Shared.dat";
  {
    TShareManager manager;
    manager.AddFile(single, "T");
    manager.AddDirectory(disk / "E", "E", true, "*.txt");
    manager.AddDirectory(disk / "F", "F", true, "*.txt");
    auto all = manager.OpenResults("/", true);
    while (all->Next()) {
    }
    ASSERT_TRUE(manager.SaveShareTree(saved));
  }
  fs::remove_all(disk / "F/G");

  TShareManager manager;
  manager.AddFile(single, "stale entry, replaced by the load");
  ASSERT_TRUE(manager.LoadShareTree(saved));
  EXPECT_EQ(Dump(manager), (std::vector<std::string>{
                               "/E/ <- " + (disk / "E"),
                               "/E/e.txt <- " + (disk / "E/e.txt"),
                               "/F/ <- " + (disk / "F"),
                               "/F/H/ <- " + (disk / "F/H"),
                               "/F/H/h.txt <- " + (disk / "F/H/h.txt"),
                               "/F/f.txt <- " + (disk / "F/f.txt"),
                               "/T <- " + single,
                           }));
  const auto folder = manager.FindDirectory("/F");
  ASSERT_TRUE(folder);
  EXPECT_EQ(folder->Extensions(), "*.txt");
  EXPECT_TRUE(folder->IncludeSubdirectories());
  // Each load and save reverses the siblings (they come off a stack), so two
  // rounds give the same bytes again.
  const std::string again = manager.ShareTreeBytes();
  TShareManager reloaded;
  ASSERT_TRUE(reloaded.LoadShareTreeFromBytes(again));
  ASSERT_TRUE(reloaded.LoadShareTreeFromBytes(reloaded.ShareTreeBytes()));
  EXPECT_TRUE(reloaded.ShareTreeBytes() == again);
  EXPECT_EQ(Dump(reloaded), Dump(manager));
}

std::uint32_t U32At(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i)
    value |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + i])) << (8 * i);
  return value;
}

std::string TextAt(const std::string& bytes, std::size_t at) { return std::string(bytes.c_str() + at); }

TEST(ShareTreeFile, RecordsSitAtTheirOffsets) {
  const test::TempFolder disk;
  disk.WriteFile("D/a.mp3", "12345");
  const std::string single = disk.WriteFile("T.bin", "123");
  TShareManager manager;
  manager.AddDirectory(disk / "D", "Dir", true, "*.mp3,");
  manager.AddFile(single, "Top");
  ASSERT_TRUE(manager.FindFile("/Dir/a.mp3"));
  const std::string bytes = manager.ShareTreeBytes();

  ASSERT_EQ(bytes.size(), 9u + 2 * (4 + 793) + (4 + 1037));
  EXPECT_EQ(bytes.substr(0, 9), "SHARE_1_0");
  // The root's file first.
  EXPECT_EQ(U32At(bytes, 9), 0u);
  EXPECT_EQ(TextAt(bytes, 13), single);
  EXPECT_EQ(TextAt(bytes, 13 + 256), "Top");
  EXPECT_EQ(TextAt(bytes, 13 + 512), "/Top");
  EXPECT_EQ(bytes[13 + 768], 0);
  EXPECT_EQ(U32At(bytes, 13 + 781), 3u);
  double modified = 0;
  std::memcpy(&modified, bytes.data() + 13 + 785, 8);
  EXPECT_GT(modified, 40'000.0);  // days since 1899: some time after 2009
  // Then the directory with its count, flag and stamp.
  EXPECT_EQ(U32At(bytes, 806), 1u);
  EXPECT_EQ(TextAt(bytes, 810), disk / "D");
  EXPECT_EQ(TextAt(bytes, 810 + 256), "Dir");
  EXPECT_EQ(TextAt(bytes, 810 + 512), "/Dir");
  EXPECT_EQ(TextAt(bytes, 810 + 768), "*.mp3,");
  EXPECT_EQ(U32At(bytes, 810 + 1024), 1u);
  EXPECT_EQ(bytes[810 + 1028], 1);
  EXPECT_EQ(bytes.substr(810 + 1029, 8), std::string(8, '\0'));
  // Then its file.
  EXPECT_EQ(U32At(bytes, 1847), 0u);
  EXPECT_EQ(TextAt(bytes, 1851), disk / "D/a.mp3");
  EXPECT_EQ(TextAt(bytes, 1851 + 512), "/Dir/a.mp3");
  EXPECT_EQ(U32At(bytes, 1851 + 781), 5u);
}

TEST(ShareTreeFile, ForeignMissingAndTruncatedFiles) {
  const test::TempFolder disk;
  const std::string single = disk.WriteFile("T.bin", "t");
  disk.MakeFolder("D");
  TShareManager source;
  source.AddFile(single, "T");
  source.AddDirectory(disk / "D", "D", false, "*");
  const std::string bytes = source.ShareTreeBytes();

  TShareManager manager;
  ASSERT_TRUE(manager.LoadShareTreeFromBytes(bytes));
  EXPECT_FALSE(manager.LoadShareTree(disk / "missing.dat"));
  EXPECT_TRUE(manager.FindFile("/T"));  // a missing file leaves the tree alone

  // Cut inside the directory record: the file before it stays.
  ASSERT_TRUE(manager.LoadShareTreeFromBytes(std::string_view(bytes).substr(0, bytes.size() - 10)));
  EXPECT_TRUE(manager.FindFile("/T"));
  EXPECT_FALSE(manager.FindDirectory("/D"));

  EXPECT_FALSE(manager.LoadShareTreeFromBytes("SHARE_1_1" + bytes.substr(9)));
  EXPECT_TRUE(manager.Root()->Files(true).empty());
  EXPECT_FALSE(manager.FindFile("/T"));
}

}  // namespace
}  // namespace kp
