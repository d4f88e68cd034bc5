// Three LAN nodes on loopback: B and C are the real program run headless on
// prepared folders, A is the core in this process with the same plugin. A asks,
// fetches, pauses, resumes and waits in B's queue as a user would.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/config/text_basics.h"
#include "core/host/message_packet.h"
#include "core/search/search_context.h"
#include "core/search/search_list.h"
#include "core/sharing/share_manager.h"
#include "core/transfers/download_folders.h"
#include "core/transfers/download_list.h"
#include "lan_e2e/lan_core_instance.h"
#include "lan_e2e/lan_node_folder.h"
#include "lan_e2e/lan_program_process.h"
#include "support/temp_folder.h"

namespace kp::lan_e2e {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr std::size_t kMiB = 1024 * 1024;

std::string Sha256Hex(std::string_view bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  for (unsigned int i = 0; i < length; ++i) {
    text += kHex[digest[i] >> 4];
    text += kHex[digest[i] & 15];
  }
  return text;
}

std::string RandomBytes(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random());
  return bytes;
}

std::vector<fs::path> PartFiles(const std::string& folder) {
  std::vector<fs::path> parts;
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator(folder, ignored)) {
    if (entry.path().extension() == ".part") parts.push_back(entry.path());
  }
  return parts;
}

// B and C each share one folder with everybody and one with the account "bob"
// of their node only. A has two nodes that know both: one presents bob, one
// nobody.
class LanTwoInstancesTest : public ::testing::Test {
 protected:
  struct TFile {
    std::string relative;  // below the data folder
    std::string content;
  };

  void StartNetwork(std::uint16_t basePort, std::vector<TLanSetting> settingsOfB = {}) {
    const std::uint16_t portB = basePort, portC = basePort + 1;
    const std::string peers[] = {"127.0.0.1:" + std::to_string(portB), "127.0.0.1:" + std::to_string(portC)};
    for (const TFile& file : files_) temp_.WriteFile("data/" + file.relative, file.content);

    const auto serving = [&](const char* name, std::uint32_t number, std::uint16_t port) {
      TLanFolderPlan plan = BasePlan();
      plan.executable = KP_LAN_PROGRAM;
      plan.nodes = {{NodeGuid(number), std::string("Node") + name, port, {}, "", ""}};
      const std::string open = temp_.MakeFolder("data/" + std::string(name) + "/public");
      const std::string closed = temp_.MakeFolder("data/" + std::string(name) + "/bob");
      plan.shares = {{std::string("Public") + name, open.substr(0, open.size() - 1), true, ""},
                     {std::string("Bob") + name, closed.substr(0, closed.size() - 1), true, "bob"}};
      plan.accounts = {{"bob", "secret"}};
      return plan;
    };
    TLanFolderPlan planB = serving("B", 1, portB);
    planB.settings = std::move(settingsOfB);
    ASSERT_NO_FATAL_FAILURE(Prepare("B", planB));
    ASSERT_NO_FATAL_FAILURE(Prepare("C", serving("C", 2, portC)));

    TLanFolderPlan planA = BasePlan();
    planA.nodes = {{NodeGuid(3), "WithBob", static_cast<std::uint16_t>(basePort + 2), {peers[0], peers[1]}, "bob",
                    "secret"},
                   {NodeGuid(4), "Nobody", static_cast<std::uint16_t>(basePort + 3), {peers[0], peers[1]}, "", ""}};
    ASSERT_NO_FATAL_FAILURE(Prepare("A", planA));

    std::string error;
    ASSERT_TRUE(nodeB_.Start(temp_ / "B", fs::path(KP_LAN_PROGRAM).filename(), portB, error)) << error;
    ASSERT_TRUE(nodeC_.Start(temp_ / "C", fs::path(KP_LAN_PROGRAM).filename(), portC, error)) << error;
    ASSERT_TRUE(a_.Start(temp_ / "A")) << "the core in this process did not start";
    ASSERT_TRUE(a_.PumpUntil([&] { return Listening(basePort + 2) && Listening(basePort + 3); }, 20s))
        << "A's nodes never listened";
    withBob_ = a_.ServiceNamed("WithBob");
    nobody_ = a_.ServiceNamed("Nobody");
    ASSERT_NE(withBob_, 0u);
    ASSERT_NE(nobody_, 0u);
  }

