// Both windows use the same small CJK font so that the captions fit the fixed sizes.
// Children of a group box are created as the box's siblings, placed at the box's
// position plus their own: the platform's group boxes cannot hold positioned children.
#include "app/layouts.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/frame.h>
#include <wx/gauge.h>
#include <wx/panel.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>

#include <map>

#include "app/picture_box.h"
#include "app/skin.h"
#include "app/wx_ui.h"
#include "common/windows.h"
#include "ui_packs/interface_packs.h"

namespace tv::app {
namespace {

using K = ControlKind;

ControlLayout C(std::string name, ControlKind kind, std::string container, int x, int y, int width,
                int height, std::string text = {}) {
  ControlLayout c;
  c.name = std::move(name);
  c.kind = kind;
  c.container = std::move(container);
  c.x = x;
  c.y = y;
  c.width = width;
  c.height = height;
  c.text = std::move(text);
  return c;
}

ControlLayout Hidden(ControlLayout c) {
  c.hidden = true;
  return c;
}

ControlLayout WithItems(ControlLayout c, std::vector<std::string> items) {
  c.items = std::move(items);
  return c;
}

ControlLayout WithPanes(ControlLayout c, std::vector<Pane> panes) {
  c.panes = std::move(panes);
  return c;
}

WindowLayout MakeMainLayout() {
  WindowLayout w{kMainWindow, "Terravane  Yelmora-荣誉出品", 50, 50, 450, 390, true, {}};
  auto add = [&w](ControlLayout c) { w.controls.push_back(std::move(c)); };
  add(C("按钮9", K::Button, "", 3, 3, 85, 35, "默认地图"));
  add(C("按钮1", K::Button, "", 91, 3, 85, 35, "S2万圣节"));
  add(C("按钮2", K::Button, "", 179, 3, 85, 35, "防S2冬季"));
  add(C("按钮8", K::Button, "", 267, 3, 85, 35, "沙滩峡谷"));
  add(C("按钮7", K::Button, "", 355, 3, 85, 35, "沙滩夜间"));
  add(C("按钮3", K::Button, "", 3, 43, 85, 35, "爱心峡谷"));
  add(C("按钮4", K::Button, "", 91, 43, 85, 35, "雪之峡谷"));
  add(C("按钮6", K::Button, "", 179, 43, 85, 35, "AREA63"));
  add(C("按钮5", K::Button, "", 267, 43, 85, 35, "AREA91"));
  add(C("按钮10", K::Button, "", 355, 43, 85, 35, "荒漠峡谷"));
  add(C("图片框1", K::PictureBox, "", 4, 81, 308, 216, ""));
  add(Hidden(C("进度条1", K::ProgressBar, "", 5, 162, 304, 24)));
  add(C("分组框1", K::GroupBox, "", 316, 76, 124, 222, ""));
  add(C("标签1", K::Label, "分组框1", 8, 13, 56, 24, "地图名称："));
  add(C("标签6", K::Label, "分组框1", 35, 32, 64, 24, ""));
  add(C("标签2", K::Label, "分组框1", 8, 52, 70, 24, "地图包作者："));
  add(C("标签5", K::Label, "分组框1", 35, 75, 72, 16, "标签"));
  add(C("标签3", K::Label, "分组框1", 9, 89, 73, 24, "地图包大小："));
  add(C("标签7", K::Label, "分组框1", 37, 112, 72, 16, "未知"));
  add(C("标签4", K::Label, "分组框1", 8, 127, 73, 24, "地图包状态："));
  add(C("标签8", K::Label, "分组框1", 28, 149, 72, 24, ""));
  add(C("按钮11", K::Button, "分组框1", 9, 178, 106, 36, ""));
  add(C("分组框2", K::GroupBox, "", 5, 297, 435, 41, ""));
  add(C("标签9", K::Label, "分组框2", 8, 12, 56, 20, "选择路径："));
  add(C("编辑框1", K::EditBox, "分组框2", 64, 12, 128, 20, ""));
  add(C("按钮_选择路径", K::Button, "分组框2", 197, 12, 64, 20, "选择路径"));
  add(C("标签10", K::Label, "分组框2", 269, 12, 56, 20, "地图修改："));
  add(WithItems(C("组合框1", K::ComboBox, "分组框2", 328, 12, 100, 20), InterfacePackNames()));
  add(Hidden(C("ZIP压缩1", K::ArchiveControl, "", 280, 264, 26, 26)));
  add(WithPanes(C("状态条1", K::StatusBar, "", 0, 351, 444, 20), {{57, "提示信息："}, {393, ""}}));
  return w;
}

WindowLayout MakeDownloadLayout() {
  WindowLayout w{kDownloadWindow, "Yelmora-专用下载引擎", 50, 50, 426, 120, false, {}};
  auto add = [&w](ControlLayout c) { w.controls.push_back(std::move(c)); };
  add(C("进度条1", K::ProgressBar, "", 8, 10, 312, 24, ""));
  add(C("按钮1", K::Button, "", 328, 8, 72, 26, "开始下载"));
  add(C("标签1", K::Label, "", 8, 42, 72, 24, "文件总大小："));
  add(C("透明标签_总大小", K::TransparentLabel, "", 88, 42, 56, 24, "0 MB"));
  add(C("标签2", K::Label, "", 136, 42, 40, 24, "已下载："));
  add(C("透明标签_已下载", K::TransparentLabel, "", 192, 42, 40, 24, "0MB"));
  add(C("标签3", K::Label, "", 249, 42, 55, 24, "下载速度："));
  add(C("透明标签_下载速度", K::TransparentLabel, "", 320, 42, 90, 24, "0/KS"));
  add(WithPanes(
      C("状态条1", K::StatusBar, "", 8, 74, 374, 20),
      {{75, "总下载速度："}, {75, ""}, {75, "下载状态："}, {75, ""}, {40, "提示："}, {80, ""}}));
  return w;
}

// A CJK face from the install list; fontconfig substitutes when it is missing.
constexpr double kFontPoints = 8;
wxFont UiFont(double points) { return wxFont(wxFontInfo(points).FaceName("WenQuanYi Micro Hei")); }

wxWindow* MakeControl(wxWindow* parent, const ControlLayout& c, wxPoint place) {
  wxSize size(c.width, c.height);
  switch (c.kind) {
    case K::Button:
      return new wxButton(parent, wxID_ANY, ToWx(c.text), place, size);
    case K::Label:
    case K::TransparentLabel: {
      auto* label = new wxStaticText;
      // A transparent label shows the window behind it; the style must precede creation.
      if (c.kind == K::TransparentLabel) label->SetBackgroundStyle(wxBG_STYLE_TRANSPARENT);
      label->Create(parent, wxID_ANY, wxEmptyString, place, size, wxST_NO_AUTORESIZE);
      SetLabelCaption(label, ToWx(c.text));
      return label;
    }
    case K::GroupBox:
      return new wxStaticBox(parent, wxID_ANY, ToWx(c.text), place, size);
    case K::EditBox:
      return new wxTextCtrl(parent, wxID_ANY, ToWx(c.text), place, size);
    case K::ComboBox: {
      wxArrayString items;
      for (const auto& item : c.items) items.Add(ToWx(item));
      return new wxChoice(parent, wxID_ANY, place, size, items);
    }
    case K::PictureBox:
      return new PictureBox(parent, place, size);
    case K::ProgressBar:
      return new wxGauge(parent, wxID_ANY, 100, place, size, wxGA_HORIZONTAL | wxGA_SMOOTH);
    case K::StatusBar: {
      auto* bar = new wxStatusBar(parent, wxID_ANY, wxSTB_SHOW_TIPS | wxFULL_REPAINT_ON_RESIZE);
      bar->SetFont(UiFont(7.5));  // the fixed pane texts just fit their panes at this size
      bar->SetSize(wxRect(place, size));
      std::vector<int> widths;
      for (const auto& pane : c.panes) widths.push_back(pane.width);
      bar->SetFieldsCount(static_cast<int>(widths.size()), widths.data());
      for (size_t i = 0; i < c.panes.size(); ++i)
        bar->SetStatusText(ToWx(c.panes[i].text), static_cast<int>(i));
      return bar;
    }
    case K::ArchiveControl:
      return nullptr;
  }
  return nullptr;
}

// The frame's client area holds every control; the outer size is the layout's, grown
// where the window manager's frame would otherwise cut controls off.
void FitFrame(wxFrame* frame, const WindowLayout& layout, wxSize extent) {
  frame->SetSize(layout.x, layout.y, layout.width, layout.height);
  wxSize client = frame->GetClientSize();
  if (client.x < extent.x || client.y < extent.y)
    frame->SetClientSize(std::max(client.x, extent.x), std::max(client.y, extent.y));
}

}  // namespace

void SetLabelCaption(wxStaticText* label, const wxString& caption) {
  for (double points : {kFontPoints, kFontPoints - 0.5, kFontPoints - 1}) {
    wxFont font = UiFont(points);
    int width = 0, height = 0;
    label->GetTextExtent(caption, &width, &height, nullptr, nullptr, &font);
    if (width <= label->GetSize().x || points == kFontPoints - 1) {
      label->SetFont(font);
      break;
    }
  }
  label->SetLabelText(caption);
}

const WindowLayout& MainWindowLayout() {
  static const WindowLayout layout = MakeMainLayout();
  return layout;
}

const WindowLayout& DownloadWindowLayout() {
  static const WindowLayout layout = MakeDownloadLayout();
  return layout;
}

wxFrame* BuildWindow(const WindowLayout& layout, WxUi& ui) {
  auto* frame = new wxFrame(nullptr, wxID_ANY, ToWx(layout.title), wxPoint(layout.x, layout.y),
                            wxSize(layout.width, layout.height),
                            wxDEFAULT_FRAME_STYLE & ~(wxRESIZE_BORDER | wxMAXIMIZE_BOX));
  frame->SetName(ToWx(layout.name));
  frame->SetFont(UiFont(kFontPoints));
  auto* panel = new wxPanel(frame);
  ui.AddWindow(layout.name, frame);

  std::map<std::string, wxPoint> boxes;
  wxSize extent(0, 0);
  for (const auto& c : layout.controls) {
    wxPoint place(c.x, c.y);
    if (!c.container.empty()) place += boxes.at(c.container);
    if (c.kind == K::GroupBox) boxes[c.name] = place;
    wxWindow* widget = MakeControl(panel, c, place);
    if (!widget) continue;
    widget->SetName(ToWx(c.name));
    if (c.hidden) widget->Hide();
    ui.AddControl(layout.name, c.name, widget);
    extent.x = std::max(extent.x, place.x + c.width);
    extent.y = std::max(extent.y, place.y + c.height);
  }
  FitFrame(frame, layout, extent);
  ApplySkin(frame);
  if (layout.visibleWhenLoaded) ui.SetVisible(layout.name, {}, true);
  return frame;
}

}  // namespace tv::app
