// Hostile virtual paths and link tricks against every Shared function: none may
// reach, change or reveal anything outside the shared folder it names.

#include <set>

#include "core/sharing/shared_fixture.h"

namespace kp::test {
namespace {

class SharedPathSafetyTest : public SharedFixture {
 protected:
  SharedPathSafetyTest() {
    const std::string outside = Real("outside");
    std::filesystem::create_directory_symlink("../outside", Real("music/link_out"));
    std::filesystem::create_directory_symlink(outside, Real("music/abs_link"));
    std::filesystem::create_directory_symlink(Real("outside/dir"), Real("music/dir_link"));
    std::filesystem::create_symlink("../outside/secret.txt", Real("music/file_link.txt"));
    std::filesystem::create_symlink("loop", Real("music/loop"));
    std::filesystem::create_directory_symlink("../../outside", Real("music/Sub/up"));
    // Stays inside: still served.
    std::filesystem::create_directory_symlink("Sub", Real("music/inner_link"));
  }

  // Every function but the creation with the path, by a user who holds every
  // right; the outcomes on one line. (Creation upper-cases the path, so on a
  // disk that tells letter case apart it makes a new name, and is checked apart.)
  std::string Everything(const std::string& path) {
    std::string out;
    const TSharedRequest request = Request(path, "u", "pw");
    const std::uint32_t browse = sharedApi_.StartDirectory(request, true);
    int listed = 0;
    while (sharedApi_.GetNextResult(browse)) ++listed;
    sharedApi_.EndDirectory(browse);
    out += "browse=" + std::to_string(listed);
    out += " read=" + std::to_string(sharedApi_.CheckReadAccess(request));
    out += " write=" + std::to_string(sharedApi_.CheckWriteAccess(request));
    out += " dir=" + std::to_string(sharedApi_.DirectoryExists(path));
    out += " file=" + std::to_string(sharedApi_.FileExists(path));
    char buffer[256];
    std::memset(buffer, 'x', sizeof buffer);
    const std::int32_t real = sharedApi_.GetRealPath(request, buffer);
    out += " real=" + std::to_string(real) + "'" + std::string(buffer, strnlen(buffer, sizeof buffer)) + "'";
    out += " rmdir=" + std::to_string(sharedApi_.RemoveDirectory(request));
    out += " delete=" + std::to_string(sharedApi_.DeleteFile(request));
    return out;
  }
};

TEST_F(SharedPathSafetyTest, HostilePathsReachNothing) {
  const std::map<std::string, std::string> outsideBefore = Snapshot("outside");
  const std::string refusedAll = "browse=0 read=-1 write=-1 dir=0 file=0 real=-1'' rmdir=-2 delete=-2";
  const std::string missingInMusic = "browse=0 read=-1 write=-1 dir=0 file=0 real=-2'' rmdir=-2 delete=-2";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"..", refusedAll},
      {"../", refusedAll},
      {"/..", refusedAll},
      {"/../outside", refusedAll},
      {"/../outside/secret.txt", refusedAll},
      {"\\..\\outside\\secret.txt", refusedAll},
      {"//..//outside", refusedAll},
      {"/./outside", refusedAll},
      {"~/outside", refusedAll},
      {"C:\\outside\\secret.txt", refusedAll},
      {"/Music/..", missingInMusic},
      {"/Music/../outside", missingInMusic},
      {"/Music/../../outside/secret.txt", missingInMusic},
      {"/Music/..\\..\\outside", missingInMusic},
      {"\\Music\\..\\outside", missingInMusic},
      {"/Music/./../outside", missingInMusic},
      {"/Music//..//outside", missingInMusic},
      {"/Music/ .. /outside", missingInMusic},
      {"/Music/\x01../outside", missingInMusic},
      {"/Music/%2e%2e/outside", missingInMusic},
      {"/Music/Sub/../../outside/secret.txt", missingInMusic},
      {"/Music/one.txt/..", missingInMusic},
      {"/Music/one.txt/../../outside", missingInMusic},
      {"/Music/link_out", missingInMusic},
      {"/Music/link_out/secret.txt", missingInMusic},
      {"/Music/link_out/dir", missingInMusic},
      {"/Music/abs_link", missingInMusic},
      {"/Music/abs_link/secret.txt", missingInMusic},
      {"/Music/dir_link", missingInMusic},
      {"/Music/file_link.txt", missingInMusic},
      {"/Music/loop", missingInMusic},
      {"/Music/loop/x", missingInMusic},
      {"/Music/Sub/up", missingInMusic},
      {"/Music/Sub/up/secret.txt", missingInMusic},
      {"/Music/Sub/up/dir", missingInMusic},
      {"/Music/inner_link/up/dir", missingInMusic},
      {std::string("/Music/\0../../outside", 21), refusedAll},
      {std::string("/Music\0/../outside", 18), refusedAll},
      {"/Readme/..", missingInMusic},
      {"/Readme/../outside", missingInMusic},
      {"/Flat/../Music", "browse=0 read=-1 write=-1 dir=0 file=0 real=-2'' rmdir=-2 delete=-2"},
  };
  for (const auto& [path, expected] : cases) {
    SCOPED_TRACE(path);
    EXPECT_EQ(Everything(path), expected);
  }
  // Whatever the creations make, they make inside Music.
  const std::map<std::string, std::string> flatBefore = Snapshot("flat");
  for (const auto& [path, expected] : cases)
    static_cast<void>(sharedApi_.CreateDirectory(Request(path, "u", "pw")));
  EXPECT_EQ(Snapshot("outside"), outsideBefore);
  EXPECT_EQ(Snapshot("flat"), flatBefore);
  std::set<std::string> top;
  for (const auto& entry : std::filesystem::directory_iterator(temp_.Path())) {
    top.insert(entry.path().filename().string());
  }
  EXPECT_EQ(top, (std::set<std::string>{"music", "flat", "private", "readme.txt", "outside"}));
  for (const char* stray : {"OUTSIDE", "DIR", "SECRET.TXT", "music/OUTSIDE", "outside/DIR"}) {
    EXPECT_FALSE(temp_.Exists(stray)) << stray;
  }
  // A link that stays inside is served like the folder it names.
  EXPECT_TRUE(sharedApi_.FileExists("/Music/inner_link/inner.txt"));
}

