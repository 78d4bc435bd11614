// Interface packs under the headless UI on a real game folder: the address table, the
// backup and restore of the client's interface archive, installing a downloaded pack,
// sending a missing one to the download window, and the prompt when the install fails.
#include "ui_packs/interface_packs.h"

#include <gtest/gtest.h>

#include "common/windows.h"
#include "platform/codepage.h"
#include "tests/maps/game_fixture.h"
#include "tests/support/gbk_assert.h"

namespace tv {
namespace {

namespace fs = std::filesystem;
using test::Utf8;
using ui::Answer;

const char* const kFailurePrompt =
    "您有可能没有设置游戏目录，请先设置游戏目录！\r\n如果您没有设置请点击【是】重新设置\r\n"
    "如果您以设置路径但依然报错，请点击【否】进入BUG举报\r\n取消操作，请点击【取消】";

class InterfacePacksTest : public test::GameSandbox {
 protected:
  void SetUp() override {
    GameSandbox::SetUp();
    WriteFile("LOL/Game/wzCAFG.ZIP", "the client's own interface");
  }

  // A downloaded pack as the pack server holds it (Info-ZIP, GBK names): a folder named
  // like the pack holding wzCAFG.ZIP.
  void DownloadPack(const std::string& gbkName, const std::string& folderInside) {
    const fs::path source = dir() / "packsrc" / gbkName;
    fs::remove_all(dir() / "packsrc");
    fs::create_directories(source / folderInside);
    std::ofstream(source / folderInside / "wzCAFG.ZIP") << "the pack's interface";
    const fs::path zip = packDir() / codepage::GbkToUtf8(gbkName + ".zip");
    std::string out;
    ASSERT_EQ(test::RunCommand(
                  "cd " + test::Quote(source) + " && zip -r -q " + test::Quote(zip) + " .", &out),
              0)
        << out;
  }

