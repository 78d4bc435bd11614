// The map buttons and the default-map view under the headless UI: what each button
// shows, which pack it selects, and the action button's mode and caption that follow
// from the files in the pack folder.
#include "maps/map_catalogue.h"

#include <gtest/gtest.h>

#include "common/windows.h"
#include "platform/codepage.h"
#include "platform/jpeg.h"
#include "tests/maps/game_fixture.h"
#include "tests/support/gbk_assert.h"

namespace tv {
namespace {

using test::Utf8;

struct Row {
  const char* button;
  const char* shownName;
  const char* zipName;
  const char* urlPath;
  int width, height;  // of the preview
};

const Row kRows[] = {
    {"按钮1", "S万圣节", "\\S2万圣节.zip", "/terravane/Map2.zip", 586, 330},
    {"按钮2", "防S2冬季", "\\防S2冬季.zip", "/terravane/Map3.zip", 587, 327},
    {"按钮8", "沙滩峡谷", "\\沙滩峡谷.zip", "/terravane/Map4.zip", 592, 333},
    {"按钮7", "沙滩夜间", "\\沙滩夜间.zip", "/terravane/Map5.zip", 587, 330},
    {"按钮3", "爱心峡谷", "\\爱心峡谷.zip", "/terravane/Map6.zip", 590, 330},
    {"按钮4", "血之峡谷", "\\雪之峡谷.zip", "/terravane/Map7.zip", 590, 331},
    {"按钮6", "AREA63", "\\AREA63.zip", "/terravane/Map8.zip", 583, 333},
    {"按钮5", "AREA91", "\\AREA91.zip", "/terravane/Map9.zip", 513, 302},
    {"按钮10", "荒漠峡谷", "\\荒漠峡谷.zip", "/terravane/Map10.zip", 586, 329},
};

class MapCatalogueTest : public test::GameSandbox {
 protected:
  std::string Caption(const char* control) const {
    return ui_.Control(kMainWindow, control).caption;
  }

  // The size of the picture box's JPEG, decoded as the window will decode it.
  std::pair<int, int> PictureSize() const {
    jpeg::Image image;
    EXPECT_TRUE(jpeg::Decode(ui_.Control(kMainWindow, "图片框1").picture, image));
    return {image.width, image.height};
  }

  std::vector<std::string> DisabledLog() const {
    std::vector<std::string> lines;
    for (const std::string& line : ui_.log())
      if (line.rfind("SetDisabled ", 0) == 0) lines.push_back(line);
    return lines;
  }
};

TEST_F(MapCatalogueTest, EachMapButtonShowsItsRowAndFollowsThePackFile) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(test::Readable(row.button));
    const std::filesystem::path pack =
        packDir() / codepage::GbkToUtf8(std::string(row.zipName).substr(1));
    ClickMapButton(row.button);
    EXPECT_EQ(PictureSize(), std::make_pair(row.width, row.height));
    EXPECT_GBK_EQ(Caption("标签6"), row.shownName);
    EXPECT_GBK_EQ(Caption("标签5"), "Yelmora");
    EXPECT_GBK_EQ(Caption("标签8"), "- 未下载 -");
    EXPECT_GBK_EQ(Caption("按钮11"), "一键下载");
    EXPECT_EQ(App().ButtonMode, ButtonMode::Download);
    EXPECT_GBK_EQ(App().SelectedMap.zipName, row.zipName);
    EXPECT_GBK_EQ(App().SelectedMap.url, PackServerUrl(row.urlPath));
    EXPECT_EQ(App().SelectedMap.url.rfind("http://", 0), 0u);

    std::ofstream(pack) << "downloaded";
    ClickMapButton(row.button);
    EXPECT_GBK_EQ(Caption("标签8"), "- 已下载 -");
    EXPECT_GBK_EQ(Caption("按钮11"), "一键修改");
    EXPECT_EQ(App().ButtonMode, ButtonMode::Install);
  }
  EXPECT_GBK_EQ(Caption("标签7"), "") << "the size label is never written";
}

TEST_F(MapCatalogueTest, AFolderOfThePackNameCountsAsDownloaded) {
  std::filesystem::create_directories(packDir() / "AREA63.zip");
  ClickMapButton("按钮6");
  EXPECT_EQ(App().ButtonMode, ButtonMode::Install);
  std::filesystem::remove(packDir() / "AREA63.zip");
  ClickMapButton("按钮6");
  EXPECT_EQ(App().ButtonMode, ButtonMode::Download);
}

TEST_F(MapCatalogueTest, DefaultMapWithoutBackupOffersOnlyTheBackup) {
  App().SelectedMap = {"\\AREA63.zip", "http://somewhere/Map8.zip"};
  ShowDefaultMap();
  EXPECT_EQ(PictureSize(), std::make_pair(600, 331));
  EXPECT_GBK_EQ(Caption("标签6"), "官方地图");
  EXPECT_GBK_EQ(Caption("标签5"), "LOL官方");
  EXPECT_GBK_EQ(Caption("标签8"), "- 未备份 -");
  EXPECT_GBK_EQ(Caption("按钮11"), "一键备份");
  EXPECT_EQ(App().ButtonMode, ButtonMode::Backup);
  EXPECT_GBK_EQ(App().SelectedMap.zipName, "\\AREA63.zip");
  EXPECT_TRUE(App().SelectedMap.url.empty());
  const std::vector<std::string> expected = {
      "SetDisabled MainWindow 按钮2 1", "SetDisabled MainWindow 按钮3 1",
      "SetDisabled MainWindow 按钮4 1", "SetDisabled MainWindow 按钮5 1",
      "SetDisabled MainWindow 按钮6 1", "SetDisabled MainWindow 按钮7 1",
      "SetDisabled MainWindow 按钮8 1", "SetDisabled MainWindow 按钮1 1",
      "SetDisabled MainWindow 按钮10 1"};
  EXPECT_EQ(DisabledLog(), expected);
}

TEST_F(MapCatalogueTest, DefaultMapWithBackupOffersTheRestore) {
  std::ofstream(packDir() / Utf8(u8"默认地图备份.zip")) << "backup";
  ShowDefaultMap();
  EXPECT_GBK_EQ(Caption("标签8"), "- 已备份 -");
  EXPECT_GBK_EQ(Caption("按钮11"), "一键还原");
  EXPECT_EQ(App().ButtonMode, ButtonMode::Restore);
  for (const std::string& button : MapButtons())
    EXPECT_FALSE(ui_.Control(kMainWindow, button).disabled);
  EXPECT_EQ(DisabledLog().size(), 9u);

  ClickMapButton("按钮9");  // the default-map button runs the same steps
  EXPECT_EQ(DisabledLog().size(), 18u);
  EXPECT_EQ(App().ButtonMode, ButtonMode::Restore);
}

TEST_F(MapCatalogueTest, CaptionIgnoresAModeOutsideTheTable) {
  App().ButtonMode = ButtonMode::Install;
  RefreshActionCaption();
  App().ButtonMode = static_cast<ButtonMode>(7);
  RefreshActionCaption();
  EXPECT_GBK_EQ(Caption("按钮11"), "一键修改");
}

}  // namespace
}  // namespace tv
