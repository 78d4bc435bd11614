// The start button against a loopback pack server, through the real download engine:
// the request it builds, the engine's timer on the download window, and a download that
// ends with the pack on disk and the completion steps run.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "common/windows.h"
#include "download_ui/download_globals.h"
#include "download_ui/download_window.h"
#include "maps/app_state.h"
#include "platform/files.h"
#include "tests/support/fault_server.h"
#include "tests/support/gbk_assert.h"
#include "tests/support/headless_ui.h"

namespace tv {
namespace {

class StartDownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App() = AppState{};
    CreateDownloadGlobals();
    zipName = "\\下载测试-" + std::to_string(getpid()) + ".zip";
    RemovePackFiles();
  }
  void TearDown() override {
    RemovePackFiles();
    ReleaseDownloadGlobals();
  }
  void RemovePackFiles() {
    for (const char* suffix : {"", "!BT", "!BT.Config"})
      files::DeleteFile(PackDir() + zipName + suffix);
  }
  // Runs the UI thread's side (timer ticks, queued work) until `done` or 30 s have passed.
  template <class Done>
  bool PumpUntil(Done done) {
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
      if (std::chrono::steady_clock::now() > until) return false;
      ui.FireTimers();
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  }

  test::HeadlessUi ui;
  test::FaultServer server;
  std::string zipName;
};

TEST_F(StartDownloadTest, DownloadsTheSelectedPackAndRunsTheCompletionSteps) {
  const std::string body = test::PatternBody(3 * 1048576 + 12345);
  server.SetRow("/terravane/Map8.zip", test::FaultRow{.body = body});
  App().SelectedMap = {zipName, server.Url("/terravane/Map8.zip")};
  ui.SetVisible(kMainWindow, {}, false);
  ui.SetVisible(kDownloadWindow, {}, true);

  ClickStartDownload();
  const DownloadRequest& request = TheDownloadRequest();
  EXPECT_EQ(request.url, server.Url("/terravane/Map8.zip"));
  EXPECT_GBK_EQ(request.localPath, PackDir() + zipName);
  EXPECT_EQ(request.blockSize, 2048);
  EXPECT_EQ(request.threadCount, 5);
  EXPECT_TRUE(ui.TimerRunning(ui.GetWindowHandle(kDownloadWindow), kProgressTimerId));

  ASSERT_TRUE(PumpUntil([&] { return !ui.messages().empty(); }));
  EXPECT_GBK_EQ(ui.messages().back().text, "恭喜您，下载成功 软件界面刷新！");
  EXPECT_TRUE(ui.WindowVisible(kMainWindow));
  EXPECT_FALSE(ui.WindowVisible(kDownloadWindow));
  EXPECT_GBK_EQ(ui.Control(kDownloadWindow, "透明标签_总大小").caption, "0 MB");
  std::string onDisk;
  ASSERT_TRUE(files::ReadWholeFile(PackDir() + zipName, onDisk));
  EXPECT_TRUE(onDisk == body);
  EXPECT_FALSE(files::Exists(PackDir() + zipName + "!BT.Config"));
}

TEST_F(StartDownloadTest, AnEmptyAddressIsRefusedByTheEngineAndShownAsAnError) {
  App().SelectedMap = {zipName, ""};
  ClickStartDownload();
  ui.PumpMessages();
  EXPECT_GBK_EQ(ui.Control(kDownloadWindow, "状态条1").panes[3], "下载错误");
  EXPECT_FALSE(files::Exists(PackDir() + zipName));
  EXPECT_EQ(server.RequestCount(), 0u);
}

}  // namespace
}  // namespace tv
