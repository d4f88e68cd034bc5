// The Shared functions as a plugin meets them: every request made on a thread of
// the plugin's own while this thread serves the access requests.

#include <dlfcn.h>
#include <algorithm>
#include <atomic>
#include <set>
#include <thread>
#include <tuple>

#include "core/config/text_basics.h"
#include "core/sharing/shared_fixture.h"
#include "recorded_lines.h"

namespace kp::test {
namespace {

enum Op : std::int32_t {
  kBrowse = 0,
  kBrowseRecursive,
  kRead,
  kWrite,
  kDirectoryExists,
  kFileExists,
  kRealPath,
  kRemoveDirectory,
  kDeleteFile,
  kCreateDirectory
};

class SharedApiTest : public SharedFixture {
 protected:
  SharedApiTest() {
    kp_test_record_clear();
    const std::filesystem::path target = temp_ / "Plugins/shared.so";
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(KP_TP_SHARED, target);
    EXPECT_TRUE(plugins_.LoadPlugin(target.string()));
    plugin_ = plugins_.GetPlugin(0);
    plugins_.BindPlugin(*plugin_);
  }

  template <typename T>
  T Find(const char* name) const {
    return reinterpret_cast<T>(::dlsym(plugin_->Module, name));
  }

  // Runs the request on the plugin's thread, serving the main thread meanwhile.
  std::int32_t Run(Op op, const char* path, const char* user = "v", const char* password = "",
                   std::uint32_t service = 0) {
    using RunFn = std::int32_t (*)(std::int32_t, std::uint32_t, const char*, const char*, const char*);
    kp_test_record_clear();
    EXPECT_EQ(Find<RunFn>("tsp_run")(op, service ? service : service_, user, password, path), 1);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!Find<std::int32_t (*)()>("tsp_finished")()) {
      loop_.RunOnce(std::chrono::milliseconds(1));
      if (std::chrono::steady_clock::now() > deadline) {
        ADD_FAILURE() << "request did not finish";
        break;
      }
    }
    return *Find<std::int32_t*>("tsp_result");
  }
  std::string Buffer() const { return Find<const char*>("tsp_buffer"); }
  static std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const std::string& line : RecordedLines()) names.push_back(line.substr(0, line.find('|')));
    return names;
  }

  TPluginHolder* plugin_ = nullptr;
};

TEST_F(SharedApiTest, BrowsingListsFilesBeforeFoldersAndDirectoriesCarryZeros) {
  EXPECT_EQ(Run(kBrowse, "/"), 4);
  EXPECT_EQ(Names(), (std::vector<std::string>{"Readme", "Music", "Flat", "Private"}));
  // The root grants no search flag of its own.
  EXPECT_NE(RecordedLines()[1].find("|search=0"), std::string::npos);

  // Files in the order the disk gives them, then the folders.
  EXPECT_EQ(Run(kBrowse, "\\music"), 4);
  const std::vector<std::string> lines = RecordedLines();
  const std::vector<std::string> names = Names();
  EXPECT_EQ(std::set<std::string>(names.begin(), names.begin() + 2),
            (std::set<std::string>{"one.txt", "two.txt"}));
  EXPECT_EQ(std::set<std::string>(names.begin() + 2, names.end()), (std::set<std::string>{"Sub", "Empty"}));
  for (const std::string& line :
       {"one.txt|/Music/one.txt|" + Real("music/one.txt") + "|size=3|audio=0,0,0,0|dir=0|search=1",
        "Sub|/Music/Sub|" + Real("music/Sub") + "|size=0|audio=0,0,0,0|dir=1|search=1"}) {
    EXPECT_NE(std::ranges::find(lines, line), lines.end()) << line;
  }

  // A subdirectory's content follows it at once.
  EXPECT_EQ(Run(kBrowseRecursive, "/Music"), 5);
  const std::vector<std::string> all = Names();
  const auto sub = std::ranges::find(all, "Sub");
  ASSERT_NE(sub, all.end());
  ASSERT_NE(sub + 1, all.end());
  EXPECT_EQ(*(sub + 1), "inner.txt");
  EXPECT_EQ(sharedApi_.OpenBrowseCount(), 0u);
  EXPECT_EQ(shares_.OpenResultsCount(), 0u);
}

