// vlxctl's status lines and boxes on one stream: what a user reads on stderr when the engine
// reports a failure, and what it would read twice if the box repeated the status line.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ConsoleReporting.h"
#include "report/Prompts.h"
#include "support/CaseNames.h"

namespace vlx::cli {
namespace {

// One event of a run: a status line, or a box with the "COM Port Error" caption.
struct Event {
  enum class Kind { kStatus, kBox } kind;
  std::string text;
};

Event Status(std::string text) {
  return {Event::Kind::kStatus, std::move(text)};
}
Event Box(std::string text) {
  return {Event::Kind::kBox, std::move(text)};
}

struct ReportingCase {
  const char* label;
  std::vector<Event> events;
  std::string printed;
};

class ConsoleReporting : public ::testing::TestWithParam<ReportingCase> {};

TEST_P(ConsoleReporting, PrintsEachFailureOnce) {
  ConsoleStatusSink status(false);
  ConsolePrompts prompts(status);
  ::testing::internal::CaptureStderr();
  for (const Event& event : GetParam().events) {
    if (event.kind == Event::Kind::kStatus) {
      status.StatusText(event.text);
    } else {
      EXPECT_EQ(prompts.MessageBox(event.text, "COM Port Error", mb::kIconError), mb::kIdOk);
    }
  }
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), GetParam().printed);
}

const char kFailure[] = "SetCommState failed on \"/dev/ttyUSB0\"\r\nError 0x0000001F: Failed.";
const char kPrinted[] = "SetCommState failed on \"/dev/ttyUSB0\"\nError 0x0000001F: Failed.\n";

INSTANTIATE_TEST_SUITE_P(
    Runs, ConsoleReporting,
    ::testing::Values(
        // The box waits for the engine call to return; the line's error flags come between.
        ReportingCase{
            "BoxAfterItsStatusLineAndAnother",
            {Status(kFailure), Status("ClearCommError dwErrors 0x0000"), Box(kFailure),
             Status("Unable to open serial port")},
            std::string(kPrinted) + "ClearCommError dwErrors 0x0000\nUnable to open serial port\n"},
        // Each report has its own status line, which tells it.
        ReportingCase{"SameFailureReportedTwice",
                      {Status(kFailure), Box(kFailure), Status(kFailure), Box(kFailure)},
                      std::string(kPrinted) + kPrinted},
        ReportingCase{"BoxWithoutAStatusLineIsPrintedOnce",
                      {Box("No VLX750"), Status("Searching"), Box("No VLX750")},
                      "COM Port Error: No VLX750\nSearching\n"}),
    vlx::test::ByLabel{});

}  // namespace
}  // namespace vlx::cli
