#include "host/process_dispatch.h"

#include <utility>

namespace kp {

TMainThreadQueue& ProcessMainThreadQueue() {
  static TMainThreadQueue queue;
  return queue;
}

TDispatcher& ProcessDispatcher() {
  static TDispatcher dispatcher(ProcessMainThreadQueue());
  return dispatcher;
}

TApiRegistry& ProcessApiRegistry() {
  static TApiRegistry registry(ProcessDispatcher());
  return registry;
}

HandlerIndex RegisterHandler(TApiHandler handler) {
  return ProcessDispatcher().RegisterHandler(std::move(handler));
}

std::int32_t DispatchCall(HandlerIndex index, TMessagePacket packet) {
  return ProcessDispatcher().DispatchCall(index, std::move(packet));
}

}  // namespace kp
