#include "tests/app/wx_test_support.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/init.h>
#include <wx/timer.h>
#include <wx/toplevel.h>

#include <chrono>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "app/folder_dialog.h"
#include "app/message_dialog.h"
#include "download_ui/download_globals.h"
#include "maps/app_state.h"

namespace tv::test {
namespace {

// A failed wx assertion fails the test instead of opening a dialog nobody answers.
void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                  const wxString& msg) {
  ADD_FAILURE_AT(file.utf8_str(), line)
      << "wx assertion in " << func.utf8_str() << ": " << cond.utf8_str() << " " << msg.utf8_str();
}

void StartWxOnce() {
  static bool started = [] {
    wxSetAssertHandler(FailOnAssert);
    wxApp::SetInstance(new wxApp);
    static int argc = 1;
    static char name[] = "terravane-gui-test";
    static char* argv[] = {name, nullptr};
    bool ok = wxEntryStart(argc, argv) && wxTheApp->CallOnInit();
    std::setlocale(LC_NUMERIC, "C");  // as the program does
    return ok;
  }();
  ASSERT_TRUE(started) << "wx could not start: is there an X display ($DISPLAY)?";
}

}  // namespace

DialogAnswerer::DialogAnswerer() : timer_(std::make_unique<wxTimer>()) {
  timer_->Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Poll(); });
  timer_->Start(25);
}

DialogAnswerer::~DialogAnswerer() { timer_->Stop(); }

void DialogAnswerer::Answer(ui::Answer answer) { answers_.push_back(answer); }
void DialogAnswerer::ChooseFolder(std::string nativeUtf8Path) {
  folders_.push_back(std::move(nativeUtf8Path));
}
void DialogAnswerer::CancelFolder() { folders_.push_back({}); }

void DialogAnswerer::Poll() {
  for (wxWindow* window : wxTopLevelWindows) {
    if (auto* box = dynamic_cast<app::MessageDialog*>(window); box && box->IsModal()) {
      ShownBox shown{app::FromWx(box->GetTitle()), app::FromWx(box->text()), box->buttons()};
      boxes_.push_back(shown);
      if (onBox_) onBox_(shown);
      ui::Answer answer = ui::Answer::None;
      if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
      }
      if (answer == ui::Answer::None || !box->Press(answer))
        box->Press(ui::Answer::Ok) || box->Press(ui::Answer::Yes);
      return;
    }
    if (auto* chooser = dynamic_cast<app::FolderDialog*>(window); chooser && chooser->IsModal()) {
      ++foldersAsked_;
      std::string folder;
      if (!folders_.empty()) {
        folder = folders_.front();
        folders_.pop_front();
      }
      if (folder.empty()) {
        chooser->Dismiss();
      } else {
        chooser->Enter(wxString::FromUTF8(folder));
      }
      return;
    }
  }
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
  if (const char* old = std::getenv(name)) old_ = old;
  setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
  if (old_) {
    setenv(name_, old_->c_str(), 1);
  } else {
    unsetenv(name_);
  }
}

void WxTest::SetUp() {
  Sandbox::SetUp();
  // GTK aborts the whole process without a display; fail with the reason instead.
  ASSERT_TRUE(std::getenv("DISPLAY") != nullptr) << "GUI tests need an X display: run them under xvfb-run";
  WriteFile("bin/xdg-open",
            "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"" + (dir() / "opened.txt").string() + "\"\n");
  std::filesystem::permissions(dir() / "bin/xdg-open", std::filesystem::perms::owner_all);
  const char* path = std::getenv("PATH");
  path_.emplace("PATH", (dir() / "bin").string() + ":" + (path ? path : "/usr/bin:/bin"));
  prefix_.emplace("WINEPREFIX", (dir() / "wine").string());
  StartWxOnce();
  if (HasFatalFailure()) return;
  App() = AppState{};
  CreateDownloadGlobals();
  ui = std::make_unique<app::WxUi>();
  ui::Install(ui.get());
  answerer = std::make_unique<DialogAnswerer>();
}

void WxTest::TearDown() {
  if (!ui) {  // wx never started
    Sandbox::TearDown();
    return;
  }
  answerer.reset();
  std::vector<wxWindow*> windows(wxTopLevelWindows.begin(), wxTopLevelWindows.end());
  for (wxWindow* window : windows) window->Destroy();
  wxTheApp->ProcessIdle();  // deletes the destroyed windows
  Pump(20);
  ui::Install(nullptr);
  ui.reset();
  ReleaseDownloadGlobals();
  path_.reset();
  prefix_.reset();
  Sandbox::TearDown();
}

bool WxTest::PumpUntil(const std::function<bool()>& done, double seconds) {
  auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    wxTheApp->Yield(false);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

void WxTest::Pump(int milliseconds) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  PumpUntil([until] { return std::chrono::steady_clock::now() >= until; },
            milliseconds / 1000.0 + 1);
}

void WxTest::Click(const std::string& window, const std::string& control) {
  auto* button = dynamic_cast<wxButton*>(ui->Control(window, control));
  ASSERT_NE(button, nullptr) << control;
  wxCommandEvent click(wxEVT_BUTTON, button->GetId());
  click.SetEventObject(button);
  button->ProcessWindowEvent(click);
}

}  // namespace tv::test
