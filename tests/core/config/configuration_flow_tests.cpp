// The save and restore conversations as the dialogs and vlxctl run them, on the simulated
// amplifier in virtual time: the file boxes, the questions, the status lines and boxes, the
// folder kept, and what the user is told when a run stops.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/ConfigurationFlows.h"
#include "report/ConfigTextIds.h"
#include "report/ErrorText.h"
#include "report/StringTable.h"
#include "support/CaseNames.h"
#include "support/EepromBed.h"
#include "support/FileContents.h"

namespace vlx::test {
namespace {

constexpr const char* kFolder = "/home/user/.local/share/Velqorin/VLX Configuration";
constexpr const char* kGoldenName = "SN01234.20240102T030405.VLXConfig";

// What a flow asked of its dialog.
class RecordingHost final : public ConfigurationFlowHost {
 public:
  void ShowProgress(std::uint32_t position, std::uint32_t range) override {
    positions.push_back(position);
    lastRange = range;
  }
  void ShowBusy(bool on) override { busy.push_back(on); }
  void OfferClose() override { closeOffered = true; }
  void AllowCancel(bool allowed) override { cancelAllowed.push_back(allowed); }
  void Close(bool done) override { closed.push_back(done); }
  void ShowRestoring(const std::string& path, const ConfigurationFileFacts& facts) override {
    restoring.push_back(path + ": " + facts.serialNumber + ", " + facts.savedOn);
  }

  std::vector<std::uint32_t> positions;
  std::uint32_t lastRange = 0;
  std::vector<bool> busy;
  bool closeOffered = false;
  std::vector<bool> cancelAllowed;
  std::vector<bool> closed;
  std::vector<std::string> restoring;
};

class FlowBed : public EepromBed {
 public:
  explicit FlowBed(vlxsim::AmplifierConfig config = {}) : EepromBed(std::move(config)) {
    files.userDataFolder = "/home/user/.local/share";
    files.AddDirectory(files.userDataFolder);
    app.serialNumber.Set(1234);
    app.revision.Set(152);
  }

  void ChooseFile(const std::string& path) {
    prompts.fileAnswers.push_back({FileBoxEnd::kChosen, path});
  }
  bool Settle() {
    return time.RunUntil([&] { return !host.closed.empty() || host.closeOffered; }, 60000);
  }
  std::vector<std::string> Captions() const {
    std::vector<std::string> captions;
    for (const auto& box : prompts.boxes) {
      captions.push_back(box.caption);
    }
    return captions;
  }
  bool HasStatus(std::uint32_t id) const {
    const std::string line(LoadString(id));
    return std::find(status.statusLines.begin(), status.statusLines.end(), line) !=
           status.statusLines.end();
  }

