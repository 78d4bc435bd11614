// Whole downloads against the loopback fault server: the happy path, every way a server
// can misbehave (each must end as a failure that a later resume repairs), a resource
// that changes between pause and resume, and output writes that fail.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include "engine/task_table.h"
#include "platform/profile.h"
#include "tests/engine/engine_fixture.h"
#include "tests/support/fault_server.h"
#include "tests/support/gbk_assert.h"

namespace tv {
namespace {

constexpr size_t kSize = 2049024;  // five workers of 409804 or 409808 bytes

class Download : public test::EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    ASSERT_TRUE(server_.running());
    body_ = test::PatternBody(kSize, 1);
    path_ = GbkPath("地图包.zip");
    Initialise();
  }

  std::string Url() const { return server_.Url("/pack.zip"); }
  static std::string Name(const char* suffix) {
    return std::filesystem::path(u8"地图包.zip").string() + suffix;
  }
  std::string OnDisk(const char* suffix = "") const { return ReadFile(Name(suffix)); }
  bool Exists(const char* suffix = "") const {
    return std::filesystem::exists(dir() / Name(suffix));
  }

  test::FaultRow Honest(const std::string& body, const std::string& etag = "\"v1\"") {
    test::FaultRow row;
    row.body = body;
    row.etag = etag;
    return row;
  }
  // The size probe gets an honest answer; every segment request gets `fault`.
  test::FaultRow Faulty(test::FaultRow fault) {
    test::FaultRow row;
    const std::string body = body_;
    row.respond = [body, fault](const test::RecordedRequest& request) {
      test::FaultRow answer = fault;
      if (request.Header("Range") == "bytes=1-2") answer = test::FaultRow{};
      answer.body = body;
      return answer;
    };
    return row;
  }

  // Runs one download to its end; the ID it got.
  int RunToEnd(int threads = 5) {
    const int id = engine_.BT_Download(Request(Url(), path_, threads));
    EXPECT_GE(id, 1);
    EXPECT_TRUE(WaitUntilReleased(id));
    return id;
  }

  // Every progress value of the task file counts only bytes that are on disk and right.
  void ExpectTaskFileTruthful() {
    const std::string config = path_ + "!BT.Config";
    const std::string partial = OnDisk("!BT");
    ASSERT_EQ(partial.size(), kSize);
    const int n = std::stoi(profile::ReadString(config, "Task", "InitThreadCount", "0"));
    ASSERT_GE(n, 1);
    const size_t per = kSize / n;
    for (int i = 0; i < n; ++i) {
      const int done =
          std::stoi(profile::ReadString(config, "Info", "Thread" + std::to_string(i + 1), "0"));
      const size_t start = per * i;
      EXPECT_EQ(partial.compare(start, done, body_, start, done), 0) << "segment " << i + 1;
    }
  }

  test::FaultServer server_;
  std::string body_;
  std::string path_;
};

TEST_F(Download, FreshDownloadArrivesWholeWithItsNotifications) {
  server_.SetRow("/pack.zip", Honest(body_));
  WriteFile(u8"地图包.zip", "an older file at the target path");
  DownloadRequest request = Request(Url(), path_, 0, 2048);
  const int id = engine_.BT_Download(request);
  ASSERT_EQ(id, 1);
  EXPECT_EQ(request.threadCount, 0);  // the caller's record is never changed
  EXPECT_EQ(request.blockSize, 2048);
  ASSERT_TRUE(WaitUntilReleased(id));

  EXPECT_EQ(Sha256(OnDisk()), Sha256(body_));
  EXPECT_FALSE(Exists("!BT"));
  EXPECT_FALSE(Exists("!BT.Config"));
  EXPECT_TRUE(HasStatus(99, "任务启动中,任务ID：1"));
  EXPECT_TRUE(HasStatus(7, "分配线程数量：3"));  // 0 threads became 3
  const auto last = LastStatus();
  EXPECT_EQ(last.code, 3);
  EXPECT_GBK_EQ(last.message, "下载完毕");
  EXPECT_GBK_EQ(last.path, path_ + "!BT");
  // The finishing report: 100 percent, and no task left running for the total speed.
  const auto reports = progress();
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.back().downloaded, static_cast<int>(kSize));
  EXPECT_FLOAT_EQ(reports.back().percent, 100.0f);
  EXPECT_FLOAT_EQ(reports.back().total, -1.0f);

  std::vector<std::string> ranges;
  for (const auto& r : server_.Requests("/pack.zip")) {
    if (r.Header("Range") != "bytes=1-2") ranges.push_back(r.Header("Range"));
  }
  std::sort(ranges.begin(), ranges.end());
  EXPECT_EQ(ranges, (std::vector<std::string>{"bytes=0-683007", "bytes=1366016-2049023",
                                              "bytes=683008-1366015"}));
}

struct FaultCase {
  const char* what;
  test::FaultRow fault;
};
void PrintTo(const FaultCase& c, std::ostream* out) { *out << c.what; }

test::FaultRow Row(std::function<void(test::FaultRow&)> set) {
  test::FaultRow row;
  set(row);
  return row;
}

class DownloadFaults : public Download, public ::testing::WithParamInterface<FaultCase> {};

