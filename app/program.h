// The start routine on wx: globals, the main window with its handlers and creation steps,
// the download window, the immediate end on close, and the wx application class.
#pragma once

#include <wx/app.h>

#include <functional>
#include <memory>

class wxFrame;

namespace tv::app {

class WxUi;

// Builds the main window, wires its handlers and runs its creation steps, which load
// the download window hidden. A close request of the main window runs `onClose`.
wxFrame* LoadMainWindow(WxUi& ui, std::function<void()> onClose);
wxFrame* LoadDownloadWindow(WxUi& ui);

// Ends the process at once with exit code 0.
[[noreturn]] void EndProgram();

class TerravaneApp : public wxApp {
 public:
  TerravaneApp();
  ~TerravaneApp() override;
  bool OnInit() override;
  int OnExit() override;

 private:
  std::unique_ptr<WxUi> ui_;
};

}  // namespace tv::app
