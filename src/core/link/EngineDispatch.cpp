#include "link/EngineDispatch.h"

#include <utility>

namespace vlx {

void EngineDispatch::AfterDispatch(std::function<void()> action) {
  pending_.push_back(std::move(action));
  if (depth_ == 0) {
    RunPending();
  }
}

void EngineDispatch::Leave() {
  if (--depth_ == 0) {
    RunPending();
  }
}

// A queued box runs a nested event loop, and the dispatches inside it end at depth 0 too; they
// leave their own waiting work to the loop already running here, so the order holds.
void EngineDispatch::RunPending() {
  if (running_) {
    return;
  }
  running_ = true;
  while (!pending_.empty()) {
    std::function<void()> action = std::move(pending_.front());
    pending_.pop_front();
    action();
  }
  running_ = false;
}

}  // namespace vlx
