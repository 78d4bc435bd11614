// The remote size probe against the fault server: the request-object path, the fallback
// and its one retry, and the totals that count or do not.
#include <gtest/gtest.h>

#include "tests/support/fault_server.h"
#include "web/size_probe.h"

namespace tv {
namespace {

using test::FaultRow;

class SizeProbeTest : public ::testing::Test {
 protected:
  test::FaultServer server_;
};

TEST_F(SizeProbeTest, TheRequestObjectAloneFindsTheSize) {
  server_.SetRow("/f.zip", FaultRow{.body = test::PatternBody(1048576)});
  EXPECT_EQ(ProbeRemoteSize(server_.Url("/f.zip"), "  "), 1048576);
  auto seen = server_.Requests("/f.zip");
  ASSERT_EQ(seen.size(), 1u);  // no fallback request
  EXPECT_EQ(seen[0].Header("Range"), "bytes=1-2");
  EXPECT_EQ(seen[0].Header("Referer"), "/");  // a blank referer goes out as "/"
  EXPECT_EQ(seen[0].Header("Connection"), "Close");
  EXPECT_EQ(seen[0].Header("Pragma"), "no-cache");
  EXPECT_FALSE(seen[0].HasHeader("Accept-Language"));
}

TEST_F(SizeProbeTest, TheFallbackRunsAndRetriesOnce) {
  const std::string body = test::PatternBody(5000);
  struct {
    int rangeIgnoredFor;  // how many requests get the whole body instead of the range
    int size;
    size_t requests;
  } cases[] = {{1, 5000, 2}, {2, 5000, 3}, {3, -1, 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rangeIgnoredFor);
    test::FaultServer server;
    server.AddRow("/f", FaultRow{.body = body, .honourRange = false}, c.rangeIgnoredFor);
    server.AddRow("/f", FaultRow{.body = body});
    EXPECT_EQ(ProbeRemoteSize(server.Url("/f"), "http://ref/"), c.size);
    auto seen = server.Requests("/f");
    ASSERT_EQ(seen.size(), c.requests);
    for (size_t i = 1; i < seen.size(); ++i) {  // the page-access requests
      EXPECT_EQ(seen[i].Header("Accept-Language"), "zh-cn");
      EXPECT_EQ(seen[i].Header("Referer"), "http://ref/");
      EXPECT_EQ(seen[i].Header("Accept"), "*/*");
      EXPECT_EQ(seen[i].Header("Range"), "bytes=1-2");
    }
  }
}

TEST_F(SizeProbeTest, OnlyTotalsFromOneByteToTheSignedLimitCount) {
  struct {
    const char* name;
    FaultRow row;
    int size;
  } cases[] = {
      {"OneByteFile", FaultRow{.body = "a"}, 1},   // 416 with bytes */1
      {"TwoByteFile", FaultRow{.body = "ab"}, 2},  // 206 with bytes 1-1/2
      {"EmptyFile", FaultRow{.body = ""}, -1},
      {"ZeroTotal", FaultRow{.body = "abc", .contentRange = "bytes 1-2/0"}, -1},
      {"UnknownTotal", FaultRow{.body = "abc", .contentRange = "bytes 1-2/*"}, -1},
      {"SignedLimit", FaultRow{.body = "abc", .contentRange = "bytes 1-2/2147483647"}, 2147483647},
      {"AboveTheLimit", FaultRow{.body = "abc", .contentRange = "bytes 1-2/2147483648"}, -1},
      {"FarAbove", FaultRow{.body = "abc", .contentRange = "bytes 1-2/99999999999999"}, -1},
      {"NotFound", FaultRow{.status = 404, .body = "gone"}, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = std::string("/") + c.name;
    server_.SetRow(path, c.row);
    EXPECT_EQ(ProbeRemoteSize(server_.Url(path), "/"), c.size);
    EXPECT_EQ(ProbeRemoteSizeCom(server_.Url(path), "/"), c.size);
  }
}

TEST_F(SizeProbeTest, BadAddressesGiveMinusOne) {
  EXPECT_EQ(ProbeRemoteSize("   ", "/"), -1);
  EXPECT_EQ(ProbeRemoteSizeCom("", "/"), -1);
  EXPECT_EQ(server_.RequestCount(), 0u);
  EXPECT_EQ(ProbeRemoteSize("http://127.0.0.1:1/none", "/"), -1);

  // Without a scheme the request object cannot open it; the fallback adds "http://".
  server_.SetRow("/bare", FaultRow{.body = "12345"});
  EXPECT_EQ(ProbeRemoteSize(server_.HostPort() + "/bare", ""), 5);
  EXPECT_EQ(server_.RequestCount("/bare"), 1u);
}

}  // namespace
}  // namespace tv
