// The installed UI implementation and the silent one used before any is installed.
#include "platform/ui.h"

#include <atomic>
#include <thread>

namespace tv::ui {
namespace {

class SilentUi final : public Ui {
 public:
  void SetCaption(const std::string&, const std::string&, const std::string&) override {}
  void SetPicture(const std::string&, const std::string&, std::string_view) override {}
  void SetVisible(const std::string&, const std::string&, bool) override {}
  void SetDisabled(const std::string&, const std::string&, bool) override {}
  void SetText(const std::string&, const std::string&, const std::string&) override {}
  std::string GetText(const std::string&, const std::string&) override { return {}; }
  void SetPosition(const std::string&, const std::string&, int) override {}
  void SetPaneText(const std::string&, const std::string&, int, const std::string&) override {}
  WindowHandle GetWindowHandle(const std::string&) override { return 0; }
  Answer MessageBox(const std::string&, const std::string&, Buttons buttons, WindowHandle) override {
    return (buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel) ? Answer::Yes : Answer::Ok;
  }
  std::string ChooseFolder(const std::string&) override { return {}; }
  void OpenWebPage(const std::string&) override {}
  WindowHandle FindOwnWindow() override { return 0; }
  bool StartTimer(WindowHandle, int, int, std::function<void()>) override { return false; }
  bool KillTimer(WindowHandle, int) override { return false; }
  void PumpMessages() override {}
  void RunOnUiThread(std::function<void()> fn) override { fn(); }
};

SilentUi silent;
std::atomic<Ui*> current{&silent};
std::atomic<std::thread::id> uiThread{};

}  // namespace

Ui& Current() { return *current.load(); }

void Install(Ui* ui) {
  current.store(ui ? ui : &silent);
  uiThread.store(std::this_thread::get_id());
}

bool IsUiThread() { return uiThread.load() == std::this_thread::get_id(); }

void PumpIfUiThread() {
  if (IsUiThread()) Current().PumpMessages();
}

Answer ShowMessage(const std::string& text, const std::string& title, Buttons buttons) {
  return Current().MessageBox(text, title.empty() ? "信息：" : title, buttons, 0);
}

}  // namespace tv::ui
