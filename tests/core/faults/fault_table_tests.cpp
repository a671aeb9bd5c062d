// The fault table: the machine reading the four banks from the simulated amplifier in virtual
// time, the file written from a snapshot, and the flow the dialog and vlxctl share.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "faults/FaultTableFile.h"
#include "faults/FaultTableFlow.h"
#include "faults/FaultTableMachine.h"
#include "model/DeviceFacts.h"
#include "report/FaultTextIds.h"
#include "report/TextFormat.h"
#include "support/CaseNames.h"
#include "support/EepromBed.h"
#include "support/FileContents.h"

namespace vlx::test {
namespace {

using Kind = vlxsim::FrameFault::Kind;

constexpr const char* kProgramRevision = "Velqorin VLX Utility Revision 1.0.0.0";

FaultSnapshot ToSnapshot(const std::string& bytes) {
  FaultSnapshot snapshot{};
  std::copy(bytes.begin(), bytes.begin() + kFaultSnapshotSize, snapshot.begin());
  return snapshot;
}

void PutRecord(FaultSnapshot& snapshot, std::size_t index, std::array<std::uint8_t, 6> bytes) {
  std::copy(bytes.begin(), bytes.end(), snapshot.begin() + RecordOffset(index));
}

// A small ring that shows the cases the file must get right: next index 0 (record 127 is the
// newest, record 0 the oldest), a record across banks 1 and 2, "no fault" with data, an unused
// code on a band without a name, and a pattern in bank 0 so every data record differs.
FaultSnapshot SmallSnapshot() {
  FaultSnapshot snapshot;
  snapshot.fill(0xFF);
  for (std::size_t i = 0; i < 0xFE; ++i) {
    snapshot[i] = static_cast<std::uint8_t>(i * 5 + 1);
  }
  snapshot[kNextIndexOffset] = 0;
  PutRecord(snapshot, 0, {0x40, 0xE2, 0x01, 0x6F, 0x34, 0x12});    // 123456, 0F GAIN ERR, 20 m
  PutRecord(snapshot, 1, {0x01, 0x00, 0x00, 0x2E, 0x00, 0x00});    // 270V ERR on 160 m
  PutRecord(snapshot, 2, {0x10, 0x00, 0x00, 0xFF, 0xAB, 0xCD});    // no fault, data kept
  PutRecord(snapshot, 3, {0x20, 0x00, 0x00, 0xC5, 0x00, 0x00});    // code 5, band 12
  PutRecord(snapshot, 42, {0x70, 0x11, 0x01, 0x93, 0xEF, 0xBE});   // 0x1FC-0x201: two banks
  PutRecord(snapshot, 127, {0xFF, 0xFF, 0xFF, 0x00, 0x50, 0x02});  // power on, newest
  return snapshot;
}

FaultTableFileHeader SmallHeader(std::uint16_t serialNumber = 1234) {
  return FaultTableFileHeader{{2024, 1, 2, 3, 4, 5}, kProgramRevision, 152, serialNumber};
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  for (std::size_t end; (end = text.find("\r\n", from)) != std::string::npos; from = end + 2) {
    lines.push_back(text.substr(from, end - from));
  }
  EXPECT_EQ(from, text.size()) << "text after the last CR LF";
  return lines;
}

TEST(FaultTableFile, SmallSnapshotGivesTheGoldenFile) {
  const std::string text = FaultTableFileText(SmallHeader(), SmallSnapshot());
  EXPECT_EQ(FaultTableFileName(1234, SmallHeader().savedAt),
            "SN01234.20240102T030405.VLXFaultTable");
  EXPECT_EQ(text, test::Fixture(std::string("faults/") + "SN01234.20240102T030405.VLXFaultTable"));
}

// Read back as any Intel HEX reader would: every record's bytes sum to 0, the addresses run
// from 0 in steps of 32, and the data is the snapshot.
TEST(FaultTableFile, HexRecordsCarryTheSnapshotWithStandardChecksums) {
  const FaultSnapshot snapshot = SmallSnapshot();
  const std::vector<std::string> lines = Lines(FaultTableFileText(SmallHeader(), snapshot));
  ASSERT_GE(lines.size(), 4u + 33u);
  EXPECT_EQ(lines[4].substr(0, 9), ":20000000");
  EXPECT_EQ(lines[35].substr(0, 9), ":2003E000");
  EXPECT_EQ(lines[36], ":00000001FF");
  std::string data;
  for (std::size_t r = 0; r < 32; ++r) {
    const std::string& line = lines[4 + r];
    ASSERT_EQ(line.size(), 1u + 2 * (4 + 32 + 1)) << line;
    std::uint32_t sum = 0;
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 1; i < line.size(); i += 2) {
      bytes.push_back(static_cast<std::uint8_t>(std::stoul(line.substr(i, 2), nullptr, 16)));
      sum += bytes.back();
    }
    EXPECT_EQ(sum % 256, 0u) << line;
    EXPECT_EQ(bytes[1] * 256u + bytes[2], r * 32) << line;
    data.append(bytes.begin() + 4, bytes.end() - 1);
  }
  EXPECT_EQ(data, std::string(snapshot.begin(), snapshot.end()));
}

TEST(FaultTableFile, ErasedRingWithoutSerialNumberHasNoFaultLineAndNoSerialLine) {
  FaultSnapshot snapshot;
  snapshot.fill(0xFF);
  snapshot[kNextIndexOffset] = 17;
  const LocalTime time{2025, 11, 7, 8, 9, 10};
  const std::vector<std::string> lines = Lines(FaultTableFileText(
      FaultTableFileHeader{time, kProgramRevision, 0, kUnknownSerialNumber}, snapshot));
  ASSERT_EQ(lines.size(), 3u + 32u + 1u);
  EXPECT_EQ(lines[0], "*VLX Fault table saved on 2025-11-07 at 08:09:10");
  EXPECT_EQ(lines[1], std::string("VLX Utility Revision = ") + kProgramRevision);
  EXPECT_EQ(lines[2], "VLX Firmware Revision = ??.??");
  EXPECT_EQ(lines[3].substr(0, 9), ":20000000");
  EXPECT_EQ(lines.back(), ":00000001FF");
  EXPECT_EQ(FaultTableFileName(kUnknownSerialNumber, time), "20251107T080910.VLXFaultTable");
}

TEST(FaultTableFile, DamagedNextIndexKeepsTheFormat) {
  FaultSnapshot snapshot = SmallSnapshot();
  snapshot[kNextIndexOffset] = 0xFF;
  const std::vector<std::string> lines = Lines(FaultTableFileText(SmallHeader(), snapshot));
  // The same six records, walked from 127 down to 0.
  ASSERT_EQ(lines.size(), 4u + 33u + 6u);
  EXPECT_EQ(lines[37].substr(0, 14), "FAULT 7F 03FA ");
  EXPECT_EQ(lines.back().substr(0, 14), "FAULT 00 0100 ");
}

// Each step of the atomic write failing: the file there before is kept byte for byte, no
// temporary file is left, and the failure goes to a box captioned for the fault table.
class FaultTableFileWriteFailure : public ::testing::TestWithParam<const char*> {};

TEST_P(FaultTableFileWriteFailure, KeepsTheOldFileAndReports) {
  EepromBed bed;
  const std::string path = "/data/old.VLXFaultTable";
  bed.files.PutFile(path, "old contents\r\n");
  bed.files.FailStep(GetParam(), err::kWriteFault);

  EXPECT_EQ(
      WriteFaultTableFile(bed.files, bed.status, bed.prompts, path, SmallHeader(), SmallSnapshot()),
      err::kWriteFault);
  EXPECT_EQ(bed.files.Files(), (std::map<std::string, std::string>{{path, "old contents\r\n"}}));
  ASSERT_EQ(bed.prompts.boxes.size(), 1u);
  EXPECT_EQ(bed.prompts.boxes[0].caption, "Unable to write Fault Table file");
  EXPECT_NE(bed.prompts.boxes[0].text.find(GetParam()), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(EveryStep, FaultTableFileWriteFailure,
                         ::testing::Values(file_step::kCreate, file_step::kWrite, file_step::kFlush,
                                           file_step::kClose, file_step::kMove),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

TEST(FaultTableFile, ReplacesAnExistingFile) {
  EepromBed bed;
  const std::string path = "/data/old.VLXFaultTable";
  bed.files.PutFile(path, "old contents\r\n");
  EXPECT_EQ(
      WriteFaultTableFile(bed.files, bed.status, bed.prompts, path, SmallHeader(), SmallSnapshot()),
      err::kSuccess);
  EXPECT_EQ(bed.files.Files(), (std::map<std::string, std::string>{
                                   {path, FaultTableFileText(SmallHeader(), SmallSnapshot())}}));
}

const std::vector<std::string> kReadCommands = {
    "^ER000040C0;", "^ER00404080;", "^ER00804040;", "^ER00C04000;", "^ER010040BF;", "^ER0140407F;",
    "^ER0180403F;", "^ER01C040FF;", "^ER020040BE;", "^ER0240407E;", "^ER0280403E;", "^ER02C040FE;",
    "^ER030040BD;", "^ER0340407D;", "^ER0380403D;", "^ER03C040FD;"};

TEST(FaultTableMachine, ReadsFourBanksInSixteenBlocksAndListsNewestFirst) {
  EepromBed bed;
  FaultTableMachine& machine = bed.Install<FaultTableMachine>();
  EXPECT_FALSE(machine.HasSnapshot());
  ASSERT_TRUE(machine.StartRead());
  EXPECT_FALSE(machine.StartRead());
  ASSERT_TRUE(bed.RunUntilSent("^ER010040BF;"));
  EXPECT_EQ(machine.Current().Name(), "FaultTableLoopBodyState.h");
  ASSERT_TRUE(bed.RunToEnd(machine));

  EXPECT_EQ(bed.recorder.done, std::vector<ErrorCode>{err::kSuccess});
  EXPECT_EQ(bed.link.SentTexts(), kReadCommands);
  ASSERT_TRUE(machine.HasSnapshot());
  EXPECT_EQ(std::string(machine.Snapshot().begin(), machine.Snapshot().end()),
            bed.link.Eeprom().Dump());
  EXPECT_FALSE(bed.time.IsTimerArmed(bed.router, kFaultTableTimerId));

  // The simulated amplifier's time stamps rise from the oldest record to the newest.
  const FaultTable table = ListFaults(machine.Snapshot());
  ASSERT_GT(table.rows.size(), 100u);
  const std::uint8_t next = NextIndex(machine.Snapshot());
  EXPECT_EQ(table.rows.front().index, PreviousIndex(next));
  for (std::size_t i = 1; i < table.rows.size(); ++i) {
    EXPECT_GT(table.rows[i - 1].timeStamp, table.rows[i].timeStamp) << i;
  }
}

// A run that fails or is cancelled in its third bank leaves the snapshot of the good run
// before, although two banks of the new contents had arrived.
struct FailedReadCase {
  const char* label;
  Kind kind;
  bool cancel;
  ErrorCode code;
};

class FaultTableFailedRead : public ::testing::TestWithParam<FailedReadCase> {};

TEST_P(FaultTableFailedRead, LeavesTheSnapshotAsItWas) {
  const FailedReadCase& c = GetParam();
  EepromBed bed;
  FaultTableMachine& machine = bed.Install<FaultTableMachine>();
  ASSERT_TRUE(machine.StartRead());
  ASSERT_TRUE(bed.RunToEnd(machine));
  const FaultSnapshot before = machine.Snapshot();

  bed.link.Eeprom().Write(0, 0, std::string(1024, '\x5A'));
  vlxsim::Faults faults;
  faults.commands.push_back({"^ER02", c.kind});
  bed.link.SetFaults(faults);
  ASSERT_TRUE(machine.StartRead());
  if (c.cancel) {
    ASSERT_TRUE(bed.RunUntilSent("^ER020040BE;"));
    machine.Cancel();
  }
  ASSERT_TRUE(bed.RunToEnd(machine));

  EXPECT_EQ(machine.Error(), c.code);
  EXPECT_TRUE(machine.Snapshot() == before);
  EXPECT_FALSE(bed.time.IsTimerArmed(bed.router, kFaultTableTimerId));
}

INSTANTIATE_TEST_SUITE_P(Cases, FaultTableFailedRead,
                         ::testing::Values(FailedReadCase{"Silence", Kind::kNoAnswer, false,
                                                          err::kNoResponseToReadEepromBlock},
                                           FailedReadCase{"OneByteShort", Kind::kOneByteShort,
                                                          false, err::kNoResponseToReadEepromBlock},
                                           FailedReadCase{"Cancelled", Kind::kNoAnswer, true,
                                                          err::kCancelled}),
                         ByLabel());

// The dialog's side, recorded.
class RecordingView final : public FaultTableView {
 public:
  void ShowBusy(bool on) override { busy.push_back(on); }
  void ShowTable(const FaultTable& table) override { tables.push_back(table); }
  void CloseView() override { ++closes; }

  std::vector<bool> busy;
  std::vector<FaultTable> tables;
  int closes = 0;
};

struct FlowBed : EepromBed {
  explicit FlowBed(vlxsim::AmplifierConfig config = {}) : EepromBed(std::move(config)) {
    files.userDataFolder = "/data";
    app.serialNumber.Set(1234);
    app.revision.Set(152);
  }
  RecordingView view;
  FaultTableFlow flow{app, files, view, kProgramRevision};
};

TEST(FaultTableFlow, GoodReadShowsTheRowsAndSavesWhereTheUserChose) {
  FlowBed bed;
  EXPECT_FALSE(bed.flow.CanSave());
  EXPECT_EQ(bed.flow.Save(), err::kCancelled);
  EXPECT_TRUE(bed.prompts.fileBoxes.empty());

  ASSERT_TRUE(bed.flow.Begin());
  EXPECT_FALSE(bed.flow.CanSave());
  ASSERT_TRUE(bed.time.RunUntil([&] { return bed.flow.Result().has_value(); }, 60000));
  EXPECT_EQ(bed.view.busy, (std::vector<bool>{true, false}));
  ASSERT_EQ(bed.view.tables.size(), 1u);
  const FaultSnapshot amplifier = ToSnapshot(bed.link.Eeprom().Dump());
  EXPECT_EQ(bed.view.tables[0].rows.size(), ListFaults(amplifier).rows.size());
  EXPECT_TRUE(bed.flow.CanSave());
  EXPECT_TRUE(bed.prompts.boxes.empty());

  const std::string folder = "/data/Velqorin/VLX Fault Tables";
  const std::string path = folder + "/mine.VLXFaultTable";
  bed.prompts.fileAnswers.push_back({FileBoxEnd::kChosen, path});
  EXPECT_EQ(bed.flow.Save(), err::kSuccess);
  ASSERT_EQ(bed.prompts.fileBoxes.size(), 1u);
  const FileBoxRequest& request = bed.prompts.fileBoxes[0].request;
  EXPECT_EQ(request.folder, folder);
  EXPECT_EQ(request.proposedName.substr(0, 8), "SN01234.");
  EXPECT_EQ(request.proposedName, bed.flow.FileName());
  EXPECT_EQ(request.filter,
            "VLX Fault Table File (*.VLXFaultTable)|*.VLXFaultTable|All files (*.*)|*.*|");
  EXPECT_EQ(request.defaultExtension, "VLXFaultTable");
  const std::vector<std::string> written = Lines(bed.files.Files().at(path));
  EXPECT_EQ(written[1], std::string("VLX Utility Revision = ") + kProgramRevision);
  EXPECT_EQ(written[2], "VLX Firmware Revision = 01.52");
  EXPECT_EQ(written[3], "VLX Serial Number = 01234");
  // The folder stays the one the box opened in, wherever the file went.
  bed.prompts.fileAnswers.push_back({FileBoxEnd::kChosen, "/elsewhere/x.VLXFaultTable"});
  EXPECT_EQ(bed.flow.Save(), err::kSuccess);
  EXPECT_EQ(bed.app.faultTableFolder.Get(), folder);
}

TEST(FaultTableFlow, SilentAmplifierGivesTheFaultTableErrorBoxAndNoSave) {
  vlxsim::AmplifierConfig config;
  FlowBed bed(config);
  vlxsim::Faults faults;
  faults.commands.push_back({"^ER", Kind::kNoAnswer});
  bed.link.SetFaults(faults);
  ASSERT_TRUE(bed.flow.Begin());
  ASSERT_TRUE(bed.time.RunUntil([&] { return bed.flow.Result().has_value(); }, 60000));

  EXPECT_EQ(bed.flow.Result(), err::kNoResponseToReadEepromBlock);
  ASSERT_EQ(bed.prompts.boxes.size(), 1u);
  EXPECT_EQ(bed.prompts.boxes[0].caption, "Fault Table Error");
  EXPECT_NE(bed.prompts.boxes[0].text.find("No response to Read EEPROM block"), std::string::npos);
  EXPECT_TRUE(bed.view.tables.empty());
  EXPECT_EQ(bed.view.closes, 0);
  EXPECT_FALSE(bed.flow.CanSave());
  EXPECT_EQ(bed.flow.Save(), err::kCancelled);
  EXPECT_TRUE(bed.prompts.fileBoxes.empty());
}

TEST(FaultTableFlow, DamagedNextIndexIsNamedInAStatusLineAndTheRingStillListed) {
  vlxsim::AmplifierConfig config;
  std::string eeprom = vlxsim::EepromStore::Factory(1234, 38400).Dump();
  eeprom[kNextIndexOffset] = '\xFF';
  config.eeprom = eeprom;
  FlowBed bed(config);
  ASSERT_TRUE(bed.flow.Begin());
  ASSERT_TRUE(bed.time.RunUntil([&] { return bed.flow.Result().has_value(); }, 60000));

  ASSERT_EQ(bed.flow.Result(), err::kSuccess);
  ASSERT_FALSE(bed.status.statusLines.empty());
  EXPECT_EQ(bed.status.statusLines.back(),
            FormatText(ids::kFaultNextIndexOutOfRange, {std::uint32_t{0xFF}}));
  ASSERT_EQ(bed.view.tables.size(), 1u);
  EXPECT_GT(bed.view.tables[0].rows.size(), 100u);
  // From 127 down to 0, whatever the time stamps say.
  const std::vector<FaultRow>& rows = bed.view.tables[0].rows;
  for (std::size_t i = 1; i < rows.size(); ++i) {
    EXPECT_GT(rows[i - 1].index, rows[i].index) << i;
  }
}

TEST(FaultTableFlow, EndDuringTheReadReleasesTheMachineAndNoTickFollows) {
  FlowBed bed;
  ASSERT_TRUE(bed.flow.Begin());
  ASSERT_TRUE(bed.RunUntilSent("^ER00404080;"));
  bed.flow.End();

  EXPECT_EQ(bed.flow.Machine(), nullptr);
  EXPECT_EQ(bed.app.TransientMachine(), nullptr);
  EXPECT_FALSE(bed.time.IsTimerArmed(bed.router, kFaultTableTimerId));
  const std::size_t sends = bed.Sends();
  bed.time.RunFor(30000);
  EXPECT_EQ(bed.Sends(), sends);
  EXPECT_TRUE(bed.recorder.done.empty());
  EXPECT_TRUE(bed.view.tables.empty());
}

TEST(FaultTableFlow, CancelledReadClosesTheViewWithoutABox) {
  FlowBed bed;
  ASSERT_TRUE(bed.flow.Begin());
  ASSERT_TRUE(bed.RunUntilSent("^ER00404080;"));
  bed.flow.Machine()->Cancel();
  ASSERT_TRUE(bed.time.RunUntil([&] { return bed.flow.Result().has_value(); }, 10000));
  EXPECT_EQ(bed.view.closes, 1);
  EXPECT_TRUE(bed.prompts.boxes.empty());
}

}  // namespace
}  // namespace vlx::test