// A misbehaving server ends the task as failed, never as complete, and the saved
// progress is only ever bytes that are right; the next run repairs the download.
TEST_P(DownloadFaults, FailWithoutDamageAndResumeToTheRightFile) {
  server_.SetRow("/pack.zip", Faulty(GetParam().fault));
  const int id = RunToEnd();
  EXPECT_EQ(CountCode(3), 0) << GetParam().what;
  EXPECT_EQ(LastStatus().code, 98);
  EXPECT_FALSE(Exists());
  EXPECT_FALSE(engine_.BT_TaskExists(static_cast<TaskId>(id)));  // the slot is free again
  ExpectTaskFileTruthful();

  server_.SetRow("/pack.zip", Honest(body_));
  ClearStatuses();
  RunToEnd();
  EXPECT_TRUE(HasStatus(1, "正在启动断点续传下载..."));
  EXPECT_EQ(LastStatus().code, 3);
  EXPECT_EQ(Sha256(OnDisk()), Sha256(body_)) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DownloadFaults,
    ::testing::Values(
        FaultCase{"range ignored", Row([](auto& r) { r.honourRange = false; })},
        FaultCase{"wrong range", Row([](auto& r) { r.contentRange = "bytes 0-99/2049024"; })},
        FaultCase{"200 labelled as a range", Row([](auto& r) { r.rangeStatus = 200; })},
        FaultCase{"error page", Row([](auto& r) {
                    r.status = 500;
                    r.contentType = "text/html";
                  })},
        FaultCase{"not found", Row([](auto& r) { r.status = 404; })},
        FaultCase{"closes early", Row([](auto& r) {
                    r.fault = test::Fault::CloseAfter;
                    r.faultAfter = 50000;
                  })},
        FaultCase{"short body", Row([](auto& r) {
                    r.fault = test::Fault::ShortBody;
                    r.faultAfter = 50000;
                  })},
        FaultCase{"stalls", Row([](auto& r) {
                    r.fault = test::Fault::Stall;
                    r.faultAfter = 50000;
                    r.delay = std::chrono::milliseconds(4000);
                  })}));

TEST_F(Download, ResourceChangedSincePauseStartsAfresh) {
  test::FaultRow first = Honest(body_, "\"v1\"");
  first.fault = test::Fault::CloseAfter;
  first.faultAfter = 50000;
  server_.SetRow("/pack.zip", first);
  RunToEnd();
  ASSERT_TRUE(Exists("!BT.Config"));
  EXPECT_EQ(profile::ReadString(path_ + "!BT.Config", "Info", "ETag"), "\"v1\"");

  const std::string second = test::PatternBody(kSize, 2);
  server_.SetRow("/pack.zip", Honest(second, "\"v2\""));
  ClearStatuses();
  RunToEnd();
  EXPECT_TRUE(HasStatus(1, "服务器上的文件已更改,重新开始下载..."));
  EXPECT_EQ(LastStatus().code, 3);
  EXPECT_EQ(Sha256(OnDisk()), Sha256(second));
  bool askedIfRange = false;
  for (const auto& r : server_.Requests("/pack.zip"))
    askedIfRange |= r.Header("If-Range") == "\"v1\"";
  EXPECT_TRUE(askedIfRange);
}

TEST_F(Download, ResourceThatKeepsChangingIsGivenUp) {
  // Every segment answer names another total than the size probe found.
  server_.SetRow("/pack.zip",
                 Faulty(Row([](auto& r) { r.contentRange = "bytes 0-683007/3000000"; })));
  engine_.BT_Download(Request(Url(), path_, 3));
  ASSERT_TRUE(WaitUntilReleased(1));
  EXPECT_EQ(LastStatus().code, 98);
  EXPECT_EQ(CountCode(3), 0);
  // Bytes of two versions are never kept for a resume.
  EXPECT_FALSE(Exists("!BT"));
  EXPECT_FALSE(Exists("!BT.Config"));
  EXPECT_FALSE(Exists());
}

TEST_F(Download, SizeProbeFailureEndsTheTaskAtOnce) {
  server_.SetRow("/pack.zip", Row([](auto& r) { r.status = 404; }));
  RunToEnd();
  EXPECT_EQ(LastStatus().code, 97);
  EXPECT_GBK_EQ(LastStatus().message, "获取文件大小出错,无法下载,请检查该资源是否有效");
  EXPECT_FALSE(Exists("!BT.Config"));
}

TEST_F(Download, FailedWritesEndTheTaskAndAreNeverCounted) {
  // A first run leaves a partial file and its task file behind.
  test::FaultRow broken = Honest(body_);
  broken.fault = test::Fault::CloseAfter;
  broken.faultAfter = 50000;
  server_.SetRow("/pack.zip", broken);
  RunToEnd();
  ASSERT_TRUE(Exists("!BT.Config"));

  // Writes beyond 300000 bytes now fail (the file-size limit of this process).
  server_.SetRow("/pack.zip", Honest(body_));
  signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit limit = old;
  limit.rlim_cur = 300000;
  setrlimit(RLIMIT_FSIZE, &limit);
  ClearStatuses();
  RunToEnd();
  setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_EQ(CountCode(3), 0);
  EXPECT_TRUE(HasStatus(98, "线程2 写入文件失败"));
  ExpectTaskFileTruthful();

  ClearStatuses();
  RunToEnd();
  EXPECT_EQ(LastStatus().code, 3);
  EXPECT_EQ(Sha256(OnDisk()), Sha256(body_));
}

}  // namespace
}  // namespace tv
