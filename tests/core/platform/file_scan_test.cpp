#include "core/platform/file_scan.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/platform/file_io.h"
#include "support/temp_folder.h"

namespace kp {
namespace {

struct Seen {
  std::string path;  // below the walked folder
  bool directory = false;
  bool link = false;
};

// Every entry of a walk, in the order reported, with paths below root.
std::vector<Seen> Walk(TFileScan& scan, const std::string& root, bool recursive) {
  std::vector<Seen> seen;
  scan.Start(root, recursive);
  while (scan.Next()) {
    EXPECT_EQ(scan.CurrentPath().substr(0, root.size()), root);
    seen.push_back({scan.CurrentPath().substr(root.size()), scan.IsDirectory(), scan.IsSymbolicLink()});
  }
  return seen;
}

bool IsDot(const std::string& path) {
  const std::string name = path.substr(path.rfind('/') + 1);
  return name == "." || name == "..";
}

// The paths reported, "." and ".." left out.
std::set<std::string> RealPaths(const std::vector<Seen>& seen) {
  std::set<std::string> paths;
  for (const Seen& entry : seen) {
    if (!IsDot(entry.path)) paths.insert(entry.path);
  }
  return paths;
}

long SlashesIn(const std::string& path) { return std::count(path.begin(), path.end(), '/'); }

TEST(FileScan, ListsOneFolderWithDotEntriesHiddenEntriesAndDetails) {
  test::TempFolder temp;
  const std::string root = temp.MakeFolder("walk");
  const std::string data = temp.WriteFile("walk/data.bin", std::string(1234, 'x'));
  temp.WriteFile("walk/.secret", "s");
  temp.WriteFile("walk/sub/inner", "i");
  const timespec stamp[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, data.c_str(), stamp, 0), 0);

