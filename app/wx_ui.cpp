// wx implementation of the control operations. Control kinds are told apart by their wx
// class; an operation that does not apply to a control's kind does nothing.
#include "app/wx_ui.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/gauge.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/thread.h>
#include <wx/timer.h>
#include <wx/toplevel.h>

#include <algorithm>
#include <future>

#include "app/folder_dialog.h"
#include "app/layouts.h"
#include "app/message_dialog.h"
#include "app/picture_box.h"
#include "platform/codepage.h"
#include "platform/shell.h"

namespace tv::app {
namespace {

class CallbackTimer final : public wxTimer {
 public:
  explicit CallbackTimer(std::function<void()> tick) : tick_(std::move(tick)) {}
  void Notify() override { tick_(); }

 private:
  std::function<void()> tick_;
};

// Runs `fn` on the UI thread and waits for its result.
template <class Fn>
auto OnUiAndWait(Fn fn) -> decltype(fn()) {
  if (wxIsMainThread() || !wxTheApp) return fn();
  std::packaged_task<decltype(fn())()> task(std::move(fn));
  auto result = task.get_future();
  wxTheApp->CallAfter([&task] { task(); });
  return result.get();
}

// Runs `fn` at once on the UI thread; from another thread queues it there, in order.
void OnUi(std::function<void()> fn) {
  if (wxIsMainThread() || !wxTheApp) {
    fn();
  } else {
    wxTheApp->CallAfter(std::move(fn));
  }
}

wxWindow* FirstShownWindow() {
  for (wxWindow* window : wxTopLevelWindows)
    if (window->IsShown()) return window;
  return nullptr;
}

std::string Crlf2Lf(std::string text) {
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
    text.erase(at, 1);
  return text;
}

}  // namespace

wxString ToWx(const std::string& gbk) { return wxString::FromUTF8(codepage::GbkToUtf8(gbk)); }

std::string FromWx(const wxString& text) {
  wxScopedCharBuffer utf8 = text.utf8_str();
  return codepage::Utf8ToGbkText(std::string_view(utf8.data(), utf8.length()));
}

WxUi::WxUi() = default;

WxUi::~WxUi() {
  for (auto& [key, timer] : timers_) timer->Stop();
}

void WxUi::AddWindow(const std::string& name, wxTopLevelWindow* window) {
  windows_[name] = window;
  wantShown_[window] = window->IsShown();
  // The toolkit shows a window again when its map notice arrives after it was hidden;
  // a window keeps the visibility it was last given.
  window->Bind(wxEVT_SHOW, [this, window](wxShowEvent& event) {
    event.Skip();
    if (event.IsShown() && !wantShown_[window]) {
      wxTheApp->CallAfter([this, window, alive = std::weak_ptr<bool>(alive_)] {
        if (alive.expired() || !wxTopLevelWindows.Find(window)) return;
        if (!wantShown_[window] && window->IsShown()) window->Hide();
      });
    }
  });
}

void WxUi::AddControl(const std::string& window, const std::string& control, wxWindow* widget) {
  controls_[{window, control}] = widget;
}

wxTopLevelWindow* WxUi::Window(const std::string& name) const {
  auto it = windows_.find(name);
  return it == windows_.end() ? nullptr : it->second;
}

wxWindow* WxUi::Control(const std::string& window, const std::string& control) const {
  auto it = controls_.find({window, control});
  return it == controls_.end() ? nullptr : it->second;
}

void WxUi::OnClick(const std::string& window, const std::string& control,
                   std::function<void()> handler) {
  if (wxWindow* widget = Control(window, control))
    widget->Bind(wxEVT_BUTTON, [handler = std::move(handler)](wxCommandEvent&) { handler(); });
}

void WxUi::OnSelect(const std::string& window, const std::string& control,
                    std::function<void()> handler) {
  if (wxWindow* widget = Control(window, control))
    widget->Bind(wxEVT_CHOICE, [handler = std::move(handler)](wxCommandEvent&) { handler(); });
}

void WxUi::OnClose(const std::string& window, std::function<bool()> handler) {
  if (wxTopLevelWindow* frame = Window(window)) {
    frame->Bind(wxEVT_CLOSE_WINDOW, [handler = std::move(handler)](wxCloseEvent& event) {
      if (!handler() && event.CanVeto()) {
        event.Veto();
      } else {
        event.Skip();
      }
    });
  }
}

void WxUi::SetCaption(const std::string& window, const std::string& control,
                      const std::string& text) {
  OnUi([=, this] {
    wxWindow* widget = Control(window, control);
    if (auto* label = dynamic_cast<wxStaticText*>(widget)) SetLabelCaption(label, ToWx(text));
    if (auto* button = dynamic_cast<wxButton*>(widget)) button->SetLabelText(ToWx(text));
  });
}

void WxUi::SetPicture(const std::string& window, const std::string& control,
                      std::string_view jpeg) {
  OnUi([=, this, data = std::string(jpeg)] {
    if (auto* box = dynamic_cast<PictureBox*>(Control(window, control))) box->SetJpeg(data);
  });
}

void WxUi::SetVisible(const std::string& window, const std::string& control, bool visible) {
  OnUi([=, this] {
    wxWindow* widget = control.empty() ? Window(window) : Control(window, control);
    if (!widget) return;
    if (control.empty()) wantShown_[Window(window)] = visible;
    widget->Show(visible);
    if (visible && widget->IsTopLevel()) widget->Raise();
  });
}

void WxUi::SetDisabled(const std::string& window, const std::string& control, bool disabled) {
  OnUi([=, this] {
    if (auto* button = dynamic_cast<wxButton*>(Control(window, control))) button->Enable(!disabled);
  });
}

void WxUi::SetText(const std::string& window, const std::string& control, const std::string& text) {
  OnUi([=, this] {
    wxWindow* widget = Control(window, control);
    if (auto* edit = dynamic_cast<wxTextCtrl*>(widget)) edit->ChangeValue(ToWx(text));
    if (auto* combo = dynamic_cast<wxChoice*>(widget))
      combo->SetSelection(combo->FindString(ToWx(text), true));
  });
}

std::string WxUi::GetText(const std::string& window, const std::string& control) {
  return OnUiAndWait([&]() -> std::string {
    wxWindow* widget = Control(window, control);
    if (auto* edit = dynamic_cast<wxTextCtrl*>(widget)) return FromWx(edit->GetValue());
    if (auto* combo = dynamic_cast<wxChoice*>(widget)) return FromWx(combo->GetStringSelection());
    return {};
  });
}

void WxUi::SetPosition(const std::string& window, const std::string& control, int position) {
  OnUi([=, this] {
    if (auto* bar = dynamic_cast<wxGauge*>(Control(window, control)))
      bar->SetValue(std::clamp(position, 0, 100));
  });
}

void WxUi::SetPaneText(const std::string& window, const std::string& control, int pane,
                       const std::string& text) {
  OnUi([=, this] {
    auto* bar = dynamic_cast<wxStatusBar*>(Control(window, control));
    if (bar && pane >= 0 && pane < bar->GetFieldsCount()) bar->SetStatusText(ToWx(text), pane);
  });
}

ui::WindowHandle WxUi::GetWindowHandle(const std::string& window) {
  return OnUiAndWait([&] { return reinterpret_cast<ui::WindowHandle>(Window(window)); });
}

wxTopLevelWindow* WxUi::WindowOf(ui::WindowHandle handle) const {
  // A handle is only ever turned back into a window when it names a live one.
  for (wxWindow* window : wxTopLevelWindows)
    if (reinterpret_cast<ui::WindowHandle>(window) == handle && handle != 0)
      return dynamic_cast<wxTopLevelWindow*>(window);
  return nullptr;
}

ui::Answer WxUi::MessageBox(const std::string& text, const std::string& title, ui::Buttons buttons,
                            ui::WindowHandle owner) {
  return OnUiAndWait([&] {
    MessageDialog box(WindowOf(owner), ToWx(Crlf2Lf(text)), ToWx(title), buttons);
    return box.Ask();
  });
}

std::string WxUi::ChooseFolder(const std::string& prompt) {
  return OnUiAndWait([&]() -> std::string {
    wxWindow* active = wxGetActiveWindow();
    FolderDialog chooser(active ? wxGetTopLevelParent(active) : FirstShownWindow(), ToWx(prompt));
    return FromWx(chooser.Choose());
  });
}

void WxUi::OpenWebPage(const std::string& url) { shell::OpenWebPage(url); }

ui::WindowHandle WxUi::FindOwnWindow() {
  return OnUiAndWait([] { return reinterpret_cast<ui::WindowHandle>(FirstShownWindow()); });
}

bool WxUi::StartTimer(ui::WindowHandle window, int id, int periodMs, std::function<void()> tick) {
  return OnUiAndWait([&] {
    if (!WindowOf(window) || periodMs <= 0) return false;
    auto& slot = timers_[{window, id}];
    if (slot) RetireTimer(std::move(slot));
    slot = std::make_unique<CallbackTimer>(std::move(tick));
    return slot->Start(periodMs);
  });
}

bool WxUi::KillTimer(ui::WindowHandle window, int id) {
  return OnUiAndWait([&] {
    auto it = timers_.find({window, id});
    if (it == timers_.end()) return false;
    RetireTimer(std::move(it->second));
    timers_.erase(it);
    return true;
  });
}

// A timer may be killed or replaced from inside its own tick, so it is stopped now and
// freed only once the current event has been handled.
void WxUi::RetireTimer(std::unique_ptr<wxTimer> timer) {
  timer->Stop();
  wxTheApp->CallAfter([doomed = std::shared_ptr<wxTimer>(std::move(timer))] {});
}

void WxUi::PumpMessages() {
  if (wxTheApp && wxIsMainThread()) wxTheApp->Yield(false);
}

void WxUi::RunOnUiThread(std::function<void()> fn) {
  if (wxTheApp) {
    wxTheApp->CallAfter(std::move(fn));
  } else {
    fn();
  }
}

}  // namespace tv::app
