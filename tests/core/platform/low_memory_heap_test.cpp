#include "core/platform/low_memory_heap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

namespace kp {
namespace {

bool AllZero(const void* block, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(block);
  return std::all_of(bytes, bytes + size, [](unsigned char b) { return b == 0; });
}

TEST(LowMemoryHeap, BlocksOfEverySizeAreLowZeroedAlignedAndReusedOnlyLater) {
  const std::size_t before = LowMemoryInUse();
  std::vector<std::pair<void*, std::size_t>> blocks;
  for (const std::size_t size : {1u, 15u, 16u, 41u, 62u, 277u, 800u, 3360u, 65'520u, 65'536u, 1'000'000u}) {
    void* block = LowAllocate(size);
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(IsLowAddress(block)) << size;
    EXPECT_TRUE(IsLowAddress(static_cast<char*>(block) + size - 1)) << size;
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 16, 0u) << size;
    EXPECT_TRUE(AllZero(block, size)) << size;
    std::memset(block, 0xAB, size);  // the whole block is writable
    blocks.emplace_back(block, size);
  }
  EXPECT_GT(LowMemoryInUse(), before);
  for (auto [block, size] : blocks) LowFree(block);
  EXPECT_EQ(LowMemoryInUse(), before);

  // A freed block is not handed out by the next allocations of its size (a stale
  // handle must name nothing), but it comes back in time, cleared again, so the
  // heap does not grow without bound.
  for (const std::size_t size : {100u, 1'000'000u}) {
    void* first = LowAllocate(size);
    std::memset(first, 0xCD, size);
    LowFree(first);
    bool cameBack = false;
    for (int i = 0; i < 10'000 && !cameBack; ++i) {
      void* next = LowAllocate(size);
      if (i == 0) {
        EXPECT_NE(next, first) << size;
      }
      cameBack = next == first;
      if (cameBack) {
        EXPECT_TRUE(AllZero(next, size)) << size;
      }
      LowFree(next);
    }
    EXPECT_TRUE(cameBack || size > 65'536u) << "a small block is reused after its quarantine: " << size;
  }
  LowFree(nullptr);
}

TEST(LowMemoryHeap, ASecondFreeOfABlockDoesNotCorruptTheHeap) {
  void* block = LowAllocate(64);
  LowFree(block);
  LowFree(block);
  void* a = LowAllocate(64);
  void* b = LowAllocate(64);
  EXPECT_NE(a, b) << "the twice-freed block is handed out once";
  LowFree(a);
  LowFree(b);
}

TEST(LowMemoryHeap, TextsAndObjectsLiveThereToo) {
  char* text = LowCopyText(std::string_view("name\0hidden", 11));
  EXPECT_STREQ(text, "name");
  EXPECT_EQ(LowAddress(text), reinterpret_cast<std::uintptr_t>(text));
  LowFree(text);

  struct Record {
    std::uint32_t handle = 7;
    std::vector<int> owned{1, 2, 3};
  };
  Record* record = LowNew<Record>();
  EXPECT_TRUE(IsLowAddress(record));
  EXPECT_EQ(record->handle, 7u);
  EXPECT_EQ(record->owned.size(), 3u);
  LowDelete(record);
  EXPECT_EQ(LowAddress(nullptr), 0u);
}

TEST(LowMemoryHeap, ThreadsAllocateAndFreeAtOnce) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 2000;
  std::vector<std::vector<void*>> kept(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &kept] {
      for (int i = 0; i < kRounds; ++i) {
        const std::size_t size = static_cast<std::size_t>(16 + (i * 37 + t) % 3000);
        void* block = LowAllocate(size);
        std::memset(block, t + 1, size);
        if (i % 2 == 0) {
          LowFree(block);
        } else {
          kept[static_cast<std::size_t>(t)].push_back(block);
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  std::set<void*> distinct;
  for (const auto& list : kept) distinct.insert(list.begin(), list.end());
  EXPECT_EQ(distinct.size(), static_cast<std::size_t>(kThreads * kRounds / 2)) << "no block is handed out twice";
  for (const auto& list : kept) {
    for (void* block : list) LowFree(block);
  }
}

}  // namespace
}  // namespace kp
