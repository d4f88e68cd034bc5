#include "core/platform/file_io.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace kp {
namespace {

using namespace std::literals;
using Strings = std::vector<std::string>;

Strings NamesIn(const std::string& folder) {
  Strings names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

unsigned PermissionsOf(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777u : 0u;
}

void IgnoreSignal(int) {}

// Lowers this process's file-size limit so that writes past it fail the way
// they fail on a full disk (EFBIG instead of a fatal signal).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    struct sigaction ignore {};
    ignore.sa_handler = IgnoreSignal;
    ::sigaction(SIGXFSZ, &ignore, &savedAction_);
    rlimit lowered = saved_;
    lowered.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &lowered);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::sigaction(SIGXFSZ, &savedAction_, nullptr);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  struct sigaction savedAction_ {};
};

TEST(ReadWholeFile, ReturnsTheExactBytesOrNothing) {
  test::TempFolder temp;
  const std::string bytes = "line\r\n\0zero\rend\n"s;
  EXPECT_EQ(ReadWholeFile(temp.WriteFile("mixed", bytes)), bytes);
  EXPECT_EQ(ReadWholeFile(temp.WriteFile("empty", "")), ""s) << "an empty file is read, not missing";

  std::string big(200'000, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i % 251);
  EXPECT_EQ(ReadWholeFile(temp.WriteFile("big", big)), big);

  const std::string ten = temp.WriteFile("ten", "0123456789");
  EXPECT_EQ(ReadWholeFile(ten, 10), "0123456789"s);
  EXPECT_FALSE(ReadWholeFile(ten, 9).has_value());

  // Files that report no size (as under /proc) are read whole and bounded all the same.
  const auto status = ReadWholeFile("/proc/self/status");
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(status->rfind("Name:", 0), 0u);
  EXPECT_FALSE(ReadWholeFile("/proc/self/status", 16).has_value());

  EXPECT_FALSE(ReadWholeFile(temp / "missing").has_value());
  EXPECT_FALSE(ReadWholeFile(temp.MakeFolder("folder")).has_value());
  ASSERT_EQ(::mkfifo((temp / "pipe").c_str(), 0600), 0);
  EXPECT_FALSE(ReadWholeFile(temp / "pipe").has_value()) << "a named pipe is refused, not waited on";
}

TEST(WriteFileAtomically, ReplacesTheFileAndLeavesNoTemporaryFile) {
  test::TempFolder temp;
  const std::string path = temp / "Users.dat";
  ASSERT_TRUE(WriteFileAtomically(path, "first"));
  EXPECT_EQ(temp.ReadFile("Users.dat"), "first");

  ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
  const std::string second = "second\0with zero"s;
  ASSERT_TRUE(WriteFileAtomically(path, second));
  EXPECT_EQ(temp.ReadFile("Users.dat"), second);
  EXPECT_EQ(PermissionsOf(path), 0600u) << "a replaced file keeps its permissions";
  ASSERT_TRUE(WriteFileAtomically(path, ""));
  EXPECT_EQ(ReadWholeFile(path), ""s);

  const mode_t savedMask = ::umask(027);
  const bool written = WriteFileAtomically(temp / "new.dat", "x");
  ::umask(savedMask);
  ASSERT_TRUE(written);
  EXPECT_EQ(PermissionsOf(temp / "new.dat"), 0640u) << "a new file gets 0666 less the umask";

  EXPECT_EQ(NamesIn(temp.Path()), (Strings{"Users.dat", "new.dat"}));
}

TEST(WriteFileAtomically, AFailedWriteKeepsWhatWasThereAndCleansUp) {
  test::TempFolder temp;
  EXPECT_FALSE(WriteFileAtomically(temp / "missing/data.dat", "x"));
  EXPECT_FALSE(temp.Exists("missing"));

  temp.WriteFile("target/inside", "keep");
  EXPECT_FALSE(WriteFileAtomically(temp / "target", "x"));
  EXPECT_TRUE(IsDirectory(temp / "target"));
  EXPECT_EQ(temp.ReadFile("target/inside"), "keep");

  const std::string path = temp.WriteFile("old.dat", "previous");
  bool written = true;
  {
    FileSizeLimit limit(4096);
    written = WriteFileAtomically(path, std::string(100'000, 'n'));
  }
  EXPECT_FALSE(written) << "the write stops half way";
  EXPECT_EQ(temp.ReadFile("old.dat"), "previous");

  EXPECT_EQ(NamesIn(temp.Path()), (Strings{"old.dat", "target"}));
  EXPECT_EQ(NamesIn(temp / "target"), Strings{"inside"});
}

TEST(WriteFileAtomically, WritesThroughALinkToTheFile) {
  test::TempFolder temp;
  const std::string real = temp.WriteFile("kept/Application4.cfg", "old");
  ASSERT_EQ(::symlink(real.c_str(), (temp / "Application4.cfg").c_str()), 0);
  ASSERT_TRUE(WriteFileAtomically(temp / "Application4.cfg", "new"));
  EXPECT_TRUE(std::filesystem::is_symlink(temp / "Application4.cfg")) << "the link stays a link";
  EXPECT_EQ(temp.ReadFile("kept/Application4.cfg"), "new");
}

TEST(FileHelpers, RemovalAndPathQueries) {
  test::TempFolder temp;
  const std::string file = temp.WriteFile("f", "x");
  const std::string folder = temp.MakeFolder("d");
  EXPECT_TRUE(RemoveFileIfPresent(file));
  EXPECT_FALSE(temp.Exists("f"));
  EXPECT_TRUE(RemoveFileIfPresent(file)) << "no file left is what was asked for";
  EXPECT_FALSE(RemoveFileIfPresent(folder)) << "a folder is not removed and still stands there";
  EXPECT_TRUE(IsDirectory(folder));

  EXPECT_EQ(FolderOfPath("/home/u/file.txt"), "/home/u/");
  EXPECT_EQ(FolderOfPath("/file"), "/");
  EXPECT_EQ(FolderOfPath("dir/"), "dir/");
  EXPECT_EQ(FolderOfPath("file.txt"), "");
}

}  // namespace
}  // namespace kp