  void TearDown() override {
    a_.Finish();
    for (TLanProgram* node : {&nodeB_, &nodeC_}) {
      if (node->Launched()) {
        EXPECT_EQ(node->Stop(), 0) << "a node did not end cleanly:\n" << node->Output();
      }
    }
  }

  TLanFolderPlan BasePlan() const {
    TLanFolderPlan plan;
    plan.sourceFolder = fs::path(KP_LAN_PROGRAM).parent_path();
    plan.plugin = KP_LAN_PLUGIN;
    return plan;
  }
  void Prepare(const std::string& name, const TLanFolderPlan& plan) {
    std::string error;
    ASSERT_TRUE(PrepareLanFolder(temp_.MakeFolder(name), plan, error)) << error;
  }

  // The search's results of that name once every service asked has answered.
  std::vector<TSearchResultHolder*> SearchFor(std::uint32_t service, const std::string& text,
                                              const std::string& name) {
    const std::int32_t id = a_.Search(service, text);
    EXPECT_GE(id, 0) << "the search was not sent";
    const TSearchContext* search = a_.WaitForSearch(id, 30s);
    EXPECT_NE(search, nullptr) << "the search for " << text << " did not complete";
    return search ? TLanCore::ResultsNamed(*search, name) : std::vector<TSearchResultHolder*>{};
  }

  // Pumps until the download is complete or failed; its state then.
  TransferState WaitUntilFinished(std::uint32_t handle, std::chrono::seconds patience) {
    TransferState state = TransferState::Queued;
    a_.PumpUntil(
        [&] {
          const TTransferItem* item = a_.FindDownload(handle);
          if (!item) return true;
          state = item->State;
          return IsFinished(state);
        },
        patience);
    return state;
  }

  std::string ErrorOf(std::uint32_t handle) const {
    const TTransferItem* item = a_.FindDownload(handle);
    return item ? item->ErrorText() : "the download is gone";
  }
  std::string Completed(const std::string& name) const { return temp_ / ("A/Downloads/" + name); }

  test::TempFolder temp_;
  std::vector<TFile> files_;
  TLanProgram nodeB_;
  TLanProgram nodeC_;
  TLanCore a_;
  std::uint32_t withBob_ = 0;
  std::uint32_t nobody_ = 0;
};

TEST_F(LanTwoInstancesTest, ASearchFindsBothPeersAndEqualContentGroups) {
  const std::string common = RandomBytes(200 * 1024, 1);
  files_ = {{"B/public/common.bin", common},
            {"C/public/common.bin", common},
            {"B/bob/secret-b.txt", "only for bob on B"},
            {"C/bob/secret-c.txt", "only for bob on C"}};
  ASSERT_NO_FATAL_FAILURE(StartNetwork(18460));

  const std::vector<TSearchResultHolder*> hits = SearchFor(withBob_, "common", "common.bin");
  ASSERT_EQ(hits.size(), 2u);
  std::set<std::string> nicks;
  for (const TSearchResultHolder* hit : hits) {
    nicks.insert(hit->Nick);
    EXPECT_TRUE(EqualsIgnoreCase(hit->HashCode, Sha256Hex(common))) << hit->HashCode;
    EXPECT_EQ(hit->Size, static_cast<std::int64_t>(common.size()));
  }
  EXPECT_EQ(nicks, (std::set<std::string>{"NodeB", "NodeC"}));
  // The later of the two is grouped under the first.
  EXPECT_TRUE(hits[1]->Parent == hits[0] || hits[0]->Parent == hits[1]);

  // Bob's folders answer bob only; the anonymous node sees the open ones alone.
  EXPECT_EQ(SearchFor(withBob_, "secret", "secret-b.txt").size(), 1u);
  EXPECT_EQ(SearchFor(withBob_, "secret", "secret-c.txt").size(), 1u);
  EXPECT_TRUE(SearchFor(nobody_, "secret", "secret-b.txt").empty());
  EXPECT_TRUE(SearchFor(nobody_, "secret", "secret-c.txt").empty());
  EXPECT_EQ(SearchFor(nobody_, "common", "common.bin").size(), 2u);
}

