#pragma once
// The trace a firmware load leaves for later runs of either program: the port of an amplifier
// that a load left in its loader without working firmware, which needs a power cycle and a new
// load. A load that says so writes it, a load that succeeds clears it. It goes into the settings
// store at once, as the run that reads it may be another program started later (`vlxctl info`
// after an abandoned `vlxctl firmware load`).

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