TEST_F(SharedApiTest, RefusedOrMissingBrowsesAreEmptyAndStillEnded) {
  for (const auto& [path, user, password] :
       std::vector<std::tuple<const char*, const char*, const char*>>{{"/Private", "v", ""},
                                                                      {"/Private", "u", "wrong"},
                                                                      {"/Private", "U", "wrong"},
                                                                      {"/Nothing", "u", "pw"},
                                                                      {"/Music/one.txt", "u", "pw"}}) {
    SCOPED_TRACE(std::string(path) + " " + user);
    EXPECT_EQ(Run(kBrowse, path, user, password), 0);
  }
  // The user lookup ignores letter case; the entry's own name is "u".
  EXPECT_EQ(Run(kBrowse, "/Private", "u", "pw"), 1);
  EXPECT_EQ(sharedApi_.OpenBrowseCount(), 0u);
  EXPECT_EQ(shares_.OpenResultsCount(), 0u);
}

TEST_F(SharedApiTest, ChecksAndExistenceTests) {
  struct Case {
    Op op;
    const char* path;
    const char* user;
    std::int32_t expected;
  };
  const Case cases[] = {
      {kRead, "/Music/one.txt", "v", 0},
      {kRead, "/Music/missing", "v", -1},
      {kRead, "/Private", "v", -1},
      {kRead, "/Private", "u", 0},
      {kRead, "/", "v", 0},
      {kWrite, "/Music", "v", 0},
      {kWrite, "/Music/one.txt", "v", -1},
      {kWrite, "/", "v", -1},
      {kWrite, "/Private", "v", -1},
      {kDirectoryExists, "/Private", "nobody", 1},
      {kFileExists, "/Private/secret-ish.txt", "nobody", 1},
      {kFileExists, "/Private", "u", 0},
      {kDirectoryExists, "/Music/one.txt", "u", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.path) + " op " + std::to_string(c.op));
    EXPECT_EQ(Run(c.op, c.path, c.user, "pw"), c.expected);
  }
  // An unregistered service sees the root and nothing else.
  EXPECT_EQ(Run(kRead, "/", "v", "", 0x1234), 0);
  EXPECT_EQ(Run(kRead, "/Music/one.txt", "v", "", 0x1234), -1);
  EXPECT_EQ(Run(kBrowse, "/Music", "v", "", 0x1234), 0);
}

TEST_F(SharedApiTest, RealPathIsClearedOnRefusalAndNeverCut) {
  EXPECT_EQ(Run(kRealPath, "/Private/secret-ish.txt", "v"), -1);
  EXPECT_EQ(Buffer(), "");
  EXPECT_EQ(Run(kRealPath, "/Music/missing.txt"), -2);
  EXPECT_EQ(Buffer(), "");
  EXPECT_EQ(Run(kRealPath, "/music/SUB/inner.txt"), 0);
  EXPECT_EQ(Buffer(), Real("music/Sub/inner.txt"));

  const std::string deep = "music/" + std::string(120, 'a') + "/" + std::string(120, 'b') + "/f.txt";
  temp_.WriteFile(deep, "x");
  ASSERT_GT(Real(deep).size(), 254u);
  const std::string virtualPath = "/Music/" + std::string(120, 'a') + "/" + std::string(120, 'b') + "/f.txt";
  EXPECT_EQ(Run(kFileExists, virtualPath.c_str()), 1);
  EXPECT_EQ(Run(kRealPath, virtualPath.c_str()), -2);
  EXPECT_EQ(Buffer(), "");
}

TEST_F(SharedApiTest, FileOperations) {
  struct Case {
    Op op;
    const char* path;
    std::int32_t expected;
  };
  const Case cases[] = {
      {kDeleteFile, "/Music/Sub", -2},           // a directory is no file
      {kRemoveDirectory, "/Music/one.txt", -2},  // and a file no directory
      {kDeleteFile, "/Private/secret-ish.txt", -1},
      {kRemoveDirectory, "/Music/Sub", -3},  // not empty
      {kRemoveDirectory, "/Music/Empty", 0},
      {kRemoveDirectory, "/Music/Empty", -2},
      {kRemoveDirectory, "/Music", -3},  // the shared folder itself stays
      {kDeleteFile, "/Music/two.txt", 0},
      {kDeleteFile, "/Music/two.txt", -2},
      {kCreateDirectory, "/Music/new folder", 0},
      {kCreateDirectory, "/Music/New Folder", -4},
      {kCreateDirectory, "/Music/Sub/deeper", 0},
      {kCreateDirectory, "/brand new", -1},    // at the root: never
      {kCreateDirectory, "/Flat/inside", -1},  // no subdirectories shared
      {kCreateDirectory, "/Flat/Deeper/x", -1},
      {kCreateDirectory, "/Music/Gone/x", -1},  // a parent the tree does not have
      {kCreateDirectory, "/Private/x", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.path) + " op " + std::to_string(c.op));
    EXPECT_EQ(Run(c.op, c.path), c.expected);
  }
  EXPECT_FALSE(temp_.Exists("music/Empty"));
  EXPECT_FALSE(temp_.Exists("music/two.txt"));
  EXPECT_TRUE(std::filesystem::is_directory(Real("music/NEW FOLDER")));
  EXPECT_TRUE(std::filesystem::is_directory(Real("music/Sub/DEEPER")));
  EXPECT_FALSE(temp_.Exists("music/Gone"));
  EXPECT_FALSE(temp_.Exists("flat/INSIDE"));
  EXPECT_TRUE(temp_.Exists("private/secret-ish.txt"));
}

