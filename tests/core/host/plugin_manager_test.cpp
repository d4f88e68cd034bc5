#include "core/host/plugin_manager.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cinttypes>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/config/text_basics.h"
#include "core/host/main_loop.h"
#include "core/platform/file_io.h"
#include "keplinor_plugin.h"
#include "recorded_lines.h"
#include "support/temp_folder.h"

namespace kp {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

Strings Records() { return test::RecordedLines(); }

// The records that begin with the prefix, in order.
Strings RecordsStartingWith(const std::string& prefix) {
  Strings matching;
  for (const std::string& line : Records()) {
    if (line.rfind(prefix, 0) == 0) matching.push_back(line);
  }
  return matching;
}

bool HasRecord(const std::string& line) {
  const Strings all = Records();
  return std::find(all.begin(), all.end(), line) != all.end();
}

template <typename Function>
Function VariableOf(const TPluginHolder& plugin, const char* name) {
  void* variable = ::dlsym(plugin.Module, name);
  if (!variable) return nullptr;
  Function function;
  std::memcpy(&function, variable, sizeof function);
  return function;
}

TGuid GuidWithData1(std::uint32_t data1) {
  return TGuid{data1, 0x2222, 0x3333, {0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB}};
}

class PluginManagerTest : public ::testing::Test {
 protected:
  void SetUp() override { kp_test_record_clear(); }

  // Copies a built plugin into the temporary program folder under a new name.
  std::string Install(const char* builtPlugin, const std::string& relative) const {
    const std::string target = temp_ / relative;
    fs::create_directories(fs::path(target).parent_path());
    fs::copy_file(builtPlugin, target, fs::copy_options::overwrite_existing);
    return target;
  }

  std::string PluginsFolder() const { return temp_ / "Plugins"; }

