#include <gtest/gtest.h>

#include "core/crt.h"

TEST(CrtLocalTime, IsATimeOfDayAndCanBeSetByTests) {
  crt_set_local_time([] { return CrtTimeOfDay{23, 59, 58}; });
  const CrtTimeOfDay set = crt_local_time();
  EXPECT_EQ(set.hours, 23);
  EXPECT_EQ(set.minutes, 59);
  EXPECT_EQ(set.seconds, 58);
  crt_set_local_time({});
  const CrtTimeOfDay now = crt_local_time();
  EXPECT_GE(now.hours, 0);
  EXPECT_LT(now.hours, 24);
  EXPECT_GE(now.minutes, 0);
  EXPECT_LT(now.minutes, 60);
  EXPECT_GE(now.seconds, 0);
  EXPECT_LE(now.seconds, 60);  // a leap second
}
