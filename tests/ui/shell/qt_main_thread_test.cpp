#include "ui/shell/qt_main_thread.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QTimer>
#include <atomic>
#include <thread>

#include "core/host/dispatcher.h"

namespace kp {
namespace {

TEST(QtMainThread, APluginThreadsCallIsServedInsideAModalDialog) {
  TMainThreadQueue queue;
  TDispatcher dispatcher(queue);
  TQtMainThread mainThread(queue);
  std::thread::id ranOn;
  const HandlerIndex index = dispatcher.RegisterHandler([&](TMessagePacket& packet) -> std::int64_t {
    ranOn = std::this_thread::get_id();
    return packet.GetInteger(TPacketName::Unchecked("iValue")) + 1;
  });

  std::atomic<std::int32_t> result{0};
  bool servedWhileOpen = false;
  QDialog dialog;
  // Checks from inside the dialog's own loop whether the call was answered.
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
    if (result.load() != 0) {
      servedWhileOpen = dialog.isVisible();
      dialog.accept();
    }
  });
  QTimer::singleShot(20'000, &dialog, &QDialog::reject);  // never hang
  poll.start(5);

  std::thread plugin([&] {
    TMessagePacket packet;
    packet.AddInteger("iValue", 41);
    result = dispatcher.DispatchCall(index, std::move(packet));
  });
  dialog.exec();
  plugin.join();
  EXPECT_EQ(result.load(), 42);
  EXPECT_TRUE(servedWhileOpen);
  EXPECT_EQ(ranOn, std::this_thread::get_id()) << "on the main thread";
}

}  // namespace
}  // namespace kp
