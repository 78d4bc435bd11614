// The windowing interface every handler acts through: controls named by window and
// control, message boxes, timers and the message pump. Implemented on wxWidgets in app/,
// on the console in cli/, and headless in tests/support.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tv::ui {

using WindowHandle = std::uintptr_t;  // 0 means no window

// Button sets and answers keep the Windows message-box numbering, which the
// engine's message routine passes on (its result is the answer minus one).
enum class Buttons { Ok = 0, OkCancel = 1, AbortRetryIgnore = 2, YesNoCancel = 3, YesNo = 4, RetryCancel = 5 };
enum class Answer { None = 0, Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

// Every text crossing this interface is GBK. An empty `control` names the window itself
// where the operation applies to windows (SetVisible).
class Ui {
 public:
  virtual ~Ui() = default;

  virtual void SetCaption(const std::string& window, const std::string& control, const std::string& text) = 0;
  virtual void SetPicture(const std::string& window, const std::string& control, std::string_view jpeg) = 0;
  virtual void SetVisible(const std::string& window, const std::string& control, bool visible) = 0;
  virtual void SetDisabled(const std::string& window, const std::string& control, bool disabled) = 0;
  virtual void SetText(const std::string& window, const std::string& control, const std::string& text) = 0;
  virtual std::string GetText(const std::string& window, const std::string& control) = 0;
  virtual void SetPosition(const std::string& window, const std::string& control, int position) = 0;
  virtual void SetPaneText(const std::string& window, const std::string& control, int pane, const std::string& text) = 0;
  virtual WindowHandle GetWindowHandle(const std::string& window) = 0;

  // A modal box with no owner but `owner` (0 for none); returns the button pressed.
  virtual Answer MessageBox(const std::string& text, const std::string& title, Buttons buttons, WindowHandle owner) = 0;
  // The folder browser; the empty text when cancelled.
  virtual std::string ChooseFolder(const std::string& prompt) = 0;
  // Opens a web page in the user's browser.
  virtual void OpenWebPage(const std::string& url) = 0;
  // The first visible top-level window of this process, or 0.
  virtual WindowHandle FindOwnWindow() = 0;

  // A repeating timer on a window; `tick` runs on the UI thread. Starting an id that
  // runs already replaces it. KillTimer is false when no such timer ran.
  virtual bool StartTimer(WindowHandle window, int id, int periodMs, std::function<void()> tick) = 0;
  virtual bool KillTimer(WindowHandle window, int id) = 0;

  // Runs the events waiting for the UI thread; called only on the UI thread.
  virtual void PumpMessages() = 0;
  // Queues `fn` to run on the UI thread and returns at once.
  virtual void RunOnUiThread(std::function<void()> fn) = 0;
};

// The implementation in use. Installing one also makes the calling thread the UI thread.
// Before any is installed a silent one answers every message box with Ok (or Yes).
Ui& Current();
void Install(Ui* ui);
bool IsUiThread();

// Processes pending UI events when called on the UI thread; elsewhere does nothing.
void PumpIfUiThread();

// A message box with the title "信息：" when none is given and no owner.
Answer ShowMessage(const std::string& text, const std::string& title = {}, Buttons buttons = Buttons::Ok);

}  // namespace tv::ui
