// The file boxes on the toolkit's file dialog: the classic filter text and a start folder that
// is gone.

#include <gtest/gtest.h>

#include "QtPrompts.h"

namespace vlx {
namespace {

TEST(FileBoxTest, ClassicFiltersBecomeNameFilters) {
  EXPECT_EQ(
      FileBoxNameFilters("VLX Configuration File (*.VLXConfig)|*.VLXConfig|All files (*.*)|*.*|"),
      QStringList({"VLX Configuration File (*.VLXConfig)", "All files (*)"}));
  EXPECT_EQ(FileBoxNameFilters("Images|*.png;*.jpg|"), QStringList({"Images (*.png *.jpg)"}));
  EXPECT_TRUE(FileBoxNameFilters("").isEmpty());
}

TEST(FileBoxTest, AStartFolderThatIsGoneEndsTheBoxAsAnInvalidName) {
  QtPrompts prompts;
  const FileBoxRequest request{"/nonexistent/folder/of/this/test", "a.VLXConfig", "", ""};

  EXPECT_EQ(prompts.SaveFileBox(request).end, FileBoxEnd::kInvalidFileName);
  EXPECT_EQ(prompts.OpenFileBox(request).end, FileBoxEnd::kInvalidFileName);
}

}  // namespace
}  // namespace vlx
