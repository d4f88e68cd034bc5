#include "core/host/process_dispatch.h"

#include "core/host/dispatcher.h"

namespace kp {

TMainThreadQueue& ProcessMainThreadQueue() {
  static TMainThreadQueue queue;
  return queue;
}

TApiRegistry& ProcessApiRegistry() {
  static TDispatcher dispatcher(ProcessMainThreadQueue());
  static TApiRegistry registry(dispatcher);
  return registry;
}

}  // namespace kp
