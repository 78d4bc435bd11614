#include "tests/support/headless_ui.h"

namespace tv::test {

HeadlessUi::HeadlessUi() { ui::Install(this); }
HeadlessUi::~HeadlessUi() { ui::Install(nullptr); }

void HeadlessUi::AnswerNext(ui::Answer answer) {
  std::lock_guard lock(mutex_);
  answers_.push_back(answer);
}

void HeadlessUi::ChooseNext(std::string folder) {
  std::lock_guard lock(mutex_);
  folders_.push_back(std::move(folder));
}

ControlState HeadlessUi::Control(const std::string& window, const std::string& control) const {
  std::lock_guard lock(mutex_);
  auto it = controls_.find({window, control});
  return it == controls_.end() ? ControlState{} : it->second;
}

bool HeadlessUi::WindowVisible(const std::string& window) const { return Control(window, {}).visible; }

std::vector<MessageRecord> HeadlessUi::messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

std::vector<std::string> HeadlessUi::openedPages() const {
  std::lock_guard lock(mutex_);
  return pages_;
}

std::vector<std::string> HeadlessUi::log() const {
  std::lock_guard lock(mutex_);
  return log_;
}

void HeadlessUi::ClearLog() {
  std::lock_guard lock(mutex_);
  log_.clear();
}

void HeadlessUi::Log(std::string line) { log_.push_back(std::move(line)); }

void HeadlessUi::FireTimers() {
  std::vector<std::function<void()>> ticks;
  {
    std::lock_guard lock(mutex_);
    for (auto& [key, tick] : timers_) ticks.push_back(tick);
  }
  for (auto& tick : ticks) tick();
  PumpMessages();
}

bool HeadlessUi::TimerRunning(ui::WindowHandle window, int id) const {
  std::lock_guard lock(mutex_);
  return timers_.count({window, id}) != 0;
}

void HeadlessUi::SetCaption(const std::string& window, const std::string& control, const std::string& text) {
  std::lock_guard lock(mutex_);
  controls_[{window, control}].caption = text;
  Log("SetCaption " + window + " " + control + " " + text);
}

void HeadlessUi::SetPicture(const std::string& window, const std::string& control, std::string_view jpeg) {
  std::lock_guard lock(mutex_);
  controls_[{window, control}].picture = std::string(jpeg);
  Log("SetPicture " + window + " " + control + " " + std::to_string(jpeg.size()));
}

void HeadlessUi::SetVisible(const std::string& window, const std::string& control, bool visible) {
  std::lock_guard lock(mutex_);
  controls_[{window, control}].visible = visible;
  Log("SetVisible " + window + " " + control + " " + (visible ? "1" : "0"));
}

void HeadlessUi::SetDisabled(const std::string& window, const std::string& control, bool disabled) {
  std::lock_guard lock(mutex_);
  controls_[{window, control}].disabled = disabled;
  Log("SetDisabled " + window + " " + control + " " + (disabled ? "1" : "0"));
}

void HeadlessUi::SetText(const std::string& window, const std::string& control, const std::string& text) {
  std::lock_guard lock(mutex_);
  controls_[{window, control}].text = text;
  Log("SetText " + window + " " + control + " " + text);
}

std::string HeadlessUi::GetText(const std::string& window, const std::string& control) {
  std::lock_guard lock(mutex_);
  return controls_[{window, control}].text;
}

void HeadlessUi::SetPosition(const std::string& window, const std::string& control, int position) {
  std::lock_guard lock(mutex_);
  controls_[{window, control}].position = position;
  Log("SetPosition " + window + " " + control + " " + std::to_string(position));
}

void HeadlessUi::SetPaneText(const std::string& window, const std::string& control, int pane,
                             const std::string& text) {
  std::lock_guard lock(mutex_);
  controls_[{window, control}].panes[pane] = text;
  Log("SetPaneText " + window + " " + control + " " + std::to_string(pane) + " " + text);
}

ui::WindowHandle HeadlessUi::GetWindowHandle(const std::string& window) {
  std::lock_guard lock(mutex_);
  auto [it, added] = handles_.try_emplace(window, handles_.size() + 1);
  return it->second;
}

ui::Answer HeadlessUi::MessageBox(const std::string& text, const std::string& title, ui::Buttons buttons,
                                  ui::WindowHandle) {
  std::lock_guard lock(mutex_);
  ui::Answer answer = (buttons == ui::Buttons::YesNo || buttons == ui::Buttons::YesNoCancel) ? ui::Answer::Yes
                                                                                              : ui::Answer::Ok;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  }
  messages_.push_back({text, title, buttons, answer});
  Log("MessageBox " + title + " " + text);
  return answer;
}

std::string HeadlessUi::ChooseFolder(const std::string& prompt) {
  std::lock_guard lock(mutex_);
  Log("ChooseFolder " + prompt);
  if (folders_.empty()) return {};
  std::string folder = folders_.front();
  folders_.pop_front();
  return folder;
}

void HeadlessUi::OpenWebPage(const std::string& url) {
  std::lock_guard lock(mutex_);
  pages_.push_back(url);
  Log("OpenWebPage " + url);
}

ui::WindowHandle HeadlessUi::FindOwnWindow() {
  std::lock_guard lock(mutex_);
  for (auto& [name, handle] : handles_) {
    auto it = controls_.find({name, {}});
    if (it == controls_.end() || it->second.visible) return handle;
  }
  return 0;
}

bool HeadlessUi::StartTimer(ui::WindowHandle window, int id, int, std::function<void()> tick) {
  std::lock_guard lock(mutex_);
  timers_[{window, id}] = std::move(tick);
  return true;
}

bool HeadlessUi::KillTimer(ui::WindowHandle window, int id) {
  std::lock_guard lock(mutex_);
  return timers_.erase({window, id}) != 0;
}

void HeadlessUi::PumpMessages() {
  for (;;) {
    std::function<void()> fn;
    {
      std::lock_guard lock(mutex_);
      if (queued_.empty()) return;
      fn = std::move(queued_.front());
      queued_.pop_front();
    }
    fn();
  }
}

void HeadlessUi::RunOnUiThread(std::function<void()> fn) {
  std::lock_guard lock(mutex_);
  queued_.push_back(std::move(fn));
}

}  // namespace tv::test
