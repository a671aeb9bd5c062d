#pragma once
// The serial ports Windows knows of, for the Port page's list: the data of the values under
// HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM, where each port driver enters its port
// name (COM3, ...).

#include <windows.h>

#include <string>
#include <vector>

namespace vlx {

inline constexpr wchar_t kSerialCommKeyPath[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

// The non-empty REG_SZ port names, in the registry's order (the Port page sorts them). The
// modem driver's "winachsf0" entry is left out. A value whose name or port name is too long for
// a port is skipped and the ones after it are still listed; a key that cannot be opened gives
// an empty list.
std::vector<std::string> ListSerialCommPorts(HKEY root = HKEY_LOCAL_MACHINE,
                                             const std::wstring& path = kSerialCommKeyPath);

}  // namespace vlx
