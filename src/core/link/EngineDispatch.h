#pragma once
// Knows whether the engine is inside a dispatch and keeps, in order, what must wait until the
// outermost one has returned: destroying a machine released under its own stack, and a message box
// whose nested event loop would run in the middle of a state change.

#include <deque>
#include <functional>

namespace vlx {

class EngineDispatch {
 public:
  // Marks one dispatch on the stack for as long as it lives.
  class [[nodiscard]] Scope {
   public:
    explicit Scope(EngineDispatch& dispatch) : dispatch_(dispatch) { ++dispatch_.depth_; }
    ~Scope() { dispatch_.Leave(); }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    EngineDispatch& dispatch_;
  };

  EngineDispatch() = default;
  EngineDispatch(const EngineDispatch&) = delete;
  EngineDispatch& operator=(const EngineDispatch&) = delete;

  Scope Enter() { return Scope(*this); }
  bool Active() const { return depth_ > 0; }
  // Runs `action` once no dispatch is on the stack any more; at once when none is.
  void AfterDispatch(std::function<void()> action);

 private:
  void Leave();
  void RunPending();

  unsigned depth_ = 0;
  bool running_ = false;
  std::deque<std::function<void()>> pending_;
};

}  // namespace vlx
