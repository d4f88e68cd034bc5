#pragma once
// Lets Qt's event loop drain the core's main-thread queue: a socket notifier on
// the queue's wake-up descriptor runs the queued work whenever some arrives, so
// plugin threads are served by the main loop and inside every modal dialog.

#include <QObject>
#include <QSocketNotifier>

#include "core/host/main_thread_queue.h"

namespace kp {

class TQtMainThread : public QObject {
  Q_OBJECT

 public:
  explicit TQtMainThread(TMainThreadQueue& queue, QObject* parent = nullptr);

  // "Process pending messages": the queue, then Qt's own events.
  void ProcessPendingMessages();

 private:
  TMainThreadQueue& queue_;
  QSocketNotifier notifier_;
};

}  // namespace kp
