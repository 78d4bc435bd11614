// The task state machine against a slow loopback server: pause, continue, stop, and the
// rules of BT_Download (address check, one task per path, nested and surplus starts).
#include <gtest/gtest.h>

#include "engine/task_table.h"
#include "tests/engine/engine_fixture.h"
#include "tests/support/fault_server.h"
#include "tests/support/gbk_assert.h"

namespace tv {
namespace {

constexpr size_t kSize = 2049024;

class TaskControl : public test::EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    ASSERT_TRUE(server_.running());
    body_ = test::PatternBody(kSize, 3);
    test::FaultRow slow;
    slow.body = body_;
    slow.fault = test::Fault::Drip;  // about 160 KB/s per connection
    slow.dripBytes = 16384;
    slow.delay = std::chrono::milliseconds(100);
    server_.SetRow("/slow.zip", slow);
    test::FaultRow fast;
    fast.body = body_;
    server_.SetRow("/fast.zip", fast);
    path_ = GbkPath("pack.zip");
    Initialise();
  }

  // Starts a slow download and waits until bytes arrive.
  int StartSlow() {
    const int id = engine_.BT_Download(Request(server_.Url("/slow.zip"), path_));
    EXPECT_GE(id, 1);
    EXPECT_TRUE(WaitFor([&] { return Engine().slots[id - 1].task.downloaded.load() > 0; }));
    return id;
  }
  bool Exists(const char* suffix) const {
    return std::filesystem::exists(dir() / (std::string("pack.zip") + suffix));
  }
  // Codes of the statuses so far, in order.
  std::vector<int> Codes() {
    std::vector<int> codes;
    for (const auto& s : statuses()) codes.push_back(s.code);
    return codes;
  }
  size_t IndexOf(int code, const std::string& message) {
    const auto all = statuses();
    for (size_t i = 0; i < all.size(); ++i)
      if (all[i].code == code && all[i].message == message) return i;
    return all.size();
  }

  test::FaultServer server_;
  std::string body_;
  std::string path_;
};

TEST_F(TaskControl, PauseSavesEverySegmentAndFreesTheSlot) {
  const int id = StartSlow();
  ClearStatuses();
  EXPECT_TRUE(engine_.BT_Pause(static_cast<TaskId>(id)));
  EXPECT_GBK_EQ(LastStatus().message, "暂停中...");  // at once, on this thread
  EXPECT_TRUE(engine_.BT_Pause(static_cast<TaskId>(id)));
  EXPECT_EQ(LastStatus().code, 4);  // a second request only repeats the state
  ASSERT_TRUE(WaitUntilReleased(id));
  EXPECT_EQ(CountCode(4), 2);
  EXPECT_FALSE(engine_.BT_TaskExists(static_cast<TaskId>(id)));
  EXPECT_EQ(engine_.BT_GetTaskCount(), 1);
  ASSERT_TRUE(Exists("!BT.Config"));

  // Taken up again by the next start for the same path, in the freed slot.
  server_.SetRow("/slow.zip", [&] {
    test::FaultRow fast;
    fast.body = body_;
    return fast;
  }());
  ClearStatuses();
  EXPECT_EQ(engine_.BT_Download(Request(server_.Url("/slow.zip"), path_)), id);
  ASSERT_TRUE(WaitUntilReleased(id));
  EXPECT_TRUE(HasStatus(1, "正在启动断点续传下载..."));
  EXPECT_EQ(LastStatus().code, 3);
  EXPECT_EQ(Sha256(ReadFile("pack.zip")), Sha256(body_));
}

TEST_F(TaskControl, ContinueWaitsForTheOldWorkersThenCarriesOn) {
  const int id = StartSlow();
  ClearStatuses();
  ASSERT_TRUE(engine_.BT_Pause(static_cast<TaskId>(id)));
  EXPECT_TRUE(engine_.BT_Continue(static_cast<TaskId>(id)));
  // The pause was saved before the task went on, under the same ID.
  const size_t paused = IndexOf(4, "下载被暂停");
  const size_t continuing = IndexOf(5, "继续下载,启动中...");
  const size_t resuming = IndexOf(1, "正在启动断点续传下载...");
  EXPECT_LT(paused, continuing);
  EXPECT_LT(continuing, resuming);
  EXPECT_LT(resuming, statuses().size());
  EXPECT_TRUE(engine_.BT_IsActive(static_cast<TaskId>(id)));
  ASSERT_TRUE(WaitUntilReleased(id, 60));
  EXPECT_EQ(LastStatus().code, 3);
  EXPECT_EQ(LastStatus().id, id);
  EXPECT_EQ(Sha256(ReadFile("pack.zip")), Sha256(body_));
}

