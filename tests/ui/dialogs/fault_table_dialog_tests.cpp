// The fault-table dialog on the offscreen platform, reading the simulated amplifier in virtual
// time: the rows after a good read, "Save to File" only then, the error box of a silent
// amplifier, closing during a read, and a cancelled read closing the dialog.

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTreeWidget>

#include "UiServices.h"
#include "dialogs/FaultTableDialog.h"
#include "faults/FaultRing.h"
#include "help/HelpService.h"
#include "support/EepromBed.h"

namespace vlx {
namespace {

using test::EepromBed;

class NoHelp final : public HelpService {
 public:
  void ShowHelp(QWidget*, const QString&) override {}
};

class FaultTableDialogTest : public ::testing::Test {
 protected:
  FaultTableDialogTest() {
    bed.files.userDataFolder = "/data";
    bed.app.serialNumber.Set(1234);
  }

  bool RunReadToEnd(const FaultTableDialog& dialog) {
    return bed.time.RunUntil([&dialog] { return dialog.Flow().Result().has_value(); }, 60000);
  }

  std::vector<QString> Row(const FaultTableDialog& dialog, int index) {
    std::vector<QString> cells;
    const QTreeWidgetItem* item = dialog.List().topLevelItem(index);
    for (int column = 0; column < 5; ++column) {
      cells.push_back(item->text(column));
    }
    return cells;
  }

  EepromBed bed;
  NoHelp help;
  UiServices services{bed.app, bed.app.Boxes(), bed.time, help, {}, {}};
};

TEST_F(FaultTableDialogTest, ShowsTheRingNewestFirstAndSavesOnlyAfterTheRead) {
  FaultTableDialog dialog(services, bed.files, nullptr);
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), "Fault Table (Newest Entry at Top)");
  const QTreeWidgetItem* header = dialog.List().headerItem();
  EXPECT_EQ(header->text(1), "   Fault Code   ");
  EXPECT_EQ(header->text(4), " Description    ");
  EXPECT_FALSE(dialog.SaveButton().isEnabled());
  EXPECT_EQ(dialog.cursor().shape(), Qt::WaitCursor);
  EXPECT_EQ(dialog.CloseButton().cursor().shape(), Qt::ArrowCursor);

  ASSERT_TRUE(RunReadToEnd(dialog));
  EXPECT_EQ(dialog.cursor().shape(), Qt::ArrowCursor);
  FaultSnapshot amplifier{};
  const std::string eeprom = bed.link.Eeprom().Dump();
  std::copy(eeprom.begin(), eeprom.begin() + kFaultSnapshotSize, amplifier.begin());
  const FaultTable expected = ListFaults(amplifier);
  ASSERT_EQ(dialog.List().topLevelItemCount(), static_cast<int>(expected.rows.size()));
  const FaultRow& newest = expected.rows.front();
  EXPECT_EQ(Row(dialog, 0),
            (std::vector<QString>{
                QString::fromStdString(newest.timeStamp), QString::fromStdString(newest.faultCode),
                QString::fromStdString(newest.band), QString::fromStdString(newest.data),
                QString::fromStdString(newest.description)}));
  // Every column shows its header and its widest entry whole.
  for (int column = 0; column < 5; ++column) {
    EXPECT_GE(dialog.List().columnWidth(column), dialog.List().header()->sectionSizeHint(column))
        << column;
  }
  QApplication::processEvents();
  EXPECT_EQ(dialog.List().header()->length(), dialog.List().viewport()->width())
      << "the header row spans the list";
  // The size the table opened at is the least the dialog can be made.
  const QSize opened = dialog.size();
  dialog.resize(opened.width() / 2, opened.height() / 2);
  EXPECT_EQ(dialog.size(), opened);
  EXPECT_TRUE(dialog.SaveButton().isEnabled());
  EXPECT_TRUE(bed.prompts.boxes.empty());
  dialog.grab().save(QStringLiteral(UI_SCREENSHOT_DIR "/fault-table.png"));

