// Start-up on the real windows: the creation steps with and without a registry value,
// the skin on both windows, the forum page handed to xdg-open, and the game-directory
// chooser's outcomes.
#include <wx/button.h>
#include <wx/frame.h>
#include <wx/statusbr.h>

#include <cstdlib>
#include <fstream>
#include <optional>

#include "app/picture_box.h"
#include "app/program.h"
#include "app/skin.h"
#include "app/startup.h"
#include "common/windows.h"
#include "maps/app_state.h"
#include "maps/map_catalogue.h"
#include "platform/codepage.h"
#include "tests/app/wx_test_support.h"
#include "tests/support/gbk_assert.h"

namespace tv {
namespace {

class StartupTest : public test::WxTest {
 protected:
  void WriteGameKey(const std::string& value) {
    WriteFile("wine/user.reg",
              "WINE REGISTRY Version 2\n\n[Software\\\\Tencent\\\\LOL] 1700000000\n\"QQlogin\"=\"" +
                  value + "\"\n");
  }
  wxFrame* Load() {
    return app::LoadMainWindow(*ui, [] { ADD_FAILURE() << "the main window was closed"; });
  }
  std::string Caption(const std::string& control) {
    return app::FromWx(static_cast<wxControl*>(ui->Control(kMainWindow, control))->GetLabelText());
  }
  std::string Pane1() {
    return app::FromWx(
        static_cast<wxStatusBar*>(ui->Control(kMainWindow, "状态条1"))->GetStatusText(1));
  }
};

TEST_F(StartupTest, WithoutARegistryValueTheUserIsToldAndTheDefaultMapShown) {
  wxFrame* main = Load();
  ASSERT_EQ(answerer->boxes().size(), 1u);
  EXPECT_GBK_EQ(answerer->boxes()[0].text,
                "游戏都没有修改个屁！,如果你有的话，那就手动选择目录吧！ 俺木木可找不到呢！");
  EXPECT_GBK_EQ(answerer->boxes()[0].title, "信息：");
  EXPECT_GBK_EQ(Pane1(), "");
  EXPECT_GBK_EQ(ui->GetText(kMainWindow, "编辑框1"), "");
  EXPECT_EQ(App().GameDir, "");

  EXPECT_GBK_EQ(Caption("标签6"), "官方地图");
  EXPECT_GBK_EQ(Caption("标签5"), "LOL官方");
  EXPECT_GBK_EQ(Caption("标签8"), "- 未备份 -");
  EXPECT_GBK_EQ(Caption("按钮11"), "一键备份");
  EXPECT_TRUE(static_cast<app::PictureBox*>(ui->Control(kMainWindow, "图片框1"))->HasPicture());
  for (const auto& button : MapButtons())
    EXPECT_FALSE(ui->Control(kMainWindow, button)->IsEnabled());
  EXPECT_TRUE(ui->Control(kMainWindow, "按钮9")->IsEnabled());

  EXPECT_TRUE(main->IsShown());
  ASSERT_NE(ui->Window(kDownloadWindow), nullptr);
  EXPECT_FALSE(ui->Window(kDownloadWindow)->IsShown());
  const app::Theme* skin = app::BuiltInTheme(app::kSkinNumber);
  EXPECT_EQ(main->GetBackgroundColour(), skin->background);
  EXPECT_EQ(ui->Window(kDownloadWindow)->GetBackgroundColour(), skin->background);
  app::AttachSkin(0);  // no such skin: the attached one stays
  app::AttachSkin(34);
  EXPECT_EQ(app::AttachedTheme(), skin);
  EXPECT_NE(app::BuiltInTheme(1)->background, skin->background);

  ASSERT_TRUE(PumpUntil([&] { return ReadFile("opened.txt") == app::ForumPageUrl() + "\n"; }))
      << ReadFile("opened.txt");
}

TEST_F(StartupTest, ARegistryValueIsShownAndBecomesTheGameDirectory) {
  WriteGameKey("C:\\\\Games\\\\\\x82f1\\x96c4\\x8054\\x76df\\\\TCLS\\\\Client.exe");
  Load();
  EXPECT_TRUE(answerer->boxes().empty());
  EXPECT_GBK_EQ(Pane1(), "C:\\Games\\英雄联盟\\TCLS\\Client.exe");
  EXPECT_GBK_EQ(ui->GetText(kMainWindow, "编辑框1"), "C:\\Games\\英雄联盟\\TCLS\\Client.exe");
  EXPECT_GBK_EQ(App().GameDir, "C:\\Games\\英雄联盟\\TCLS\\Client.exe");
}

TEST_F(StartupTest, ChoosingAFolderWithTheLauncherSetsTheGameDirectory) {
  WriteGameKey("C:\\\\before\\\\TCLS\\\\Client.exe");
  WriteFile(u8"英雄联盟/TCLS/Client.exe", "MZ");
  Load();
  answerer->ChooseFolder((dir() / u8"英雄联盟").string());
  Click(kMainWindow, "按钮_选择路径");

  const std::string expected =
      codepage::Utf8ToGbkText((dir() / u8"英雄联盟").string()) + "\\TCLS\\Client.exe";
  EXPECT_EQ(answerer->foldersAsked(), 1);
  EXPECT_TRUE(answerer->boxes().empty());
  EXPECT_GBK_EQ(ui->GetText(kMainWindow, "编辑框1"), expected);
  EXPECT_GBK_EQ(App().GameDir, expected);
  EXPECT_FALSE(ui->Control(kMainWindow, "按钮_选择路径")->IsEnabled());
}

TEST_F(StartupTest, AWrongOrCancelledChoiceClearsTheFieldAndKeepsTheGameDirectory) {
  WriteGameKey("C:\\\\before\\\\TCLS\\\\Client.exe");
  WriteFile("elsewhere/Client.exe", "MZ");
  Load();
  for (const std::string& folder : {(dir() / "elsewhere").string(), std::string()}) {
    SCOPED_TRACE(folder);
    size_t boxesBefore = answerer->boxes().size();
    if (folder.empty()) {
      answerer->CancelFolder();
    } else {
      answerer->ChooseFolder(folder);
    }
    Click(kMainWindow, "按钮_选择路径");
    ASSERT_EQ(answerer->boxes().size(), boxesBefore + 1);
    EXPECT_GBK_EQ(answerer->boxes().back().text,
                  "哥们儿，路径选错了，俺们这个是英雄联盟也就是LOL 不是其他东西！重新选OK？");
    EXPECT_GBK_EQ(answerer->boxes().back().title, "哥们儿提示：");
    EXPECT_GBK_EQ(ui->GetText(kMainWindow, "编辑框1"), "");
    EXPECT_GBK_EQ(App().GameDir, "C:\\before\\TCLS\\Client.exe");
    EXPECT_TRUE(ui->Control(kMainWindow, "按钮_选择路径")->IsEnabled());
  }
}

}  // namespace
}  // namespace tv
