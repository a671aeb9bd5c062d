// The power-on banner: the rules the edit and vlxctl share, the banner machine's commands
// against the simulated EEPROM, and the flow the sheet and vlxctl drive, in virtual time.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "config/BannerFlow.h"
#include "config/BannerMachine.h"
#include "config/BannerRules.h"
#include "report/ErrorText.h"
#include "support/CaseNames.h"
#include "support/EepromBed.h"

namespace vlx::test {
namespace {

using namespace std::string_literals;

struct TextCase {
  const char* label;
  std::string typed;
  std::optional<std::string> taken;
};

class BannerTextRule : public ::testing::TestWithParam<TextCase> {};

TEST_P(BannerTextRule, TakesPrintableTextOfUpToEightCharactersInUpperCase) {
  EXPECT_EQ(AcceptBannerText(GetParam().typed), GetParam().taken);
}

INSTANTIATE_TEST_SUITE_P(Cases, BannerTextRule,
                         ::testing::Values(TextCase{"Empty", "", ""},
                                           TextCase{"Eight", "VLX750AB", "VLX750AB"},
                                           TextCase{"LowerCaseRaised", "hello w!", "HELLO W!"},
                                           TextCase{"PrintableEnds", " ~", " ~"},
                                           TextCase{"Nine", "ABCDEFGHI", std::nullopt},
                                           TextCase{"Tab", "A\tB", std::nullopt},
                                           TextCase{"Delete", "A\x7F", std::nullopt},
                                           TextCase{"NulByte", "A\0B"s, std::nullopt},
                                           TextCase{"NonAscii", "CAF\xC3\x89", std::nullopt}),
                         ByLabel());

TEST(BannerShown, BytesTheEditCannotShowBecomeQuestionMarksAndCountAsUnchanged) {
  const std::string banner = "ab\x01\xFF\x7F~"s;
  EXPECT_EQ(ShownBanner(banner), "ab???~");
  // Left as shown, nothing is written; a real edit, or the shown text raised to upper case, is.
  EXPECT_TRUE(IsBannerUnchanged("ab???~", banner));
  EXPECT_FALSE(IsBannerUnchanged("AB???~", banner));
  EXPECT_FALSE(IsBannerUnchanged("ab??~", banner));
  EXPECT_TRUE(IsBannerUnchanged("", ""));
}

// What the banner's bytes from 0x50 are in the EEPROM.
std::string BannerBytes(EepromBed& bed, std::size_t count) {
  return bed.link.Eeprom().Read(0, kBannerAddress, count);
}

struct ReadCase {
  const char* label;
  std::string eeprom;  // from 0x50
  std::string banner;
};

class BannerRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(BannerRead, OneBlockOfEightBytesGivesBannerText) {
  EepromBed bed;
  bed.link.Eeprom().Write(0, kBannerAddress, GetParam().eeprom);
  bed.app.bannerText.Set("OLD");
  BannerMachine& machine = bed.Install<BannerMachine>();
  ASSERT_TRUE(machine.StartBannerRead());
  EXPECT_FALSE(machine.StartBannerRead());
  ASSERT_TRUE(bed.RunToEnd(machine));

  EXPECT_EQ(bed.link.SentTexts(), std::vector<std::string>{"^ER005008A8;"});
  EXPECT_EQ(bed.recorder.done, std::vector<ErrorCode>{err::kSuccess});
  EXPECT_EQ(bed.app.bannerText.Get(), GetParam().banner);
}

INSTANTIATE_TEST_SUITE_P(Cases, BannerRead,
                         ::testing::Values(ReadCase{"EndsAtItsZero", "VLX750\0\xFF"s, "VLX750"},
                                           ReadCase{"ErasedIsEmpty", std::string(8, '\xFF'), ""},
                                           ReadCase{"ErasedFirstByteIsEmpty",
                                                    "\xFF"
                                                    "BCDEFGH",
                                                    ""},
                                           ReadCase{"EightWithoutZero", "ABCDEFGHZ", "ABCDEFGH"},
                                           ReadCase{"UnprintableBytesKept", "a\x01\x7F\0"s,
                                                    "a\x01\x7F"}),
                         ByLabel());

struct WriteCase {
  const char* label;
  std::string text;
  std::string command;
  std::string eepromAfter;  // 0x50 to 0x59, written over "ABCDEFGHIJ"
};

class BannerWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(BannerWrite, TheTextAndItsZeroGoInOneBlock) {
  EepromBed bed;
  bed.link.Eeprom().Write(0, kBannerAddress, "ABCDEFGHIJ");
  BannerMachine& machine = bed.Install<BannerMachine>();
  ASSERT_TRUE(machine.StartBannerWrite(GetParam().text));
  ASSERT_TRUE(bed.RunToEnd(machine));

