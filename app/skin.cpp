// The 33 themes share one recipe and differ in hue, spread evenly around the colour
// wheel; theme 19, the one the program attaches, comes out a calm sky blue.
#include "app/skin.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/image.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/toplevel.h>

#include <array>

namespace tv::app {
namespace {

constexpr int kThemeCount = 33;

wxColour Hsv(double hue, double saturation, double value) {
  wxImage::RGBValue rgb = wxImage::HSVtoRGB(wxImage::HSVValue(hue, saturation, value));
  return wxColour(rgb.red, rgb.green, rgb.blue);
}

std::array<Theme, kThemeCount> MakeThemes() {
  std::array<Theme, kThemeCount> themes;
  for (int i = 0; i < kThemeCount; ++i) {
    double hue = static_cast<double>(i) / kThemeCount;
    themes[i] = Theme{Hsv(hue, 0.10, 0.96), Hsv(hue, 0.70, 0.22), Hsv(hue, 0.22, 0.90),
                      Hsv(hue, 0.80, 0.20), Hsv(hue, 0.03, 1.00), Hsv(hue, 0.16, 0.90)};
  }
  return themes;
}

const Theme* attached = nullptr;

void Paint(wxWindow* window, const Theme& theme) {
  if (dynamic_cast<wxButton*>(window)) {
    // The text colour stays the toolkit's so that a disabled button still looks greyed.
    window->SetBackgroundColour(theme.button);
  } else if (dynamic_cast<wxTextCtrl*>(window) || dynamic_cast<wxChoice*>(window)) {
    window->SetBackgroundColour(theme.field);
    window->SetForegroundColour(theme.text);
  } else if (dynamic_cast<wxStatusBar*>(window)) {
    window->SetBackgroundColour(theme.bar);
    window->SetForegroundColour(theme.text);
  } else {
    window->SetBackgroundColour(theme.background);
    window->SetForegroundColour(theme.text);
  }
  for (wxWindow* child : window->GetChildren())
    if (!child->IsTopLevel()) Paint(child, theme);
  window->Refresh();
}

}  // namespace

const Theme* BuiltInTheme(int number) {
  static const std::array<Theme, kThemeCount> themes = MakeThemes();
  if (number < 1 || number > kThemeCount) return nullptr;
  return &themes[number - 1];
}

void AttachSkin(int number) {
  const Theme* theme = BuiltInTheme(number);
  if (!theme) return;
  attached = theme;
  for (wxWindow* window : wxTopLevelWindows) Paint(window, *theme);
}

const Theme* AttachedTheme() { return attached; }

void ApplySkin(wxWindow* window) {
  if (attached && window) Paint(window, *attached);
}

}  // namespace tv::app