  std::string ClientFile() const { return ReadFile("LOL/Game/wzCAFG.ZIP"); }
};

TEST_F(InterfacePacksTest, TableHasOneRowPerPackByTheAddressRule) {
  const std::vector<std::string>& names = InterfacePackNames();
  ASSERT_EQ(names.size(), 40u);
  EXPECT_GBK_EQ(names.front(), "默认界面");
  const std::string& table = InterfacePackTable();
  size_t rows = 0;
  for (size_t at = 0; (at = table.find("】\r\n", at)) != std::string::npos; at += 4) ++rows;
  EXPECT_EQ(rows, 39u);
  EXPECT_EQ(table.substr(table.size() - 4), "】\r\n");
  for (size_t i = 1; i < names.size(); ++i) {
    const std::string key = "【" + names[i] + "=";
    const size_t first = table.find(key);
    ASSERT_NE(first, std::string::npos) << test::Readable(names[i]);
    EXPECT_EQ(table.find(key, first + 1), std::string::npos) << test::Readable(names[i]);
    EXPECT_EQ(table.compare(first + key.size(), 7, "http://"), 0);
  }
  EXPECT_EQ(table.rfind("【战地界面=", 0), 0u) << "rows keep their own order";
  const std::string url = InterfacePackUrl("战地界面");
  EXPECT_EQ(url.substr(url.find("/terravane/")),
            "/terravane/"
            "LOL%E7%95%8C%E9%9D%A2%E4%BF%AE%E6%94%B9%E5%8C%85%2F%E6%88%98%E5%9C%B0%E7%95%8C%E9%9D%"
            "A2.zip");
  EXPECT_EQ(PercentEncode("Vunk-1.zip/ _"), "Vunk%2D1.zip%2F%20%5F");
}

TEST_F(InterfacePacksTest, DefaultInterfaceBacksUpAndRestores) {
  ui_.AnswerNext(Answer::Yes);
  SelectInterfacePack("默认界面");
  ASSERT_EQ(ui_.messages().size(), 2u);
  EXPECT_GBK_EQ(ui_.messages()[0].text, "备份请选择 【是】，还原请选择【否】，不做操作【取消】");
  EXPECT_GBK_EQ(ui_.messages()[0].title, "备份还原操作");
  EXPECT_EQ(ui_.messages()[0].buttons, ui::Buttons::YesNoCancel);
  EXPECT_GBK_EQ(ui_.messages()[1].text, "备份成功！");
  EXPECT_GBK_EQ(ui_.messages()[1].title, "友情提示：");
  ASSERT_TRUE(Present(packDir() / Utf8(u8"默认界面包.zip")));

  WriteFile("LOL/Game/wzCAFG.ZIP", "a pack's interface");
  fs::permissions(dir() / "LOL/Game/wzCAFG.ZIP", fs::perms::owner_read);
  ui_.AnswerNext(Answer::No);
  ui_.ClearLog();
  SelectInterfacePack("默认界面");
  EXPECT_EQ(ClientFile(), "the client's own interface");
  EXPECT_EQ(ui_.messages().size(), 3u) << "a restore shows nothing after the question";
  EXPECT_EQ(ui_.log().at(1), "SetVisible MainWindow 进度条1 1");
  EXPECT_EQ(ui_.log().back(), "SetVisible MainWindow 进度条1 0");
}

TEST_F(InterfacePacksTest, DefaultInterfaceWithoutBackupOrWithCancel) {
  fs::remove(game() / "wzCAFG.ZIP");
  ui_.AnswerNext(Answer::Yes);  // the backup reports success although nothing was there
  SelectInterfacePack("默认界面");
  EXPECT_GBK_EQ(ui_.messages().back().text, "备份成功！");
  EXPECT_FALSE(Present(packDir() / Utf8(u8"默认界面包.zip")));

  ui_.AnswerNext(Answer::No);
  SelectInterfacePack("默认界面");
  EXPECT_GBK_EQ(ui_.messages().back().text, "尊敬的召唤师，没有备份，您还原个屁啊！");
  EXPECT_GBK_EQ(ui_.messages().back().title, "提示召唤师备份");

  ui_.AnswerNext(Answer::Cancel);
  SelectInterfacePack("默认界面");
  const test::MessageRecord mock = ui_.messages().back();
  EXPECT_GBK_EQ(mock.title, "鄙视你！");
  EXPECT_EQ(mock.buttons, ui::Buttons::Ok);
  std::vector<std::string> lines;
  for (size_t start = 0;;) {
    const size_t end = mock.text.find("\r\n", start);
    lines.push_back(mock.text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 2;
  }
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_GBK_EQ(lines[0], "——————/′? ˉ/)  ");
  EXPECT_GBK_EQ(lines[4], "———-/'/--/—-/—--/¨ˉ\\  ");
  EXPECT_GBK_EQ(lines[10], "鄙视你！没事儿点我干嘛！");
  EXPECT_EQ(ui_.messages().size(), 6u);
}

TEST_F(InterfacePacksTest, PackNotDownloadedGoesToTheDownloadWindow) {
  App().ButtonMode = ButtonMode::Restore;
  App().SelectedMap = {"\\AREA63.zip", "http://old"};
  ui_.ClearLog();
  SelectInterfacePack("战地界面");
  EXPECT_EQ(ui_.log(),
            (std::vector<std::string>{"SetVisible DownloadWindow  1", "SetVisible MainWindow  0"}));
  EXPECT_GBK_EQ(App().SelectedMap.zipName, "\\战地界面.zip");
  EXPECT_GBK_EQ(App().SelectedMap.url, InterfacePackUrl("战地界面"));
  EXPECT_EQ(App().ButtonMode, ButtonMode::Restore);

  SelectInterfacePack("vUNK界面");  // the lookup ignores letter case
  EXPECT_GBK_EQ(App().SelectedMap.url, InterfacePackUrl("Vunk界面"));
  EXPECT_GBK_EQ(App().SelectedMap.zipName, "\\vUNK界面.zip");

  SelectInterfacePack("无此界面");
  EXPECT_TRUE(App().SelectedMap.url.empty());
  EXPECT_TRUE(ui_.messages().empty());
}

TEST_F(InterfacePacksTest, DownloadedPackInstallsEveryTimeItIsChosen) {
  DownloadPack("战地界面", "战地界面");
  fs::permissions(game() / "wzCAFG.ZIP", fs::perms::owner_read);
  for (int round = 0; round < 2; ++round) {
    WriteFile("LOL/Game/wzCAFG.ZIP", "the client's own interface");
    SelectInterfacePack("战地界面");
    EXPECT_EQ(ClientFile(), "the pack's interface") << round;
    ASSERT_EQ(ui_.messages().size(), static_cast<size_t>(round + 1));
    EXPECT_GBK_EQ(ui_.messages().back().text, "界面修改成功");
    EXPECT_GBK_EQ(ui_.messages().back().title, "信息：");
  }
  const fs::path extracted = packDir() / Utf8(u8"战地界面");
  EXPECT_TRUE(fs::is_directory(extracted));
  EXPECT_TRUE(fs::is_empty(extracted)) << "the move leaves the extracted folder empty";
  EXPECT_TRUE(Present(packDir() / Utf8(u8"战地界面.zip")));
  EXPECT_TRUE(ui_.openedPages().empty());
}

TEST_F(InterfacePacksTest, FailedInstallPromptsAndActsOnTheAnswer) {
  const struct {
    Answer answer;
    size_t messages;
    size_t pages;
  } cases[] = {{Answer::Yes, 1, 0}, {Answer::No, 1, 1}, {Answer::Cancel, 2, 0}};
  DownloadPack("黄金界面", "黄金界面");
  App().GameDir = GbkPath("Nowhere") + "\\TCLS\\Client.exe";  // no Game folder there
  for (const auto& c : cases) {
    test::HeadlessUi ui;  // a fresh record per answer
    ui.AnswerNext(c.answer);
    SelectInterfacePack("黄金界面");
    ASSERT_EQ(ui.messages().size(), c.messages);
    EXPECT_GBK_EQ(ui.messages()[0].text, kFailurePrompt);
    EXPECT_GBK_EQ(ui.messages()[0].title, "友情提示：");
    EXPECT_EQ(ui.messages()[0].buttons, ui::Buttons::YesNoCancel);
    if (c.messages == 2) {
      EXPECT_GBK_EQ(ui.messages()[1].title, "鄙视你！");
    }
    ASSERT_EQ(ui.openedPages().size(), c.pages);
    if (c.pages) {
      EXPECT_EQ(ui.openedPages()[0], MakerSiteUrl());
    }
  }
  EXPECT_FALSE(Present(dir() / "Nowhere"));
}

TEST_F(InterfacePacksTest, PackWithoutItsFolderFailsTheSameWay) {
  DownloadPack("紫色界面", "其他名字");
  SelectInterfacePack("紫色界面");
  ASSERT_EQ(ui_.messages().size(), 1u);
  EXPECT_GBK_EQ(ui_.messages()[0].text, kFailurePrompt);
  EXPECT_EQ(ClientFile(), "the client's own interface");
}

}  // namespace
}  // namespace tv
