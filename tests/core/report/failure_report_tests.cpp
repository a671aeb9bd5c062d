#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "report/ConfigTextIds.h"
#include "report/ErrorCode.h"
#include "report/FailureReport.h"
#include "report/FaultTextIds.h"
#include "report/LinkTextIds.h"
#include "report/Prompts.h"
#include "report/ReportTextIds.h"
#include "report/RevisionText.h"
#include "report/StatusSink.h"

namespace vlx {
namespace {

// Status lines and boxes land in one log, so their order shows too.
struct Recorder : StatusSink, Prompts {
  void StatusText(const std::string& line) override { log.push_back("status: " + line); }
  void VerboseText(const std::string& line) override { log.push_back("verbose: " + line); }
  void TraceText(const std::string& line) override { log.push_back("trace: " + line); }
  int MessageBox(const std::string& text, const std::string& caption,
                 std::uint32_t style) override {
    log.push_back("box: " + text + " | " + caption + " | " + std::to_string(style));
    return answer;
  }

  std::vector<std::string> log;
  int answer = mb::kIdOk;
};

TEST(FailureReport, ReportFailureShowsTheLineAsStatusThenInAnErrorBox) {
  Recorder r;
  r.answer = 0;  // a box that could not be shown
  const int answer =
      ReportFailure(r, r, ids::kComPortErrorCaption, ids::kOperationFailedOn,
                    {"SetCommState", "/dev/ttyUSB0", err::kInvalidParameter, "The parameter"});
  const std::string line =
      "SetCommState failed on \"/dev/ttyUSB0\"\r\nError 0x00000057: The parameter";
  EXPECT_EQ(r.log, (std::vector<std::string>{"status: " + line,
                                             "box: " + line + " | COM Port Error | 16"}));
  EXPECT_EQ(answer, 0);
}

TEST(FailureReport, ShowErrorBoxShowsTheTextOfTheCode) {
  Recorder r;
  r.answer = mb::kIdOk;
  EXPECT_EQ(ShowErrorBox(r, err::kNoResponseToReadEepromBlock, ids::kFaultTableErrorCaption),
            mb::kIdOk);
  ShowErrorBox(r, 0xE2000777, ids::kSaveErrorCaption);
  EXPECT_EQ(r.log, (std::vector<std::string>{
                       "box: No response to Read EEPROM block | Fault Table Error | 16",
                       "box:  | Save Configuration Error | 16"}));
}

TEST(RevisionText, MarkersAndNumbers) {
  const struct {
    std::uint16_t revision;
    const char* text;
  } cases[] = {
      {0, "??.??"},   {9999, " N/A "}, {0xFFFE, "Loading"}, {1, "00.01"},       {123, "01.23"},
      {150, "01.50"}, {9998, "99.98"}, {10000, "100.00"},   {0xFFFF, "655.35"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RevisionText(c.revision), c.text) << c.revision;
  }
}

}  // namespace
}  // namespace vlx
