// The session layer against the loopback fault server: every fault row, blocking reads,
// time-outs, abort, cookies, proxies and parallel transfers.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "platform/inet.h"
#include "tests/support/fault_server.h"

namespace tv::inet {
namespace {

using std::chrono::milliseconds;
using test::Fault;
using test::FaultRow;
using test::FaultServer;

struct Outcome {
  bool sent = false;
  int status = 0;
  std::string headers;
  std::string body;
  bool readFailed = false;
};

// Sends one request and reads its body to the end (or the first failed read).
Outcome Fetch(const FaultServer& server, const std::string& path, const std::string& headers = {},
              const std::string& verb = "GET", const std::string& body = {}, size_t piece = 1024) {
  Outcome out;
  auto net = Internet::Open("terravane-test");
  auto conn = net->Connect("127.0.0.1", server.port());
  auto req = conn->OpenRequest(verb, path, "HTTP/1.1", "", kFlagReload);
  out.sent = req->Send(headers, body);
  out.status = req->StatusCode();
  out.headers = req->RawHeaders();
  std::string buffer(piece, '\0');
  size_t n = 0;
  while (true) {
    if (!req->Read(buffer.data(), buffer.size(), n)) {
      out.readFailed = true;
      break;
    }
    if (n == 0) break;
    out.body.append(buffer.data(), n);
  }
  return out;
}

class InetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = GetTimeouts();
    SetTimeouts({milliseconds(5000), milliseconds(1500)});
  }
  void TearDown() override { SetTimeouts(saved_); }
  FaultServer server_;
  Timeouts saved_;
};

struct RowCase {
  const char* name;
  FaultRow row;
  const char* requestHeaders;
  int status;
  std::string body;        // what the client must end with
  bool readFails;          // the body must end in a failed read, never a clean end
  const char* headerPart;  // must occur in the raw response headers
};

const std::string kBody = "0123456789abcdefghij";

std::vector<RowCase> RowCases() {
  FaultRow plain{.body = kBody};
  FaultRow status404{.status = 404, .body = "gone"};
  FaultRow ignore{.body = kBody, .honourRange = false};
  FaultRow liar{.body = kBody, .contentRange = "bytes 0-1/99"};
  FaultRow closeAfter{.body = kBody, .fault = Fault::CloseAfter, .faultAfter = 7};
  FaultRow shortBody{.body = kBody, .fault = Fault::ShortBody, .faultAfter = 3};
  FaultRow stall{
      .body = kBody, .fault = Fault::Stall, .faultAfter = 5, .delay = milliseconds(20000)};
  FaultRow drip{.body = kBody, .fault = Fault::Drip, .delay = milliseconds(5), .dripBytes = 3};
  FaultRow tagged{.body = kBody, .etag = "\"v1\"", .lastModified = "Wed, 01 Jan 2020 00:00:00 GMT"};
  FaultRow cookie{.body = "c", .headers = {{"Set-Cookie", "sid=42; Path=/"}}};
  return {
      {"Plain", plain, "", 200, kBody, false, "Content-Length: 20"},
      {"Status404", status404, "", 404, "gone", false, "HTTP/1.1 404"},
      {"RangeHonoured", plain, "Range: bytes=2-5\r\n", 206, "2345", false,
       "Content-Range: bytes 2-5/20"},
      {"RangeFromOffset", plain, "Range: bytes=18-\r\n", 206, "ij", false, "bytes 18-19/20"},
      {"RangeBeyondEnd", plain, "Range: bytes=30-40\r\n", 416, "", false, "bytes */20"},
      {"RangeIgnored", ignore, "Range: bytes=2-5\r\n", 200, kBody, false, "HTTP/1.1 200"},
      {"WrongContentRange", liar, "Range: bytes=2-5\r\n", 206, "2345", false, "bytes 0-1/99"},
      {"CloseAfterBytes", closeAfter, "", 200, kBody.substr(0, 7), true, "Content-Length: 20"},
      {"ShortBody", shortBody, "Range: bytes=0-9\r\n", 206, "012", false, "bytes 0-9/20"},
      {"StallMidBody", stall, "", 200, kBody.substr(0, 5), true, "HTTP/1.1 200"},
      {"DripSlowly", drip, "", 200, kBody, false, "HTTP/1.1 200"},
      {"IfRangeMatchesEtag", tagged, "Range: bytes=1-2\r\nIf-Range: \"v1\"\r\n", 206, "12", false,
       "ETag: \"v1\""},
      {"IfRangeMatchesDate", tagged,
       "Range: bytes=1-2\r\nIf-Range: Wed, 01 Jan 2020 00:00:00 GMT\r\n", 206, "12", false,
       "Last-Modified: Wed, 01 Jan 2020"},
      {"IfRangeStale", tagged, "Range: bytes=1-2\r\nIf-Range: \"v0\"\r\n", 200, kBody, false,
       "HTTP/1.1 200"},
      {"SetCookie", cookie, "", 200, "c", false, "Set-Cookie: sid=42; Path=/"},
  };
}