  EXPECT_EQ(bed.link.SentTexts(), std::vector<std::string>{GetParam().command});
  EXPECT_EQ(bed.recorder.done, std::vector<ErrorCode>{err::kSuccess});
  EXPECT_EQ(BannerBytes(bed, 10), GetParam().eepromAfter);
  EXPECT_EQ(bed.app.bannerText.Get(), GetParam().text);
  EXPECT_TRUE(bed.link.Eeprom().RefusedWrites().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BannerWrite,
    ::testing::Values(WriteCase{"Hello", "HELLO", "^EW00500648454C4C4F0036;", "HELLO\0GHIJ"s},
                      WriteCase{"Empty", "", "^EW00500100AF;", "\0BCDEFGHIJ"s},
                      // Eight characters: the 0 goes to 0x58, past the banner's eight bytes.
                      WriteCase{"EightAlsoClears0x58", "VLX750XY", "^EW005009564C5837353058590060;",
                                "VLX750XY\0J"s}),
    ByLabel());

// Replies the block commands meet on a bad line or from a confused amplifier: a reply that fails
// its checks is dropped and only the tenth time-out ends the run; one that is merely in lower
// case is taken.
struct BlockFaultCase {
  const char* label;
  bool write;
  vlxsim::FrameFault::Kind kind;
  ErrorCode code;
  std::size_t sends;
};

class BannerBlockFault : public ::testing::TestWithParam<BlockFaultCase> {};

TEST_P(BannerBlockFault, EndsWithItsCodeAndBannerTextOnlyAfterASuccess) {
  const BlockFaultCase& c = GetParam();
  vlxsim::AmplifierConfig config;
  config.faults.commands = {{"^E", c.kind}};
  EepromBed bed(config);
  bed.app.bannerText.Set("BEFORE");
  BannerMachine& machine = bed.Install<BannerMachine>();
  c.write ? machine.StartBannerWrite("HELLO") : machine.StartBannerRead();
  ASSERT_TRUE(bed.RunToEnd(machine));

  EXPECT_EQ(bed.recorder.done, std::vector<ErrorCode>{c.code});
  EXPECT_EQ(bed.Sends(), c.sends);
  const char* const expected = c.code != err::kSuccess ? "BEFORE" : c.write ? "HELLO" : "VLX750";
  EXPECT_EQ(bed.app.bannerText.Get(), expected);
  EXPECT_FALSE(bed.time.IsTimerArmed(bed.router, kBannerTimerId));
}

using Kind = vlxsim::FrameFault::Kind;
INSTANTIATE_TEST_SUITE_P(
    Cases, BannerBlockFault,
    ::testing::Values(BlockFaultCase{"ReadGarbage", false, Kind::kGarbage,
                                     err::kNoResponseToReadEepromBlock, 10},
                      BlockFaultCase{"ReadShortGarbage", false, Kind::kShortGarbage,
                                     err::kNoResponseToReadEepromBlock, 10},
                      BlockFaultCase{"ReadOneByteShort", false, Kind::kOneByteShort,
                                     err::kNoResponseToReadEepromBlock, 10},
                      BlockFaultCase{"ReadLowerCase", false, Kind::kLowerCase, err::kSuccess, 1},
                      BlockFaultCase{"WriteUnanswered", true, Kind::kNoAnswer,
                                     err::kNoResponseToWriteEepromBlock, 10},
                      BlockFaultCase{"WriteGarbage", true, Kind::kGarbage,
                                     err::kNoResponseToWriteEepromBlock, 10},
                      BlockFaultCase{"WriteShortGarbage", true, Kind::kShortGarbage,
                                     err::kNoResponseToWriteEepromBlock, 10},
                      BlockFaultCase{"WriteOneByteShort", true, Kind::kOneByteShort,
                                     err::kNoResponseToWriteEepromBlock, 10},
                      BlockFaultCase{"WriteLowerCase", true, Kind::kLowerCase, err::kSuccess, 1}),
    ByLabel());

// Records what the flow asks of its sheet.
class RecordingSheet final : public BannerFlowHost {
 public:
  void ShowBanner(const std::string& text) override { shown.push_back(text); }
  void SetEditable(bool on) override { editable = on; }
  void SetBusy(bool on) override { busy = on; }
  void CloseSheet() override { ++closes; }
  void RunEnded(BannerRun run, ErrorCode code) override { ends.emplace_back(run, code); }

  std::vector<std::string> shown;
  bool editable = true;  // the flow must say otherwise before its first read
  bool busy = false;
  int closes = 0;
  std::vector<std::pair<BannerRun, ErrorCode>> ends;
};

class BannerFlowTest : public ::testing::Test {
 protected:
  explicit BannerFlowTest(vlxsim::AmplifierConfig config = {}) : bed(std::move(config)) {}

