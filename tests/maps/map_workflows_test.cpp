// The action button's workflows on a real game folder under the headless UI: the usual
// road from first start through backup, download, install and restore, and the ways it
// ends when files are missing or damaged.
#include "maps/map_workflows.h"

#include <gtest/gtest.h>

#include "common/windows.h"
#include "maps/map_catalogue.h"
#include "tests/maps/game_fixture.h"
#include "tests/support/gbk_assert.h"

namespace tv {
namespace {

namespace fs = std::filesystem;
using test::Utf8;

class MapWorkflowsTest : public test::GameSandbox {
 protected:
  void SetUp() override {
    GameSandbox::SetUp();
    WriteFile("LOL/Game/Map1.zip", test::NoiseBytes(40000, 1));
    WriteFile("LOL/Game/LEVELS/Map1/room.nvr", test::NoiseBytes(30000, 2));
    WriteFile("LOL/Game/LEVELS/Map1/Scene/floor.sco", "floor");
    WriteFile("LOL/Game/other.dat", "not part of any pack");
    original_ = test::TreeOf(game());
  }

  // A map pack as the pack server holds it, made by Info-ZIP: paths relative to Game.
  void DownloadPack(const std::string& utf8Name) {
    WriteFile("packsrc/Map1.zip", "the pack's map");
    WriteFile("packsrc/LEVELS/Map1/room.nvr", "the pack's room");
    WriteFile("packsrc/LEVELS/Map1/added.dds", "added by the pack");
    std::string out;
    ASSERT_EQ(test::RunCommand("cd " + test::Quote(dir() / "packsrc") + " && zip -r -q " +
                                   test::Quote(packDir() / utf8Name) + " .",
                               &out),
              0)
        << out;
  }

  std::string Caption(const char* control) const {
    return ui_.Control(kMainWindow, control).caption;
  }
  std::string Game(const char* relative) const { return ReadFile(fs::path("LOL/Game") / relative); }

