// Worker count and byte ranges at the boundaries of the size classes.
#include "engine/partition.h"

#include <gtest/gtest.h>

#include <vector>

namespace tv {
namespace {

struct PartitionRow {
  std::int32_t fileSize;
  int requested;
  std::vector<std::pair<std::int32_t, std::int32_t>> ranges;
};

class PartitionTable : public ::testing::TestWithParam<PartitionRow> {};

TEST_P(PartitionTable, GivesTheRangesOfTheSizeClass) {
  const PartitionRow& row = GetParam();
  const int n = ChooseWorkerCount(row.fileSize, row.requested);
  ASSERT_EQ(n, static_cast<int>(row.ranges.size()));
  const auto ranges = PartitionRanges(row.fileSize, n);
  ASSERT_EQ(ranges.size(), row.ranges.size());
  for (size_t i = 0; i < ranges.size(); ++i) {
    EXPECT_EQ(ranges[i].start, row.ranges[i].first) << "segment " << i + 1;
    EXPECT_EQ(ranges[i].end, row.ranges[i].second) << "segment " << i + 1;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, PartitionTable,
    ::testing::Values(PartitionRow{1, 5, {{0, 0}}}, PartitionRow{2, 5, {{0, 1}}},
                      PartitionRow{103423, 5, {{0, 103422}}},
                      PartitionRow{103424, 5, {{0, 51711}, {51712, 103423}}},
                      PartitionRow{513023, 1, {{0, 256510}, {256511, 513022}}},
                      PartitionRow{513024, 5, {{0, 171007}, {171008, 342015}, {342016, 513023}}},
                      PartitionRow{1000000, 1, {{0, 333332}, {333333, 666665}, {666666, 999999}}},
                      PartitionRow{1000003, 5, {{0, 333333}, {333334, 666667}, {666668, 1000002}}},
                      PartitionRow{
                          2049023, 5, {{0, 683006}, {683007, 1366013}, {1366014, 2049022}}},
                      PartitionRow{2049024,
                                   5,
                                   {{0, 409803},
                                    {409804, 819607},
                                    {819608, 1229411},
                                    {1229412, 1639215},
                                    {1639216, 2049023}}},
                      PartitionRow{2049024, 2, {{0, 1024511}, {1024512, 2049023}}},
                      // A damaged count from a task file never divides by zero or runs wild.
                      PartitionRow{3000000, 0, {{0, 2999999}}},
                      PartitionRow{3000000,
                                   9,
                                   {{0, 599999},
                                    {600000, 1199999},
                                    {1200000, 1799999},
                                    {1800000, 2399999},
                                    {2400000, 2999999}}}));

}  // namespace
}  // namespace tv