TEST_F(TaskControl, StopEndsTheWorkersAndDeletesTheFiles) {
  const int id = StartSlow();
  EXPECT_TRUE(engine_.BT_Stop(static_cast<TaskId>(id)));
  // Nothing of the task runs or remains once BT_Stop has returned.
  EXPECT_EQ(Engine().slots[id - 1].threadsRunning.load(), 0);
  EXPECT_FALSE(engine_.BT_TaskExists(static_cast<TaskId>(id)));
  EXPECT_EQ(LastStatus().code, 6);
  EXPECT_GBK_EQ(LastStatus().message, "下载被停止！");
  EXPECT_FALSE(Exists("!BT"));
  EXPECT_FALSE(Exists("!BT.Config"));
  EXPECT_EQ(CountCode(3), 0);

  // A following start begins afresh.
  ClearStatuses();
  EXPECT_EQ(engine_.BT_Download(Request(server_.Url("/fast.zip"), path_)), id);
  ASSERT_TRUE(WaitUntilReleased(id));
  EXPECT_FALSE(HasStatus(1, "正在启动断点续传下载..."));
  EXPECT_EQ(Sha256(ReadFile("pack.zip")), Sha256(body_));
}

TEST_F(TaskControl, StopLeavesPendingPausesAndFreeSlotsAlone) {
  const int id = StartSlow();
  ASSERT_TRUE(engine_.BT_Pause(static_cast<TaskId>(id)));
  ClearStatuses();
  EXPECT_TRUE(engine_.BT_Stop(static_cast<TaskId>(id)));
  EXPECT_EQ(CountCode(6), 0);
  ASSERT_TRUE(WaitUntilReleased(id));
  EXPECT_TRUE(Exists("!BT.Config"));  // the pause was saved, not undone
  EXPECT_TRUE(engine_.BT_Stop(static_cast<TaskId>(id)));
  EXPECT_EQ(CountCode(6), 0);
  // IDs out of range: false, and the message reaches the callback only for 255.
  ClearStatuses();
  EXPECT_FALSE(engine_.BT_Stop(0));
  EXPECT_FALSE(engine_.BT_Stop(200));
  EXPECT_TRUE(statuses().empty());
  EXPECT_FALSE(engine_.BT_Stop(255));
  EXPECT_EQ(LastStatus().id, 255);
  EXPECT_GBK_EQ(LastStatus().message, "任务ID错误！");
  EXPECT_FALSE(engine_.BT_DeleteTaskFiles(static_cast<TaskId>(id)));  // a free slot names no files
}

TEST_F(TaskControl, OnePathOneTask) {
  const int id = StartSlow();
  EXPECT_TRUE(engine_.BT_IsDownloading(path_));
  EXPECT_EQ(engine_.BT_Download(Request(server_.Url("/fast.zip"), path_)), -3);
  EXPECT_GBK_EQ(LastStatus().message, "此任务正在下载中");
  EXPECT_EQ(LastStatus().id, 255);
  EXPECT_EQ(engine_.BT_GetDownloadingCount(), 1);
  engine_.BT_Stop(static_cast<TaskId>(id));
  EXPECT_FALSE(engine_.BT_IsDownloading(path_));
}

TEST_F(TaskControl, AddressCheck) {
  // Host 0 is this machine, where nothing answers on ports 80 and 443.
  struct Row {
    const char* url;
    bool accepted;
  } rows[] = {{"http://0/b", true},    {"http://0/", false},         {"http://0//x.zip", false},
              {"https://0/x/y", true}, {"http://0/a//b.zip", false}, {"", false}};
  for (const Row& row : rows) {
    const int result = engine_.BT_Download(Request(row.url, GbkPath("x.zip")));
    if (row.accepted) {
      EXPECT_GE(result, 1) << row.url;
      WaitUntilReleased(result);  // nothing answers there: the size probe fails
    } else {
      EXPECT_EQ(result, -2) << row.url;
      EXPECT_GBK_EQ(LastStatus().message, "下载地址有误");
    }
  }
}

TEST_F(TaskControl, NestedStartOnTheSameThreadIsRefused) {
  int nested = 0;
  OnStatus([&](int, int code, const std::string&) {
    if (code == 99)
      nested = engine_.BT_Download(Request(server_.Url("/fast.zip"), GbkPath("other.zip")));
  });
  const int id = engine_.BT_Download(Request(server_.Url("/fast.zip"), path_));
  OnStatus(nullptr);
  EXPECT_EQ(id, 1);
  EXPECT_EQ(nested, -1);
  EXPECT_TRUE(HasStatus(98, "已有下载任务正在启动中,请稍后再试"));
  ASSERT_TRUE(WaitUntilReleased(id));
  // The outer start was not disturbed, and the next one is served normally.
  EXPECT_EQ(Sha256(ReadFile("pack.zip")), Sha256(body_));
  EXPECT_EQ(engine_.BT_Download(Request(server_.Url("/fast.zip"), GbkPath("other.zip"))), 1);
  ASSERT_TRUE(WaitUntilReleased(1));
}

