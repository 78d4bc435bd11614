// Real wx windows in a test program: wx started once on $DISPLAY, a fixture with the wx
// UI installed and a sandbox folder, and an answerer that deals with modal boxes and the
// folder browser the way a user would, recording what they showed.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/wx_ui.h"
#include "platform/ui.h"
#include "tests/support/sandbox.h"

class wxTimer;

namespace tv::test {

struct ShownBox {
  std::string title;  // GBK
  std::string text;   // GBK, line breaks as "\n"
  ui::Buttons buttons;
};

class DialogAnswerer {
 public:
  DialogAnswerer();
  ~DialogAnswerer();

  // What to do with the next dialogs, in order. A box without a scripted answer gets
  // its first button; a folder browser without a scripted folder is cancelled.
  void Answer(ui::Answer answer);
  void ChooseFolder(std::string nativeUtf8Path);
  void CancelFolder();
  // Runs when a box appears, before it is answered.
  void OnBox(std::function<void(const ShownBox&)> hook) { onBox_ = std::move(hook); }

  const std::vector<ShownBox>& boxes() const { return boxes_; }
  int foldersAsked() const { return foldersAsked_; }

 private:
  void Poll();

  std::unique_ptr<wxTimer> timer_;
  std::deque<ui::Answer> answers_;
  std::deque<std::string> folders_;  // "" = cancel
  std::vector<ShownBox> boxes_;
  std::function<void(const ShownBox&)> onBox_;
  int foldersAsked_ = 0;
};

// Sets an environment variable for its lifetime.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// Each test gets the wx UI installed, the globals fresh, a Wine prefix in its sandbox
// ("wine/", no user.reg until the test writes one) and an xdg-open of its own on PATH
// that notes each page it is asked to open in "opened.txt".
class WxTest : public Sandbox {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Handles events until `done` holds or `seconds` pass; false on timeout.
  bool PumpUntil(const std::function<bool()>& done, double seconds = 10);
  void Pump(int milliseconds = 50);
  // Clicks a button as the user would (the toolkit's click event).
  void Click(const std::string& window, const std::string& control);

  std::unique_ptr<app::WxUi> ui;
  std::unique_ptr<DialogAnswerer> answerer;

 private:
  std::optional<ScopedEnv> path_, prefix_;
};

}  // namespace tv::test
