// platform/ui on wxWidgets: windows and controls registered by name, the control
// operations, message boxes, the folder browser, window timers and the message pump.
// GBK texts become UTF-8 here and nowhere else.
#pragma once

#include <wx/string.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "platform/ui.h"

class wxTimer;
class wxTopLevelWindow;
class wxWindow;

namespace tv::app {

wxString ToWx(const std::string& gbk);
std::string FromWx(const wxString& text);

class WxUi final : public ui::Ui {
 public:
  WxUi();
  ~WxUi() override;

  // Registration, on the UI thread. A control is known by its window and name.
  void AddWindow(const std::string& name, wxTopLevelWindow* window);
  void AddControl(const std::string& window, const std::string& control, wxWindow* widget);
  wxTopLevelWindow* Window(const std::string& name) const;
  wxWindow* Control(const std::string& window, const std::string& control) const;

  // Event wiring. A close handler returns whether the window may close.
  void OnClick(const std::string& window, const std::string& control,
               std::function<void()> handler);
  void OnSelect(const std::string& window, const std::string& control,
                std::function<void()> handler);
  void OnClose(const std::string& window, std::function<bool()> handler);

  // ui::Ui. Called off the UI thread, setters are queued to it in order and the others
  // wait for it to answer.
  void SetCaption(const std::string& window, const std::string& control,
                  const std::string& text) override;
  void SetPicture(const std::string& window, const std::string& control,
                  std::string_view jpeg) override;
  void SetVisible(const std::string& window, const std::string& control, bool visible) override;
  void SetDisabled(const std::string& window, const std::string& control, bool disabled) override;
  void SetText(const std::string& window, const std::string& control,
               const std::string& text) override;
  std::string GetText(const std::string& window, const std::string& control) override;
  void SetPosition(const std::string& window, const std::string& control, int position) override;
  void SetPaneText(const std::string& window, const std::string& control, int pane,
                   const std::string& text) override;
  ui::WindowHandle GetWindowHandle(const std::string& window) override;
  ui::Answer MessageBox(const std::string& text, const std::string& title, ui::Buttons buttons,
                        ui::WindowHandle owner) override;
  std::string ChooseFolder(const std::string& prompt) override;
  void OpenWebPage(const std::string& url) override;
  ui::WindowHandle FindOwnWindow() override;
  bool StartTimer(ui::WindowHandle window, int id, int periodMs,
                  std::function<void()> tick) override;
  bool KillTimer(ui::WindowHandle window, int id) override;
  void PumpMessages() override;
  void RunOnUiThread(std::function<void()> fn) override;

 private:
  wxTopLevelWindow* WindowOf(ui::WindowHandle handle) const;
  void RetireTimer(std::unique_ptr<wxTimer> timer);

  std::map<std::string, wxTopLevelWindow*> windows_;
  std::map<wxTopLevelWindow*, bool> wantShown_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // for work queued past our end
  std::map<std::pair<std::string, std::string>, wxWindow*> controls_;
  std::map<std::pair<ui::WindowHandle, int>, std::unique_ptr<wxTimer>> timers_;
};

}  // namespace tv::app
