#pragma once
// The change message of every value of the model. Windows subscribe by these ids, and the ids
// are the ones the program has always used, so they stay fixed.

#include "model/Listener.h"

namespace vlx {

constexpr MessageId kMsgMachineDone = 0x801D;  // no value; wParam = the machine's error code

constexpr MessageId kMsgDeviceState = 0x8064;
constexpr MessageId kMsgActivePage = 0x8065;
constexpr MessageId kMsgAdvancedMode = 0x8066;
constexpr MessageId kMsgBand = 0x8067;
constexpr MessageId kMsgCommandCaption = 0x8068;  // wParam = index of a filled-in default caption
constexpr MessageId kMsgCommandText = 0x8069;
constexpr MessageId kMsgConfigurationFolder = 0x806B;
constexpr MessageId kMsgConfigurationRestoreOption = 0x806C;
constexpr MessageId kMsgDeviceType = 0x806D;
constexpr MessageId kMsgAvailableRevision = 0x806E;
constexpr MessageId kMsgFirmwareFolder = 0x806F;
constexpr MessageId kMsgFirmwareLoadRetryLimit = 0x8070;
constexpr MessageId kMsgRevision = 0x8071;
constexpr MessageId kMsgLoaderFlags = 0x8072;
constexpr MessageId kMsgProgressPosition = 0x8074;
constexpr MessageId kMsgProgressRange = 0x8075;
constexpr MessageId kMsgSerialNumber = 0x8076;
constexpr MessageId kMsgPort = 0x8077;
constexpr MessageId kMsgPortOpen = 0x8078;
constexpr MessageId kMsgBaudRate = 0x8079;
constexpr MessageId kMsgTrace = 0x807B;
constexpr MessageId kMsgVerboseLogging = 0x807C;
constexpr MessageId kMsgMainWindowReady = 0x807D;

constexpr MessageId kMsgBannerText = 0x8104;
constexpr MessageId kMsgPaCurrent = 0x8105;
constexpr MessageId kMsgCurrentFault = 0x8106;
constexpr MessageId kMsgFaultTableFolder = 0x8107;
constexpr MessageId kMsgOperatePollInterval = 0x8108;
constexpr MessageId kMsgOperateMode = 0x8109;
constexpr MessageId kMsgPower = 0x810A;
constexpr MessageId kMsgSwr = 0x810C;
constexpr MessageId kMsgTemperature = 0x810D;
constexpr MessageId kMsgPaVoltage = 0x810E;
constexpr MessageId kMsgTelemetryFolder = 0x8120;
constexpr MessageId kMsgOperatePlotMinutes = 0x8121;
constexpr MessageId kMsgOperatePlotVisible = 0x8122;
constexpr MessageId kMsgFtpServer = 0x8123;

}  // namespace vlx
