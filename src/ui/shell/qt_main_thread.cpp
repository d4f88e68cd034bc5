#include "ui/shell/qt_main_thread.h"

#include <QCoreApplication>

namespace kp {

TQtMainThread::TQtMainThread(TMainThreadQueue& queue, QObject* parent)
    : QObject(parent), queue_(queue), notifier_(queue.WakeFd(), QSocketNotifier::Read) {
  connect(&notifier_, &QSocketNotifier::activated, this, [this] { queue_.ProcessPending(); });
}

void TQtMainThread::ProcessPendingMessages() {
  queue_.ProcessPending();
  QCoreApplication::processEvents();
}

}  // namespace kp

// The meta-object code of the class, compiled with it.
#include "moc_qt_main_thread.cpp"
