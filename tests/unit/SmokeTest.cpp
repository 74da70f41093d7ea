#include <gtest/gtest.h>
#include "os/Errors.h"

TEST(Errors, CarryTheirText) {
  EInOutError e(QStringLiteral("File not found"));
  EXPECT_EQ(e.message(), QStringLiteral("File not found"));
  EXPECT_STREQ(e.what(), "File not found");
}