TEST_F(LanTwoInstancesTest, APausedDownloadResumesAndLandsInTheSharedDownloads) {
  const std::string content = RandomBytes(3 * kMiB, 2);
  files_ = {{"B/public/pausable.bin", content}};
  ASSERT_NO_FATAL_FAILURE(StartNetwork(18465));
  // Slow enough to be caught midway.
  a_.Run().Settings().Downloads.LimitBandwidth = true;
  a_.Run().Settings().Downloads.MaximumBandwidth = static_cast<std::int32_t>(kMiB);

  const std::vector<TSearchResultHolder*> hits = SearchFor(withBob_, "pausable", "pausable.bin");
  ASSERT_EQ(hits.size(), 1u);
  TTransferItem* started = a_.Download(*hits[0]);
  ASSERT_NE(started, nullptr) << "the plugin added no download";
  const std::uint32_t handle = started->Handle();
  const auto midway = [&] {
    const TTransferItem* item = a_.FindDownload(handle);
    return item && item->State == TransferState::Transferring && item->Position >= 256 * 1024;
  };
  ASSERT_TRUE(a_.PumpUntil(midway, 30s)) << "the download never got going";
  a_.Pause(*a_.FindDownload(handle));
  ASSERT_EQ(a_.FindDownload(handle)->State, TransferState::Paused);

  // Paused: the part stays and stops growing.
  const std::string temp = temp_ / "A/Temp";
  ASSERT_TRUE(a_.PumpUntil([&] { return PartFiles(temp).size() == 1; }, 10s)) << "no part file while paused";
  a_.PumpFor(1s);
  const std::uintmax_t held = fs::file_size(PartFiles(temp).at(0));
  a_.PumpFor(1s);
  EXPECT_EQ(fs::file_size(PartFiles(temp).at(0)), held) << "the transfer went on while paused";
  EXPECT_LT(held, content.size());
  EXPECT_EQ(a_.FindDownload(handle)->State, TransferState::Paused);

  // Resumed, it goes on from the part: the part never shrinks below what it held.
  a_.Resume(*a_.FindDownload(handle));
  std::uintmax_t smallest = held;
  const auto finished = [&] {
    std::error_code gone;
    for (const fs::path& part : PartFiles(temp)) smallest = std::min(smallest, fs::file_size(part, gone));
    const TTransferItem* item = a_.FindDownload(handle);
    return !item || IsFinished(item->State);
  };
  ASSERT_TRUE(a_.PumpUntil(finished, 60s)) << "the resumed download did not finish";
  ASSERT_NE(a_.FindDownload(handle), nullptr);
  ASSERT_EQ(a_.FindDownload(handle)->State, TransferState::Complete) << ErrorOf(handle);
  EXPECT_EQ(smallest, held) << "the resumed download started again from the beginning";
  EXPECT_EQ(a_.FindDownload(handle)->FileName(), Completed("pausable.bin"));
  EXPECT_EQ(Sha256Hex(temp_.ReadFile("A/Downloads/pausable.bin")), Sha256Hex(content));
  EXPECT_TRUE(PartFiles(temp).empty());
  // The completed folder is shared: the share tree finds the new file there.
  const std::string shared = "/" + CompletedFolderShareName(a_.Run().Settings()) + "/pausable.bin";
  EXPECT_NE(a_.Run().Shares().FindFile(shared), nullptr) << shared;
}