  TFileScan scan;
  scan.Start("  " + root.substr(0, root.size() - 1) + "\t", false);
  std::map<std::string, std::pair<bool, bool>> found;  // name -> directory, hidden
  while (scan.Next()) {
    EXPECT_EQ(scan.CurrentPath(), root + scan.CurrentName());
    found[scan.CurrentName()] = {scan.IsDirectory(), scan.IsHidden()};
    if (scan.CurrentName() == "data.bin") {
      EXPECT_EQ(scan.Size(), 1234);
      EXPECT_EQ(scan.ModificationTime(), 1'000'000'000);
    }
    if (scan.CurrentName() == "sub") {
      EXPECT_EQ(scan.Size(), 0);
    }
  }
  const std::map<std::string, std::pair<bool, bool>> expected{{".", {true, true}},
                                                              {"..", {true, true}},
                                                              {".secret", {false, true}},
                                                              {"data.bin", {false, false}},
                                                              {"sub", {true, false}}};
  EXPECT_EQ(found, expected) << "the subfolder is reported but not entered";
  EXPECT_FALSE(scan.Next()) << "a finished walk stays finished";

  scan.Start(root, false);
  ASSERT_TRUE(scan.Next());
  EXPECT_EQ(Walk(scan, root, false).size(), 5u) << "Start during a walk begins afresh";
}

TEST(FileScan, ReportsAFolderWholeBeforeEnteringSubfoldersLastFoundFirst) {
  test::TempFolder temp;
  const std::string root = temp.MakeFolder("walk");
  temp.WriteFile("walk/f1", "");
  temp.WriteFile("walk/a/a1", "");
  temp.WriteFile("walk/a/x/x1", "");
  temp.MakeFolder("walk/a/y");
  temp.WriteFile("walk/b/b1", "");
  temp.MakeFolder("walk/c");
  temp.WriteFile("walk/d/.hidden/h1", "");

  TFileScan scan;
  const std::vector<Seen> seen = Walk(scan, root, true);
  EXPECT_EQ(RealPaths(seen), (std::set<std::string>{"f1", "a", "a/a1", "a/x", "a/x/x1", "a/y", "b", "b/b1",
                                                    "c", "d", "d/.hidden", "d/.hidden/h1"}));

  // Replay the walk with the order it promises: each folder's entries come as one
  // block (with "." and ".."), and the folder listed next is the subfolder found
  // last among those not yet listed.
  std::vector<std::string> pending{""};
  std::size_t next = 0;
  while (!pending.empty()) {
    const std::string folder = pending.back();
    pending.pop_back();
    int dots = 0;
    ASSERT_LT(next, seen.size()) << "nothing reported for " << folder;
    ASSERT_EQ(FolderOfPath(seen[next].path), folder) << "expected the listing of \"" << folder << "\" next";
    for (; next < seen.size() && FolderOfPath(seen[next].path) == folder; ++next) {
      if (IsDot(seen[next].path)) {
        ++dots;
      } else if (seen[next].directory) {
        pending.push_back(seen[next].path + "/");
      }
    }
    EXPECT_EQ(dots, 2) << folder;
  }
  EXPECT_EQ(next, seen.size());
}

TEST(FileScan, DepthLimitCountsSlashesOfTheEntryPath) {
  test::TempFolder temp;
  const std::string root = temp.MakeFolder("walk");
  temp.WriteFile("walk/a/b/c/d/e/deep", "");
  // The entries a, a/b, a/b/c, a/b/c/d have base+1 ... base+4 slashes.
  const long base = SlashesIn(root) - 1;

  TFileScan scan;
  scan.ScanDepthLimit = static_cast<int>(base + 4);
  EXPECT_EQ(RealPaths(Walk(scan, root, true)), (std::set<std::string>{"a", "a/b", "a/b/c", "a/b/c/d"}))
      << "a/b/c is entered, a/b/c/d is reported but not entered";

  scan.ScanDepthLimit = static_cast<int>(base + 1);
  EXPECT_EQ(RealPaths(Walk(scan, root, true)), std::set<std::string>{"a"});

  scan.ScanDepthLimit = 0;
  EXPECT_EQ(RealPaths(Walk(scan, root, true)).size(), 6u) << "no limit: down to a/b/c/d/e/deep";
}

TEST(FileScan, LinkedFoldersAreReportedAsFoldersButNotEntered) {
  test::TempFolder temp;
  const std::string root = temp.MakeFolder("walk");
  temp.WriteFile("walk/real/inside", "");
  namespace fs = std::filesystem;
  fs::create_directory_symlink("real", root + "link");
  fs::create_directory_symlink(".", root + "loop");
  fs::create_symlink("nowhere", root + "broken");

  TFileScan scan;
  std::map<std::string, std::pair<bool, bool>> found;  // path -> directory, link
  for (const Seen& entry : Walk(scan, root, true)) {
    if (!IsDot(entry.path)) found[entry.path] = {entry.directory, entry.link};
  }
  const std::map<std::string, std::pair<bool, bool>> expected{{"real", {true, false}},
                                                              {"real/inside", {false, false}},
                                                              {"link", {true, true}},
                                                              {"loop", {true, true}},
                                                              {"broken", {false, true}}};
  EXPECT_EQ(found, expected);
}

// Details are read relative to the folder being listed, and for links at the
// first look at the target, so compare them all with what stat says by path.
TEST(FileScan, DetailsOfEveryEntryMatchWhatItPointsTo) {
  test::TempFolder temp;
  const std::string root = temp.MakeFolder("walk");
  temp.WriteFile("walk/top", std::string(10, 't'));
  temp.WriteFile("walk/a/mid", std::string(200, 'm'));
  temp.WriteFile("walk/a/b/low", std::string(3000, 'l'));
  namespace fs = std::filesystem;
  fs::create_symlink("../top", root + "a/b/up");
  fs::create_symlink("gone", root + "a/dangling");
  const timespec old[2] = {{500'000'000, 0}, {500'000'000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (root + "a/b/low").c_str(), old, 0), 0);
  ASSERT_EQ(::utimensat(AT_FDCWD, (root + "a/b/up").c_str(), old, AT_SYMLINK_NOFOLLOW), 0);

  TFileScan scan;
  scan.Start(root, true);
  int compared = 0;
  while (scan.Next()) {
    struct stat info {};
    const char* path = scan.CurrentPath().c_str();
    ASSERT_TRUE(::stat(path, &info) == 0 || ::lstat(path, &info) == 0) << path;
    EXPECT_EQ(scan.Size(), S_ISREG(info.st_mode) ? info.st_size : 0) << scan.CurrentPath();
    EXPECT_EQ(scan.ModificationTime(), info.st_mtim.tv_sec) << scan.CurrentPath();
    ++compared;
  }
  EXPECT_EQ(compared, 13) << "three folders with \".\" and \"..\" each, and seven more entries";
}

// A folder is entered by the path it was reported under; should a link take its
// place in between, the walk must not follow it out of the tree.
TEST(FileScan, FollowsALinkOnlyAsTheFolderItWasStartedOn) {
  test::TempFolder temp;
  const std::string root = temp.MakeFolder("walk");
  temp.WriteFile("walk/sub/mine", "");
  temp.WriteFile("outside/theirs", "");
  namespace fs = std::filesystem;
  fs::create_directory_symlink(temp / "walk", temp / "alias");

  TFileScan scan;
  std::set<std::string> seen;
  scan.Start(temp / "alias", true);
  while (scan.Next()) {
    if (IsDot(scan.CurrentPath())) continue;
    seen.insert(scan.CurrentName());
    if (scan.CurrentName() == "sub") {
      fs::rename(root + "sub", temp / "moved");
      fs::create_directory_symlink(temp / "outside", root + "sub");
    }
  }
  EXPECT_EQ(seen, std::set<std::string>{"sub"});
}

// Whichever of a and b is listed first, its failing subfolders are taken up
// before the other one, so the walk must go on after them.
TEST(FileScan, PassesOverFoldersThatCannotBeListed) {
  test::TempFolder temp;
  const std::string root = temp.MakeFolder("walk");
  for (const char* file : {"walk/a/gone/lost", "walk/a/locked/secret", "walk/a/a1", "walk/b/gone/lost",
                           "walk/b/locked/secret", "walk/b/b1"}) {
    temp.WriteFile(file, "");
  }
  for (const char* folder : {"walk/a/locked", "walk/b/locked"})
    ASSERT_EQ(::chmod((temp / folder).c_str(), 0), 0);
  // Root lists any folder, locked or not; then only the vanished folders fail.
  bool lockedCanBeListed = false;
  if (DIR* probe = ::opendir((temp / "walk/a/locked").c_str())) {
    ::closedir(probe);
    lockedCanBeListed = true;
  }

  // A "gone" folder vanishes as soon as it is reported, so listing it later fails.
  TFileScan scan;
  std::set<std::string> seen;
  scan.Start(root, true);
  while (scan.Next()) {
    if (IsDot(scan.CurrentPath())) continue;
    seen.insert(scan.CurrentPath().substr(root.size()));
    if (scan.CurrentName() == "gone") std::filesystem::remove_all(scan.CurrentPath());
  }
  std::set<std::string> expected{"a", "a/gone", "a/locked", "a/a1", "b", "b/gone", "b/locked", "b/b1"};
  if (lockedCanBeListed) expected.insert({"a/locked/secret", "b/locked/secret"});
  EXPECT_EQ(seen, expected);

  scan.Start(temp / "missing", true);
  EXPECT_FALSE(scan.Next());
  scan.Start(temp / "walk/a/a1", true);
  EXPECT_FALSE(scan.Next()) << "a file is no folder to list";
}

}  // namespace
}  // namespace kp
