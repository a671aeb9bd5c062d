// Help > "VLX Firmware Release Notes" opens the notes the firmware folder holds, in any letter
// case, one window at a time, closed with the main window.

#include <gtest/gtest.h>

#include <QAction>
#include <QMenuBar>
#include <filesystem>
#include <fstream>

#include "help/ReleaseNotesWindow.h"
#include "support/ui/WindowTestBed.h"

namespace vlx::test {
namespace {

QAction* ReleaseNotesAction(MainWindow& window) {
  for (QAction* action : window.menuBar()->findChildren<QAction*>()) {
    if (action->text() == "VLX Firmware &Release Notes") {
      return action;
    }
  }
  return nullptr;
}

TEST(ReleaseNotesMenu, OpensTheFolderNotesInAnyCaseOrSaysTheyAreMissing) {
  const std::filesystem::path folder =
      std::filesystem::path(::testing::TempDir()) / "release-notes-menu";
  std::filesystem::create_directories(folder);
  const std::filesystem::path notes = folder / "VLXFWNotes.RTF";
  std::ofstream(notes) << "{\\rtf1\\ansi Revision 01.24 notes\\par}";
  WindowTestBed bed;
  bed.files.AddEntry(notes.string());
  bed.files.AddDirectory("/home/user/empty");
  bed.store.PutString("FirmwareFolder", folder.string());
  MainWindow& window = bed.Open();
  window.show();
  QAction* action = ReleaseNotesAction(window);
  ASSERT_NE(action, nullptr);
  EXPECT_TRUE(action->isEnabled());

  action->trigger();
  QPointer<ReleaseNotesWindow> first = window.ReleaseNotes().Window();
  ASSERT_NE(first, nullptr);
  action->trigger();  // the open one gives way
  EXPECT_TRUE(first.isNull());
  ASSERT_NE(window.ReleaseNotes().Window(), nullptr);
  EXPECT_TRUE(bed.prompts.boxes.empty());

  bed.app.firmwareFolder.Publish("/home/user/empty");
  action->trigger();
  EXPECT_EQ(window.ReleaseNotes().Window(), nullptr);
  ASSERT_EQ(bed.prompts.boxes.size(), 1u);
  EXPECT_EQ(bed.prompts.boxes[0].text,
            "Unable to open Firmware Release Notes file \"/home/user/empty/vlxfwnotes.rtf\"");
  EXPECT_EQ(bed.prompts.boxes[0].caption, "Release Notes Error");

  bed.app.firmwareFolder.Publish(folder.string());
  action->trigger();
  QPointer<ReleaseNotesWindow> open = window.ReleaseNotes().Window();
  ASSERT_NE(open, nullptr);
  window.close();
  EXPECT_TRUE(open.isNull());
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace vlx::test
