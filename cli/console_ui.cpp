// The console implementation of the windowing interface.
#include "cli/console_ui.h"

#include <cstdio>
#include <vector>

#include "platform/codepage.h"

namespace tv::cli {

ConsoleUi::ConsoleUi() { ui::Install(this); }
ConsoleUi::~ConsoleUi() { ui::Install(nullptr); }

ui::Answer ConsoleUi::MessageBox(const std::string& text, const std::string& title,
                                 ui::Buttons buttons, ui::WindowHandle) {
  std::fprintf(stderr, "\n[%s] %s\n", codepage::GbkToUtf8(title).c_str(),
               codepage::GbkToUtf8(text).c_str());
  const bool yesNo = buttons == ui::Buttons::YesNo || buttons == ui::Buttons::YesNoCancel;
  return yesNo ? ui::Answer::Yes : ui::Answer::Ok;
}

bool ConsoleUi::StartTimer(ui::WindowHandle window, int id, int periodMs,
                           std::function<void()> tick) {
  std::lock_guard lock(mutex_);
  const auto period = std::chrono::milliseconds(periodMs > 0 ? periodMs : 1);
  timers_[{window, id}] = Timer{period, Clock::now() + period, std::move(tick)};
  return true;
}

bool ConsoleUi::KillTimer(ui::WindowHandle window, int id) {
  std::lock_guard lock(mutex_);
  return timers_.erase({window, id}) != 0;
}

void ConsoleUi::RunOnUiThread(std::function<void()> fn) {
  {
    std::lock_guard lock(mutex_);
    queued_.push_back(std::move(fn));
  }
  wake_.notify_all();
}

void ConsoleUi::Wake() {
  {
    std::lock_guard lock(mutex_);
    woken_ = true;
  }
  wake_.notify_all();
}

void ConsoleUi::RunDueTimers() {
  std::vector<std::function<void()>> due;
  {
    std::lock_guard lock(mutex_);
    // A tick that waits (and so pumps) must not fire the timers again inside itself.
    if (inTimer_) return;
    const auto now = Clock::now();
    for (auto& [key, timer] : timers_) {
      if (timer.due > now) continue;
      due.push_back(timer.tick);
      while (timer.due <= now) timer.due += timer.period;
    }
    inTimer_ = !due.empty();
  }
  for (auto& tick : due) tick();
  std::lock_guard lock(mutex_);
  inTimer_ = false;
}

void ConsoleUi::PumpMessages() {
  for (;;) {
    std::function<void()> fn;
    {
      std::lock_guard lock(mutex_);
      if (queued_.empty()) break;
      fn = std::move(queued_.front());
      queued_.pop_front();
    }
    fn();
  }
  RunDueTimers();
}

ConsoleUi::Clock::time_point ConsoleUi::NextDue(Clock::time_point limit) {
  for (auto& [key, timer] : timers_) limit = std::min(limit, timer.due);
  return limit;
}

void ConsoleUi::RunFor(std::chrono::milliseconds time) {
  const auto until = Clock::now() + time;
  for (;;) {
    PumpMessages();
    std::unique_lock lock(mutex_);
    if (woken_ || Clock::now() >= until) {
      woken_ = false;
      return;
    }
    wake_.wait_until(lock, NextDue(until), [this] { return woken_ || !queued_.empty(); });
  }
}

}  // namespace tv::cli
