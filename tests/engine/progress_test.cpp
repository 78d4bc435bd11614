// The arithmetic of the progress report: rounding, speed, percentage and the ticks on
// which the task file is rewritten.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "engine/task_table.h"

namespace tv {
namespace {

TEST(Progress, RoundsHalvesAwayFromZero) {
  EXPECT_DOUBLE_EQ(RoundTwoPlaces(1.005), 1.01);  // 100.49999... in binary, lifted by the epsilon
  EXPECT_DOUBLE_EQ(RoundTwoPlaces(2.675), 2.68);
  EXPECT_DOUBLE_EQ(RoundTwoPlaces(0.004), 0.0);
  EXPECT_DOUBLE_EQ(RoundTwoPlaces(33.333333), 33.33);
}

TEST(Progress, PercentAndSpeedNeverDivideByZero) {
  EXPECT_DOUBLE_EQ(TaskPercent(500, 1000), 50.0);
  EXPECT_DOUBLE_EQ(TaskPercent(1000, 1000), 100.0);
  EXPECT_DOUBLE_EQ(TaskPercent(1, 3), 33.33);
  EXPECT_DOUBLE_EQ(TaskPercent(123, 0), 0.0);
  EXPECT_DOUBLE_EQ(TaskPercent(123, -1), 0.0);
  EXPECT_DOUBLE_EQ(TaskSpeed(1024 * 100, 1000, 1000), 0.0);  // no whole second yet
  EXPECT_DOUBLE_EQ(TaskSpeed(1024 * 100, 1000, 1002), 50.0);
  EXPECT_DOUBLE_EQ(TaskSpeed(1000, 1000, 1003), 0.33);
}

TEST(Progress, TaskFileIsRewrittenOnWholePercentsThatAreMultiplesOfThree) {
  struct Row {
    double percent;
    bool write;
  } rows[] = {{0.0, false}, {0.01, true}, {0.99, true}, {1.0, false},  {2.99, false}, {3.0, true},
              {3.99, true}, {4.0, false}, {99.5, true}, {99.99, true}, {100.0, false}};
  for (const Row& row : rows) EXPECT_EQ(TaskFileTick(row.percent), row.write) << row.percent;
}

TEST(Progress, EngineClockCountsFromEightOClockLocal) {
  // On a UTC+8 machine the engine clock is the Unix time; on a UTC machine 8 hours less.
  setenv("TZ", "CST-8", 1);
  tzset();
  EXPECT_NEAR(static_cast<double>(EngineClock()), static_cast<double>(std::time(nullptr)), 1.0);
  setenv("TZ", "UTC0", 1);
  tzset();
  EXPECT_NEAR(static_cast<double>(EngineClock()),
              static_cast<double>(std::time(nullptr) - 8 * 3600), 1.0);
  unsetenv("TZ");
  tzset();
}

}  // namespace
}  // namespace tv
