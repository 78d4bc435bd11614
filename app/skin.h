// Window skins: built-in colour themes of our own, numbered 1 to 33 like the skins the
// program has always offered. No skin library is written, shipped or loaded; a theme is
// a handful of colours applied to every control of a window.
#pragma once

#include <wx/colour.h>

class wxWindow;

namespace tv::app {

struct Theme {
  wxColour background;  // windows, group boxes, labels
  wxColour text;
  wxColour button;
  wxColour buttonText;
  wxColour field;  // edit box, combo box, picture box
  wxColour bar;    // status bars
};

// Theme `number` (1 to 33), or nullptr for any other number.
const Theme* BuiltInTheme(int number);

// Makes theme `number` the program's skin: applied at once to every open top-level
// window and, through ApplySkin, to windows created later. A number outside 1 to 33
// attaches nothing and leaves the current skin.
void AttachSkin(int number);
// The attached theme, or nullptr.
const Theme* AttachedTheme();
// Paints `window` and all its children with the attached theme (nothing without one).
void ApplySkin(wxWindow* window);

}  // namespace tv::app