  test::TempFolder temp_;
  TMainThreadQueue queue_;
  TDispatcher dispatcher_{queue_};
  TApiRegistry registry_{dispatcher_};
  TMainLoop loop_{queue_};
  TPluginManager manager_{registry_, [this] { loop_.ProcessPendingMessages(); }};
};

TEST_F(PluginManagerTest, FindsLibrariesByUpperCasedPatternsInEveryFolder) {
  Install(KP_TP_RECORDING_A, "Plugins/lower.fpn");
  Install(KP_TP_RECORDING_B, "Plugins/network/deep/sub.so");
  Install(KP_TP_BUTTON_ONLY, "Plugins/disabled.so.off");
  temp_.WriteFile("Plugins/readme.txt", "not a plugin");
  temp_.WriteFile("Plugins/broken.so", "not a library either");

  manager_.ScanPlugins(PluginsFolder());

  ASSERT_EQ(manager_.GetPluginCount(), 2u);
  EXPECT_EQ(manager_.GetPlugin(2), nullptr);
  EXPECT_TRUE(HasRecord("lower.fpn:bound"));
  EXPECT_TRUE(HasRecord("sub.so:bound"));
  EXPECT_TRUE(HasRecord("sub.so:folder=" + temp_.Path() + "Plugins/network/deep/"));
  ASSERT_EQ(manager_.SkippedLibraries().size(), 1u) << "only the broken .so is skipped, with its reason";
  EXPECT_EQ(manager_.SkippedLibraries()[0].path, temp_ / "Plugins/broken.so");
  EXPECT_FALSE(manager_.SkippedLibraries()[0].reason.empty());
}

TEST_F(PluginManagerTest, ListFilesComeFirstLoadOnceAndAreLimitedInSize) {
  const std::string listed = Install(KP_TP_RECORDING_A, "Plugins/listed.so");
  Install(KP_TP_RECORDING_B, "Elsewhere/extra.so");
  Install(KP_TP_BUTTON_ONLY, "Elsewhere/ignored.so");
  Install(KP_TP_RECORDING_B, "Plugins/walked.so");

  auto padded = [](std::string lines, std::size_t size) {
    lines.append(size - lines.size(), '\n');
    return lines;
  };
  temp_.WriteFile("Plugins/good.fpc", padded("listed.so\r\n../Elsewhere/extra.so\r\n", 15'999));
  temp_.WriteFile("Plugins/big.FPC", padded("../Elsewhere/ignored.so\n", 16'000));

  manager_.ScanPlugins(PluginsFolder());

  ASSERT_EQ(manager_.GetPluginCount(), 3u) << "listed.so is both listed and walked, and loads once";
  EXPECT_EQ(manager_.GetPlugin(0)->Path(), temp_ / "Plugins/listed.so");
  EXPECT_EQ(manager_.GetPlugin(1)->Path(), temp_ / "Plugins/../Elsewhere/extra.so");
  EXPECT_EQ(manager_.GetPlugin(2)->Path(), temp_ / "Plugins/walked.so");
  EXPECT_EQ(RecordsStartingWith("listed.so:startup").size(), 1u);
  EXPECT_TRUE(std::none_of(manager_.SkippedLibraries().begin(), manager_.SkippedLibraries().end(),
                           [&](const TSkippedLibrary& skipped) { return skipped.path == listed; }))
      << "the walk's copy of a listed library is no failure";
}

TEST_F(PluginManagerTest, ALibraryWithoutItsOwnShutdownIsNotEntered) {
  const std::string path = Install(KP_TP_NO_SHUTDOWN, "Plugins/half.so");
  EXPECT_FALSE(manager_.LoadPlugin(path));
  manager_.ScanPlugins(PluginsFolder());
  EXPECT_EQ(manager_.GetPluginCount(), 0u);
  EXPECT_TRUE(Records().empty()) << "its TPlugin_OnStartup never ran";
  EXPECT_FALSE(manager_.SkippedLibraries().empty());
}

TEST_F(PluginManagerTest, APluginGetsOneEntryPerVariableAndIsTheSenderOfItsCalls) {
  const std::size_t buttonAdd = *ApiFunctionIndex("ApplicationButtonAdd");
  std::vector<std::string> seen;
  const TPluginHolder* sender = nullptr;
  registry_.Implement(buttonAdd, [&](TMessagePacket& packet) -> std::int64_t {
    sender = packet.SenderPlugin;
    seen = {std::to_string(packet.GetInteger("iCommand")), std::string(packet.GetString("sDescription")),
            std::string(packet.GetString("sIconFileName"))};
    return 0xC0DE0001;
  });

  ASSERT_TRUE(manager_.LoadPlugin(Install(KP_TP_BUTTON_ONLY, "Plugins/button.so")));
  TPluginHolder& plugin = *manager_.GetPlugin(0);
  manager_.BindPlugin(plugin);
  ASSERT_EQ(plugin.EntryStubs().size(), 1u);
  EXPECT_EQ(plugin.EntryStubs()[0]->FunctionIndex(), buttonAdd);

  auto buttonAddEntry = VariableOf<kp_ApplicationButtonAdd_fn>(plugin, "ApplicationButtonAdd");
  ASSERT_NE(buttonAddEntry, nullptr);
  EXPECT_EQ(buttonAddEntry(7, "Connect", nullptr), 0xC0DE0001u);
  EXPECT_EQ(sender, &plugin);
  EXPECT_EQ(seen, (std::vector<std::string>{"7", "Connect", ""}));

  // From a plugin thread the same entry goes through the main thread.
  std::atomic<kp_handle> fromThread{0};
  std::thread caller([&] { fromThread = buttonAddEntry(-3, "Away", "x.bmp"); });
  while (fromThread.load() == 0) loop_.RunOnce(std::chrono::milliseconds(10));
  caller.join();
  EXPECT_EQ(fromThread.load(), 0xC0DE0001u);
  EXPECT_EQ(seen, (std::vector<std::string>{"-3", "Away", "x.bmp"}));
}

TEST_F(PluginManagerTest, EntriesCarryEveryKindOfArgumentAndUnbuiltFunctionsAnswerZero) {
  ASSERT_TRUE(manager_.LoadPlugin(Install(KP_TP_RECORDING_A, "Plugins/kinds.so")));
  TPluginHolder& plugin = *manager_.GetPlugin(0);

  TMessagePacket last;
  auto keep = [&](TMessagePacket& packet) -> std::int64_t {
    last = packet;
    return -5;
  };
  registry_.Implement("ServiceAddType", keep);
  registry_.Implement("DownloadProgress", keep);
  registry_.Implement("SharedGetNextResult", keep);  // runs on the calling thread
  manager_.BindPlugin(plugin);

  const kp_guid guid{0x01234567, 0x89AB, 0xCDEF, {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10}};
  EXPECT_EQ(VariableOf<kp_ServiceAddType_fn>(plugin, "ServiceAddType")("Network", "net.bmp", guid),
            0xFFFFFFFBu);
  EXPECT_EQ(last.GetString("sGUID"), "{01234567-89AB-CDEF-FEDC-BA9876543210}");
  EXPECT_EQ(last.GetString("sDescription"), "Network");
  EXPECT_EQ(last.SenderPlugin, &plugin);

  const std::int64_t big = 0x1'0000'0005;
  // A posted report answers 0 whatever its implementation returns.
  EXPECT_EQ(VariableOf<kp_DownloadProgress_fn>(plugin, "DownloadProgress")(0x80000001u, -1, big, INT64_MAX), 0);
  EXPECT_EQ(last.GetString("poDownload"), "-2147483647");
  EXPECT_EQ(last.GetInteger("iStartPosition"), -1);
  EXPECT_EQ(last.GetInteger("iEndPosition"), big);
  EXPECT_EQ(last.GetInteger("iPosition"), INT64_MAX);

  EXPECT_EQ(VariableOf<kp_SharedGetNextResult_fn>(plugin, "SharedGetNextResult")(42), -5);
  EXPECT_EQ(last.GetObject("pResult"), 42u);

  char buffer[256] = "untouched";
  EXPECT_EQ(VariableOf<kp_UsersGetName_fn>(plugin, "UsersGetName")(1, 0, buffer), 0) << "not built yet";
  EXPECT_STREQ(buffer, "untouched");
  EXPECT_EQ(VariableOf<kp_ApplicationTabAdd_fn>(plugin, "ApplicationTabAdd")("Tab", 99), 0u);
}

TEST_F(PluginManagerTest, BooleansCountOnlyTheirLowByte) {
  ASSERT_TRUE(manager_.LoadPlugin(Install(KP_TP_RECORDING_A, "Plugins/bools.so")));
  TPluginHolder& plugin = *manager_.GetPlugin(0);
  Strings popups;
  registry_.Implement("ApplicationMenuAdd", [&](TMessagePacket& packet) -> std::int64_t {
    popups.push_back(packet.GetBoolean("bIsPopup") ? "popup" : "main");
    return 1;
  });
  manager_.BindPlugin(plugin);
  auto menuAdd = VariableOf<kp_ApplicationMenuAdd_fn>(plugin, "ApplicationMenuAdd");
  for (const kp_bool value : {0, 1, 0x100, 0x1FF, -1}) menuAdd(1, 0, "x", "", value);
  EXPECT_EQ(popups, (Strings{"main", "popup", "main", "popup", "popup"}));
}

TEST_F(PluginManagerTest, FindsTheLastPluginOfAGuidAndReadsItsIdentity) {
  Install(KP_TP_RECORDING_A, "Plugins/a1.so");
  Install(KP_TP_RECORDING_B, "Plugins/b.so");
  temp_.WriteFile("Plugins/order.fpc", "a1.so\nb.so\na2.so\n");
  Install(KP_TP_RECORDING_A, "Plugins/a2.so");
  manager_.ScanPlugins(PluginsFolder());
  ASSERT_EQ(manager_.GetPluginCount(), 3u);

  TPluginHolder* found = manager_.FindPluginByGUID(GuidWithData1(0xAAAA0001u));
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->Path(), temp_ / "Plugins/a2.so") << "the later of two plugins with one GUID";
  EXPECT_EQ(manager_.FindPluginByGUID(GuidWithData1(0xBBBB0002u)), manager_.GetPlugin(1));
  EXPECT_EQ(manager_.FindPluginByGUID(GuidWithData1(0xCCCC0003u)), nullptr);
  EXPECT_EQ(found->VersionText(), "1.05");
  EXPECT_EQ(found->DisplayName(), "Recording plugin a2.so");
}

TEST_F(PluginManagerTest, UnloadsInLoadOrderAndForgetsUnknownPaths) {
  temp_.WriteFile("Plugins/order.fpc", "first.so\nsecond.so\nthird.so\n");
  Install(KP_TP_RECORDING_A, "Plugins/first.so");
  Install(KP_TP_RECORDING_B, "Plugins/second.so");
  Install(KP_TP_RECORDING_A, "Plugins/third.so");
  manager_.ScanPlugins(PluginsFolder());
  ASSERT_EQ(manager_.GetPluginCount(), 3u);

  manager_.UnloadPlugin(temp_ / "Plugins/nothing.so");
  EXPECT_EQ(manager_.GetPluginCount(), 3u);
  manager_.UnloadPlugin("  " + ToUpperAscii(temp_ / "Plugins/second.so") + " ");
  EXPECT_EQ(RecordsStartingWith("second.so:shutdown").size(), 1u) << "keys are trimmed and upper-cased";

  kp_test_record_clear();
  manager_.UnloadAllPlugins();
  EXPECT_EQ(manager_.GetPluginCount(), 0u);
  EXPECT_EQ(Records(), (Strings{"first.so:shutdown", "third.so:shutdown"}));

  // A new scan starts from nothing: the previous plugins are stopped first.
  manager_.ScanPlugins(PluginsFolder());
  kp_test_record_clear();
  manager_.ScanPlugins(PluginsFolder());
  EXPECT_EQ(RecordsStartingWith("first.so:shutdown").size(), 1u);
  EXPECT_EQ(manager_.GetPluginCount(), 3u);
}

TEST_F(PluginManagerTest, BlocksHoldTheNameAndPathsWithinTheirFields) {
  const std::string name(300, 'N');
  manager_.SetApplicationName(name);
  const std::byte* block = manager_.ApplicationBlock();
  EXPECT_EQ(ReadBlockField(block + 524, 254), std::string(253, 'N'));
  EXPECT_TRUE(std::all_of(block + 524 + 253, block + 800, [](std::byte b) { return b == std::byte{0}; }));
  EXPECT_TRUE(std::all_of(block, block + 524, [](std::byte b) { return b == std::byte{0}; }));
  manager_.SetApplicationName("Short");
  EXPECT_EQ(ReadBlockField(block + 524, 254), "Short");
  EXPECT_TRUE(std::all_of(block + 530, block + 800, [](std::byte b) { return b == std::byte{0}; }));

  // A path longer than a field loads from its full text.
  std::string deep = "Plugins";
  while (deep.size() < 300) deep += "/a-rather-long-folder-name";
  const std::string path = Install(KP_TP_RECORDING_A, deep + "/long.so");
  ASSERT_GT(path.size(), 255u);
  ASSERT_TRUE(manager_.LoadPlugin(path));
  const TPluginHolder& plugin = *manager_.GetPlugin(0);
  EXPECT_EQ(ReadBlockField(plugin.PluginBlock(), 256), path.substr(0, 255));
  EXPECT_EQ(ReadBlockField(plugin.PluginBlock() + 256, 256), (temp_ / deep + "/").substr(0, 255));
}

TEST_F(PluginManagerTest, EveryBlockAPluginSeesLiesBelowFourGigabytes) {
  manager_.SetApplicationName("Keplinor");
  Install(KP_TP_RECORDING_A, "Plugins/low.so");
  manager_.ScanPlugins(PluginsFolder());
  const Strings startup = RecordsStartingWith("low.so:startup");
  ASSERT_EQ(startup.size(), 1u);
  std::uintptr_t application = 0;
  std::uintptr_t plugin = 0;
  char name[64] = {};
  ASSERT_EQ(
      std::sscanf(startup[0].c_str(), "low.so:startup application=%" SCNxPTR " plugin=%" SCNxPTR " name=%63s",
                  &application, &plugin, name),
      3)
      << startup[0];
  EXPECT_EQ(application, reinterpret_cast<std::uintptr_t>(manager_.ApplicationBlock()));
  EXPECT_EQ(plugin, reinterpret_cast<std::uintptr_t>(manager_.GetPlugin(0)->PluginBlock()));
  EXPECT_LE(application, 0xFFFFFFFFu);
  EXPECT_LE(plugin, 0xFFFFFFFFu);
  EXPECT_STREQ(name, "Keplinor") << "the plugin reads the name at its offset";
}

TEST_F(PluginManagerTest, OneLibraryUnderTwoPathsIsStartedOnce) {
  const std::string real = Install(KP_TP_RECORDING_A, "Plugins/real.so");
  fs::create_symlink(real, temp_ / "Plugins/alias.so");
  manager_.ScanPlugins(PluginsFolder());
  EXPECT_EQ(manager_.GetPluginCount(), 1u);
  EXPECT_EQ(RecordsStartingWith("real.so:startup").size() + RecordsStartingWith("alias.so:startup").size(),
            1u);
}

TEST_F(PluginManagerTest, AScanServesCallsThatWaitForTheMainThread) {
  for (int i = 0; i < 20; ++i) temp_.WriteFile("Plugins/data/file" + std::to_string(i) + ".txt", "x");
  bool served = false;  // written and read on this, the main thread
  const HandlerIndex index = dispatcher_.RegisterHandler([&](TMessagePacket&) -> std::int64_t {
    served = true;
    return 31;
  });

  std::atomic<std::int32_t> result{0};
  std::thread plugin([&] { result = dispatcher_.DispatchCall(index, TMessagePacket{}); });
  pollfd wake{queue_.WakeFd(), POLLIN, 0};
  ASSERT_EQ(::poll(&wake, 1, 20'000), 1) << "the plugin thread's call never arrived";
  manager_.ScanPlugins(PluginsFolder());
  const bool servedDuringScan = served;
  while (result.load() == 0) loop_.RunOnce(std::chrono::milliseconds(10));  // never leave it waiting
  plugin.join();
  EXPECT_EQ(result.load(), 31);
  EXPECT_TRUE(servedDuringScan) << "the call is served while the scan walks the folder";
}

}  // namespace
}  // namespace kp

namespace kp {
namespace {

// A library exporting a name of the contract as the wrong kind of symbol is
// skipped with its reason, and nothing of it runs.
struct HostileExport {
  const char* name;
  const char* library;
  const char* reasonWords;
};

class HostileExports : public PluginManagerTest, public ::testing::WithParamInterface<HostileExport> {};

TEST_P(HostileExports, AreSkippedWithTheirReasonBeforeAnythingRuns) {
  const std::string path = Install(GetParam().library, "Plugins/hostile.so");
  manager_.ScanPlugins(PluginsFolder());
  EXPECT_EQ(manager_.GetPluginCount(), 0u);
  EXPECT_TRUE(Records().empty()) << "its TPlugin_OnStartup never ran";
  ASSERT_EQ(manager_.SkippedLibraries().size(), 1u);
  EXPECT_EQ(manager_.SkippedLibraries()[0].path, path);
  EXPECT_NE(manager_.SkippedLibraries()[0].reason.find(GetParam().reasonWords), std::string::npos)
      << manager_.SkippedLibraries()[0].reason;
}

INSTANTIATE_TEST_SUITE_P(
    PluginManagerTest, HostileExports,
    ::testing::Values(HostileExport{"FunctionAsVariable", KP_TP_HOSTILE_FUNCTION_AS_VARIABLE,
                                    "ApplicationMenuAdd as a function"},
                      HostileExport{"ConstantVariable", KP_TP_HOSTILE_CONSTANT_VARIABLE,
                                    "ApplicationMenuAdd as a constant"},
                      HostileExport{"SmallVariable", KP_TP_HOSTILE_SMALL_VARIABLE,
                                    "ApplicationMenuAdd as an object of 4 bytes"},
                      HostileExport{"DataEvent", KP_TP_HOSTILE_DATA_EVENT, "OnApplicationStart as data"},
                      HostileExport{"DataStartup", KP_TP_HOSTILE_DATA_STARTUP, "TPlugin_OnStartup as data"}),
    [](const ::testing::TestParamInfo<HostileExport>& param) { return std::string(param.param.name); });

bool LogSays(const std::string& path, const std::string& word) {
  const auto text = ReadWholeFile(path, 4096);
  return text && text->find(word) != std::string::npos;
}

// A worker thread that calls the API in a loop while its plugin is stopped:
// whether the plugin joins it or only tells it to stop, unloading neither hangs
// nor leaves the thread to return into a released library.
TEST_F(PluginManagerTest, PluginsStopTheirBusyThreadsAtUnloading) {
  registry_.Implement("ApplicationGetFirewallStatus", [](TMessagePacket&) -> std::int64_t { return 3; });
  Install(KP_TP_BUSY_JOIN, "Plugins/join/busy.so");
  Install(KP_TP_BUSY_NO_JOIN, "Plugins/nojoin/busy.so");
  manager_.ScanPlugins(PluginsFolder());
  ASSERT_EQ(manager_.GetPluginCount(), 2u);
  for (const char* folder : {"join", "nojoin"}) {
    const std::string log = temp_ / (std::string("Plugins/") + folder + "/busy.log");
    for (int i = 0; i < 2000 && !LogSays(log, "started"); ++i) loop_.RunOnce(std::chrono::milliseconds(5));
    ASSERT_TRUE(LogSays(log, "started")) << folder;
  }

  const auto begin = std::chrono::steady_clock::now();
  manager_.UnloadAllPlugins();  // the workers wait for this thread, which does not serve them now
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(2));
  EXPECT_EQ(manager_.GetPluginCount(), 0u);
  EXPECT_TRUE(LogSays(temp_ / "Plugins/join/busy.log", "joined"));
  EXPECT_TRUE(manager_.KeptLibraries().empty()) << "both threads ended, so both libraries were released";
}

}  // namespace
}  // namespace kp
