#include "core/host/api_registry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace kp {
namespace {

TEST(ApiRegistry, RoutesEachFunctionAsTheTableSaysAndAnswersZeroWithoutAnImplementation) {
  TMainThreadQueue queue;
  TDispatcher dispatcher(queue);
  TApiRegistry registry(dispatcher);

  const std::size_t dispatched = *ApiFunctionIndex("UsersGetCount");
  const std::size_t direct = *ApiFunctionIndex("SharedFileExists");
  ASSERT_EQ(api::kApiFunctions[dispatched].route, api::Route::Dispatched);
  ASSERT_EQ(api::kApiFunctions[direct].route, api::Route::CallingThread);

  std::thread::id ranOn;
  auto where = [&](TMessagePacket&) -> std::int64_t {
    ranOn = std::this_thread::get_id();
    return 0x1'0000'0009;
  };
  EXPECT_FALSE(registry.IsImplemented(dispatched));
  EXPECT_EQ(registry.Call(dispatched, TMessagePacket{}), 0) << "no implementation yet";
  EXPECT_TRUE(registry.Implement("UsersGetCount", where));
  EXPECT_TRUE(registry.Implement(direct, where));
  EXPECT_FALSE(registry.Implement(api::kApiFunctionCount, where));
  EXPECT_TRUE(registry.IsImplemented(dispatched));
  EXPECT_EQ(dispatcher.HandlerCount(), 1u) << "only the dispatched one goes through the dispatcher";

  std::thread plugin([&] {
    EXPECT_EQ(registry.Call(direct, TMessagePacket{}), 9) << "low 32 bits";
    EXPECT_EQ(ranOn, std::this_thread::get_id()) << "a calling-thread function runs where it is called";
  });
  plugin.join();

  std::atomic<std::int32_t> result{-1};
  std::thread caller([&] { result = registry.Call(dispatched, TMessagePacket{}); });
  while (result.load() == -1) queue.ProcessPending();
  caller.join();
  EXPECT_EQ(result.load(), 9);
  EXPECT_EQ(ranOn, std::this_thread::get_id()) << "a dispatched function runs on the main thread";

  registry.Implement(direct, [](TMessagePacket&) -> std::int64_t { throw std::runtime_error("broken"); });
  EXPECT_EQ(registry.Call(direct, TMessagePacket{}), 0) << "a failure never reaches the plugin";
  EXPECT_EQ(registry.Call(api::kApiFunctionCount + 5, TMessagePacket{}), 0);
  EXPECT_FALSE(EventIndex("OnNothing").has_value());
  EXPECT_EQ(api::kEvents[*EventIndex("OnApplicationExit")].name, "OnApplicationExit");
}

TEST(ApiRegistry, AScopeWithdrawsWhatItImplementedWhenItEndsAndNothingElse) {
  TMainThreadQueue queue;
  TDispatcher dispatcher(queue);
  TApiRegistry registry(dispatcher);
  auto answer = [](std::int64_t value) { return [value](TMessagePacket&) -> std::int64_t { return value; }; };

  const std::size_t kept = *ApiFunctionIndex("UsersGetCount");
  const std::size_t dispatched = *ApiFunctionIndex("ApplicationHide");
  const std::size_t direct = *ApiFunctionIndex("SharedFileExists");
  registry.Implement(kept, answer(1));
  {
    TApiRegistry::TScope scope(registry);
    EXPECT_TRUE(scope.Implement("ApplicationHide", answer(2)));
    EXPECT_TRUE(scope.Implement("SharedFileExists", answer(3)));
    EXPECT_EQ(registry.Call(dispatched, TMessagePacket{}), 2);
    EXPECT_EQ(registry.Call(direct, TMessagePacket{}), 3);
  }
  EXPECT_FALSE(registry.IsImplemented(dispatched));
  EXPECT_FALSE(registry.IsImplemented(direct));
  EXPECT_EQ(registry.Call(dispatched, TMessagePacket{}), 0) << "a withdrawn function answers 0 again";
  EXPECT_EQ(registry.Call(direct, TMessagePacket{}), 0);
  EXPECT_EQ(registry.Call(kept, TMessagePacket{}), 1) << "what the scope did not implement stays";
}

TEST(ApiRegistry, APostedFunctionAnswersZeroAtOnceAndItsQueuedCallsEndWithItsScope) {
  TMainThreadQueue queue;
  TDispatcher dispatcher(queue);
  TApiRegistry registry(dispatcher);
  const std::size_t posted = *ApiFunctionIndex("SearchComplete");
  ASSERT_EQ(api::kApiFunctions[posted].route, api::Route::Posted);

  int ran = 0;  // main thread only
  auto answerFive = [&](TMessagePacket&) -> std::int64_t {
    ++ran;
    return 5;
  };
  auto callFromPluginThread = [&] {
    std::int32_t result = -1;
    std::thread plugin([&] { result = registry.Call(posted, TMessagePacket{}); });
    plugin.join();  // returns without waiting for a drain
    return result;
  };
  {
    TApiRegistry::TScope scope(registry);
    scope.Implement("SearchComplete", answerFive);
    EXPECT_EQ(registry.Call(posted, TMessagePacket{}), 0) << "the result is fixed";
    EXPECT_EQ(ran, 1) << "the main thread's own call runs at once";

    EXPECT_EQ(callFromPluginThread(), 0);
    EXPECT_EQ(ran, 1);
    queue.ProcessPending();
    EXPECT_EQ(ran, 2);

    EXPECT_EQ(callFromPluginThread(), 0);
  }
  queue.ProcessPending();
  EXPECT_EQ(ran, 2) << "a call queued for a withdrawn implementation runs nothing";
}

}  // namespace
}  // namespace kp