  // Shows the sheet and runs its first read to the end.
  void ShowAndRead() {
    flow.Show();
    ASSERT_TRUE(RunToEnd());
  }
  bool RunToEnd() {
    return bed.time.RunUntil([this] { return flow.Machine()->IsIdle(); }, 60000);
  }

  EepromBed bed;
  RecordingSheet sheet;
  BannerFlow flow{bed.app, sheet};
};

TEST_F(BannerFlowTest, EditAndSaveWaitForTheFirstReadThenAnUntouchedBannerSendsNothing) {
  bed.app.bannerText.Set("OLD");
  flow.Show();
  EXPECT_EQ(sheet.shown, std::vector<std::string>{"OLD"});
  EXPECT_FALSE(sheet.editable);
  EXPECT_TRUE(sheet.busy);
  // Save before the read has ended would compare against a stale text: it is not taken.
  EXPECT_FALSE(flow.Save("NEW"));
  ASSERT_TRUE(RunToEnd());

  EXPECT_EQ(sheet.shown, (std::vector<std::string>{"OLD", "VLX750"}));
  EXPECT_TRUE(sheet.editable);
  EXPECT_FALSE(sheet.busy);
  EXPECT_EQ(sheet.closes, 0);
  EXPECT_EQ(sheet.ends, (std::vector<std::pair<BannerRun, ErrorCode>>{{BannerRun::kRead, 0}}));
  EXPECT_TRUE(flow.Save("VLX750"));
  EXPECT_EQ(bed.link.SentTexts(), std::vector<std::string>{"^ER005008A8;"});
}

TEST_F(BannerFlowTest, ABannerWithBytesTheEditCannotShowIsNotRewrittenWhenUntouched) {
  bed.link.Eeprom().Write(0, kBannerAddress, "ab\x01\0"s);
  ShowAndRead();
  ASSERT_EQ(sheet.shown.back(), "ab?");
  EXPECT_TRUE(flow.Save("ab?"));
  EXPECT_EQ(bed.Sends(), 1u);
}

TEST_F(BannerFlowTest, AChangedTextIsWrittenAndReadBackWhileTheSheetWaitsThenItCloses) {
  ShowAndRead();
  EXPECT_FALSE(flow.Save("HELLO"));
  EXPECT_FALSE(sheet.editable);
  EXPECT_TRUE(sheet.busy);
  EXPECT_EQ(flow.Step(), BannerStep::kWriting);
  EXPECT_EQ(sheet.closes, 0);
  ASSERT_TRUE(bed.time.RunUntil([this] { return bed.app.bannerText.Get() == "HELLO"; }, 60000));
  EXPECT_TRUE(bed.time.RunUntil([this] { return flow.Step() == BannerStep::kReadingBack; }, 100));
  EXPECT_TRUE(sheet.busy) << "busy from the write to the end of its read-back";
  ASSERT_TRUE(bed.time.RunUntil([this] { return sheet.closes != 0; }, 60000));

  EXPECT_EQ(bed.link.SentTexts(),
            (std::vector<std::string>{"^ER005008A8;", "^EW00500648454C4C4F0036;", "^ER005008A8;"}));
  EXPECT_EQ(sheet.closes, 1);
  EXPECT_FALSE(sheet.busy);
  EXPECT_TRUE(flow.ReadBackMatches());
  EXPECT_EQ(sheet.ends.back(), std::make_pair(BannerRun::kWrite, err::kSuccess));
  EXPECT_EQ(bed.status.statusLines.back(),
            "The power-on banner \"HELLO\" was written and read back");
  EXPECT_EQ(bed.app.bannerText.Get(), "HELLO");
  EXPECT_EQ(BannerBytes(bed, 6), "HELLO\0"s);
  EXPECT_TRUE(bed.prompts.boxes.empty());
}

// The amplifier acknowledged the block but holds another text: said, and the sheet stays with
// what it holds.
TEST_F(BannerFlowTest, AReadBackThatDiffersIsReportedAndTheSheetStays) {
  ShowAndRead();
  flow.Save("HELLO");
  ASSERT_TRUE(bed.time.RunUntil([this] { return bed.app.bannerText.Get() == "HELLO"; }, 60000));
  bed.link.Eeprom().Write(0, kBannerAddress, "HELP\0"s);
  ASSERT_TRUE(bed.time.RunUntil([this] { return !sheet.busy; }, 60000));
  bed.time.RunFor(10);

  EXPECT_FALSE(flow.ReadBackMatches());
  ASSERT_EQ(bed.prompts.boxes.size(), 1u);
  EXPECT_EQ(bed.prompts.boxes[0].caption, "Power On Banner Error");
  EXPECT_EQ(bed.prompts.boxes[0].text, "\"HELLO\" was written, but the VLX reads back \"HELP\"");
  EXPECT_EQ(bed.status.statusLines.back(), bed.prompts.boxes[0].text);
  EXPECT_EQ(sheet.closes, 0);
  EXPECT_TRUE(sheet.editable);
  EXPECT_EQ(sheet.shown.back(), "HELP");
  EXPECT_EQ(sheet.ends.back(), std::make_pair(BannerRun::kWrite, err::kSuccess));
}

TEST_F(BannerFlowTest, ReadFailureIsReportedInBox350AndClosesTheSheet) {
  bed.SilenceAmplifier();
  ShowAndRead();
  ASSERT_EQ(bed.prompts.boxes.size(), 1u);
  EXPECT_EQ(bed.prompts.boxes[0].caption, "Power On Banner Error");
  EXPECT_EQ(bed.prompts.boxes[0].text, FormatErrorText(err::kNoResponseToReadEepromBlock));
  EXPECT_EQ(sheet.closes, 1);
  EXPECT_FALSE(sheet.editable);
}

class BannerFlowSilentOnWrite : public BannerFlowTest {
 protected:
  BannerFlowSilentOnWrite() : BannerFlowTest(SilentOnWrite()) {}
  static vlxsim::AmplifierConfig SilentOnWrite() {
    vlxsim::AmplifierConfig config;
    config.faults.commands = {{"^EW"}};
    return config;
  }
};

TEST_F(BannerFlowSilentOnWrite, AFailedWriteIsReportedAndTheSheetStaysWithTheTypedText) {
  ShowAndRead();
  EXPECT_FALSE(flow.Save("HELLO"));
  ASSERT_TRUE(RunToEnd());

  ASSERT_EQ(bed.prompts.boxes.size(), 1u);
  EXPECT_EQ(bed.prompts.boxes[0].caption, "Power On Banner Error");
  EXPECT_EQ(bed.prompts.boxes[0].text, FormatErrorText(err::kNoResponseToWriteEepromBlock));
  EXPECT_EQ(sheet.closes, 0);
  EXPECT_TRUE(sheet.editable);
  EXPECT_FALSE(sheet.busy);
  // Nothing tells the edit a new text, so it keeps what was typed.
  EXPECT_EQ(sheet.shown.back(), "VLX750");
  EXPECT_EQ(sheet.shown.size(), 2u);
  EXPECT_EQ(bed.app.bannerText.Get(), "VLX750");
  EXPECT_EQ(sheet.ends.back(),
            std::make_pair(BannerRun::kWrite, err::kNoResponseToWriteEepromBlock));

  // The user may try again, or cancel: the machine is idle, so the sheet closes at once.
  EXPECT_FALSE(flow.Save("HELLO"));
  EXPECT_TRUE(bed.time.RunUntil([this] { return flow.Machine()->IsIdle(); }, 60000));
  EXPECT_EQ(bed.prompts.boxes.size(), 2u);
  EXPECT_TRUE(flow.Cancel());
}

struct CancelCase {
  const char* label;
  bool duringWrite;
  bool silent;
};

class BannerFlowCancel : public BannerFlowTest, public ::testing::WithParamInterface<CancelCase> {};

TEST_P(BannerFlowCancel, ClosesWhenTheMachineHasEndedWithoutABox) {
  const CancelCase& c = GetParam();
  if (c.duringWrite) {
    ShowAndRead();
    flow.Save("HELLO");
  } else {
    flow.Show();
  }
  if (c.silent) {
    bed.SilenceAmplifier();
  }
  EXPECT_FALSE(flow.Cancel());
  EXPECT_EQ(sheet.closes, 0);
  ASSERT_TRUE(RunToEnd());

  EXPECT_EQ(bed.recorder.done.back(), err::kCancelled);
  EXPECT_EQ(sheet.closes, 1);
  EXPECT_TRUE(bed.prompts.boxes.empty());
  EXPECT_FALSE(bed.time.IsTimerArmed(bed.router, kBannerTimerId));
}

INSTANTIATE_TEST_SUITE_P(Cases, BannerFlowCancel,
                         ::testing::Values(CancelCase{"DuringRead", false, false},
                                           CancelCase{"DuringSilentRead", false, true},
                                           CancelCase{"DuringWrite", true, false},
                                           CancelCase{"DuringSilentWrite", true, true}),
                         ByLabel());

TEST_F(BannerFlowTest, HidingTheSheetReleasesItsMachineAndNoTickFollows) {
  flow.Show();
  bed.SilenceAmplifier();
  flow.Hide();
  bed.time.RunFor(30000);
  EXPECT_EQ(flow.Machine(), nullptr);
  EXPECT_EQ(bed.Sends(), 1u);
  EXPECT_EQ(sheet.closes, 0);
  EXPECT_FALSE(bed.time.IsTimerArmed(bed.router, kBannerTimerId));
}

}  // namespace
}  // namespace vlx::test