TEST_F(InetTest, EveryFaultRowEndsAsTheServerAnswered) {
  for (const RowCase& c : RowCases()) {
    SCOPED_TRACE(c.name);
    std::string path = std::string("/") + c.name;
    server_.SetRow(path, c.row);
    Outcome out = Fetch(server_, path, c.requestHeaders, "GET", {}, 4);
    EXPECT_TRUE(out.sent);
    EXPECT_EQ(out.status, c.status);
    EXPECT_EQ(out.body, c.body);
    EXPECT_EQ(out.readFailed, c.readFails);
    EXPECT_NE(out.headers.find(c.headerPart), std::string::npos) << out.headers;
    EXPECT_EQ(out.headers.rfind("HTTP/1.1 ", 0), 0u);
    EXPECT_EQ(out.headers.substr(out.headers.size() - 4), "\r\n\r\n");
  }
}

TEST_F(InetTest, RedirectsAreFollowedAndTheFinalHeadersKept) {
  server_.SetRow("/old", FaultRow::Redirect("/middle", 301));
  server_.SetRow("/middle", FaultRow::Redirect(server_.Url("/new"), 302));
  server_.SetRow("/new", FaultRow{.body = "arrived", .headers = {{"X-Final", "yes"}}});
  Outcome out = Fetch(server_, "/old");
  EXPECT_EQ(out.status, 200);
  EXPECT_EQ(out.body, "arrived");
  EXPECT_NE(out.headers.find("X-Final: yes"), std::string::npos);
  EXPECT_EQ(out.headers.find("Location"), std::string::npos);
}

TEST_F(InetTest, LongHeaderBlocksComeBackWhole) {
  std::string longValue(5000, 'v');
  server_.SetRow(
      "/long",
      FaultRow{.body = "x", .headers = {{"X-Long", longValue}, {"Set-Cookie", "late=1; Path=/"}}});
  Outcome out = Fetch(server_, "/long");
  EXPECT_NE(out.headers.find("X-Long: " + longValue + "\r\n"), std::string::npos);
  EXPECT_NE(out.headers.find("Set-Cookie: late=1"), std::string::npos);
  EXPECT_GT(out.headers.size(), 5000u);
}

TEST_F(InetTest, ReadBlocksUntilTheAskedBytesArrive) {
  server_.SetRow(
      "/drip",
      FaultRow{.body = kBody, .fault = Fault::Drip, .delay = milliseconds(10), .dripBytes = 1});
  auto net = Internet::Open("t");
  auto req =
      net->Connect("127.0.0.1", server_.port())->OpenRequest("GET", "/drip", "HTTP/1.1", "", 0);
  ASSERT_TRUE(req->Send(""));
  char buffer[16];
  size_t n = 0;
  ASSERT_TRUE(req->Read(buffer, 16, n));
  EXPECT_EQ(std::string(buffer, n), kBody.substr(0, 16));
  ASSERT_TRUE(req->Read(buffer, 16, n));
  EXPECT_EQ(std::string(buffer, n), kBody.substr(16));
  ASSERT_TRUE(req->Read(buffer, 16, n));
  EXPECT_EQ(n, 0u);
}

TEST_F(InetTest, AServerSilentBeforeItsHeadersFailsTheSend) {
  server_.SetRow("/silent", FaultRow{.body = "late", .headerDelay = milliseconds(60000)});
  Outcome out = Fetch(server_, "/silent");
  EXPECT_FALSE(out.sent);
  EXPECT_EQ(out.status, 0);
  EXPECT_EQ(out.headers, "");
  EXPECT_TRUE(out.readFailed);
}

TEST_F(InetTest, AbortFromAnotherThreadEndsABlockedSendAndRead) {
  SetTimeouts({milliseconds(5000), milliseconds(60000)});
  server_.SetRow("/silent", FaultRow{.body = "late", .headerDelay = milliseconds(60000)});
  server_.SetRow(
      "/stall",
      FaultRow{
          .body = kBody, .fault = Fault::Stall, .faultAfter = 2, .delay = milliseconds(60000)});
  auto net = Internet::Open("t");
  auto conn = net->Connect("127.0.0.1", server_.port());
  auto silent = conn->OpenRequest("GET", "/silent", "HTTP/1.1", "", 0);
  std::thread([&] {
    std::this_thread::sleep_for(milliseconds(200));
    silent->Abort();
  }).detach();
  EXPECT_FALSE(silent->Send(""));

  auto stalled = conn->OpenRequest("GET", "/stall", "HTTP/1.1", "", 0);
  ASSERT_TRUE(stalled->Send(""));
  std::thread aborter([&] {
    std::this_thread::sleep_for(milliseconds(200));
    stalled->Abort();
  });
  char buffer[64];
  size_t n = 0;
  EXPECT_FALSE(stalled->Read(buffer, sizeof buffer, n));
  EXPECT_EQ(n, 0u);
  aborter.join();
}

