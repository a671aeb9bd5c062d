#include "ftp/ThreadReaper.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace vlx {

ThreadReaper& ThreadReaper::Instance() {
  static ThreadReaper reaper;
  return reaper;
}

ThreadReaper::~ThreadReaper() {
  for (Adopted& adopted : threads_) {
    adopted.thread.join();
  }
}

void ThreadReaper::Adopt(std::thread thread, std::shared_ptr<const std::atomic<bool>> ended) {
  std::vector<Adopted> finished;
  {
    std::lock_guard lock(mutex_);
    const auto over = std::stable_partition(threads_.begin(), threads_.end(),
                                            [](const Adopted& adopted) { return !*adopted.ended; });
    std::move(over, threads_.end(), std::back_inserter(finished));
    threads_.erase(over, threads_.end());
    threads_.push_back({std::move(thread), std::move(ended)});
  }
  // Each has returned from its work already; joining only collects it.
  for (Adopted& adopted : finished) {
    adopted.thread.join();
  }
}

}  // namespace vlx
