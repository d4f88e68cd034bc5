#include "core/host/api_registry.h"

#include <utility>

namespace kp {
namespace {

// A posted call's caller has left before it runs: it can neither be handed a
// handle nor have a buffer of its own filled.
consteval bool PostedCallsNeedNoAnswer() {
  for (const api::FunctionSpec& spec : api::kApiFunctions) {
    if (spec.route != api::Route::Posted) continue;
    if (spec.result == api::ResultKind::Handle) return false;
    for (std::size_t i = 0; i < spec.paramCount; ++i) {
      if (spec.params[i].kind == api::ParamKind::TextBuffer) return false;
    }
  }
  return true;
}
static_assert(PostedCallsNeedNoAnswer(), "a posted function returns a handle or fills a buffer");

}  // namespace

bool TApiRegistry::Implement(std::size_t functionIndex, TApiHandler handler) {
  if (functionIndex >= api::kApiFunctionCount) return false;
  Implementation& slot = implementations_[functionIndex];
  if (api::kApiFunctions[functionIndex].route != api::Route::CallingThread) {
    slot.dispatched = dispatcher_.RegisterHandler(std::move(handler));
  } else {
    slot.direct = std::move(handler);
  }
  return true;
}

void TApiRegistry::Withdraw(std::size_t functionIndex) noexcept {
  if (functionIndex >= api::kApiFunctionCount) return;
  Implementation& slot = implementations_[functionIndex];
  // Posted calls may still wait for it in the queue; they must not reach the
  // object that is going away.
  if (slot.dispatched) dispatcher_.Unregister(*slot.dispatched);
  slot = Implementation{};
}

TApiRegistry::TScope::~TScope() {
  for (const std::size_t index : implemented_) registry_.Withdraw(index);
}

bool TApiRegistry::TScope::Implement(TApiFunctionName function, TApiHandler handler) {
  implemented_.reserve(implemented_.size() + 1);  // so that what is implemented is also remembered
  if (!registry_.Implement(function.index, std::move(handler))) return false;
  implemented_.push_back(function.index);
  return true;
}

bool TApiRegistry::IsImplemented(std::size_t functionIndex) const noexcept {
  if (functionIndex >= api::kApiFunctionCount) return false;
  const Implementation& slot = implementations_[functionIndex];
  return slot.dispatched.has_value() || static_cast<bool>(slot.direct);
}

std::int32_t TApiRegistry::Call(std::size_t functionIndex, TMessagePacket packet) noexcept {
  if (functionIndex >= api::kApiFunctionCount) return 0;
  Implementation& slot = implementations_[functionIndex];
  try {
    if (slot.dispatched && api::kApiFunctions[functionIndex].route == api::Route::Posted) {
      dispatcher_.PostCall(*slot.dispatched, std::move(packet));
      return 0;
    }
    if (slot.dispatched) return dispatcher_.DispatchCall(*slot.dispatched, std::move(packet));
    if (slot.direct) return LowThirtyTwoBits(slot.direct(packet));
  } catch (...) {
    // Nothing a plugin calls may throw back into it.
  }
  return 0;
}

}  // namespace kp