TEST_F(InetTest, RequestsCarryHeadersBodyAndReferrerAsGiven) {
  server_.SetRow("/form", FaultRow{.body = "ok"});
  auto net = Internet::Open("Agent/1.0");
  auto req = net->Connect("127.0.0.1", server_.port())
                 ->OpenRequest("post", "/form?a=1", "HTTP/1.1", "http://ref.example/", 0);
  ASSERT_TRUE(req->Send("X-One: 1\r\nCookie: a=b\r\n\r\nCookie: c=d\r\n", "k=v&w=2"));
  auto seen = server_.Requests("/form");
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].method, "POST");
  EXPECT_EQ(seen[0].query, "a=1");
  EXPECT_EQ(seen[0].body, "k=v&w=2");
  EXPECT_EQ(seen[0].Header("X-One"), "1");
  EXPECT_EQ(seen[0].Header("User-Agent"), "Agent/1.0");
  EXPECT_EQ(seen[0].Header("Referer"), "http://ref.example/");
  // The caller's cookies join the stored ones in one Cookie line.
  EXPECT_NE(seen[0].Header("Cookie").find("a=b; c=d"), std::string::npos)
      << seen[0].Header("Cookie");
  EXPECT_EQ(std::count_if(seen[0].headers.begin(), seen[0].headers.end(),
                          [](const auto& h) { return h.first == "Cookie"; }),
            1);
  // Nothing the caller did not ask for.
  EXPECT_FALSE(seen[0].HasHeader("Content-Type"));
  EXPECT_FALSE(seen[0].HasHeader("Expect"));
  EXPECT_FALSE(seen[0].HasHeader("Accept"));
}

TEST_F(InetTest, CookiesSetByAServerOrByHandGoBackToThatHostOnly) {
  server_.SetRow("/set",
                 FaultRow{.body = "s", .headers = {{"Set-Cookie", "fromserver=1; Path=/"}}});
  server_.SetRow("/check", FaultRow{.body = "c"});
  Fetch(server_, "/set");
  ASSERT_TRUE(SetCookie("http://127.0.0.1", "byhand", "2; path=/"));
  Fetch(server_, "/check");
  std::string cookies = server_.Requests("/check").at(0).Header("Cookie");
  EXPECT_NE(cookies.find("fromserver=1"), std::string::npos) << cookies;
  EXPECT_NE(cookies.find("byhand=2"), std::string::npos) << cookies;

  ASSERT_TRUE(SetCookie("http://other.example", "elsewhere", "3"));
  auto net = Internet::Open("t");
  auto req =
      net->Connect("localhost", server_.port())->OpenRequest("GET", "/check", "HTTP/1.1", "", 0);
  ASSERT_TRUE(req->Send(""));
  EXPECT_EQ(server_.Requests("/check").at(1).Header("Cookie").find("elsewhere"), std::string::npos);
  EXPECT_FALSE(SetCookie("", "x", "1"));
}

TEST_F(InetTest, AProxyListSendsPlainRequestsThroughTheProxy) {
  server_.SetRow("http://far.example/page", FaultRow{.body = "via proxy"});
  auto net = Internet::Open("t", "http=127.0.0.1:" + std::to_string(server_.port()));
  auto req = net->Connect("far.example", 0)->OpenRequest("GET", "/page", "HTTP/1.1", "", 0);
  ASSERT_TRUE(req->Send(""));
  char buffer[32];
  size_t n = 0;
  ASSERT_TRUE(req->Read(buffer, sizeof buffer, n));
  EXPECT_EQ(std::string(buffer, n), "via proxy");
}

TEST_F(InetTest, NoServerMeansNoAnswerAndEmptyHostsAreRefused) {
  auto net = Internet::Open("t");
  EXPECT_EQ(net->Connect("", 80), nullptr);
  EXPECT_EQ(net->Connect("  ", 80), nullptr);
  int closedPort = 0;
  {
    FaultServer gone;
    closedPort = gone.port();
  }
  auto req = net->Connect("127.0.0.1", closedPort)->OpenRequest("GET", "/", "HTTP/1.1", "", 0);
  EXPECT_FALSE(req->Send(""));
  EXPECT_EQ(req->RawHeaders(), "");
  size_t n = 1;
  char c;
  EXPECT_FALSE(req->Read(&c, 1, n));
}

TEST_F(InetTest, ParallelRangeReadsOfALargeBodyAreExact) {
  const std::string big = test::PatternBody(6 * 1024 * 1024);
  server_.SetRow("/big", FaultRow{.body = big});
  constexpr int kWorkers = 5;
  const size_t part = big.size() / kWorkers;
  std::vector<std::string> got(kWorkers);
  std::vector<std::thread> threads;
  for (int w = 0; w < kWorkers; ++w) {
    threads.emplace_back([&, w] {
      size_t begin = w * part, end = w == kWorkers - 1 ? big.size() - 1 : begin + part - 1;
      std::string range =
          "Range: bytes=" + std::to_string(begin) + "-" + std::to_string(end) + "\r\n";
      got[w] = Fetch(server_, "/big", range, "GET", {}, 20480).body;
    });
  }
  for (auto& t : threads) t.join();
  std::string joined;
  for (const auto& g : got) joined += g;
  EXPECT_TRUE(joined == big) << "joined " << joined.size() << " of " << big.size() << " bytes";
}

}  // namespace
}  // namespace tv::inet
