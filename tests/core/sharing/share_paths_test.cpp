#include "core/sharing/share_paths.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/sharing/share_manager.h"
#include "support/temp_folder.h"

namespace kp {
namespace {

namespace fs = std::filesystem;

// A shared folder S beside a private folder P, with links of every kind in S.
struct TLinkedShare {
  test::TempFolder disk;
  TLinkedShare() {
    disk.WriteFile("P/secret.mp3", "secret");
    disk.WriteFile("P/dir/inner.mp3", "inner");
    disk.WriteFile("S/inside.mp3", "inside");
    disk.MakeFolder("S/sub");
    fs::create_symlink("inside.mp3", disk / "S/link.mp3");
    fs::create_symlink(disk / "S/inside.mp3", disk / "S/absolute.mp3");
    fs::create_symlink("../inside.mp3", disk / "S/sub/up.mp3");
    fs::create_symlink("../P/secret.mp3", disk / "S/out.mp3");
    fs::create_symlink(disk / "P/secret.mp3", disk / "S/absoluteOut.mp3");
    fs::create_symlink("../P/dir", disk / "S/outDir");
    fs::create_symlink("..", disk / "S/sub/parent");
  }
};

std::string ReadAll(int fd) {
  std::string content(64, '\0');
  const ssize_t got = ::read(fd, content.data(), content.size());
  content.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return content;
}

class ShareOpenBeneath : public testing::TestWithParam<TBeneathMethod> {};

TEST_P(ShareOpenBeneath, FollowsLinksThatStayInsideAndRefusesEveryWayOut) {
  const TLinkedShare share;
  const TShareFolderHandle folder = OpenShareFolder(share.disk / "S");
  ASSERT_TRUE(folder.valid());
  for (const char* inside : {"inside.mp3", "link.mp3", "absolute.mp3", "sub/up.mp3", "sub/../inside.mp3",
                             "sub/parent/inside.mp3", "./sub/./up.mp3"}) {
    const TFileDescriptor fd = OpenBeneath(folder, inside, O_RDONLY, GetParam());
    ASSERT_TRUE(fd.valid()) << inside;
    EXPECT_EQ(ReadAll(fd.get()), "inside") << inside;
  }
  for (const char* outside : {"out.mp3", "absoluteOut.mp3", "outDir/inner.mp3", "../P/secret.mp3",
                              "sub/../../P/secret.mp3", "sub/parent/../P/secret.mp3"}) {
    EXPECT_FALSE(OpenBeneath(folder, outside, O_RDONLY, GetParam()).valid()) << outside;
  }
}

INSTANTIATE_TEST_SUITE_P(ShareCases, ShareOpenBeneath,
                         testing::Values(TBeneathMethod::Automatic, TBeneathMethod::WalkComponents));

TEST(SharePaths, TheTreeListsAndResolvesNothingOutsideTheSharedFolder) {
  const TLinkedShare share;
  TShareManager manager;
  manager.AddDirectory(share.disk / "S", "S", true, "*.mp3");
  std::vector<std::string> listed;
  auto cursor = manager.OpenResults("/S", true);
  while (cursor->Next()) {
    listed.push_back(cursor->VirtualPath());
    EXPECT_TRUE(ResolvesInside(share.disk / "S", cursor->RealPath())) << cursor->RealPath();
  }
  std::ranges::sort(listed);
  // The link to the folder above is left out too: it would nest without end.
  EXPECT_EQ(listed, (std::vector<std::string>{"/S/absolute.mp3", "/S/inside.mp3", "/S/link.mp3", "/S/sub",
                                              "/S/sub/up.mp3"}));
  EXPECT_FALSE(manager.FindFile("/S/out.mp3"));
  EXPECT_FALSE(manager.FindDirectory("/S/outDir"));
  EXPECT_EQ(manager.GetRealPath("/S/outDir/inner.mp3"), "");
  EXPECT_EQ(manager.GetRealPath("/S/sub/up.mp3"), share.disk / "S/sub/up.mp3");
}

TEST(SharePaths, AFolderSwappedForALinkBetweenLookupAndUseLeadsNowhere) {
  const TLinkedShare share;
  share.disk.WriteFile("S/x/a.mp3", "mine");
  share.disk.WriteFile("P/x/a.mp3", "not yours");
  TShareManager manager;
  manager.AddDirectory(share.disk / "S", "S", true, "*.mp3");
  const auto file = manager.FindFile("/S/x/a.mp3");
  const auto folder = manager.FindDirectory("/S/x");
  ASSERT_TRUE(file && folder);
  const std::string realPath = manager.GetRealPath("/S/x/a.mp3");
  EXPECT_EQ(realPath, share.disk / "S/x/a.mp3");

  fs::remove_all(share.disk / "S/x");
  fs::create_symlink(share.disk / "P/x", share.disk / "S/x");

  EXPECT_FALSE(file->OpenContent(O_RDONLY).valid());
  EXPECT_FALSE(OpenSharedFile(share.disk / "S", realPath, O_RDONLY).valid());
  EXPECT_EQ(manager.GetRealPath("/S/x/a.mp3"), "");
  // The folder's own rescan, reached before its parent noticed the swap, reads
  // nothing through the link.
  folder->Rescan();
  EXPECT_TRUE(folder->Files().empty());
  EXPECT_FALSE(manager.FindFile("/S/x/a.mp3"));
}

}  // namespace
}  // namespace kp
