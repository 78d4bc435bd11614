// The edit field follows the tree's selection; what it holds when OK is pressed is the
// answer, so a typed path wins over the tree.
#include "app/folder_dialog.h"

#include <wx/button.h>
#include <wx/dirctrl.h>
#include <wx/filename.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/skin.h"
#include "app/wx_ui.h"

namespace tv::app {

FolderDialog::FolderDialog(wxWindow* parent, const wxString& prompt, const wxString& start)
    : wxDialog(parent, wxID_ANY, ToWx("浏览文件夹"), wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxCLOSE_BOX | wxRESIZE_BORDER) {
  wxString first = wxDirExists(start) ? start : wxFileName::GetHomeDir();
  auto* column = new wxBoxSizer(wxVERTICAL);
  auto* label = new wxStaticText(this, wxID_ANY, wxEmptyString);
  label->SetLabelText(prompt);
  column->Add(label, 0, wxALL, 10);
  tree_ = new wxGenericDirCtrl(this, wxID_ANY, first, wxDefaultPosition, wxSize(320, 260),
                               wxDIRCTRL_DIR_ONLY);
  column->Add(tree_, 1, wxEXPAND | wxLEFT | wxRIGHT, 10);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(new wxStaticText(this, wxID_ANY, ToWx("文件夹：")), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT,
           6);
  path_ =
      new wxTextCtrl(this, wxID_ANY, first, wxDefaultPosition, wxDefaultSize, wxTE_PROCESS_ENTER);
  row->Add(path_, 1, wxEXPAND);
  column->Add(row, 0, wxEXPAND | wxALL, 10);
  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  auto* ok = new wxButton(this, wxID_OK, ToWx("确定"));
  buttons->Add(ok, 0, wxRIGHT, 8);
  buttons->Add(new wxButton(this, wxID_CANCEL, ToWx("取消")));
  column->Add(buttons, 0, wxALIGN_RIGHT | wxLEFT | wxRIGHT | wxBOTTOM, 10);
  SetSizerAndFit(column);
  ok->SetDefault();

  tree_->Bind(wxEVT_DIRCTRL_SELECTIONCHANGED,
              [this](wxTreeEvent&) { path_->ChangeValue(tree_->GetPath()); });
  path_->Bind(wxEVT_TEXT_ENTER, [this](wxCommandEvent&) { EndModal(wxID_OK); });
  ApplySkin(this);
  CentreOnParent();
  path_->SetFocus();
  path_->SelectAll();
}

wxString FolderDialog::Choose() {
  if (ShowModal() != wxID_OK) return wxEmptyString;
  return path_->GetValue().Trim().Trim(false);
}

void FolderDialog::Enter(const wxString& path) {
  path_->ChangeValue(path);
  wxCommandEvent click(wxEVT_BUTTON, wxID_OK);
  click.SetEventObject(FindWindow(wxID_OK));
  FindWindow(wxID_OK)->ProcessWindowEvent(click);
}

void FolderDialog::Dismiss() {
  wxCommandEvent click(wxEVT_BUTTON, wxID_CANCEL);
  click.SetEventObject(FindWindow(wxID_CANCEL));
  FindWindow(wxID_CANCEL)->ProcessWindowEvent(click);
}

}  // namespace tv::app
