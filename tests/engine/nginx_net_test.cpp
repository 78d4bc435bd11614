// Downloads from a real server, nginx on a loopback port, across the size classes of the
// partition and one large file; every file must arrive byte for byte.
#include <gtest/gtest.h>

#include <fstream>

#include "engine/task_table.h"
#include "tests/engine/engine_fixture.h"
#include "tests/support/fault_server.h"
#include "tests/support/nginx_server.h"

namespace tv {
namespace {

struct SizeRow {
  size_t size;
  int workers;
};
void PrintTo(const SizeRow& row, std::ostream* out) { *out << row.size << " bytes"; }

class NginxDownload : public test::EngineFixture, public ::testing::WithParamInterface<SizeRow> {};

TEST_P(NginxDownload, ArrivesWholeWithTheWorkersOfItsSizeClass) {
  const SizeRow row = GetParam();
  const std::string body = test::PatternBody(row.size, static_cast<unsigned>(row.size));
  WriteFile("www/file.bin", body);
  test::NginxServer nginx(dir() / "www");
  ASSERT_TRUE(nginx.running()) << nginx.error();
  Initialise();
  const int id = engine_.BT_Download(Request(nginx.Url("file.bin"), GbkPath("file.bin")));
  ASSERT_GE(id, 1);
  ASSERT_TRUE(WaitUntilReleased(id, 120));
  EXPECT_EQ(LastStatus().code, 3);
  EXPECT_EQ(Sha256(ReadFile("file.bin")), Sha256(body));
  // A released slot keeps the worker count its partition chose.
  EXPECT_EQ(Engine().slots[id - 1].request.threadCount, row.workers);
}

INSTANTIATE_TEST_SUITE_P(Sizes, NginxDownload,
                         ::testing::Values(SizeRow{1, 1}, SizeRow{2, 1}, SizeRow{103423, 1},
                                           SizeRow{103424, 2}, SizeRow{513024, 3},
                                           SizeRow{1000003, 3}, SizeRow{2049024, 5},
                                           SizeRow{48 * 1024 * 1024 + 7, 5}));

}  // namespace
}  // namespace tv
