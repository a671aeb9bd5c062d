#pragma once
// Runs the Qt event loop in short slices until a condition holds or a deadline passes, so a
// real-device test can wait for the toolkit without ever hanging.

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <functional>

namespace vlxtest {

inline bool SpinUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  QElapsedTimer elapsed;
  elapsed.start();
  while (!done()) {
    if (elapsed.elapsed() >= limit.count()) {
      return false;
    }
    QEventLoop slice;
    QTimer::singleShot(5, Qt::PreciseTimer, &slice, &QEventLoop::quit);
    slice.exec();
  }
  return true;
}

inline void SpinFor(std::chrono::milliseconds period) {
  SpinUntil([] { return false; }, period);
}

}  // namespace vlxtest
