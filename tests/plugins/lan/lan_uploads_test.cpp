// The upload bookkeeping against a stand-in for the program's upload queue:
// the test fills the plugin's API slots as the program would.
#include "lan_uploads.h"

#include <gtest/gtest.h>
#include <sys/mman.h>

#include <map>
#include <string>
#include <vector>

#include "keplinor_plugin.h"

namespace {

// Handles are addresses of records below 4 GiB, as the program's are.
kp_upload_record* records = nullptr;
std::size_t recordsUsed = 0;
std::map<kp_handle, std::int32_t> status;  // -1 queued, 0 go
std::vector<std::string> calls;
std::string admitAs = "go";  // what the next UploadAdd answers: go, queue, refuse
std::int32_t bandwidth = 0;
std::atomic<bool>* stopDuringAdd = nullptr;

kp_handle FakeAdd(kp_handle, const char*, const char* name, kp_bool, kp_bool, uint32_t data) {
  calls.push_back(std::string("add ") + name);
  if (stopDuringAdd) stopDuringAdd->store(true);
  if (admitAs == "refuse") return 0;
  kp_upload_record* record = &records[recordsUsed++];
  record->Data = data;
  const auto handle = static_cast<kp_handle>(reinterpret_cast<std::uintptr_t>(record));
  status[handle] = admitAs == "queue" ? KP_UPLOAD_QUEUED : 0;
  return handle;
}
int32_t FakeStatus(kp_handle handle) {
  const auto found = status.find(handle);
  return found == status.end() ? KP_UPLOAD_UNKNOWN : found->second;
}
int32_t FakeQueueStatus(kp_handle, int32_t type) { return type == KP_QUEUE_STATUS_POSITION ? 1 : 4; }
int32_t FakeBandwidth(kp_handle) { return bandwidth; }
int32_t FakeProgress(kp_handle, int64_t, int64_t, int64_t position) {
  calls.push_back("progress " + std::to_string(position));
  return 0;
}
int32_t FakeComplete(kp_handle) {
  calls.push_back("complete");
  return 0;
}
void FakeError(kp_handle, const char* reason) { calls.push_back(std::string("error ") + reason); }

class LanUploads : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!records) {
      void* low = ::mmap(nullptr, 1 << 20, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
      ASSERT_NE(low, MAP_FAILED);
      records = static_cast<kp_upload_record*>(low);
    }
    UploadAdd = FakeAdd;
    UploadGetStatus = FakeStatus;
    UploadGetQueueStatus = FakeQueueStatus;
    UploadGetSuggestedBandwidth = FakeBandwidth;
    UploadProgress = FakeProgress;
    UploadComplete = FakeComplete;
    UploadError = FakeError;
    calls.clear();
    status.clear();
    admitAs = "go";
    bandwidth = 0;
    stopDuringAdd = nullptr;
  }
  void TearDown() override { lan::ForgetAllUploads(); }

  lan::Admission Ask(const std::string& path = "/Music/a.mp3") {
    return lan::AdmitUpload(7, "guest@10.0.0.2", path, "a.mp3", stop);
  }

  std::atomic<bool> stop{false};
};

TEST_F(LanUploads, QueuedUploadIsFoundAgainByTheRetryAndServedWhenAdmitted) {
  admitAs = "queue";
  const lan::Admission first = Ask();
  ASSERT_EQ(first.kind, lan::Admission::Kind::kQueued);
  EXPECT_EQ(first.position, 2);  // the program's 0-based place 1
  EXPECT_EQ(first.queueLength, 4);
  EXPECT_EQ(Ask().kind, lan::Admission::Kind::kQueued);
  // Another file of the same client is an upload of its own.
  EXPECT_EQ(Ask("/Music/b.mp3").kind, lan::Admission::Kind::kQueued);
  EXPECT_EQ(calls, (std::vector<std::string>{"add a.mp3", "add a.mp3"}));

  for (auto& [handle, state] : status) state = 0;  // the program gives the slots
  const lan::Admission go = Ask();
  ASSERT_EQ(go.kind, lan::Admission::Kind::kGo);
  lan::FinishUpload(go.upload, true, 0, 100, "unused");
  EXPECT_EQ(calls.back(), "complete");
  EXPECT_EQ(calls[calls.size() - 2], "progress 100");
}

