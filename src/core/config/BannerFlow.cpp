#include "config/BannerFlow.h"

#include <functional>

#include "config/BannerRules.h"
#include "model/AppSettings.h"
#include "report/FailureReport.h"
#include "report/StringTable.h"

namespace vlx {

BannerFlow::BannerFlow(AppSettings& app, BannerFlowHost& host)
    : app_(app), host_(host), alive_(std::make_shared<bool>(true)) {}

BannerFlow::~BannerFlow() {
  Hide();
}

void BannerFlow::Show() {
  closing_ = false;
  Listen(true);
  StartRun(BannerRun::kRead, std::string());
}

void BannerFlow::Hide() {
  Listen(false);
  machine_.Release();
}

void BannerFlow::Listen(bool on) {
  if (on == listening_) {
    return;
  }
  listening_ = on;
  if (on) {
    app_.machineDone.Subscribe(*this);
    // The edit first shows the banner known before (empty in a new run), then the one read.
    app_.bannerText.SubscribeAndSend(*this);
  } else {
    app_.bannerText.Unsubscribe(*this);
    app_.machineDone.Unsubscribe(*this);
  }
}

bool BannerFlow::Save(const std::string& edited) {
  if (!editable_) {
    return false;
  }
  if (IsBannerUnchanged(edited, app_.bannerText.Get())) {
    return true;
  }
  Write(edited);
  return false;
}

void BannerFlow::Write(const std::string& text) {
  closing_ = true;
  StartRun(BannerRun::kWrite, text);
}

bool BannerFlow::Cancel() {
  BannerMachine* machine = machine_.get();
  if (machine == nullptr || machine->IsIdle()) {
    return true;
  }
  closing_ = true;
  machine->Cancel();
  return false;
}

void BannerFlow::StartRun(BannerRun run, const std::string& text) {
  // A machine that has ended is given up before the next one takes the slot.
  machine_.Release();
  machine_ = app_.InstallTransientMachine(std::make_unique<BannerMachine>(app_));
  run_ = run;
  SetEditable(false);
  host_.SetBusy(true);
  BannerMachine* machine = machine_.get();
  if (run == BannerRun::kRead) {
    machine->StartBannerRead();
  } else {
    machine->StartBannerWrite(text);
  }
}

void BannerFlow::OnMessage(MessageId id, MessageParam wParam) {
  if (id == kMsgBannerText) {
    host_.ShowBanner(ShownBanner(app_.bannerText.Get()));
    return;
  }
  BannerMachine* machine = machine_.get();
  // Only the end of this flow's own run counts.
  if (id == kMsgMachineDone && machine != nullptr && machine->IsIdle()) {
    OnRunEnded(static_cast<ErrorCode>(wParam));
  }
}

void BannerFlow::OnRunEnded(ErrorCode code) {
  host_.SetBusy(false);
  const bool failed = code != err::kSuccess && code != err::kCancelled;
  // Boxes wait until the dispatch has returned, and so does what follows them here.
  if (failed) {
    ShowErrorBox(app_.Boxes(), code, ids::kBannerErrorCaption);
  }
  const BannerRun run = run_;
  bool close = false;
  if (run == BannerRun::kWrite && failed) {
    // The sheet stays with the typed text, and BannerText keeps the banner the amplifier had,
    // so the user may save again or cancel.
    closing_ = false;
    SetEditable(true);
  } else if (closing_ || code != err::kSuccess) {
    close = true;
  } else {
    SetEditable(true);
  }
  app_.Dispatch().AfterDispatch([this, alive = std::weak_ptr<bool>(alive_), run, code, close] {
    if (!alive.expired()) {
      host_.RunEnded(run, code);
    }
    if (close && !alive.expired()) {
      host_.CloseSheet();
    }
  });
}

void BannerFlow::SetEditable(bool editable) {
  editable_ = editable;
  host_.SetEditable(editable);
}

}  // namespace vlx