  std::map<std::string, std::string> original_;
};

TEST_F(MapWorkflowsTest, UsualRoadFromFirstStartToRestore) {
  ShowDefaultMap();
  ASSERT_EQ(App().ButtonMode, ButtonMode::Backup);

  ui_.ClearLog();
  ClickActionButton();  // back up
  EXPECT_EQ(ui_.log().front(), "SetVisible MainWindow 进度条1 1");
  {
    // After both archives: hide the bar, then buttons, mode caption and status label.
    const std::vector<std::string> log = ui_.log();
    ASSERT_GE(log.size(), 12u);
    const std::vector<std::string> tail(log.end() - 12, log.end());
    EXPECT_EQ(tail.front(), "SetVisible MainWindow 进度条1 0");
    EXPECT_EQ(tail[1], "SetDisabled MainWindow 按钮2 0");
    EXPECT_EQ(tail[10], "SetCaption MainWindow 按钮11 一键还原");
    EXPECT_EQ(tail[11], "SetCaption MainWindow 标签8 - 已备份 -");
  }
  EXPECT_TRUE(Present(packDir() / "LEVELS.zip"));
  EXPECT_TRUE(Present(packDir() / Utf8(u8"默认地图备份.zip")));
  EXPECT_EQ(App().ButtonMode, ButtonMode::Restore);
  EXPECT_GBK_EQ(Caption("按钮11"), "一键还原");
  EXPECT_GBK_EQ(Caption("标签8"), "- 已备份 -");
  EXPECT_FALSE(ui_.Control(kMainWindow, "按钮1").disabled);
  EXPECT_EQ(ui_.Control(kMainWindow, "进度条1").position, 100);
  EXPECT_GBK_EQ(ui_.Control(kMainWindow, "状态条1").panes[1].substr(0, GbkPath("LOL").size()),
                GbkPath("LOL"));

  ClickMapButton("按钮6");  // AREA63, not downloaded yet
  ASSERT_EQ(App().ButtonMode, ButtonMode::Download);
  ui_.ClearLog();
  ClickActionButton();
  EXPECT_EQ(ui_.log(),
            (std::vector<std::string>{"SetVisible DownloadWindow  1", "SetVisible MainWindow  0"}));
  EXPECT_EQ(App().ButtonMode, ButtonMode::Download);

  DownloadPack(
      "AREA63.zip");  // what the download window leaves behind, then it shows the default map
  ShowDefaultMap();
  EXPECT_EQ(App().ButtonMode, ButtonMode::Restore);

  ClickMapButton("按钮6");
  ASSERT_EQ(App().ButtonMode, ButtonMode::Install);
  ClickActionButton();  // install
  EXPECT_EQ(Game("Map1.zip"), "the pack's map");
  EXPECT_EQ(Game("LEVELS/Map1/room.nvr"), "the pack's room");
  EXPECT_EQ(Game("LEVELS/Map1/added.dds"), "added by the pack");
  EXPECT_EQ(Game("other.dat"), "not part of any pack");
  EXPECT_EQ(App().ButtonMode, ButtonMode::Install);
  EXPECT_GBK_EQ(Caption("按钮11"), "一键修改");
  EXPECT_TRUE(Present(packDir() / "AREA63.zip"));
  EXPECT_FALSE(ui_.Control(kMainWindow, "进度条1").visible);

  ClickMapButton("按钮9");
  ASSERT_EQ(App().ButtonMode, ButtonMode::Restore);
  ClickActionButton();  // restore: every backed-up file back, the pack's additions stay
  std::map<std::string, std::string> expected = original_;
  expected["LEVELS/Map1/added.dds"] = "added by the pack";
  EXPECT_EQ(test::TreeOf(game()), expected);
  EXPECT_EQ(App().ButtonMode, ButtonMode::Restore);
  EXPECT_TRUE(ui_.messages().empty());

  ClickActionButton();  // the restore can be repeated: the backups stay
  EXPECT_EQ(test::TreeOf(game()), expected);
}

TEST_F(MapWorkflowsTest, BackupWithoutTheDefaultMapFileStaysInBackup) {
  fs::remove(game() / "Map1.zip");
  ShowDefaultMap();
  ClickActionButton();
  EXPECT_TRUE(Present(packDir() / "LEVELS.zip"));
  EXPECT_FALSE(Present(packDir() / Utf8(u8"默认地图备份.zip")));
  EXPECT_EQ(App().ButtonMode, ButtonMode::Backup);
  EXPECT_GBK_EQ(Caption("按钮11"), "一键备份");
  EXPECT_GBK_EQ(Caption("标签8"), "- 未备份 -");
  EXPECT_TRUE(ui_.Control(kMainWindow, "按钮10").disabled);
}

TEST_F(MapWorkflowsTest, BackupWithoutGameDirectoryWritesNothing) {
  App().GameDir.clear();  // game paths become relative to the current folder
  const fs::path saved = fs::current_path();
  fs::current_path(dir());
  ShowDefaultMap();
  ClickActionButton();
  fs::current_path(saved);
  EXPECT_TRUE(fs::is_empty(packDir()));
  EXPECT_EQ(App().ButtonMode, ButtonMode::Backup);
  EXPECT_GBK_EQ(Caption("标签8"), "- 未备份 -");
}

TEST_F(MapWorkflowsTest, InstallingAPackThatIsNotAZipChangesNothing) {
  std::ofstream(packDir() / "AREA91.zip") << "<html>404 page saved as a pack</html>";
  ClickMapButton("按钮5");
  ClickActionButton();
  EXPECT_EQ(test::TreeOf(game()), original_);
  EXPECT_EQ(App().ButtonMode, ButtonMode::Install);
  EXPECT_TRUE(ui_.messages().empty());
  EXPECT_FALSE(ui_.Control(kMainWindow, "进度条1").visible);
}

TEST_F(MapWorkflowsTest, InstallReplacesReadOnlyGameFiles) {
  for (const char* file : {"Map1.zip", "LEVELS/Map1/room.nvr"})
    fs::permissions(game() / file, fs::perms::owner_read | fs::perms::group_read);
  DownloadPack(Utf8(u8"荒漠峡谷.zip"));
  ClickMapButton("按钮10");
  ClickActionButton();
  EXPECT_EQ(Game("Map1.zip"), "the pack's map");
  EXPECT_EQ(Game("LEVELS/Map1/room.nvr"), "the pack's room");
  EXPECT_EQ(files::GetAttributes(GbkPath("LOL") + "\\Game\\Map1.zip"), files::kNormal);
}

TEST_F(MapWorkflowsTest, UnknownModeDoesNothing) {
  App().ButtonMode = static_cast<ButtonMode>(9);
  ui_.ClearLog();
  ClickActionButton();
  EXPECT_TRUE(ui_.log().empty());
}

}  // namespace
}  // namespace tv
