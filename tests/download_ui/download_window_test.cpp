// The download window's displays and completion under the headless UI: number formats,
// the status table, the completion steps in order, and completion reported by a worker.
#include "download_ui/download_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "common/windows.h"
#include "maps/app_state.h"
#include "tests/support/gbk_assert.h"
#include "tests/support/headless_ui.h"

namespace tv {
namespace {

const std::string kBar = "进度条1";
const std::string kStatus = "状态条1";

class DownloadWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { App() = AppState{}; }
  std::string Caption(const std::string& control) {
    return ui.Control(kDownloadWindow, control).caption;
  }
  std::string Pane(int pane) { return ui.Control(kDownloadWindow, kStatus).panes[pane]; }

  test::HeadlessUi ui;
};

TEST_F(DownloadWindowTest, ProgressIsShownInTheWindowsNumberFormats) {
  struct Row {
    std::int32_t fileSize, downloaded;
    float speed, percent, totalSpeed;
    const char *total, *done, *shownSpeed;
    int bar;
    const char* shownTotalSpeed;
  } rows[] = {
      {3670016, 524287, 125.5f, 99.99f, 3.0f, "4MB", "0MB", "125.5KB/S", 99, "3KB/S"},
      {1572864, 1572864, 0.1f, 100.0f, -1.0f, "2MB", "2MB", "0.1KB/S", 100, "-1KB/S"},
      {12582912, 0, 12.3456789f, 0.5f, 1234567.0f, "12MB", "0MB", "12.3457KB/S", 0, "1234570KB/S"},
      {-1, 0, 0.0f, 0.0f, 0.000123456f, "0MB", "0MB", "0KB/S", 0, "0.000123456KB/S"},
      {2146435072, 1048575, 1024.25f, 33.33f, 99999.95f, "2047MB", "1MB", "1024.25KB/S", 33,
       "100000KB/S"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.total);
    ShowDownloadProgress(1, row.fileSize, row.downloaded, row.speed, row.percent, row.totalSpeed);
    EXPECT_GBK_EQ(Caption("透明标签_总大小"), row.total);
    EXPECT_GBK_EQ(Caption("透明标签_已下载"), row.done);
    EXPECT_GBK_EQ(Caption("透明标签_下载速度"), row.shownSpeed);
    EXPECT_EQ(ui.Control(kDownloadWindow, kBar).position, row.bar);
    EXPECT_GBK_EQ(Pane(1), row.shownTotalSpeed);
  }
}

TEST_F(DownloadWindowTest, StatusCodesWriteTheirTextOrNothing) {
  struct Row {
    int code;
    const char* text;  // nullptr: the pane keeps what it showed
  } rows[] = {
      {1, "正在下载中.."}, {2, "正在下载中.."},  {4, "下载暂停.."},
      {5, "正在下载中.."}, {6, "下载停止.."},    {97, "文件大小获取失败"},
      {98, "下载错误"},    {99, "下载等待中.."}, {7, nullptr},
      {0, nullptr},        {96, nullptr},        {-3, nullptr},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.code);
    ui.SetPaneText(kDownloadWindow, kStatus, 3, "before");
    ShowDownloadStatus(row.code);
    EXPECT_GBK_EQ(Pane(3), row.text ? row.text : "before");
  }
}

TEST_F(DownloadWindowTest, CompletionStepsRunInOrder) {
  ShowDownloadProgress(1, 3670016, 3670016, 50.0f, 100.0f, 50.0f);
  ui.ClearLog();
  ShowDownloadStatus(3);

  std::vector<std::string> log = ui.log();
  auto at = [&log](const std::string& line) {
    return std::find(log.begin(), log.end(), line) - log.begin();
  };
  const std::vector<std::string> steps = {
      "SetPaneText DownloadWindow 状态条1 3 下载已完成",
      "SetVisible DownloadWindow  0",
      "SetCaption MainWindow 标签6 官方地图",
      "SetPosition DownloadWindow 进度条1 0",
      "SetCaption DownloadWindow 透明标签_总大小 0 MB",
      "SetCaption DownloadWindow 透明标签_已下载 0 MB",
      "SetCaption DownloadWindow 透明标签_下载速度 0/KS",
      "SetPaneText DownloadWindow 状态条1 1 KB/S",
      "SetPaneText DownloadWindow 状态条1 3 ",
      "MessageBox 温馨提示： 恭喜您，下载成功 软件界面刷新！",
      "SetVisible MainWindow  1",
  };
  for (size_t i = 0; i < steps.size(); ++i) {
    SCOPED_TRACE(test::Readable(steps[i]));
    ASSERT_LT(at(steps[i]), static_cast<long>(log.size()));
    if (i > 0) {
      EXPECT_LT(at(steps[i - 1]), at(steps[i]));
    }
  }
  EXPECT_TRUE(ui.WindowVisible(kMainWindow));
  EXPECT_FALSE(ui.WindowVisible(kDownloadWindow));
  EXPECT_EQ(ui.Control(kDownloadWindow, kBar).position, 0);
  EXPECT_GBK_EQ(Pane(3), "");
}

TEST_F(DownloadWindowTest, WorkerReportingCompletionWaitsForTheUiThread) {
  ui.ClearLog();
  std::atomic<bool> returned{false};
  std::thread worker([&] {
    OnDownloadProgress(1, 1048576, 1048576, 10.0f, 100.0f, -1.0f);
    OnDownloadStatus(1, 3, "pack.zip!BT", "下载完毕");
    returned = true;
  });
  // Nothing is touched from the worker, and it is held until the UI thread has run the steps.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(returned);
  EXPECT_TRUE(ui.log().empty());
  while (!returned) ui.PumpMessages();
  worker.join();

  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_GBK_EQ(ui.messages()[0].title, "温馨提示：");
  EXPECT_GBK_EQ(ui.log().front(), "SetCaption DownloadWindow 透明标签_总大小 1MB");
  EXPECT_GBK_EQ(ui.log().back(), "SetVisible MainWindow  1");
}

TEST_F(DownloadWindowTest, StatusFromAWorkerIsShownOnTheUiThread) {
  std::thread worker([] { OnDownloadStatus(1, 98, "pack.zip!BT", "下载错误"); });
  worker.join();
  EXPECT_GBK_EQ(Pane(3), "");
  ui.PumpMessages();
  EXPECT_GBK_EQ(Pane(3), "下载错误");
}

TEST_F(DownloadWindowTest, CloseHidesAndBringsTheMainWindowBack) {
  ui.SetVisible(kMainWindow, {}, false);
  ui.SetVisible(kDownloadWindow, {}, true);
  ui.ClearLog();
  EXPECT_FALSE(CloseDownloadWindow());
  EXPECT_EQ(ui.log(),
            (std::vector<std::string>{"SetVisible MainWindow  1", "SetVisible DownloadWindow  0"}));
  EXPECT_TRUE(ui.messages().empty());
}

}  // namespace
}  // namespace tv
