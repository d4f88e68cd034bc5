// Downloads: admission and the queue, the slots each state holds, the events
// plugins hear, progress and speed, the suggestions, and the tree's groups.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "keplinor_records.h"
#include "transfer_fixture.h"

namespace kp::test {
namespace {

TEST_F(TransferTest, WithOneSlotTheSecondDownloadWaitsUntilTheFirstCompletes) {
  settings_.Downloads.Limit = true;
  settings_.Downloads.Maximum = 1;
  const std::uint32_t a = Add("a.mp3");
  const std::uint32_t b = Add("b.mp3");
  ASSERT_NE(b, 0u);
  EXPECT_EQ(Events(), (Strings{"OnDownloadStart a.mp3"}));
  EXPECT_EQ(downloads_.GetStatus(b), -1);
  EXPECT_EQ(downloads_.GetQueueStatus(b, -1), 0);
  Complete(a);
  Complete(a);  // a second completion changes nothing
  EXPECT_EQ(Events(), (Strings{"OnDownloadStart b.mp3"}));
  EXPECT_EQ(downloads_.GetStatus(b), 0);
  EXPECT_EQ(downloads_.Active().Count(), 1);
}

TEST_F(TransferTest, TheHeadOfTheQueueBlocksOtherUsersAndPromotionsStartInReverse) {
  settings_.Downloads.Limit = true;
  settings_.Downloads.Maximum = 2;
  settings_.Downloads.LimitPerUser = true;
  settings_.Downloads.MaximumPerUser = 1;
  const std::uint32_t ann1 = Add("ann1", "ann");
  const std::uint32_t bob1 = Add("bob1", "bob");
  Add("ann2", "ANN");  // the same user: keys ignore letter case
  Add("carl1", "carl");
  EXPECT_EQ(Events(), (Strings{"OnDownloadStart ann1", "OnDownloadStart bob1"}));
  Complete(bob1);
  EXPECT_TRUE(Events().empty()) << "ann2 heads the queue and ann still holds her slot: carl waits too";
  Complete(ann1);
  EXPECT_EQ(Events(), (Strings{"OnDownloadStart carl1", "OnDownloadStart ann2"}));
}

TEST_F(TransferTest, ProgressOnAQueuedDownloadStartsItFirst) {
  settings_.Downloads.Limit = true;
  settings_.Downloads.Maximum = 1;
  Add("a.mp3");
  const std::uint32_t b = Add("b.mp3");
  Events();
  Progress(b, 0, 100, 10);
  EXPECT_EQ(Events(), (Strings{"OnDownloadStart b.mp3"}));
  EXPECT_EQ(Item(b).State, TransferState::Transferring);
  EXPECT_EQ(downloads_.Active().Count(), 2) << "progress admits past the limit";
}

TEST_F(TransferTest, PausedAndRemotelyQueuedHoldTheirSlotsFailedOnesDoNotEvenResumed) {
  settings_.Downloads.Limit = true;
  settings_.Downloads.Maximum = 1;
  const std::uint32_t a = Add("a.mp3");
  Progress(a, 0, 100, 10);
  downloads_.PauseTransfer(Item(a));
  Progress(a, 0, 100, 20);  // a report that crossed the pause
  EXPECT_EQ(Item(a).State, TransferState::Paused);
  EXPECT_EQ(downloads_.GetStatus(Add("b.mp3")), -1) << "paused holds the slot";
  downloads_.ResumeTransfer(Item(a));
  downloads_.Queued(a, 3, 9);
  EXPECT_EQ(downloads_.GetStatus(Add("c.mp3")), -1) << "remotely queued holds the slot";

  Events();
  Fail(a, "gone");
  EXPECT_EQ(Events(), (Strings{"OnDownloadStart b.mp3"}));
  downloads_.ResumeTransfer(Item(a));
  EXPECT_EQ(Events(), (Strings{"OnDownloadResume a.mp3"}));
  EXPECT_EQ(downloads_.Active().Count(), 1) << "a resumed failed download runs without a slot";
  EXPECT_FALSE(downloads_.Active().Holds(&Item(a)));
}

TEST_F(TransferTest, OnlyUnfinishedDownloadsAreAnnouncedWhenRemoved) {
  const std::uint32_t done = Add("done.mp3");
  const std::uint32_t failed = Add("failed.mp3");
  const std::uint32_t paused = Add("paused.mp3");
  Add("starting.mp3");
  Complete(done);
  Fail(failed, "x");
  Progress(paused, 0, 10, 1);
  downloads_.PauseTransfer(Item(paused));
  Events();
  downloads_.RemoveAll();
  EXPECT_EQ(Events(), (Strings{"OnDownloadRemove paused.mp3", "OnDownloadRemove starting.mp3"}));
  EXPECT_EQ(downloads_.Root(), nullptr);
}

TEST_F(TransferTest, ClearCompleteRemovesAtOnceAndAdvancesTheQueue) {
  settings_.Downloads.Limit = true;
  settings_.Downloads.Maximum = 1;
  settings_.Downloads.ClearComplete = true;
  const std::uint32_t a = Add("a.mp3");
  Add("b.mp3");
  Events();
  Complete(a);
  EXPECT_EQ(Events(), (Strings{"OnDownloadStart b.mp3"}));
  EXPECT_EQ(downloads_.Items().size(), 1u);
  EXPECT_EQ(downloads_.FindItem(a), nullptr);
}

TEST_F(TransferTest, SpeedIsAveragedSinceTheDownloadWasAddedAndTheRecordCarriesIt) {
  settings_.Downloads.Limit = true;
  settings_.Downloads.Maximum = 0;
  const std::uint32_t d = Add("dir/song.mp3", "ann", 4000);
  Later(10);  // waiting in the queue counts
  Progress(d, 0, 4000, 0);
  Later(10);
  Progress(d, 0, 4000, 1000);
  EXPECT_EQ(
      Describe("ttp_describe_download", d),
      "service=" + std::to_string(service_) +
          " pause=1 resume=1 error= nick=ann file=dir/song.mp3 url=url://x data=5eed status=2 progress=25 "
          "transferred=1000 speed=50 estimated=60 size=4000 start=0 end=4000 position=1000");
  EXPECT_EQ(Item(d).DisplayName, "song.mp3");
}

TEST_F(TransferTest, ReplacedTextsShowInTheRecordAtItsNextFillAndTheOldOnesStayReadable) {
  const std::uint32_t d = Add("temp.part");
  const std::uint32_t before = kp_download_record_at(d)->FileName;
  Find<void (*)(std::uint32_t, const char*)>("ttp_download_finished")(d, "/music/final.mp3");
  const std::uint32_t after = kp_download_record_at(d)->FileName;  // a copy: the record is packed
  EXPECT_EQ(after, before) << "not refilled yet";
  EXPECT_STREQ(kp_text(before), "temp.part");
  Progress(d, 0, 10, 10);
  EXPECT_STREQ(kp_text(kp_download_record_at(d)->FileName), "/music/final.mp3");
}

struct ProgressCase {
  std::int64_t start, end, position;
  std::int32_t progress;
};
class DownloadProgressTest : public TransferTest, public ::testing::WithParamInterface<ProgressCase> {};

TEST_P(DownloadProgressTest, RoundsHalvesToEvenAndKeepsTheRangeOrdered) {
  const std::uint32_t d = Add("a.mp3");
  Progress(d, GetParam().start, GetParam().end, GetParam().position);
  EXPECT_EQ(Item(d).GetProgress(), GetParam().progress);
  EXPECT_GE(Item(d).EndPosition, Item(d).StartPosition);
}

INSTANTIATE_TEST_SUITE_P(Cases, DownloadProgressTest,
                         ::testing::Values(ProgressCase{0, 8, 1, 12},   // 12.5
                                           ProgressCase{0, 8, 3, 38},   // 37.5
                                           ProgressCase{5, 5, 5, 0},    // empty range
                                           ProgressCase{10, 3, 10, 0},  // end below start
                                           ProgressCase{0, 100, 150, 150}));

TEST_F(TransferTest, AGroupAveragesOnlyChildrenWithASize) {
  const std::uint32_t a = Add("a");
  const std::uint32_t b = Add("b");
  Add("c", "nick", 0);
  Progress(a, 0, 8, 1);  // 12.5 → 12
  Progress(b, 0, 8, 3);  // 37.5 → 38
  EXPECT_EQ(downloads_.Root()->GetProgress(), 25);
}

TEST_F(TransferTest, SuggestedBandwidthIsWhatTheLimitLeavesAfterTheOthers) {
  settings_.Downloads.LimitBandwidth = true;
  settings_.Downloads.MaximumBandwidth = 10000;
  const std::uint32_t a = Add("a");
  const std::uint32_t b = Add("b");
  Later(1);
  Progress(a, 0, 100000, 3000);
  Progress(b, 0, 100000, 4000);
  EXPECT_EQ(downloads_.SuggestedBandwidth(a), 6000);
  EXPECT_EQ(downloads_.SuggestedBandwidth(b), 7000);
  settings_.Downloads.MaximumBandwidth = 1000;
  EXPECT_EQ(downloads_.SuggestedBandwidth(a), -3000);
  EXPECT_EQ(downloads_.SuggestedBandwidth(0), 1000);
  settings_.Downloads.LimitBandwidth = false;
  EXPECT_EQ(downloads_.SuggestedBandwidth(a), 0);
}

TEST_F(TransferTest, SuggestedDirectoryFillsOnlyForItsTwoTypes) {
  settings_.Downloads.TempFolder = "/tmp/part";
  settings_.Downloads.CompletedFolder = std::string(300, 'c');
  using Fn = std::int32_t (*)(std::int32_t, char*);
  char buffer[256] = "untouched";
  EXPECT_EQ(Find<Fn>("ttp_suggested_directory")(0, buffer), 0);
  EXPECT_STREQ(buffer, "untouched");
  Find<Fn>("ttp_suggested_directory")(-1, buffer);
  EXPECT_STREQ(buffer, "/tmp/part");
  Find<Fn>("ttp_suggested_directory")(-2, buffer);
  EXPECT_EQ(std::strlen(buffer), 254u);
}

TEST_F(TransferTest, TheRootAndEmptyGroupsGoWithTheLastDownload) {
  const std::uint32_t outer = AddGroup("outer");
  const std::uint32_t inner = AddGroup("inner", outer);
  const std::uint32_t d = Add("a", "nick", 10, inner);
  ASSERT_EQ(Item(d).Parent->Handle(), inner);
  downloads_.RemoveTransfer(Item(d));
  EXPECT_EQ(downloads_.Root(), nullptr);
  EXPECT_TRUE(downloads_.PluginGroups().empty());
  downloads_.EditGroup(plugin_, outer, "late", "", "");  // an old handle does nothing
  EXPECT_EQ(downloads_.Root(), nullptr);
}

TEST_F(TransferTest, RemovingAGroupAsksFirstAndAForcedStartCannotTakeTwoSlots) {
  settings_.Downloads.Limit = true;
  settings_.Downloads.Maximum = 1;
  const std::uint32_t a = Add("a");
  Add("b");
  TTransferBase* root[] = {downloads_.Root()};
  downloads_.ApplyCommand(root, kStartTransfer, nullptr, false);
  EXPECT_EQ(downloads_.Active().Count(), 2) << "b forced; a already held its slot";
  downloads_.Complete(a);
  EXPECT_EQ(downloads_.Active().Count(), 1);

  view_.answerYes = false;
  downloads_.ApplyCommand(root, kRemoveTransfer, nullptr, false);
  EXPECT_EQ(view_.questions, 1);
  EXPECT_EQ(downloads_.Items().size(), 2u);
  view_.answerYes = true;
  downloads_.ApplyCommand(root, kRemoveTransfer, nullptr, false);
  EXPECT_TRUE(downloads_.Items().empty());
}

TEST_F(TransferTest, RemovingAServiceRemovesItsTransfersWithTheirEvents) {
  Add("a");
  Upload("u");
  Events();
  services_.RemoveService(plugin_, service_);
  EXPECT_EQ(Events(), (Strings{"OnDownloadRemove a", "OnUploadRemove u"}));
  EXPECT_EQ(downloads_.Root(), nullptr);
  EXPECT_EQ(uploads_.Root(), nullptr);
}

}  // namespace
}  // namespace kp::test

