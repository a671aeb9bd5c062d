#include <gtest/gtest.h>

#include "firmware/FirmwareImage.h"

namespace vlx {
namespace {

TEST(FirmwareImage, LoadsRecordsIntoTheFilledBlock) {
  FirmwareImage image;
  ASSERT_EQ(image.LoadText(":0408000000000102F1\n:00000001FF\n"), err::kSuccess);
  EXPECT_TRUE(image.Loaded());
  EXPECT_EQ(image.StartAddress(), 0x000800u);
  EXPECT_EQ(image.EndAddress(), 0x01FD80u);
  ASSERT_EQ(image.DataEnd() - image.Data(), 128384);
  EXPECT_EQ(image.Data()[3], 0x02);
  EXPECT_EQ(image.Data()[4], 0xFF);
}

}  // namespace
}  // namespace vlx