  RecordingHost host;
};

std::string Caption(std::uint32_t id) {
  return std::string(LoadString(id));
}

// Save

TEST(ConfigurationSaveFlow, WritesTheChosenFileAndRemembersItsFolder) {
  FlowBed bed;
  ConfigurationSaveFlow flow(bed.app, bed.files, bed.host, "Velqorin VLX Utility Revision 1.0.0.0");
  const std::string path = "/tmp/saved/" + flow.ProposedName();
  bed.files.AddDirectory("/tmp/saved");
  bed.ChooseFile(path);
  flow.Open();
  ASSERT_TRUE(bed.Settle());

  ASSERT_EQ(bed.prompts.fileBoxes.size(), 1u);
  const FileBoxRequest& request = bed.prompts.fileBoxes[0].request;
  EXPECT_EQ(bed.prompts.fileBoxes[0].kind, "SaveAs");
  EXPECT_EQ(request.folder, kFolder);
  EXPECT_EQ(request.proposedName.rfind("SN01234.", 0), 0u);
  EXPECT_EQ(request.defaultExtension, "VLXConfig");
  EXPECT_EQ(request.filter,
            "VLX Configuration File (*.VLXConfig)|*.VLXConfig|All files (*.*)|*.*|");

  EXPECT_EQ(bed.host.closed, std::vector<bool>{true});
  EXPECT_EQ(bed.host.busy, (std::vector<bool>{true, false}));
  EXPECT_EQ(bed.host.lastRange, 224u);
  EXPECT_EQ(bed.host.positions.back(), 224u);
  EXPECT_EQ(flow.Result(), err::kSuccess);
  EXPECT_EQ(bed.status.statusLines.back(), "Configuration was saved");
  EXPECT_TRUE(bed.prompts.boxes.empty());
  EXPECT_EQ(bed.app.configurationFolder.Get(), "/tmp/saved");

  // The file is sealed and holds what the amplifier holds.
  RestorableBytes bytes;
  const std::string& text = bed.files.Files().at(path);
  EXPECT_EQ(CheckConfigurationText(text, 1234, bytes).code, err::kSuccess);
  EXPECT_NE(text.find("VLX Firmware Revision = 01.52\r\n"), std::string::npos);
  ASSERT_EQ(bytes.Count(), 224u);
  const std::string eeprom = bed.link.Eeprom().Dump();
  for (std::uint32_t a = 0; a < 224; ++a) {
    ASSERT_EQ(bytes.At(static_cast<std::uint8_t>(a)), static_cast<std::uint8_t>(eeprom[a])) << a;
  }
}

TEST(ConfigurationSaveFlow, NoFileChosenClosesWithoutSending) {
  FlowBed bed;
  ConfigurationSaveFlow flow(bed.app, bed.files, bed.host, "");
  flow.Open();
  EXPECT_EQ(bed.host.closed, std::vector<bool>{false});
  EXPECT_EQ(bed.Sends(), 0u);
}

// A failed save leaves the dialog open with "Close"; the folder and the old file are kept.
struct SaveFailureCase {
  const char* label;
  bool silent;             // the amplifier answers no block
  const char* failedStep;  // or this file step fails
  std::vector<std::uint32_t> captions;
  ErrorCode code;
};

class ConfigurationSaveFailure : public ::testing::TestWithParam<SaveFailureCase> {};

TEST_P(ConfigurationSaveFailure, OffersCloseAndKeepsTheFolder) {
  const SaveFailureCase& c = GetParam();
  FlowBed bed(c.silent ? LinkTestBed::SilentAmplifier() : vlxsim::AmplifierConfig{});
  bed.app.configurationFolder.Set("/old");
  bed.files.AddDirectory("/old");
  bed.files.AddDirectory("/tmp/saved");
  bed.files.PutFile("/tmp/saved/a.VLXConfig", "old");
  if (c.failedStep != nullptr) {
    bed.files.FailStep(c.failedStep, err::kAccessDenied);
  }
  ConfigurationSaveFlow flow(bed.app, bed.files, bed.host, "");
  bed.ChooseFile("/tmp/saved/a.VLXConfig");
  flow.Open();
  ASSERT_TRUE(bed.Settle());

  EXPECT_TRUE(bed.host.closeOffered);
  EXPECT_TRUE(bed.host.closed.empty());
  EXPECT_EQ(flow.Result(), c.code);
  EXPECT_TRUE(bed.HasStatus(ids::kSaveFailed));
  std::vector<std::string> captions;
  for (const std::uint32_t id : c.captions) {
    captions.push_back(Caption(id));
  }
  EXPECT_EQ(bed.Captions(), captions);
  EXPECT_EQ(bed.prompts.boxes.back().text, FormatErrorText(c.code));
  EXPECT_EQ(bed.app.configurationFolder.Get(), "/old");
  EXPECT_EQ(bed.files.Files().at("/tmp/saved/a.VLXConfig"), "old");

  // "Close" ends the dialog without calling the failure a cancellation.
  const std::size_t lines = bed.status.statusLines.size();
  flow.Cancel();
  EXPECT_EQ(bed.host.closed, std::vector<bool>{false});
  EXPECT_EQ(bed.status.statusLines.size(), lines);
}

INSTANTIATE_TEST_SUITE_P(Causes, ConfigurationSaveFailure,
                         ::testing::Values(SaveFailureCase{"SilentAmplifier",
                                                           true,
                                                           nullptr,
                                                           {ids::kSaveErrorCaption},
                                                           err::kNoResponseToReadEepromBlock},
                                           SaveFailureCase{"FileNotMoved",
                                                           false,
                                                           file_step::kMove,
                                                           {ids::kConfigFileWriteErrorCaption,
                                                            ids::kSaveErrorCaption},
                                                           err::kAccessDenied}),
                         ByLabel());

TEST(ConfigurationSaveFlow, CancelStopsTheRunAndWritesNothing) {
  FlowBed bed;
  ConfigurationSaveFlow flow(bed.app, bed.files, bed.host, "");
  bed.files.AddDirectory("/tmp/saved");
  bed.ChooseFile("/tmp/saved/a.VLXConfig");
  flow.Open();
  ASSERT_TRUE(bed.RunUntilSent("^ER00404080;"));
  flow.Cancel();
  ASSERT_TRUE(bed.Settle());

  EXPECT_EQ(bed.host.closed, std::vector<bool>{false});
  EXPECT_EQ(flow.Result(), err::kCancelled);
  EXPECT_EQ(bed.files.Files().count("/tmp/saved/a.VLXConfig"), 0u);
  EXPECT_EQ(bed.status.statusLines.back(), "Save configuration was cancelled");
  EXPECT_TRUE(bed.prompts.boxes.empty());
}

// Restore

class RestoreBed : public FlowBed {
 public:
  explicit RestoreBed(vlxsim::AmplifierConfig config = {}, const std::string& fixture = kGoldenName)
      : FlowBed(std::move(config)), flow(app, files, host, [this](const ConfigurationFileCheck&) {
          return AskRestoreOtherUnit(prompts);
        }) {
    files.AddDirectory("/files");
    files.PutFile("/files/" + fixture, test::Fixture(std::string("config/") + fixture));
    ChooseFile("/files/" + fixture);
  }