TEST_F(SharedApiTest, PluginsHearItemsComeAndGo) {
  temp_.WriteFile("later/x.txt", "x");
  items_.RegisterFolder(shares_.AddDirectory(Real("later"), "Later", true, "*.*"), false);
  items_.RemoveSharedItem(" later ");
  EXPECT_EQ(RecordedLines(), (std::vector<std::string>{"OnSharedAdd /Later dir=1 size=0",
                                                       "OnSharedRemove /Later dir=1 size=0"}));
  EXPECT_EQ(items_.FindSharedItem("Later"), nullptr);
  EXPECT_EQ(Run(kDirectoryExists, "/Later"), 0);
}

class RecordingSection final : public ISharedFilesSection {
 public:
  std::string shown = "/";
  std::vector<std::string> rows;  // virtual paths
  std::string ShownLocation() const override { return shown; }
  void AddRow(std::unique_ptr<TSharedResultRecord> record) override {
    rows.emplace_back(
        reinterpret_cast<const char*>(static_cast<std::uintptr_t>(record->Record().sVirtualPath)));
  }
  void AddPluginButton(TPluginHolder*, std::int32_t, std::string_view, const std::string&) override {}
  std::uint32_t AddPluginMenuEntry(TPluginHolder*, std::int32_t, std::uint32_t, std::string_view,
                                   const std::string&) override {
    return 0;
  }
};

TEST_F(SharedApiTest, TheSharedFilesSectionGetsRowsForWhatItShows) {
  RecordingSection section;
  items_.SetSection(&section);
  temp_.WriteFile("later/x.txt", "x");
  items_.RegisterFolder(shares_.AddDirectory(Real("later"), "Later", true, "*.*"), false);
  section.shown = "/MUSIC/sub ";
  ASSERT_TRUE(sharedApi_.DirectoryExists(section.shown));  // the section shows what the tree has seen
  temp_.WriteFile("music/Sub/new.txt", "n");
  sharedApi_.NoticeItem(" " + ToUpperAscii(Real("music/Sub/new.txt")));
  sharedApi_.NoticeItem(Real("music/one.txt"));  // not in the folder shown
  items_.RegisterFolder(shares_.AddDirectory(Real("flat"), "Elsewhere", false, "*.*"), false);
  EXPECT_EQ(section.rows, (std::vector<std::string>{"/Later", "/Music/Sub/new.txt"}));
  EXPECT_EQ(shares_.OpenResultsCount(), 0u);
  items_.SetSection(nullptr);
}

// Several plugin threads browse and resolve while the disk changes under them
// and the main thread serves their access requests (run under ThreadSanitizer).
TEST_F(SharedApiTest, ManyThreadsBrowseWhileTheDiskChanges) {
  std::atomic<int> running{3};
  std::atomic<int> bad{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 40; ++i) {
        const std::uint32_t record = sharedApi_.StartDirectory(Request("/Music", "u", "pw"), t != 0);
        const auto* r = reinterpret_cast<const TSharedResult*>(static_cast<std::uintptr_t>(record));
        while (sharedApi_.GetNextResult(record)) {
          const std::string real = reinterpret_cast<const char*>(static_cast<std::uintptr_t>(r->sRealPath));
          if (real.rfind(Real("music"), 0) != 0) ++bad;
        }
        sharedApi_.EndDirectory(record);
        char buffer[256];
        if (sharedApi_.GetRealPath(Request("/Music/Sub/inner.txt"), buffer) != kSharedOk) ++bad;
      }
      --running;
    });
  }
  for (int i = 0; running > 0; ++i) {
    const std::string name = "music/churn" + std::to_string(i % 7) + ".txt";
    if (temp_.Exists(name)) {
      std::filesystem::remove(Real(name));
    } else {
      temp_.WriteFile(name, "c");
    }
    loop_.RunOnce(std::chrono::milliseconds(1));
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(bad, 0);
  EXPECT_EQ(sharedApi_.OpenBrowseCount(), 0u);
  EXPECT_EQ(shares_.OpenResultsCount(), 0u);
}

}  // namespace
}  // namespace kp::test
