// The smaller Win32 bindings: the system's error texts, its list of serial ports and the device
// path a port is opened by.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "PortDevicePath.h"
#include "RegistryScratch.h"
#include "SerialCommPorts.h"
#include "WindowsErrorTexts.h"
#include "report/ErrorText.h"

namespace vlx::test {
namespace {

TEST(PortDevicePathTest, PrefixesEveryNameOutsideTheDeviceNamespace) {
  struct Case {
    const char* name;
    const char* path;
  };
  const Case cases[] = {
      {"COM1", R"(\\.\COM1)"},
      {"COM10", R"(\\.\COM10)"},
      {"COM256", R"(\\.\COM256)"},
      {R"(\\.\COM12)", R"(\\.\COM12)"},
      {R"(\\?\USB#VID_0403)", R"(\\?\USB#VID_0403)"},
      {"CNCA0", R"(\\.\CNCA0)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PortDevicePath(c.name), c.path) << c.name;
  }
}

TEST(WindowsErrorTextsTest, SystemCodesGetTheSystemsWordsWithoutTheLineBreak) {
  InstallWindowsErrorTexts();
  for (const ErrorCode code :
       {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_INVALID_PARAMETER}) {
    SCOPED_TRACE(code);
    std::string system = WindowsSystemText(code);
    ASSERT_FALSE(system.empty());
    system.erase(system.find_last_not_of("\r\n") + 1);
    EXPECT_EQ(FormatErrorText(code), system);
  }
  // The program's own codes and the FTP codes keep the program's words.
  EXPECT_EQ(FormatErrorText(0xE2000049), "No response to semicolon poll");
  EXPECT_EQ(FormatErrorText(12002), "The operation timed out");
  InstallSystemErrorTexts(nullptr);
}

// The test's own key stands in for the system's: the system's list belongs to the drivers.
TEST(SerialCommPortsTest, ListsThePortNamesOfTheKey) {
  RegistryScratch scratch;
  const auto putText = [&](const wchar_t* name, const std::wstring& port) {
    scratch.Put(L"\\SERIALCOMM", name, REG_SZ, port.c_str(),
                static_cast<DWORD>((port.size() + 1) * sizeof(wchar_t)));
  };
  putText(L"\\Device\\Serial0", L"COM1");
  putText(L"\\Device\\VCP0", L"COM10");
  putText(L"Winachsf0", L"COM5");
  putText(L"\\Device\\Empty", L"");
  putText(L"\\Device\\TooLong", L"COM-with-a-name-longer-than-a-port");
  putText((L"\\Device\\" + std::wstring(300, L'x')).c_str(), L"COM8");
  const DWORD number = 7;
  scratch.Put(L"\\SERIALCOMM", L"\\Device\\Number", REG_DWORD, &number, sizeof number);
  putText(L"\\Device\\ProlificSerial0", L"COM256");

  std::vector<std::string> ports =
      ListSerialCommPorts(HKEY_CURRENT_USER, scratch.Path() + L"\\SERIALCOMM");
  std::sort(ports.begin(), ports.end());
  EXPECT_EQ(ports, (std::vector<std::string>{"COM1", "COM10", "COM256"}));

  EXPECT_TRUE(ListSerialCommPorts(HKEY_CURRENT_USER, scratch.Path() + L"\\Missing").empty());
}

}  // namespace
}  // namespace vlx::test