TEST_F(TaskControl, FreedSlotsAreReusedAndAFullTableRefuses) {
  // Two tasks at once take IDs 1 and 2; once both are over, 1 is the first free one.
  ASSERT_EQ(engine_.BT_Download(Request(server_.Url("/slow.zip"), GbkPath("f0"))), 1);
  ASSERT_EQ(engine_.BT_Download(Request(server_.Url("/slow.zip"), GbkPath("f1"))), 2);
  EXPECT_TRUE(engine_.BT_Stop(2));
  EXPECT_TRUE(engine_.BT_Stop(1));
  EXPECT_EQ(engine_.BT_GetTaskCount(), 2);
  EXPECT_EQ(engine_.BT_FindFreeTask(), 1);
  EXPECT_EQ(engine_.BT_Download(Request(server_.Url("/fast.zip"), GbkPath("f2"))), 1);
  ASSERT_TRUE(WaitUntilReleased(1));

  // All 255 IDs taken by tasks that are still running (as far as the table says).
  Engine().taskCount = 255;
  for (int i = 0; i < 255; ++i) Engine().slots[i].task.state = 4;
  ClearStatuses();
  EXPECT_EQ(engine_.BT_Download(Request(server_.Url("/fast.zip"), GbkPath("f3"))), -1);
  EXPECT_EQ(LastStatus().id, 255);
  EXPECT_EQ(LastStatus().code, 98);
  EXPECT_FALSE(std::filesystem::exists(dir() / "f3!BT"));
}

TEST_F(TaskControl, ShutdownSavesRunningDownloadsBeforeEmptyingTheTables) {
  const int id = StartSlow();
  EXPECT_EQ(engine_.BT_Shutdown(kWindow), 1);
  EXPECT_FALSE(ui_.TimerRunning(kWindow, kProgressTimerId));
  EXPECT_EQ(engine_.BT_GetTaskCount(), 0);
  EXPECT_EQ(Engine().slots[id - 1].threadsRunning.load(), 0);
  EXPECT_TRUE(HasStatus(4, "下载被暂停"));
  EXPECT_TRUE(Exists("!BT.Config"));  // taken up again by the next start
  Initialise();
  ASSERT_EQ(engine_.BT_Download(Request(server_.Url("/fast.zip"), path_)), 1);
  ASSERT_TRUE(WaitUntilReleased(1));
  EXPECT_TRUE(HasStatus(1, "正在启动断点续传下载..."));
  EXPECT_EQ(Sha256(ReadFile("pack.zip")), Sha256(body_));
}

TEST(EngineSetup, InitialisationRules) {
  test::HeadlessUi ui;
  DownloadEngine engine;
  int first = 0, second = 0;
  auto progress = [](std::int32_t, std::int32_t, std::int32_t, float, float, float) {};
  EXPECT_EQ(engine.BT_初始化(3, progress, nullptr), 0);
  EXPECT_FALSE(ui.TimerRunning(3, kProgressTimerId));
  EXPECT_EQ(engine.BT_Download(DownloadRequest{"http://h/x.zip", "", "x", 0, 0, ""}), -1);
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_GBK_EQ(ui.messages()[0].text, "请选用 BT_初始化() 命令进行初始化后才能下载");
  EXPECT_GBK_EQ(ui.messages()[0].title, "友情提醒");
  EXPECT_EQ(engine.BT_GetTaskCount(), 0);

  EXPECT_EQ(engine.BT_初始化(3, progress,
                             [&](std::int32_t, std::int32_t, const std::string&,
                                 const std::string&) { ++first; }),
            1);
  EXPECT_TRUE(ui.TimerRunning(3, kProgressTimerId));
  EXPECT_EQ(engine.BT_初始化(4, progress,
                             [&](std::int32_t, std::int32_t, const std::string&,
                                 const std::string&) { ++second; }),
            1);
  NotifyStatus(kNoTask, TaskStatus::Error, "x");
  NotifyStatus(0, TaskStatus::Error, "x");  // reaches nobody
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 0);
  EXPECT_FALSE(ui.TimerRunning(4, kProgressTimerId));
  EXPECT_EQ(engine.BT_Shutdown(3), 1);
  EXPECT_FALSE(ui.TimerRunning(3, kProgressTimerId));
}

}  // namespace
}  // namespace tv
