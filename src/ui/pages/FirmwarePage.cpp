#include "pages/FirmwarePage.h"

#include <QGroupBox>
#include <QVBoxLayout>

#include "DialogUnits.h"
#include "UiServices.h"
#include "link/Clock.h"
#include "pages/ActivityLog.h"

namespace vlx {
namespace {

// The page's size in dialog units, which is also the least it may be given.
constexpr int kWidthUnits = 326;
constexpr int kHeightUnits = 227;

}  // namespace

FirmwarePage::FirmwarePage(UiServices& services, const std::string& identityLine,
                           const std::string& osLine, QWidget* parent)
    : Page(QStringLiteral("Firmware"), parent),
      services_(services),
      layout_(new QVBoxLayout(this)),
      log_(new ActivityLog) {
  setObjectName("firmwarePage");
  setMinimumSize(DialogUnitsToPixels(font(), kWidthUnits, kHeightUnits));

  auto* logGroup = new QGroupBox(QStringLiteral("Activity Log"));
  logGroup->setObjectName("activityLogGroup");
  auto* logLayout = new QVBoxLayout(logGroup);
  logLayout->addWidget(log_);
  layout_->addWidget(logGroup, 1);

  const LocalTime now = services_.clock.Now();
  log_->AppendLogLine(identityLine, now);
  log_->AppendLogLine(osLine, now);
}

void FirmwarePage::OnPageLog(const std::string& line) {
  log_->AppendLogLine(line, services_.clock.Now());
}

}  // namespace vlx
