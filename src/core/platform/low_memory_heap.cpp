#include "core/platform/low_memory_heap.h"

#include <sys/mman.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <utility>

namespace kp {
namespace {

// Blocks of up to 64 KiB come from size classes (powers of two from 16 bytes)
// carved out of 1 MiB regions; larger ones get a mapping of their own. Every
// block is preceded by a 16-byte header that says how it was made.
constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kSmallestClass = 16;
constexpr std::size_t kClassCount = 13;  // 16 B .. 64 KiB
constexpr std::size_t kLargestClass = kSmallestClass << (kClassCount - 1);
constexpr std::size_t kRegionSize = 1u << 20;
constexpr std::uint32_t kLargeBlock = 0xFFFFu;
constexpr std::uint32_t kMagic = 0x4B504C4Du;

struct Header {
  std::uint32_t magic;
  std::uint32_t sizeClass;  // kLargeBlock for a mapping of its own
  std::uint64_t mappedBytes;
};
static_assert(sizeof(Header) == kHeaderSize);

struct FreeBlock {
  FreeBlock* next;
};

// A freed block waits in its class's queue, oldest first, before it is handed
// out again: a plugin that keeps a stale handle then finds nothing under it,
// rather than another plugin's new object. Each class keeps at least
// kQuarantineBlocks blocks or kQuarantineBytes, whichever is more blocks.
constexpr std::size_t kQuarantineBlocks = 16;
constexpr std::size_t kQuarantineBytes = 256u << 10;
constexpr std::size_t kQuarantinedMappings = 16;

constexpr std::size_t QuarantineOf(std::size_t sizeClass) {
  const std::size_t blockBytes = kSmallestClass << sizeClass;
  return kQuarantineBytes / blockBytes > kQuarantineBlocks ? kQuarantineBytes / blockBytes
                                                           : kQuarantineBlocks;
}

struct FreeQueue {
  FreeBlock* oldest = nullptr;
  FreeBlock* newest = nullptr;
  std::size_t count = 0;

  void Push(FreeBlock* block) noexcept {
    block->next = nullptr;
    if (newest) {
      newest->next = block;
    } else {
      oldest = block;
    }
    newest = block;
    ++count;
  }
  FreeBlock* Pop() noexcept {
    FreeBlock* block = oldest;
    oldest = block->next;
    if (!oldest) newest = nullptr;
    --count;
    return block;
  }
};

void* MapLow(std::size_t bytes) {
  void* memory =
      ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
  if (memory == MAP_FAILED) throw std::bad_alloc();
  return memory;
}

class Heap {
 public:
  void* Allocate(std::size_t size) {
    if (size > kLargestClass - kHeaderSize) return AllocateLarge(size);
    std::size_t sizeClass = 0;
    while ((kSmallestClass << sizeClass) < size + kHeaderSize) ++sizeClass;
    const std::size_t blockBytes = kSmallestClass << sizeClass;

    std::byte* block;
    {
      std::lock_guard lock(mutex_);
      if (free_[sizeClass].count > QuarantineOf(sizeClass)) {
        FreeBlock* reused = free_[sizeClass].Pop();
        block = reinterpret_cast<std::byte*>(reused) - offsetof(Header, mappedBytes);
      } else {
        if (regionLeft_ < blockBytes) {
          // The rest of the old region is too small for this class; it is lost,
          // which costs at most one block of the largest class per region.
          regionNext_ = static_cast<std::byte*>(MapLow(kRegionSize));
          regionLeft_ = kRegionSize;
        }
        block = regionNext_;
        regionNext_ += blockBytes;
        regionLeft_ -= blockBytes;
      }
      inUse_ += blockBytes;
    }
    std::memset(block, 0, blockBytes);
    auto* header = reinterpret_cast<Header*>(block);
    header->magic = kMagic;
    header->sizeClass = static_cast<std::uint32_t>(sizeClass);
    header->mappedBytes = blockBytes;
    return block + kHeaderSize;
  }

  void Free(void* pointer) noexcept {
    auto* block = static_cast<std::byte*>(pointer) - kHeaderSize;
    auto* header = reinterpret_cast<Header*>(block);
    if (header->magic != kMagic) return;  // not ours, or freed twice: never corrupt the lists
    header->magic = 0;
    const std::size_t bytes = header->mappedBytes;
    if (header->sizeClass == kLargeBlock) {
      // A mapping of its own is given back only after later ones, so its address
      // is not mapped again at once either.
      std::pair<std::byte*, std::size_t> expired{};
      {
        std::lock_guard lock(mutex_);
        inUse_ -= bytes;
        auto& slot = freedMappings_[nextMapping_++ % kQuarantinedMappings];
        expired = slot;
        slot = {block, bytes};
      }
      if (expired.first) ::munmap(expired.first, expired.second);
      return;
    }
    // A free block keeps its header words; its free-list link takes the place of
    // the size, so the cleared magic still tells a second free to do nothing.
    auto* freed = reinterpret_cast<FreeBlock*>(block + offsetof(Header, mappedBytes));
    std::lock_guard lock(mutex_);
    free_[header->sizeClass].Push(freed);
    inUse_ -= bytes;
  }

  [[nodiscard]] std::size_t InUse() noexcept {
    std::lock_guard lock(mutex_);
    return inUse_;
  }

 private:
  void* AllocateLarge(std::size_t size) {
    const std::size_t page = 4096;
    const std::size_t bytes = (size + kHeaderSize + page - 1) / page * page;
    auto* block = static_cast<std::byte*>(MapLow(bytes));  // fresh mappings are zero-filled
    auto* header = reinterpret_cast<Header*>(block);
    header->magic = kMagic;
    header->sizeClass = kLargeBlock;
    header->mappedBytes = bytes;
    std::lock_guard lock(mutex_);
    inUse_ += bytes;
    return block + kHeaderSize;
  }

  std::mutex mutex_;
  std::array<FreeQueue, kClassCount> free_{};
  std::array<std::pair<std::byte*, std::size_t>, kQuarantinedMappings> freedMappings_{};
  std::size_t nextMapping_ = 0;
  std::byte* regionNext_ = nullptr;
  std::size_t regionLeft_ = 0;
  std::size_t inUse_ = 0;
};

Heap& TheHeap() {
  // Never destroyed: records may be freed by static destructors after main.
  static Heap* heap = new Heap();
  return *heap;
}

}  // namespace

void* LowAllocate(std::size_t size) { return TheHeap().Allocate(size); }

void LowFree(void* block) noexcept {
  if (block) TheHeap().Free(block);
}

char* LowCopyText(std::string_view text) {
  if (const auto nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
  auto* copy = static_cast<char*>(LowAllocate(text.size() + 1));
  std::memcpy(copy, text.data(), text.size());
  return copy;
}

std::uint32_t LowAddress(const void* pointer) noexcept {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(pointer));
}

bool IsLowAddress(const void* pointer) noexcept {
  return reinterpret_cast<std::uintptr_t>(pointer) <= 0xFFFFFFFFu;
}

std::size_t LowMemoryInUse() noexcept { return TheHeap().InUse(); }

}  // namespace kp
