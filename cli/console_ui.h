// The windowing interface on a console: message boxes print to stderr and answer OK,
// window timers and work queued for the UI thread run from the command's own loop on
// the main thread, which is the UI thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <utility>

#include "platform/ui.h"

namespace tv::cli {

class ConsoleUi : public ui::Ui {
 public:
  ConsoleUi();  // installs itself; the constructing thread is the UI thread
  ~ConsoleUi() override;

  // Runs due timers and queued work for `time`, waking early for queued work.
  void RunFor(std::chrono::milliseconds time);
  // Ends a RunFor under way early (safe from any thread, not from a signal handler).
  void Wake();

  void SetCaption(const std::string&, const std::string&, const std::string&) override {}
  void SetPicture(const std::string&, const std::string&, std::string_view) override {}
  void SetVisible(const std::string&, const std::string&, bool) override {}
  void SetDisabled(const std::string&, const std::string&, bool) override {}
  void SetText(const std::string&, const std::string&, const std::string&) override {}
  std::string GetText(const std::string&, const std::string&) override { return {}; }
  void SetPosition(const std::string&, const std::string&, int) override {}
  void SetPaneText(const std::string&, const std::string&, int, const std::string&) override {}
  ui::WindowHandle GetWindowHandle(const std::string&) override { return kWindow; }
  ui::Answer MessageBox(const std::string& text, const std::string& title, ui::Buttons buttons,
                        ui::WindowHandle owner) override;
  std::string ChooseFolder(const std::string&) override { return {}; }
  void OpenWebPage(const std::string&) override {}
  ui::WindowHandle FindOwnWindow() override { return 0; }
  bool StartTimer(ui::WindowHandle window, int id, int periodMs,
                  std::function<void()> tick) override;
  bool KillTimer(ui::WindowHandle window, int id) override;
  void PumpMessages() override;
  void RunOnUiThread(std::function<void()> fn) override;

  // The one "window" of the console, for the engine's timer.
  static constexpr ui::WindowHandle kWindow = 1;

 private:
  using Clock = std::chrono::steady_clock;
  struct Timer {
    std::chrono::milliseconds period;
    Clock::time_point due;
    std::function<void()> tick;
  };
  void RunDueTimers();
  Clock::time_point NextDue(Clock::time_point limit);

  std::mutex mutex_;
  std::condition_variable wake_;
  bool woken_ = false;
  bool inTimer_ = false;
  std::map<std::pair<ui::WindowHandle, int>, Timer> timers_;
  std::deque<std::function<void()>> queued_;
};

}  // namespace tv::cli
