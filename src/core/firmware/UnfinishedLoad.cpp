#include "firmware/UnfinishedLoad.h"

#include "model/Setting.h"

namespace vlx {

const char* const kUnfinishedLoadValue = "UnfinishedLoadPort";

void RecordUnfinishedLoad(SettingsStore& store, const std::string& port) {
  if (UnfinishedLoadPort(store) != port) {
    store.WriteString({}, kUnfinishedLoadValue, port);
  }
}

std::string UnfinishedLoadPort(const SettingsStore& store) {
  return ReadStringValue(store, {}, kUnfinishedLoadValue).value_or(std::string());
}

}  // namespace vlx
