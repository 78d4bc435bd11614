// The folder browser: the prompt, a tree of folders only, and an edit field where a path
// can also be typed. Our own dialog: the toolkit's chooser can show no prompt.
#pragma once

#include <wx/dialog.h>

class wxGenericDirCtrl;
class wxTextCtrl;

namespace tv::app {

class FolderDialog : public wxDialog {
 public:
  // Texts are UTF-8. The tree starts at `start` when it is a folder, else at home.
  FolderDialog(wxWindow* parent, const wxString& prompt, const wxString& start = wxEmptyString);

  // Shows the browser modally; the folder in the edit field, or empty when cancelled.
  wxString Choose();

  // Types `path` into the edit field and presses OK, as a user would.
  void Enter(const wxString& path);
  // Presses Cancel.
  void Dismiss();

 private:
  wxGenericDirCtrl* tree_;
  wxTextCtrl* path_;
};

}  // namespace tv::app
