// Both windows as built on the real toolkit: every control's name, kind, place (relative
// to its group box where it has one), size and initial text, the status bar panes, the
// combo box list, and the windows' titles, places, sizes and visibility.
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/frame.h>
#include <wx/gauge.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>

#include "app/layouts.h"
#include "app/picture_box.h"
#include "common/windows.h"
#include "tests/app/wx_test_support.h"
#include "tests/support/gbk_assert.h"

namespace tv {
namespace {

enum Kind { Button, Label, Group, Edit, Combo, Picture, Bar, Status };

struct Expected {
  const char* name;
  Kind kind;
  const char* box;  // group box the place is relative to, or ""
  int x, y, width, height;
  const char* text;
};

const Expected kMain[] = {
    {"按钮9", Button, "", 3, 3, 85, 35, "默认地图"},
    {"按钮1", Button, "", 91, 3, 85, 35, "S2万圣节"},
    {"按钮2", Button, "", 179, 3, 85, 35, "防S2冬季"},
    {"按钮8", Button, "", 267, 3, 85, 35, "沙滩峡谷"},
    {"按钮7", Button, "", 355, 3, 85, 35, "沙滩夜间"},
    {"按钮3", Button, "", 3, 43, 85, 35, "爱心峡谷"},
    {"按钮4", Button, "", 91, 43, 85, 35, "雪之峡谷"},
    {"按钮6", Button, "", 179, 43, 85, 35, "AREA63"},
    {"按钮5", Button, "", 267, 43, 85, 35, "AREA91"},
    {"按钮10", Button, "", 355, 43, 85, 35, "荒漠峡谷"},
    {"图片框1", Picture, "", 4, 81, 308, 216, ""},
    {"进度条1", Bar, "", 5, 162, 304, 24, ""},
    {"分组框1", Group, "", 316, 76, 124, 222, ""},
    {"标签1", Label, "分组框1", 8, 13, 56, 24, "地图名称："},
    {"标签6", Label, "分组框1", 35, 32, 64, 24, ""},
    {"标签2", Label, "分组框1", 8, 52, 70, 24, "地图包作者："},
    {"标签5", Label, "分组框1", 35, 75, 72, 16, "标签"},
    {"标签3", Label, "分组框1", 9, 89, 73, 24, "地图包大小："},
    {"标签7", Label, "分组框1", 37, 112, 72, 16, "未知"},
    {"标签4", Label, "分组框1", 8, 127, 73, 24, "地图包状态："},
    {"标签8", Label, "分组框1", 28, 149, 72, 24, ""},
    {"按钮11", Button, "分组框1", 9, 178, 106, 36, ""},
    {"分组框2", Group, "", 5, 297, 435, 41, ""},
    {"标签9", Label, "分组框2", 8, 12, 56, 20, "选择路径："},
    {"编辑框1", Edit, "分组框2", 64, 12, 128, 20, ""},
    {"按钮_选择路径", Button, "分组框2", 197, 12, 64, 20, "选择路径"},
    {"标签10", Label, "分组框2", 269, 12, 56, 20, "地图修改："},
    {"组合框1", Combo, "分组框2", 328, 12, 100, 20, ""},
    {"状态条1", Status, "", 0, 351, 444, 20, ""},
};

const Expected kDownload[] = {
    {"进度条1", Bar, "", 8, 10, 312, 24, ""},
    {"按钮1", Button, "", 328, 8, 72, 26, "开始下载"},
    {"标签1", Label, "", 8, 42, 72, 24, "文件总大小："},
    {"透明标签_总大小", Label, "", 88, 42, 56, 24, "0 MB"},
    {"标签2", Label, "", 136, 42, 40, 24, "已下载："},
    {"透明标签_已下载", Label, "", 192, 42, 40, 24, "0MB"},
    {"标签3", Label, "", 249, 42, 55, 24, "下载速度："},
    {"透明标签_下载速度", Label, "", 320, 42, 90, 24, "0/KS"},
    {"状态条1", Status, "", 8, 74, 374, 20, ""},
};

bool IsKind(wxWindow* w, Kind kind) {
  switch (kind) {
    case Button:
      return dynamic_cast<wxButton*>(w);
    case Label:
      return dynamic_cast<wxStaticText*>(w);
    case Group:
      return dynamic_cast<wxStaticBox*>(w);
    case Edit:
      return dynamic_cast<wxTextCtrl*>(w);
    case Combo:
      return dynamic_cast<wxChoice*>(w);
    case Picture:
      return dynamic_cast<app::PictureBox*>(w);
    case Bar:
      return dynamic_cast<wxGauge*>(w);
    case Status:
      return dynamic_cast<wxStatusBar*>(w);
  }
  return false;
}

std::string Text(wxWindow* w) {
  if (auto* edit = dynamic_cast<wxTextCtrl*>(w)) return app::FromWx(edit->GetValue());
  if (auto* control = dynamic_cast<wxControl*>(w)) return app::FromWx(control->GetLabelText());
  return {};
}

class LayoutTest : public test::WxTest {
 protected:
  void CheckControls(const std::string& window, const Expected* begin, const Expected* end) {
    for (const Expected* e = begin; e != end; ++e) {
      SCOPED_TRACE(test::Readable(e->name));
      wxWindow* w = ui->Control(window, e->name);
      ASSERT_NE(w, nullptr);
      EXPECT_TRUE(IsKind(w, e->kind));
      wxPoint origin(0, 0);
      if (*e->box) origin = ui->Control(window, e->box)->GetPosition();
      EXPECT_EQ(w->GetPosition() - origin, wxPoint(e->x, e->y));
      EXPECT_EQ(w->GetSize(), wxSize(e->width, e->height));
      if (e->kind != Status && e->kind != Picture && e->kind != Bar) {
        EXPECT_GBK_EQ(Text(w), e->text);
      }
    }
  }
  void CheckPanes(const std::string& window,
                  const std::vector<std::pair<int, const char*>>& panes) {
    auto* bar = dynamic_cast<wxStatusBar*>(ui->Control(window, "状态条1"));
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->GetFieldsCount(), static_cast<int>(panes.size()));
    for (size_t i = 0; i < panes.size(); ++i) {
      EXPECT_EQ(bar->GetStatusWidth(i), panes[i].first) << i;
      EXPECT_GBK_EQ(app::FromWx(bar->GetStatusText(i)), panes[i].second);
    }
  }
};

TEST_F(LayoutTest, MainWindowHasEveryControlWhereItBelongs) {
  wxFrame* frame = app::BuildWindow(app::MainWindowLayout(), *ui);
  Pump();
  EXPECT_GBK_EQ(app::FromWx(frame->GetTitle()), "Terravane  Yelmora-荣誉出品");
  EXPECT_EQ(frame->GetPosition(), wxPoint(50, 50));
  EXPECT_EQ(frame->GetSize(), wxSize(450, 390));
  EXPECT_TRUE(frame->IsShown());
  CheckControls(kMainWindow, std::begin(kMain), std::end(kMain));
  CheckPanes(kMainWindow, {{57, "提示信息："}, {393, ""}});

  EXPECT_FALSE(ui->Control(kMainWindow, "进度条1")->IsShown());
  EXPECT_EQ(dynamic_cast<wxGauge*>(ui->Control(kMainWindow, "进度条1"))->GetRange(), 100);
  EXPECT_FALSE(dynamic_cast<app::PictureBox*>(ui->Control(kMainWindow, "图片框1"))->HasPicture());
  EXPECT_EQ(ui->Control(kMainWindow, "ZIP压缩1"), nullptr);  // nothing of it is visible at run time

  auto* combo = dynamic_cast<wxChoice*>(ui->Control(kMainWindow, "组合框1"));
  ASSERT_EQ(combo->GetCount(), 40u);
  const char* firstItems[] = {"默认界面", "Vunk界面", "ZRTQ界面", "Mosk界面", "安妮界面"};
  for (unsigned i = 0; i < std::size(firstItems); ++i)
    EXPECT_GBK_EQ(app::FromWx(combo->GetString(i)), firstItems[i]);
  EXPECT_GBK_EQ(app::FromWx(combo->GetString(39)), "钻石界面");
  EXPECT_EQ(combo->GetSelection(), wxNOT_FOUND);
}

TEST_F(LayoutTest, DownloadWindowHasEveryControlAndStartsHidden) {
  wxFrame* frame = app::BuildWindow(app::DownloadWindowLayout(), *ui);
  Pump();
  EXPECT_GBK_EQ(app::FromWx(frame->GetTitle()), "Yelmora-专用下载引擎");
  EXPECT_EQ(frame->GetPosition(), wxPoint(50, 50));
  EXPECT_EQ(frame->GetSize(), wxSize(426, 120));
  EXPECT_FALSE(frame->IsShown());
  CheckControls(kDownloadWindow, std::begin(kDownload), std::end(kDownload));
  CheckPanes(
      kDownloadWindow,
      {{75, "总下载速度："}, {75, ""}, {75, "下载状态："}, {75, ""}, {40, "提示："}, {80, ""}});
  EXPECT_EQ(dynamic_cast<wxGauge*>(ui->Control(kDownloadWindow, "进度条1"))->GetValue(), 0);
}

TEST_F(LayoutTest, OperationsReachTheControlsAndIgnoreWhatDoesNotApply) {
  app::BuildWindow(app::MainWindowLayout(), *ui);
  ui->SetCaption(kMainWindow, "标签6", "爱心峡谷");
  ui->SetText(kMainWindow, "编辑框1", "D:\\英雄联盟\\TCLS\\Client.exe");
  ui->SetDisabled(kMainWindow, "按钮1", true);
  ui->SetVisible(kMainWindow, "进度条1", true);
  ui->SetPosition(kMainWindow, "进度条1", 140);
  ui->SetPaneText(kMainWindow, "状态条1", 1, "LEVELS\\Map1\\地图.dds");
  ui->SetPaneText(kMainWindow, "状态条1", 2, "no such pane");
  ui->SetCaption(kMainWindow, "编辑框1", "captions do not apply to edit boxes");
  ui->SetCaption(kMainWindow, "no such control", "x");

  EXPECT_GBK_EQ(Text(ui->Control(kMainWindow, "标签6")), "爱心峡谷");
  EXPECT_GBK_EQ(ui->GetText(kMainWindow, "编辑框1"), "D:\\英雄联盟\\TCLS\\Client.exe");
  EXPECT_FALSE(ui->Control(kMainWindow, "按钮1")->IsEnabled());
  EXPECT_TRUE(ui->Control(kMainWindow, "进度条1")->IsShown());
  EXPECT_EQ(dynamic_cast<wxGauge*>(ui->Control(kMainWindow, "进度条1"))->GetValue(), 100);
  auto* bar = dynamic_cast<wxStatusBar*>(ui->Control(kMainWindow, "状态条1"));
  EXPECT_GBK_EQ(app::FromWx(bar->GetStatusText(1)), "LEVELS\\Map1\\地图.dds");
  EXPECT_EQ(bar->GetFieldsCount(), 2);

  auto* combo = dynamic_cast<wxChoice*>(ui->Control(kMainWindow, "组合框1"));
  combo->SetSelection(3);
  EXPECT_GBK_EQ(ui->GetText(kMainWindow, "组合框1"), "Mosk界面");
}

}  // namespace
}  // namespace tv