  ConfigurationRestoreFlow flow;
};

TEST(ConfigurationRestoreFlow, RestoresAFileOfThisUnitAndRemembersItsFolder) {
  RestoreBed bed;
  bed.flow.Open();
  ASSERT_TRUE(bed.Settle());

  EXPECT_EQ(bed.prompts.fileBoxes.at(0).kind, "Open");
  EXPECT_EQ(bed.prompts.fileBoxes.at(0).request.folder, kFolder);
  EXPECT_EQ(bed.host.closed, std::vector<bool>{true});
  EXPECT_TRUE(bed.prompts.boxes.empty());
  EXPECT_EQ(bed.status.statusLines.back(), "Configuration was restored");
  EXPECT_EQ(bed.app.configurationFolder.Get(), "/files");
  EXPECT_EQ(bed.host.cancelAllowed, (std::vector<bool>{true, false}));
  EXPECT_FALSE(bed.flow.PartlyWritten());
  EXPECT_EQ(bed.host.restoring, std::vector<std::string>{std::string("/files/") + kGoldenName +
                                                         ": 01234, 2024-01-02 at 03:04:05"});
}

// A file of another unit: the question, and what each answer does.
struct OtherUnitCase {
  const char* label;
  int answer;
  bool restores;
};

class ConfigurationRestoreOtherUnit : public ::testing::TestWithParam<OtherUnitCase> {};

TEST_P(ConfigurationRestoreOtherUnit, IsWrittenOnlyWhenTheUserAgrees) {
  const OtherUnitCase& c = GetParam();
  RestoreBed bed;
  bed.app.serialNumber.Set(4321);
  bed.prompts.answers.push_back(c.answer);
  bed.flow.Open();
  bed.time.RunUntil([&] { return !bed.host.closed.empty(); }, 60000);

  ASSERT_FALSE(bed.prompts.boxes.empty());
  const ScriptedPrompts::Box& question = bed.prompts.boxes[0];
  EXPECT_EQ(question.caption, "Serial Number Mismatch");
  EXPECT_EQ(question.text, LoadString(ids::kSerialNumberMismatch));
  EXPECT_EQ(question.style, mb::kOkCancel | mb::kIconWarning | mb::kDefaultButton2);
  EXPECT_EQ(bed.host.closed, std::vector<bool>{c.restores});
  if (c.restores) {
    EXPECT_EQ(bed.status.statusLines.back(), "Configuration was restored");
  } else {
    EXPECT_EQ(bed.Sends(), 0u);
    EXPECT_EQ(bed.status.statusLines.back(), "Restore configuration was cancelled");
    EXPECT_EQ(bed.flow.Result(), err::kCancelled);
  }
}

INSTANTIATE_TEST_SUITE_P(Answers, ConfigurationRestoreOtherUnit,
                         ::testing::Values(OtherUnitCase{"Ok", mb::kIdOk, true},
                                           OtherUnitCase{"Cancel", mb::kIdCancel, false}),
                         ByLabel());

// Files refused before any command: the reader's verdicts, and a sealed file with nothing to write.
struct RefusedFileCase {
  const char* label;
  std::string text;  // empty: the fixture named below
  const char* fixture;
  ErrorCode code;
  std::uint32_t messageId;
};

class ConfigurationRestoreRefusal : public ::testing::TestWithParam<RefusedFileCase> {};

TEST_P(ConfigurationRestoreRefusal, SendsNothingAndKeepsTheFolder) {
  const RefusedFileCase& c = GetParam();
  RestoreBed bed({}, c.fixture);
  if (!c.text.empty()) {
    bed.files.PutFile(std::string("/files/") + c.fixture, c.text);
  }
  bed.app.configurationFolder.Set("/old");
  bed.files.AddDirectory("/old");
  const bool keepsFolder = c.code != err::kIncompleteConfigurationFile || !c.text.empty();
  bed.flow.Open();

  EXPECT_EQ(bed.Sends(), 0u);
  EXPECT_EQ(bed.host.closed, std::vector<bool>{false});
  EXPECT_EQ(bed.flow.Result(), c.code);
  EXPECT_TRUE(bed.host.busy.empty());
  ASSERT_EQ(bed.prompts.boxes.size(), 1u);
  EXPECT_EQ(bed.prompts.boxes[0].caption, "Restore Configuration Error");
  EXPECT_EQ(bed.prompts.boxes[0].text, LoadString(c.messageId));
  EXPECT_EQ(bed.status.statusLines.back(), LoadString(c.messageId));
  // A sealed file was read well: its folder is remembered even though it holds nothing to write.
  EXPECT_EQ(bed.app.configurationFolder.Get(), keepsFolder ? "/old" : "/files");
}

INSTANTIATE_TEST_SUITE_P(
    Files, ConfigurationRestoreRefusal,
    ::testing::Values(
        RefusedFileCase{"NoRestorableBytes", "", "no-restorable-bytes.VLXConfig",
                        err::kIncompleteConfigurationFile, ids::kNoConfigurationBytes},
        RefusedFileCase{"Unsealed", "*comment\r\n", "x.VLXConfig",
                        err::kIncompleteConfigurationFile, ids::kConfigFileIncomplete},
        RefusedFileCase{"Altered", "*comment\r\nCRC32 = 0x00000000\r\n", "x.VLXConfig",
                        err::kCorruptConfigurationFile, ids::kConfigFileAltered}),
    ByLabel());

// Cancel pressed during a restore: the question, and what each answer does.
TEST(ConfigurationRestoreFlow, CancelAnsweredNoKeepsGoing) {
  RestoreBed bed;
  bed.prompts.answers.push_back(mb::kIdNo);
  bed.flow.Open();
  ASSERT_TRUE(bed.time.RunUntil([&] { return bed.Sends() >= 2; }, 5000));
  bed.flow.RequestClose();
  ASSERT_TRUE(bed.Settle());

  ASSERT_EQ(bed.prompts.boxes.size(), 1u);
  EXPECT_EQ(bed.prompts.boxes[0].text, LoadString(ids::kConfirmInterruptRestore));
  EXPECT_EQ(bed.prompts.boxes[0].caption, "Critical Operation in Progress");
  EXPECT_EQ(bed.prompts.boxes[0].style, mb::kYesNo | mb::kIconWarning);
  EXPECT_EQ(bed.host.closed, std::vector<bool>{true});
  EXPECT_EQ(bed.flow.Result(), err::kSuccess);
}

TEST(ConfigurationRestoreFlow, CancelAnsweredYesStopsAndSaysWhatTheAmplifierHolds) {
  RestoreBed bed;
  bed.prompts.answers.push_back(mb::kIdYes);
  bed.flow.Open();
  ASSERT_TRUE(bed.time.RunUntil([&] { return bed.Sends() >= 2; }, 5000));
  bed.flow.RequestClose();
  // The box comes once the run has stopped, not at the click.
  EXPECT_EQ(bed.prompts.boxes.size(), 1u);
  ASSERT_TRUE(bed.Settle());

  EXPECT_EQ(bed.host.closed, std::vector<bool>{false});
  EXPECT_EQ(bed.flow.Result(), err::kCancelled);
  EXPECT_TRUE(bed.flow.PartlyWritten());
  EXPECT_EQ(bed.status.statusLines.back(), "Restore configuration was cancelled");
  ASSERT_EQ(bed.prompts.boxes.size(), 2u);
  EXPECT_EQ(bed.prompts.boxes[1].caption, "Critical Operation in Progress");
  EXPECT_EQ(bed.prompts.boxes[1].text,
            std::string(LoadString(ids::kRestoreCancelledRestoreAgain)) + "\r\n\r\n" +
                FormatText(ids::kRestoreStoppedPartway, {bed.flow.Outcome().bytesWritten, 224u}));
  EXPECT_LT(bed.flow.Outcome().bytesWritten, 224u);
}

TEST(ConfigurationRestoreFlow, CancelAfterTheLastBlockIsNotAskedAndTheRestoreEndsAtTheSavedRate) {
  vlxsim::AmplifierConfig config;
  config.faults.reload.rate = 9600;
  RestoreBed bed(config);
  bed.flow.Open();
  ASSERT_TRUE(bed.RunUntilSent("^rpm;", 5000));
  EXPECT_EQ(bed.host.cancelAllowed, (std::vector<bool>{true, false}));
  ASSERT_TRUE(bed.time.RunUntil([&] { return bed.app.Serial().Speed() == 19200; }, 5000));
  bed.flow.RequestClose();
  bed.flow.Interrupt();
  ASSERT_TRUE(bed.Settle());

  EXPECT_TRUE(bed.prompts.boxes.empty());
  EXPECT_EQ(bed.host.closed, std::vector<bool>{true});
  EXPECT_EQ(bed.flow.Result(), err::kSuccess);
  EXPECT_EQ(bed.app.Serial().Speed(), 38400u);
  EXPECT_EQ(bed.amplifier.OperatingRate(), 38400u);
}

// A restore that fails says, besides the error, what the amplifier now holds.
TEST(ConfigurationRestoreFlow, SilenceDuringTheWritesSaysTheRestoreStoppedPartway) {
  RestoreBed bed;
  bed.flow.Open();
  ASSERT_TRUE(bed.time.RunUntil([&] { return bed.Sends() >= 2; }, 5000));
  bed.SilenceAmplifier();
  ASSERT_TRUE(bed.Settle());

  EXPECT_TRUE(bed.host.closeOffered);
  EXPECT_TRUE(bed.host.closed.empty());
  EXPECT_TRUE(bed.flow.PartlyWritten());
  EXPECT_EQ(bed.status.statusLines.back(), "Failed to restore configuration");
  ASSERT_EQ(bed.prompts.boxes.size(), 1u);
  EXPECT_EQ(bed.prompts.boxes[0].caption, "Restore Configuration Error");
  EXPECT_EQ(bed.prompts.boxes[0].text, FormatErrorText(err::kNoResponseToWriteEepromBlock) +
                                           "\r\n\r\n" +
                                           FormatText(ids::kRestoreStoppedPartway, {64u, 224u}));
  bed.flow.RequestClose();
  EXPECT_EQ(bed.host.closed, std::vector<bool>{false});
}

TEST(ConfigurationRestoreFlow, SilenceFromTheFirstBlockSaysNothingWasWritten) {
  RestoreBed bed;
  bed.SilenceAmplifier();
  bed.flow.Open();
  ASSERT_TRUE(bed.Settle());

  EXPECT_EQ(bed.flow.Outcome().bytesWritten, 0u);
  EXPECT_FALSE(bed.flow.PartlyWritten());
  ASSERT_EQ(bed.prompts.boxes.size(), 1u);
  EXPECT_EQ(bed.prompts.boxes[0].text, FormatErrorText(err::kNoResponseToWriteEepromBlock) +
                                           "\r\n\r\n" + FormatText(ids::kRestoreStoppedUnwritten));
}

TEST(ConfigurationRestoreFlow, NoAnswerAfterTheReloadPutsThePortBackAndTestsTheLink) {
  vlxsim::AmplifierConfig config;
  config.faults.reload.silent = true;
  RestoreBed bed(config);
  bed.flow.Open();
  ASSERT_TRUE(bed.Settle());

  EXPECT_FALSE(bed.flow.PartlyWritten());
  ASSERT_EQ(bed.prompts.boxes.size(), 1u);
  EXPECT_EQ(bed.prompts.boxes[0].text, FormatErrorText(err::kNoResponseAfterReset) + "\r\n\r\n" +
                                           FormatText(ids::kRestoreNoAnswerAfterReload, {224u}));
  EXPECT_EQ(bed.app.Serial().Speed(), 38400u);
  EXPECT_FALSE(bed.contact().IsIdle());  // Test Communications runs
}

}  // namespace
}  // namespace vlx::test