  const std::string path = "/data/Velqorin/VLX Fault Tables/mine.VLXFaultTable";
  bed.prompts.fileAnswers.push_back({FileBoxEnd::kChosen, path});
  dialog.SaveButton().click();
  ASSERT_EQ(bed.prompts.fileBoxes.size(), 1u);
  EXPECT_EQ(bed.prompts.fileBoxes[0].request.proposedName, dialog.Flow().FileName());
  ASSERT_EQ(bed.files.Files().count(path), 1u);
  EXPECT_EQ(bed.files.Files().at(path).substr(0, 26), "*VLX Fault table saved on ");
}

TEST_F(FaultTableDialogTest, AnEmptyHistorySaysSoInTheListAndCanBeSaved) {
  // Every record erased, the next index at 0.
  bed.link.Eeprom().Write(0, kNextIndexOffset, std::string(1, '\0'));
  for (std::size_t bank = 1; bank < 4; ++bank) {
    bed.link.Eeprom().Write(bank, 0, std::string(256, '\xFF'));
  }
  FaultTableDialog dialog(services, bed.files, nullptr);
  dialog.show();
  ASSERT_TRUE(RunReadToEnd(dialog));

  ASSERT_EQ(dialog.List().topLevelItemCount(), 1);
  const QTreeWidgetItem* only = dialog.List().topLevelItem(0);
  EXPECT_EQ(only->text(0), "No faults recorded");
  EXPECT_TRUE(only->isFirstColumnSpanned());
  EXPECT_EQ(only->flags(), Qt::NoItemFlags);
  EXPECT_TRUE(dialog.SaveButton().isEnabled()) << "an empty history is still a history";
  EXPECT_TRUE(bed.prompts.boxes.empty());
}

TEST_F(FaultTableDialogTest, SilentAmplifierGivesTheErrorBoxAndAnEmptyList) {
  vlxsim::Faults faults;
  faults.commands.push_back({"^ER", vlxsim::FrameFault::Kind::kNoAnswer});
  bed.link.SetFaults(faults);
  FaultTableDialog dialog(services, bed.files, nullptr);
  dialog.show();
  ASSERT_TRUE(RunReadToEnd(dialog));

  ASSERT_EQ(bed.prompts.boxes.size(), 1u);
  EXPECT_EQ(bed.prompts.boxes[0].caption, "Fault Table Error");
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.List().topLevelItemCount(), 0);
  EXPECT_FALSE(dialog.SaveButton().isEnabled());
  EXPECT_EQ(dialog.cursor().shape(), Qt::ArrowCursor);
}

// Escape, like "Close", ends the dialog at once; the read it leaves goes with its machine.
class FaultTableDialogClose : public FaultTableDialogTest,
                              public ::testing::WithParamInterface<bool> {};

TEST_P(FaultTableDialogClose, DuringTheReadReleasesTheMachineAndNoTickFollows) {
  FaultTableDialog dialog(services, bed.files, nullptr);
  dialog.show();
  ASSERT_TRUE(bed.RunUntilSent("^ER00404080;"));
  if (GetParam()) {
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &escape);
  } else {
    dialog.CloseButton().click();
  }
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);

  EXPECT_EQ(bed.app.TransientMachine(), nullptr);
  const std::size_t sends = bed.Sends();
  bed.time.RunFor(30000);
  EXPECT_EQ(bed.Sends(), sends);
  EXPECT_TRUE(bed.recorder.done.empty());
  EXPECT_TRUE(bed.prompts.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Ways, FaultTableDialogClose, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "Escape" : "CloseButton");
                         });

// A read cancelled from elsewhere closes the dialog from the run's end itself: nothing waits for
// the event loop, and the machine goes with the dialog.
TEST_F(FaultTableDialogTest, ACancelledReadClosesTheDialogWhenItsRunEnds) {
  FaultTableDialog dialog(services, bed.files, nullptr);
  dialog.show();
  ASSERT_TRUE(bed.RunUntilSent("^ER00404080;"));
  ASSERT_TRUE(bed.app.TransientMachine()->Cancel());
  ASSERT_TRUE(RunReadToEnd(dialog));

  EXPECT_EQ(dialog.Flow().Result(), err::kCancelled);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(bed.app.TransientMachine(), nullptr);
  EXPECT_TRUE(bed.prompts.boxes.empty());
}

}  // namespace
}  // namespace vlx
