// The download window on the real toolkit: a download from a loopback server shown by
// the engine's timer on this window, the display formats in the real controls, status
// from a worker, the completion steps in order, and the close that only hides.
#include <unistd.h>
#include <wx/choice.h>
#include <wx/frame.h>
#include <wx/gauge.h>
#include <wx/statusbr.h>

#include <atomic>
#include <thread>

#include "app/program.h"
#include "common/windows.h"
#include "download_ui/download_window.h"
#include "maps/app_state.h"
#include "platform/files.h"
#include "tests/app/wx_test_support.h"
#include "tests/support/fault_server.h"
#include "tests/support/gbk_assert.h"
#include "ui_packs/interface_packs.h"

namespace tv {
namespace {

class DownloadWindowGuiTest : public test::WxTest {
 protected:
  void SetUp() override {
    WxTest::SetUp();
    App().GameDir = "C:\\Games\\LOL\\TCLS\\Client.exe";
    app::LoadMainWindow(*ui, [] { ADD_FAILURE() << "the main window was closed"; });
    answerer.reset(new test::DialogAnswerer);  // forget the start-up's box
    Pump(200);                                 // the main window is on screen before the user acts
    // What the action button does in Download mode.
    ui->SetVisible(kDownloadWindow, {}, true);
    ui->SetVisible(kMainWindow, {}, false);
  }
  std::string Label(const std::string& control) {
    return app::FromWx(
        static_cast<wxControl*>(ui->Control(kDownloadWindow, control))->GetLabelText());
  }
  int Bar() { return static_cast<wxGauge*>(ui->Control(kDownloadWindow, "进度条1"))->GetValue(); }
  std::string Pane(int pane) {
    return app::FromWx(
        static_cast<wxStatusBar*>(ui->Control(kDownloadWindow, "状态条1"))->GetStatusText(pane));
  }
  bool Shown(const std::string& window) { return ui->Window(window)->IsShown(); }
};

TEST_F(DownloadWindowGuiTest, StartButtonDownloadsWithProgressShownEverySecond) {
  test::FaultServer server;
  // 3.5 MB dripped slowly enough that the once-a-second timer reports before the end.
  test::FaultRow row{.body = test::PatternBody(3670016)};
  row.fault = test::Fault::Drip;
  row.dripBytes = 16384;
  row.delay = std::chrono::milliseconds(40);
  server.SetRow("/terravane/Map9.zip", row);
  const std::string zip = "\\gui-" + std::to_string(getpid()) + ".zip";
  App().SelectedMap = {zip, server.Url("/terravane/Map9.zip")};

  Click(kDownloadWindow, "按钮1");
  EXPECT_TRUE(PumpUntil([&] { return Label("透明标签_总大小") == "4MB"; }, 20));
  EXPECT_GBK_EQ(Pane(3), "正在下载中..");
  ASSERT_TRUE(PumpUntil([&] { return !answerer->boxes().empty(); }, 30));
  EXPECT_GBK_EQ(answerer->boxes()[0].text, "恭喜您，下载成功 软件界面刷新！");
  EXPECT_TRUE(PumpUntil([&] { return Shown(kMainWindow); }));
  EXPECT_FALSE(Shown(kDownloadWindow));
  EXPECT_EQ(files::FileSize(PackDir() + zip), 3670016);
  files::DeleteFile(PackDir() + zip);
}

TEST_F(DownloadWindowGuiTest, ProgressAndStatusReachTheRealControls) {
  ShowDownloadProgress(1, 3670016, 524287, 125.5f, 99.99f, -1.0f);
  EXPECT_GBK_EQ(Label("透明标签_总大小"), "4MB");
  EXPECT_GBK_EQ(Label("透明标签_已下载"), "0MB");
  EXPECT_GBK_EQ(Label("透明标签_下载速度"), "125.5KB/S");
  EXPECT_EQ(Bar(), 99);
  EXPECT_GBK_EQ(Pane(1), "-1KB/S");

  std::thread([] { OnDownloadStatus(1, 97, "x!BT", "-"); }).join();
  ASSERT_TRUE(PumpUntil([&] { return Pane(3) == "文件大小获取失败"; }));
  std::thread([] { OnDownloadStatus(1, 7, "x!BT", "-"); }).join();
  Pump();
  EXPECT_GBK_EQ(Pane(3), "文件大小获取失败");
}

TEST_F(DownloadWindowGuiTest, CompletionFromAWorkerResetsHidesAsksThenShowsTheMainWindow) {
  ShowDownloadProgress(1, 3670016, 3670016, 300.0f, 100.0f, 300.0f);
  struct AtTheBox {
    bool downloadShown, mainShown, workerReturned;
    std::string total, done, speed, pane1, pane3, mapName;
    int bar;
  } seen{};
  std::atomic<bool> returned{false};
  answerer->OnBox([&](const test::ShownBox&) {
    seen = {Shown(kDownloadWindow),
            Shown(kMainWindow),
            returned.load(),
            Label("透明标签_总大小"),
            Label("透明标签_已下载"),
            Label("透明标签_下载速度"),
            Pane(1),
            Pane(3),
            app::FromWx(static_cast<wxControl*>(ui->Control(kMainWindow, "标签6"))->GetLabelText()),
            Bar()};
  });
  std::thread worker([&] {
    OnDownloadStatus(1, 3, "x!BT", "下载完毕");
    returned = true;
  });
  ASSERT_TRUE(PumpUntil([&] { return returned.load(); }, 20));
  worker.join();

  ASSERT_EQ(answerer->boxes().size(), 1u);
  EXPECT_GBK_EQ(answerer->boxes()[0].title, "温馨提示：");
  EXPECT_FALSE(seen.downloadShown);
  EXPECT_FALSE(seen.mainShown);
  EXPECT_FALSE(seen.workerReturned);
  EXPECT_GBK_EQ(seen.total, "0 MB");
  EXPECT_GBK_EQ(seen.done, "0 MB");
  EXPECT_GBK_EQ(seen.speed, "0/KS");
  EXPECT_GBK_EQ(seen.pane1, "KB/S");
  EXPECT_GBK_EQ(seen.pane3, "");
  EXPECT_GBK_EQ(seen.mapName, "官方地图");
  EXPECT_EQ(seen.bar, 0);
  EXPECT_TRUE(Shown(kMainWindow));
  EXPECT_FALSE(Shown(kDownloadWindow));
}

TEST_F(DownloadWindowGuiTest, ChoosingAnInterfacePackNotYetDownloadedOpensThisWindow) {
  ui->SetVisible(kDownloadWindow, {}, false);
  ui->SetVisible(kMainWindow, {}, true);
  auto* combo = static_cast<wxChoice*>(ui->Control(kMainWindow, "组合框1"));
  combo->SetSelection(combo->FindString(app::ToWx("战地界面")));
  wxCommandEvent chosen(wxEVT_CHOICE, combo->GetId());
  chosen.SetEventObject(combo);
  chosen.SetInt(combo->GetSelection());
  combo->ProcessWindowEvent(chosen);

  EXPECT_TRUE(Shown(kDownloadWindow));
  EXPECT_FALSE(Shown(kMainWindow));
  EXPECT_GBK_EQ(App().SelectedMap.zipName, "\\战地界面.zip");
  EXPECT_EQ(App().SelectedMap.url, InterfacePackUrl("战地界面"));
  EXPECT_TRUE(answerer->boxes().empty());
}

TEST_F(DownloadWindowGuiTest, ClosingOnlyHidesAndBringsTheMainWindowBack) {
  wxWindow* window = ui->Window(kDownloadWindow);
  EXPECT_FALSE(window->Close());
  Pump();
  EXPECT_EQ(ui->Window(kDownloadWindow), window);
  EXPECT_FALSE(Shown(kDownloadWindow));
  EXPECT_TRUE(Shown(kMainWindow));
  EXPECT_TRUE(answerer->boxes().empty());
}

}  // namespace
}  // namespace tv
