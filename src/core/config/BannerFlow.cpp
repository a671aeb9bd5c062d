#include "config/BannerFlow.h"

#include <functional>

#include "config/BannerRules.h"
#include "config/ConfigurationFile.h"
#include "model/AppSettings.h"
#include "report/ConfigTextIds.h"
#include "report/FailureReport.h"
#include "report/StatusSink.h"
#include "report/TextFormat.h"

namespace vlx {

BannerFlow::BannerFlow(AppSettings& app, BannerFlowHost& host)
    : app_(app), host_(host), alive_(std::make_shared<bool>(true)) {}

BannerFlow::~BannerFlow() {
  Hide();
}

void BannerFlow::Show() {
  closing_ = false;
  readingBack_ = false;
  Listen(true);
  StartRun(BannerRun::kRead, std::string());
}

void BannerFlow::Hide() {
  readingBack_ = false;
  busy_ = false;
  Listen(false);
  machine_.Release();
}

void BannerFlow::Listen(bool on) {
  if (on == listening_) {
    return;
  }
  listening_ = on;
  if (on) {
    // The edit first shows the banner known before (empty in a new run), then the one read.
    app_.bannerText.SubscribeAndSend(*this);
  } else {
    app_.bannerText.Unsubscribe(*this);
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

BannerStep BannerFlow::Step() const {
  if (!busy_) {
    return BannerStep::kIdle;
  }
  if (run_ == BannerRun::kWrite) {
    return BannerStep::kWriting;
  }
  return readingBack_ ? BannerStep::kReadingBack : BannerStep::kReading;
}

void BannerFlow::AfterDispatch(std::function<void()> then) {
  app_.Dispatch().AfterDispatch([alive = std::weak_ptr<bool>(alive_), then = std::move(then)] {
    if (!alive.expired()) {
      then();
    }
  });
}

void BannerFlow::StartRun(BannerRun run, const std::string& text) {
  // A machine that has ended is given up before the next one takes the slot.
  machine_.Release();
  machine_ =
      app_.InstallTransientMachine(std::make_unique<BannerMachine>(app_),
                                   [this](ErrorCode code, BannerMachine&) { OnRunEnded(code); });
  run_ = run;
  SetEditable(false);
  busy_ = true;
  host_.SetBusy(true);
  BannerMachine* machine = machine_.get();
  if (run == BannerRun::kRead) {
    machine->StartBannerRead();
  } else {
    machine->StartBannerWrite(text);
  }
}

void BannerFlow::OnMessage(MessageId id, MessageParam) {
  if (id == kMsgBannerText) {
    host_.ShowBanner(ShownBanner(app_.bannerText.Get()));
  }
}

void BannerFlow::OnRunEnded(ErrorCode code) {
  if (readingBack_) {
    OnReadBackEnded(code);
    return;
  }
  if (run_ == BannerRun::kWrite && code == err::kSuccess) {
    // The acknowledgement says the block arrived; reading it back says what the amplifier keeps.
    // The next machine starts once this one's dispatch is over.
    written_ = app_.bannerText.Get();
    readingBack_ = true;
    readBackMatches_ = false;
    AfterDispatch([this] {
      if (readingBack_ && listening_) {
        StartRun(BannerRun::kRead, std::string());
      }
    });
    return;
  }
  busy_ = false;
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
  AfterDispatch([this, run, code, close] {
    host_.RunEnded(run, code);
    if (close) {
      host_.CloseSheet();
    }
  });
}

void BannerFlow::OnReadBackEnded(ErrorCode code) {
  readingBack_ = false;
  busy_ = false;
  host_.SetBusy(false);
  const std::string& held = app_.bannerText.Get();
  readBackMatches_ = code == err::kSuccess && held == written_;
  bool close = closing_;
  if (code != err::kSuccess && code != err::kCancelled) {
    ShowErrorBox(app_.Boxes(), code, ids::kBannerErrorCaption);
  } else if (readBackMatches_) {
    app_.Status().StatusText(FormatText(ids::kBannerWrittenAndReadBack, {written_}));
  } else if (code == err::kSuccess) {
    // The edit now shows what the amplifier holds; the user may write again or cancel.
    const std::string text =
        FormatText(ids::kBannerReadBackDiffers, {written_, PrintableText(held)});
    app_.Status().StatusText(text);
    ShowMessageBox(app_.Boxes(), text, ids::kBannerErrorCaption, mb::kIconError);
    closing_ = false;
    close = false;
    SetEditable(true);
  }
  AfterDispatch([this, code, close] {
    host_.RunEnded(BannerRun::kWrite, code);
    if (close) {
      host_.CloseSheet();
    }
  });
}

void BannerFlow::SetEditable(bool editable) {
  editable_ = editable;
  host_.SetEditable(editable);
}

}  // namespace vlx
