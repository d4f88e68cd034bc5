#pragma once
// Which implementation answers each of the API functions. A dispatched or posted
// function is registered with the dispatcher and runs on the main thread (a
// posted one without its caller waiting: it answers 0 at once); a calling-thread
// function runs where the plugin called it. A function with no implementation yet
// answers 0.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "core/host/api_names.h"
#include "core/host/api_table.h"
#include "core/host/dispatcher.h"

namespace kp {

class TApiRegistry {
 public:
  explicit TApiRegistry(TDispatcher& dispatcher) : dispatcher_(dispatcher) {}

  // Gives the function its implementation, by its position in the table or by
  // its name (which the compiler checks); false for a position past the table.
  // Register at start-up on the main thread, before any plugin is bound.
  bool Implement(std::size_t functionIndex, TApiHandler handler);
  bool Implement(TApiFunctionName function, TApiHandler handler) {
    return Implement(function.index, std::move(handler));
  }

  [[nodiscard]] bool IsImplemented(std::size_t functionIndex) const noexcept;

  // The queue that carries dispatched calls to the main thread.
  [[nodiscard]] TMainThreadQueue& MainThreadQueue() const noexcept { return dispatcher_.Queue(); }

  // Runs the function's implementation with the packet: through the dispatcher or
  // on this thread, as the table says. 0 when it has none, and always for a
  // posted function. Never throws.
  std::int32_t Call(std::size_t functionIndex, TMessagePacket packet) noexcept;

  // Implementations that belong to an object which goes away before the
  // registry: what the object implements through its scope is taken back when
  // the scope ends (on the main thread), and those functions answer 0 again;
  // posted calls to them still queued then run nothing.
  class TScope {
   public:
    explicit TScope(TApiRegistry& registry) noexcept : registry_(registry) {}
    TScope(const TScope&) = delete;
    TScope& operator=(const TScope&) = delete;
    ~TScope();

    // As TApiRegistry::Implement, remembering the function for withdrawal.
    bool Implement(TApiFunctionName function, TApiHandler handler);

   private:
    TApiRegistry& registry_;
    std::vector<std::size_t> implemented_;
  };

 private:
  // The function answers 0 again.
  void Withdraw(std::size_t functionIndex) noexcept;

  struct Implementation {
    std::optional<HandlerIndex> dispatched;
    TApiHandler direct;
  };

  TDispatcher& dispatcher_;
  std::array<Implementation, api::kApiFunctionCount> implementations_{};
};

}  // namespace kp