TEST_F(SharedPathSafetyTest, LinksSwappedInLeadNowhere) {
  const std::map<std::string, std::string> outsideBefore = Snapshot("outside");
  // The tree knows these; a browse held open keeps them from being purged.
  ASSERT_TRUE(sharedApi_.FileExists("/Music/Sub/inner.txt"));
  ASSERT_TRUE(sharedApi_.DirectoryExists("/Music/Empty"));
  const std::uint32_t held = sharedApi_.StartDirectory(Request("/Music", "u", "pw"), true);
  while (sharedApi_.GetNextResult(held)) {
  }
  std::filesystem::rename(Real("music/Sub"), Real("sub-away"));
  std::filesystem::create_directory_symlink(Real("outside"), Real("music/Sub"));
  std::filesystem::remove(Real("music/Empty"));
  std::filesystem::create_directory_symlink(Real("outside/dir"), Real("music/Empty"));
  std::filesystem::remove(Real("music/one.txt"));
  std::filesystem::create_symlink(Real("outside/secret.txt"), Real("music/one.txt"));

  for (const char* path :
       {"/Music/Sub/inner.txt", "/Music/Sub/secret.txt", "/Music/Sub", "/Music/Empty", "/Music/one.txt"}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(Everything(path).find("real=0"), std::string::npos);
  }
  EXPECT_EQ(sharedApi_.CreateDirectory(Request("/Music/Sub/new", "u", "pw")), kSharedRefused);
  EXPECT_EQ(sharedApi_.CreateDirectory(Request("/Music/Empty/new", "u", "pw")), kSharedRefused);
  EXPECT_EQ(sharedApi_.CreateDirectory(Request("/Music/Sub/UP/new", "u", "pw")), kSharedRefused);
  sharedApi_.EndDirectory(held);
  EXPECT_EQ(Snapshot("outside"), outsideBefore);
  EXPECT_TRUE(temp_.Exists("sub-away/inner.txt"));
}

}  // namespace
}  // namespace kp::test
