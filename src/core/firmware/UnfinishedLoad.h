#pragma once
// The port of an amplifier that a firmware load left in its loader without working firmware, which
// needs a power cycle and a new load; a good load clears it. It is stored at once, because the
// reader may be another program started later (`vlxctl info` after an abandoned firmware load).

#include <string>

#include "model/SettingsStore.h"

namespace vlx {

// The name of the settings value that holds the record.
extern const char* const kUnfinishedLoadValue;

// `port` empty: no amplifier waits for a new load. Writes only when the record changes; a
// failed write is not reported, as for every setting.
void RecordUnfinishedLoad(SettingsStore& store, const std::string& port);
// The port the record names; empty when there is none.
std::string UnfinishedLoadPort(const SettingsStore& store);

}  // namespace vlx
