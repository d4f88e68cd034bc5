// Uploads: admitted, queued or refused by the four limits, and the record.
#include <gtest/gtest.h>

#include "transfer_fixture.h"

namespace kp::test {
namespace {

struct UploadLimitCase {
  const char* name;
  TUploadSettings limits;
  // Earlier uploads as "nick:allowQueue", then the one under test.
  std::vector<std::pair<const char*, bool>> before;
  std::pair<const char*, bool> added;
  std::int32_t expected;  // -2 refused, -1 queued, 0 admitted
};

TUploadSettings Slots(std::int32_t maximum, std::int32_t perUser = -1) {
  TUploadSettings s;
  s.Limit = maximum >= 0;
  s.Maximum = maximum;
  s.LimitPerUser = perUser >= 0;
  s.MaximumPerUser = perUser;
  return s;
}
TUploadSettings Queues(TUploadSettings s, std::int32_t maximum, std::int32_t perUser = -1) {
  s.LimitQueues = maximum >= 0;
  s.MaximumQueues = maximum;
  s.LimitQueuesPerUser = perUser >= 0;
  s.MaximumQueuesPerUser = perUser;
  return s;
}

class UploadLimitTest : public TransferTest, public ::testing::WithParamInterface<UploadLimitCase> {};

TEST_P(UploadLimitTest, AdmitsQueuesOrRefuses) {
  settings_.Uploads = GetParam().limits;
  for (const auto& [nick, allowQueue] : GetParam().before) ASSERT_NE(Upload("f", nick, allowQueue), 0u);
  const std::uint32_t added = Upload("f", GetParam().added.first, GetParam().added.second);
  EXPECT_EQ(added == 0 ? -2 : uploads_.GetStatus(added), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UploadLimitTest,
    ::testing::Values(
        UploadLimitCase{"SlotsFullNoQueueing", Slots(2), {{"a", true}, {"b", true}}, {"c", false}, -2},
        UploadLimitCase{"SlotsFullQueued", Slots(2), {{"a", true}, {"b", true}}, {"c", true}, -1},
        UploadLimitCase{"PerUserSlotQueued", Slots(-1, 1), {{"a", true}}, {"a", true}, -1},
        UploadLimitCase{"PerUserOtherUserAdmitted", Slots(-1, 1), {{"a", true}}, {"b", true}, 0},
        UploadLimitCase{"NoQueuePlaces", Queues(Slots(0), 0), {}, {"a", true}, -2},
        UploadLimitCase{"QueueFull", Queues(Slots(0), 1), {{"a", true}}, {"b", true}, -2},
        UploadLimitCase{"UsersQueuePlacesFull", Queues(Slots(0), -1, 1), {{"a", true}}, {"a", true}, -2},
        UploadLimitCase{"OtherUsersQueuePlace", Queues(Slots(0), -1, 1), {{"a", true}}, {"b", true}, -1},
        UploadLimitCase{"QueueLimitsOnlyForWaiting", Queues(Slots(5), 0), {}, {"a", false}, 0}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(TransferTest, AQueuedUploadLearnsOfItsSlotByPollingAndReportsInItsRecord) {
  settings_.Uploads.Limit = true;
  settings_.Uploads.Maximum = 2;
  const std::uint32_t a = Upload("a");
  Upload("b");
  const std::uint32_t c = Upload("dir/c.iso", "carol");
  EXPECT_EQ(uploads_.GetStatus(c), -1);
  EXPECT_EQ(uploads_.GetQueueStatus(c, -1), 0);
  EXPECT_EQ(uploads_.GetQueueStatus(c, 0), 1);
  EXPECT_EQ(uploads_.GetQueueStatus(0, 0), 0);
  EXPECT_EQ(uploads_.GetStatus(0), -2);
  EXPECT_EQ(Item(c).GetProgress(), 0) << "no size before its first progress";
  uploads_.Complete(a);
  EXPECT_EQ(uploads_.GetStatus(c), 0);
  EXPECT_TRUE(Events().empty()) << "uploads have no start event";

  Later(2);
  using Fn = std::int32_t (*)(std::uint32_t, std::int64_t, std::int64_t, std::int64_t);
  Find<Fn>("ttp_upload_progress")(c, 0, 400, 100);
  EXPECT_EQ(Describe("ttp_describe_upload", c),
            "service=" + std::to_string(service_) +
                " pause=1 error= nick=carol file=dir/c.iso data=7ab status=2 progress=25 transferred=100 "
                "speed=50 estimated=6 size=400 start=0 end=400 position=100");
}

}  // namespace
}  // namespace kp::test
