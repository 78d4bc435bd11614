// The program's message box: a modal dialog with a text, a title and one of the button
// sets of platform/ui. Our own dialog rather than the toolkit's, so that every button
// set exists, the skin reaches it, and tests can find and answer it.
#pragma once

#include <wx/dialog.h>

#include <string>

#include "platform/ui.h"

namespace tv::app {

class MessageDialog : public wxDialog {
 public:
  // Texts are UTF-8. Without a parent the box is task-modal: every window is disabled.
  MessageDialog(wxWindow* parent, const wxString& text, const wxString& title, ui::Buttons buttons);

  // Shows the box modally and returns the button pressed. Escape or the frame's close
  // button answer Cancel where the set has one, else the set's only or last button.
  ui::Answer Ask();

  const wxString& text() const { return text_; }
  ui::Buttons buttons() const { return buttons_; }
  // Presses a button of the set as a user would; false when the set has no such button.
  bool Press(ui::Answer answer);

 private:
  ui::Answer EscapeAnswer() const;

  wxString text_;
  ui::Buttons buttons_;
};

}  // namespace tv::app
