#pragma once
// Turns Ctrl+C (SIGINT) and SIGTERM into calls on the event loop's thread, so that a running
// conversation can be stopped the way it must be rather than by the default of ending the
// process wherever it is. While a watcher lives the two signals no longer end the process.

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace vlx::cli {

class SignalWatcher final : public QObject {
 public:
  // `onSignal` gets the signal's number.
  explicit SignalWatcher(std::function<void(int)> onSignal);
  ~SignalWatcher() override;
  SignalWatcher(const SignalWatcher&) = delete;
  SignalWatcher& operator=(const SignalWatcher&) = delete;

 private:
  void OnReadable();

  std::function<void(int)> onSignal_;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace vlx::cli