namespace kp::test {
namespace {

using TransferThreadsTest = TransferTest;

// Reports from plugin threads are posted: each thread's reports arrive in its
// order, and a completion posted after a thread's last progress lands last.
TEST_F(TransferThreadsTest, ReportsFromPluginThreadsArriveInEachThreadsOrder) {
  constexpr int kThreads = 4;
  constexpr int kReports = 500;
  std::vector<std::uint32_t> downloads;
  for (int t = 0; t < kThreads; ++t) downloads.push_back(Add(("t" + std::to_string(t)).c_str()));
  using Fn = std::int32_t (*)(std::uint32_t, std::int64_t, std::int64_t, std::int64_t);
  const auto progress = Find<Fn>("ttp_download_progress");
  const auto complete = Find<std::int32_t (*)(std::uint32_t)>("ttp_download_complete");
  std::atomic<int> done{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, d = downloads[static_cast<std::size_t>(t)]] {
      for (int i = 1; i <= kReports; ++i) progress(d, 0, kReports, i);
      if (d != downloads[0]) complete(d);
      ++done;
    });
  }
  while (done.load() < kThreads) loop_.RunOnce(std::chrono::milliseconds(5));
  for (std::thread& thread : threads) thread.join();
  loop_.ProcessPendingMessages();
  EXPECT_EQ(Item(downloads[0]).Position, kReports);
  EXPECT_EQ(Item(downloads[0]).State, TransferState::Transferring);
  for (int t = 1; t < kThreads; ++t)
    EXPECT_EQ(Item(downloads[static_cast<std::size_t>(t)]).State, TransferState::Complete);
}

}  // namespace
}  // namespace kp::test
