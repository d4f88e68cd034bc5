#pragma once
// Memory below 4 GiB for everything plugins see by address: records, the texts
// they point to, and every object whose address is a handle. A handle is then a
// real address that fits 32 bits, and 32-bit pointer fields keep their offsets.
// Thread-safe. Freed blocks are reused only after a good many later frees of
// their size, so a stale handle names nothing rather than a newer object.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string_view>
#include <utility>
#include <vector>

namespace kp {

// Zero-filled memory below 4 GiB, aligned to 16 bytes. Throws std::bad_alloc
// when the low address range is exhausted.
[[nodiscard]] void* LowAllocate(std::size_t size);
// Returns a block from LowAllocate; null does nothing.
void LowFree(void* block) noexcept;

// A NUL-terminated copy of the text in low memory (an embedded NUL ends it).
[[nodiscard]] char* LowCopyText(std::string_view text);

// The 32-bit value of a low-memory address (0 for null).
[[nodiscard]] std::uint32_t LowAddress(const void* pointer) noexcept;
// True when the address lies below 4 GiB (null included).
[[nodiscard]] bool IsLowAddress(const void* pointer) noexcept;

// The object of a list whose handle is the given one: by default its low-memory
// address, or what handleOf gives for it. Null for 0 and for a handle the list
// does not hold, so every handle from a plugin is looked up before it is used.
template <typename T, typename HandleOf>
[[nodiscard]] T* FindByHandle(const std::vector<T*>& objects, std::uint32_t handle, HandleOf handleOf) noexcept {
  if (handle == 0) return nullptr;
  for (T* object : objects) {
    if (handleOf(object) == handle) return object;
  }
  return nullptr;
}
template <typename T>
[[nodiscard]] T* FindByHandle(const std::vector<T*>& objects, std::uint32_t handle) noexcept {
  return FindByHandle(objects, handle, [](const T* object) { return LowAddress(object); });
}

// Bytes handed out and not yet freed, for tests and diagnostics.
[[nodiscard]] std::size_t LowMemoryInUse() noexcept;

template <typename T, typename... Args>
[[nodiscard]] T* LowNew(Args&&... args) {
  void* memory = LowAllocate(sizeof(T));
  try {
    return new (memory) T(std::forward<Args>(args)...);
  } catch (...) {
    LowFree(memory);
    throw;
  }
}

template <typename T>
void LowDelete(T* object) noexcept {
  if (!object) return;
  object->~T();
  LowFree(object);
}

// Owns a low-memory object; destroys it with LowDelete.
template <typename T>
struct LowDeleter {
  void operator()(T* object) const noexcept { LowDelete(object); }
};

// A zero-filled block of raw bytes in low memory, freed with its owner.
struct LowBlockDeleter {
  void operator()(std::byte* block) const noexcept { LowFree(block); }
};
using LowBlock = std::unique_ptr<std::byte, LowBlockDeleter>;
[[nodiscard]] inline LowBlock MakeLowBlock(std::size_t size) {
  return LowBlock(static_cast<std::byte*>(LowAllocate(size)));
}

}  // namespace kp
