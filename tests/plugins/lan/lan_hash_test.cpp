#include "lan_hash.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "lan_files.h"
#include "support/temp_folder.h"

namespace {

void Write(const std::string& path, const std::string& bytes) {
  ASSERT_TRUE(lan::WriteFileAtomically(path, bytes));
}

TEST(LanHash, KnownDigestsInOneGoAndInPieces) {
  lan::Sha256 whole;
  whole.Update("abc", 3);
  EXPECT_EQ(whole.FinishHex(), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  // After a digest the hasher starts afresh: an empty input.
  EXPECT_EQ(whole.FinishHex(), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  lan::Sha256 pieces;
  pieces.Update("a", 1);
  pieces.Update("bc", 2);
  EXPECT_EQ(pieces.FinishHex(), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(LanHash, FilePrefixAndShortFile) {
  kp::test::TempFolder folder;
  const std::string path = folder / "f";
  Write(path, "abcdef");
  const int fd = ::open(path.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  lan::Sha256 prefix;
  EXPECT_TRUE(lan::HashFileDescriptor(fd, 3, prefix));
  EXPECT_EQ(prefix.FinishHex(), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  lan::Sha256 tooLong;
  EXPECT_FALSE(lan::HashFileDescriptor(fd, 7, tooLong));
  const std::atomic<bool> stopped{true};
  lan::Sha256 abandoned;
  EXPECT_FALSE(lan::HashFileDescriptor(fd, 3, abandoned, &stopped));
  ::close(fd);
}

TEST(LanHash, CacheFollowsChangesAndRefusesWhatIsNoRegularFile) {
  kp::test::TempFolder folder;
  const std::string path = folder / "f";
  Write(path, "abc");
  lan::HashCache cache;
  EXPECT_EQ(cache.HashOf(path), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  Write(path, "abcd");  // a new size: hashed again
  EXPECT_EQ(cache.HashOf(path), "88d4266fd4e6338d13b845fcf289579d209c897823b9217da3e161936f031589");
  EXPECT_EQ(cache.HashOf(folder.Path()), "");
  ASSERT_EQ(::symlink(path.c_str(), (folder / "link").c_str()), 0);
  EXPECT_EQ(cache.HashOf(folder / "link"), "");
  EXPECT_EQ(cache.HashOf(folder / "missing"), "");
}

TEST(LanHash, CacheFileKeepsGoodLinesAndSkipsDamagedOnes) {
  kp::test::TempFolder folder;
  const std::string file = folder / "cache.txt";
  const std::string good(64, 'a');
  Write(file, good + " 10 5 /share/a file.txt\n" +  // a blank inside the path
                  "zz 10 5 /x\n" + good + " -1 5 /y\n" + good + " 10 5 relative\n" + good + " 10\n");
  lan::HashCache cache;
  cache.Load(file);
  EXPECT_EQ(cache.Size(), 1u);
  ASSERT_TRUE(cache.Save(file));
  lan::HashCache again;
  again.Load(file);
  EXPECT_EQ(again.Size(), 1u);
}

TEST(LanHash, HashText) {
  EXPECT_TRUE(lan::IsHashText(std::string(64, 'F')));
  EXPECT_FALSE(lan::IsHashText(std::string(63, 'a')));
  EXPECT_FALSE(lan::IsHashText(std::string(63, 'a') + "g"));
}

}  // namespace
