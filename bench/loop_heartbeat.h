#pragma once
// A beat every 4 ms on the main thread's event loop: a beat that comes late
// tells how long the loop was held up, which is what a user feels as a frozen
// window. Longest() is the worst delay seen since Start.
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>

namespace kp {

class TLoopHeartbeat {
 public:
  TLoopHeartbeat() {
    beat_.setTimerType(Qt::PreciseTimer);
    beat_.setInterval(kBeatMs);
    QObject::connect(&beat_, &QTimer::timeout, [this] {
      const qint64 now = clock_.nsecsElapsed();
      longest_ = std::max(longest_, now - lastBeat_ - kBeatMs * 1'000'000);
      lastBeat_ = now;
    });
  }

  void Start() {
    clock_.start();
    lastBeat_ = 0;
    beat_.start();
  }
  void Stop() { beat_.stop(); }
  [[nodiscard]] double LongestMs() const { return static_cast<double>(longest_) / 1e6; }

 private:
  static constexpr qint64 kBeatMs = 4;
  QTimer beat_;
  QElapsedTimer clock_;
  qint64 lastBeat_ = 0;
  qint64 longest_ = 0;
};

}  // namespace kp
