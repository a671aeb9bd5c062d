#pragma once
// Passes status and verbose lines on to the window that shows them. The model is built before
// its main window exists, so it is given this relay, and the window plugs itself in once it is
// ready; lines before that have nowhere to go and are dropped.

#include "report/StatusSink.h"

namespace vlx {

class StatusRelay final : public StatusSink {
 public:
  void SetTarget(StatusSink* target) { target_ = target; }

  void StatusText(const std::string& line) override {
    if (target_ != nullptr) {
      target_->StatusText(line);
    }
  }
  void VerboseText(const std::string& line) override {
    if (target_ != nullptr) {
      target_->VerboseText(line);
    }
  }
  void TraceText(const std::string& line) override {
    if (target_ != nullptr) {
      target_->TraceText(line);
    }
  }

 private:
  StatusSink* target_ = nullptr;
};

}  // namespace vlx
