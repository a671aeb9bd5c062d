#pragma once
// The message boxes as the engine may raise them.
// A box's nested event loop would let the next reply or tick into a half-done dispatch, so an
// OK-only box waits, in order, until the dispatch has returned; a question is asked at once, and
// only from states where re-entry is harmless.

#include "link/EngineDispatch.h"
#include "report/Prompts.h"

namespace vlx {

class DeferredPrompts final : public Prompts {
 public:
  DeferredPrompts(Prompts& prompts, EngineDispatch& dispatch)
      : prompts_(prompts), dispatch_(dispatch) {}

  // A box that waits answers OK, the only answer it can have.
  int MessageBox(const std::string& text, const std::string& caption, std::uint32_t style) override;
  // File boxes are questions: asked at once.
  FileBoxAnswer SaveFileBox(const FileBoxRequest& request) override {
    return prompts_.SaveFileBox(request);
  }
  FileBoxAnswer OpenFileBox(const FileBoxRequest& request) override {
    return prompts_.OpenFileBox(request);
  }
  // A host that words a file failure itself prints a line; no box, so nothing to wait for.
  bool TellFileFailure(const char* step, ErrorCode code, const std::string& path) override {
    return prompts_.TellFileFailure(step, code, path);
  }

 private:
  Prompts& prompts_;
  EngineDispatch& dispatch_;
};

}  // namespace vlx
