#pragma once
// The string-table ids of the Operate page, its plot and the telemetry log.

#include <cstdint>

namespace vlx::ids {

// Operate page.
constexpr std::uint32_t kOn = 130;       // "ON"
constexpr std::uint32_t kOff = 146;      // "OFF"
constexpr std::uint32_t kStandby = 147;  // "Standby"
constexpr std::uint32_t kOperate = 153;  // "Operate"
// Telemetry log and plot.
constexpr std::uint32_t kTelemetryLogStopped = 1320;  // "The telemetry log %s was stopped: %s"
constexpr std::uint32_t kTelemetryLogCaption = 1321;  // "Telemetry Log"
constexpr std::uint32_t kPlotPower = 1322;            // "Output power"
constexpr std::uint32_t kPlotSwr = 1323;              // "SWR"
constexpr std::uint32_t kPlotTemperature = 1324;      // "Temperature"
constexpr std::uint32_t kPlotPaVoltage = 1325;        // "PA voltage"
constexpr std::uint32_t kPlotPaCurrent = 1326;        // "PA current"
constexpr std::uint32_t kOperateRefusedForFault = 1327;
constexpr std::uint32_t kStartLog = 1360;          // "Start Log..."
constexpr std::uint32_t kStopLog = 1361;           // "Stop Log"
constexpr std::uint32_t kTelemetryLogRows = 1362;  // "%u rows"
constexpr std::uint32_t kTelemetryLogFileFilter = 1363;
constexpr std::uint32_t kTelemetryLogNotStarted = 1364;

}  // namespace vlx::ids
