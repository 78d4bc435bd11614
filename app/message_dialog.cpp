// Layout: the text above a centred row of buttons; the first button is the default, so
// Enter answers it as on the original platform.
#include "app/message_dialog.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include <utility>
#include <vector>

#include "app/skin.h"
#include "app/wx_ui.h"

namespace tv::app {
namespace {

std::vector<std::pair<ui::Answer, wxString>> ButtonsOf(ui::Buttons buttons) {
  using A = ui::Answer;
  const wxString ok = ToWx("确定"), cancel = ToWx("取消");
  const wxString yes = ToWx("是(&Y)"), no = ToWx("否(&N)");
  const wxString retry = ToWx("重试(&R)");
  switch (buttons) {
    case ui::Buttons::OkCancel:
      return {{A::Ok, ok}, {A::Cancel, cancel}};
    case ui::Buttons::AbortRetryIgnore:
      return {{A::Abort, ToWx("中止(&A)")}, {A::Retry, retry}, {A::Ignore, ToWx("忽略(&I)")}};
    case ui::Buttons::YesNoCancel:
      return {{A::Yes, yes}, {A::No, no}, {A::Cancel, cancel}};
    case ui::Buttons::YesNo:
      return {{A::Yes, yes}, {A::No, no}};
    case ui::Buttons::RetryCancel:
      return {{A::Retry, retry}, {A::Cancel, cancel}};
    case ui::Buttons::Ok:
      break;
  }
  return {{A::Ok, ok}};
}

// wx ids for the answers, so that EndModal carries the answer back.
int IdOf(ui::Answer answer) { return wxID_HIGHEST + 100 + static_cast<int>(answer); }

}  // namespace

MessageDialog::MessageDialog(wxWindow* parent, const wxString& text, const wxString& title,
                             ui::Buttons buttons)
    : wxDialog(parent, wxID_ANY, title, wxDefaultPosition, wxDefaultSize, wxCAPTION | wxCLOSE_BOX),
      text_(text),
      buttons_(buttons) {
  auto* column = new wxBoxSizer(wxVERTICAL);
  auto* label = new wxStaticText(this, wxID_ANY, wxEmptyString);
  label->SetLabelText(text);
  column->Add(label, 0, wxALL, 16);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  bool first = true;
  for (auto& [answer, caption] : ButtonsOf(buttons)) {
    auto* button = new wxButton(this, IdOf(answer), caption);
    button->Bind(wxEVT_BUTTON,
                 [this, answer = answer](wxCommandEvent&) { EndModal(IdOf(answer)); });
    if (first) {
      button->SetDefault();
      button->SetFocus();
      first = false;
    }
    row->Add(button, 0, wxLEFT | wxRIGHT, 4);
  }
  column->Add(row, 0, wxALIGN_CENTER | wxBOTTOM, 12);
  SetSizerAndFit(column);
  SetEscapeId(IdOf(EscapeAnswer()));
  Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { EndModal(IdOf(EscapeAnswer())); });
  ApplySkin(this);
  CentreOnScreen();
}

ui::Answer MessageDialog::EscapeAnswer() const {
  auto set = ButtonsOf(buttons_);
  for (auto& [answer, caption] : set)
    if (answer == ui::Answer::Cancel) return answer;
  return set.back().first;
}

ui::Answer MessageDialog::Ask() {
  int id = ShowModal();
  for (auto& [answer, caption] : ButtonsOf(buttons_))
    if (IdOf(answer) == id) return answer;
  return EscapeAnswer();
}

bool MessageDialog::Press(ui::Answer answer) {
  auto* button = dynamic_cast<wxButton*>(FindWindow(IdOf(answer)));
  if (!button) return false;
  wxCommandEvent click(wxEVT_BUTTON, button->GetId());
  click.SetEventObject(button);
  button->ProcessWindowEvent(click);
  return true;
}

}  // namespace tv::app
