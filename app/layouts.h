// The two windows' fixed layouts as data, and the builder that makes wx windows of them.
// Places are in pixels from the window's client area, or from the group box named as a
// control's container.
#pragma once

#include <wx/string.h>

#include <string>
#include <vector>

class wxFrame;
class wxStaticText;

namespace tv::app {

class WxUi;

enum class ControlKind {
  Button,
  Label,
  TransparentLabel,
  GroupBox,
  EditBox,
  ComboBox,
  PictureBox,
  ProgressBar,
  StatusBar,
  ArchiveControl,  // no widget: the ZIP control is invisible at run time
};

struct Pane {
  int width;
  std::string text;
};

struct ControlLayout {
  std::string name;
  ControlKind kind;
  std::string container;  // a group box's name, or empty for the window
  int x, y, width, height;
  std::string text;                // caption or content at start
  std::vector<std::string> items;  // combo box list
  std::vector<Pane> panes;         // status bar panes
  bool hidden = false;
};

struct WindowLayout {
  std::string name;
  std::string title;
  int x, y, width, height;
  bool visibleWhenLoaded;
  std::vector<ControlLayout> controls;
};

const WindowLayout& MainWindowLayout();
const WindowLayout& DownloadWindowLayout();

// Sets a label's caption, stepping its font down a little when the caption would not fit
// the label's fixed width at the windows' size (some captions are a few pixels too wide).
void SetLabelCaption(wxStaticText* label, const wxString& caption);

// Creates the window and its controls, registers both with `ui` and applies the skin.
// The window is shown when its layout says so.
wxFrame* BuildWindow(const WindowLayout& layout, WxUi& ui);

}  // namespace tv::app
