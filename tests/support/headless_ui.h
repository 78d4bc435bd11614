// A UI without windows: records every control's state and every message box, answers
// message boxes and folder choices from a script the test gives, and fires timers and
// queued UI-thread work when the test pumps.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui.h"

namespace tv::test {

struct ControlState {
  std::string caption;
  std::string text;
  std::string picture;  // JPEG bytes last set
  bool visible = true;
  bool disabled = false;
  int position = 0;
  std::map<int, std::string> panes;
};

struct MessageRecord {
  std::string text;
  std::string title;
  ui::Buttons buttons;
  ui::Answer answer;
};

class HeadlessUi : public ui::Ui {
 public:
  // Installs itself (the constructing thread becomes the UI thread); the destructor
  // puts the silent UI back.
  HeadlessUi();
  ~HeadlessUi() override;

  // Scripted answers, used in order. With none left, a box is answered Ok (Yes for
  // Yes/No boxes) and the test is not failed: look at messages() to check.
  void AnswerNext(ui::Answer answer);
  void ChooseNext(std::string folder);

  ControlState Control(const std::string& window, const std::string& control) const;
  bool WindowVisible(const std::string& window) const;
  std::vector<MessageRecord> messages() const;
  std::vector<std::string> openedPages() const;
  // A log of every operation in order, one line each, e.g. "SetVisible MainWindow  0".
  std::vector<std::string> log() const;
  void ClearLog();

  // Fires every running timer once, and runs work queued for the UI thread.
  void FireTimers();
  bool TimerRunning(ui::WindowHandle window, int id) const;

  // ui::Ui
  void SetCaption(const std::string& window, const std::string& control, const std::string& text) override;
  void SetPicture(const std::string& window, const std::string& control, std::string_view jpeg) override;
  void SetVisible(const std::string& window, const std::string& control, bool visible) override;
  void SetDisabled(const std::string& window, const std::string& control, bool disabled) override;
  void SetText(const std::string& window, const std::string& control, const std::string& text) override;
  std::string GetText(const std::string& window, const std::string& control) override;
  void SetPosition(const std::string& window, const std::string& control, int position) override;
  void SetPaneText(const std::string& window, const std::string& control, int pane, const std::string& text) override;
  ui::WindowHandle GetWindowHandle(const std::string& window) override;
  ui::Answer MessageBox(const std::string& text, const std::string& title, ui::Buttons buttons,
                        ui::WindowHandle owner) override;
  std::string ChooseFolder(const std::string& prompt) override;
  void OpenWebPage(const std::string& url) override;
  ui::WindowHandle FindOwnWindow() override;
  bool StartTimer(ui::WindowHandle window, int id, int periodMs, std::function<void()> tick) override;
  bool KillTimer(ui::WindowHandle window, int id) override;
  void PumpMessages() override;
  void RunOnUiThread(std::function<void()> fn) override;

 private:
  void Log(std::string line);

  mutable std::recursive_mutex mutex_;
  std::map<std::pair<std::string, std::string>, ControlState> controls_;
  std::map<std::string, ui::WindowHandle> handles_;
  std::deque<ui::Answer> answers_;
  std::deque<std::string> folders_;
  std::vector<MessageRecord> messages_;
  std::vector<std::string> pages_;
  std::vector<std::string> log_;
  std::map<std::pair<ui::WindowHandle, int>, std::function<void()>> timers_;
  std::deque<std::function<void()>> queued_;
};

}  // namespace tv::test