TEST_F(LanUploads, RefusedAndGoneUploadsAreNotKept) {
  admitAs = "refuse";
  EXPECT_EQ(Ask().kind, lan::Admission::Kind::kRefused);
  admitAs = "queue";
  ASSERT_EQ(Ask().kind, lan::Admission::Kind::kQueued);
  status.clear();  // the program dropped it: the retry asks afresh
  admitAs = "go";
  EXPECT_EQ(Ask().kind, lan::Admission::Kind::kGo);
  EXPECT_EQ(calls, (std::vector<std::string>{"add a.mp3", "add a.mp3", "add a.mp3"}));
}

TEST_F(LanUploads, EventsSetFlagsOnlyOnOurUploadsAndRemovedOnesReportNothing) {
  const lan::Admission go = Ask();
  ASSERT_EQ(go.kind, lan::Admission::Kind::kGo);
  const kp_handle handle = go.upload->handle.load();
  EXPECT_TRUE(lan::PauseUpload(handle));
  EXPECT_TRUE(go.upload->paused.load());
  EXPECT_TRUE(lan::ResumeUpload(handle));
  EXPECT_FALSE(go.upload->paused.load());
  EXPECT_TRUE(lan::RemoveUpload(handle));
  lan::FinishUpload(go.upload, false, 0, 100, "cut");
  EXPECT_EQ(calls, (std::vector<std::string>{"add a.mp3"}));
  // Finished and forgotten: its handle is no longer ours.
  EXPECT_FALSE(lan::PauseUpload(handle));
}

TEST_F(LanUploads, StoppingWhileTheProgramAddsEndsTheNewUpload) {
  stopDuringAdd = &stop;
  EXPECT_EQ(Ask().kind, lan::Admission::Kind::kStopped);
  EXPECT_EQ(calls, (std::vector<std::string>{"add a.mp3", "error The node stopped serving"}));
}

TEST_F(LanUploads, NodeStopFailsItsQueuedUploads) {
  admitAs = "queue";
  ASSERT_EQ(Ask().kind, lan::Admission::Kind::kQueued);
  lan::EndQueuedUploadsOf(8);  // another node: untouched
  lan::EndQueuedUploadsOf(7);
  EXPECT_EQ(calls.back(), "error The node stopped serving");
  EXPECT_EQ(calls.size(), 2u);
}

TEST_F(LanUploads, FlowKeepsToTheBandwidthInPortions) {
  const lan::Admission go = Ask();
  ASSERT_EQ(go.kind, lan::Admission::Kind::kGo);
  lan::UploadFlow unlimited(go.upload, 0, 1 << 20, stop);
  EXPECT_EQ(unlimited.BeforeSend(1 << 20), 1 << 20);

  bandwidth = -500;  // the others take the whole limit: a crawl, not full speed
  lan::UploadFlow crawling(go.upload, 0, 1 << 20, stop);
  EXPECT_EQ(crawling.BeforeSend(1 << 20), 256);

  bandwidth = 40000;
  lan::UploadFlow paced(go.upload, 0, 1 << 20, stop);
  const auto start = std::chrono::steady_clock::now();
  std::int64_t sent = 0;
  while (sent < 20000) {
    const std::int64_t portion = paced.BeforeSend(1 << 20);
    ASSERT_EQ(portion, 10000);
    sent += portion;
    paced.AfterSend(portion, sent);
  }
  EXPECT_EQ(paced.BeforeSend(1 << 20), 10000);  // waits for the second portion's time
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(450));

  stop = true;
  EXPECT_EQ(paced.BeforeSend(1), -1);
}

}  // namespace