TEST_F(LanTwoInstancesTest, APeerRefusesAUserWithoutTheRight) {
  files_ = {{"B/bob/secret-b.txt", "only for bob on B"}};
  ASSERT_NO_FATAL_FAILURE(StartNetwork(18470));
  EXPECT_TRUE(SearchFor(nobody_, "secret", "secret-b.txt").empty());
  const std::vector<TSearchResultHolder*> hits = SearchFor(withBob_, "secret", "secret-b.txt");
  ASSERT_EQ(hits.size(), 1u);

  // The anonymous node is handed bob's link, as a user who typed it in would be.
  TSearchList& searches = a_.Run().Searches();
  TSearchContext& search = searches.OpenSearch("secret", "", 0, 0, 0);
  searches.AddService(search, nobody_);
  TMessagePacket packet;
  packet.AddObject("poService", nobody_);
  packet.AddInteger("iSearchID", search.SearchID);
  packet.AddString("sDescription", hits[0]->Description);
  packet.AddString("sHashCode", hits[0]->HashCode);
  packet.AddString("sNick", hits[0]->Nick);
  packet.AddInteger("iSize", hits[0]->Size);
  packet.AddString("sURL", hits[0]->URL);
  searches.AddResult(packet);
  ASSERT_EQ(search.Results.size(), 1u);

  TTransferItem* item = a_.Download(*search.Results[0]);
  ASSERT_NE(item, nullptr);
  const std::uint32_t handle = item->Handle();
  ASSERT_EQ(WaitUntilFinished(handle, 30s), TransferState::Failed);
  EXPECT_EQ(ErrorOf(handle), "Refused by the peer");
  EXPECT_FALSE(fs::exists(Completed("secret-b.txt")));
}

TEST_F(LanTwoInstancesTest, AQueuedUploadIsServedWhenTheSlotFrees) {
  const std::string one = RandomBytes(3 * kMiB / 2, 3);
  const std::string two = RandomBytes(3 * kMiB / 2, 4);
  files_ = {{"B/public/queue-one.bin", one}, {"B/public/queue-two.bin", two}};
  // One upload at a time, slowly, so the second request finds the slot taken.
  ASSERT_NO_FATAL_FAILURE(StartNetwork(18475, {{"Uploads", "Limit", "TRUE"},
                                               {"Uploads", "Maximum", "1"},
                                               {"Uploads", "LimitBandwidth", "TRUE"},
                                               {"Uploads", "MaximumBandwidth", std::to_string(kMiB)}}));
  const std::vector<TSearchResultHolder*> first = SearchFor(withBob_, "queue", "queue-one.bin");
  const std::vector<TSearchResultHolder*> second = SearchFor(withBob_, "queue", "queue-two.bin");
  ASSERT_EQ(first.size(), 1u);
  ASSERT_EQ(second.size(), 1u);
  TTransferItem* itemOne = a_.Download(*first[0]);
  TTransferItem* itemTwo = a_.Download(*second[0]);
  ASSERT_TRUE(itemOne && itemTwo);
  const std::uint32_t handles[] = {itemOne->Handle(), itemTwo->Handle()};

  bool sawRemoteQueue = false;
  const auto bothFinished = [&] {
    bool finished = true;
    for (const std::uint32_t handle : handles) {
      const TTransferItem* item = a_.FindDownload(handle);
      if (!item) continue;
      sawRemoteQueue = sawRemoteQueue || item->State == TransferState::RemotelyQueued;
      finished = finished && IsFinished(item->State);
    }
    return finished;
  };
  ASSERT_TRUE(a_.PumpUntil(bothFinished, 90s)) << "the downloads did not finish";
  for (const std::uint32_t handle : handles) {
    ASSERT_NE(a_.FindDownload(handle), nullptr);
    EXPECT_EQ(a_.FindDownload(handle)->State, TransferState::Complete) << ErrorOf(handle);
  }
  EXPECT_TRUE(sawRemoteQueue) << "neither download was queued by B";
  EXPECT_EQ(Sha256Hex(temp_.ReadFile("A/Downloads/queue-one.bin")), Sha256Hex(one));
  EXPECT_EQ(Sha256Hex(temp_.ReadFile("A/Downloads/queue-two.bin")), Sha256Hex(two));
}

}  // namespace
}  // namespace kp::lan_e2e
