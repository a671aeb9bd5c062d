#include "firmware/LoadActivity.h"

#include "report/FirmwareTextIds.h"
#include "report/StringTable.h"
#include "report/TextFormat.h"

namespace vlx {

std::string LoadActivityText(const LoadActivity& activity) {
  switch (activity.kind) {
    case LoadActivity::Kind::kNoAnswer:
      return FormatText(ids::kPacketNoAnswer, {activity.address, activity.retry, activity.limit});
    case LoadActivity::Kind::kRejected:
      return FormatText(ids::kPacketRejected, {activity.address, activity.retry, activity.limit});
    case LoadActivity::Kind::kResynchronising:
      return std::string(LoadString(ids::kResynchronising));
    case LoadActivity::Kind::kFlowing:
      break;
  }
  return {};
}

}  // namespace vlx
