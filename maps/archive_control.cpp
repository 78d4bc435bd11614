// The archive control's shared parts: progress reporting, and the main window's instance
// with its progress display.
#include "maps/archive_control.h"

#include "common/windows.h"
#include "platform/ui.h"

namespace tv {

void ArchiveControl::Report(const ProgressEvent& event, const std::string& path, int percent) {
  currentFileName_ = path;
  Raise(event, percent);
}

void ArchiveControl::Raise(const ProgressEvent& event, int percent) {
  if (event) event(percent);
}

ArchiveControl& MainArchiveControl() {
  static ArchiveControl control = [] {
    ArchiveControl made;
    made.CompressProgress = ShowArchiveProgress;
    made.ExtractProgress = ShowArchiveProgress;
    return made;
  }();
  return control;
}

void ShowArchiveProgress(int percent) {
  ui::Ui& ui = ui::Current();
  ui.SetPosition(kMainWindow, "进度条1", percent);
  ui.SetPaneText(kMainWindow, "状态条1", 1, MainArchiveControl().CurrentFileName());
}

void ShowProgressBar(bool visible) { ui::Current().SetVisible(kMainWindow, "进度条1", visible); }

}  // namespace tv
