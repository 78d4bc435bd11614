// Closing the main window ends the process without freeing anything: download workers
// may still be writing and calling back into the windows, and their partial and task
// files are left for a later run to resume.
#include "app/program.h"

#include <unistd.h>
#include <wx/frame.h>

#include <clocale>
#include <cstdio>

#include "app/layouts.h"
#include "app/skin.h"
#include "app/startup.h"
#include "app/wx_ui.h"
#include "common/windows.h"
#include "download_ui/download_globals.h"
#include "download_ui/download_window.h"
#include "maps/map_catalogue.h"
#include "maps/map_workflows.h"
#include "ui_packs/interface_packs.h"

namespace tv::app {
namespace {

void WireMainWindow(WxUi& ui, std::function<void()> onClose) {
  for (const auto& entry : MapCatalogue())
    ui.OnClick(kMainWindow, entry.button, [button = entry.button] { ClickMapButton(button); });
  ui.OnClick(kMainWindow, "按钮11", [] { ClickActionButton(); });
  ui.OnClick(kMainWindow, "按钮_选择路径", [] { ChooseGameDirectory(); });
  ui.OnSelect(kMainWindow, "组合框1",
              [&ui] { SelectInterfacePack(ui.GetText(kMainWindow, "组合框1")); });
  ui.OnClose(kMainWindow, [onClose = std::move(onClose)] {
    onClose();
    return true;
  });
}

}  // namespace

wxFrame* LoadDownloadWindow(WxUi& ui) {
  if (auto* existing = dynamic_cast<wxFrame*>(ui.Window(kDownloadWindow))) return existing;
  wxFrame* frame = BuildWindow(DownloadWindowLayout(), ui);
  ui.OnClick(kDownloadWindow, "按钮1", [] { ClickStartDownload(); });
  ui.OnClose(kDownloadWindow, [] { return CloseDownloadWindow(); });
  return frame;
}

wxFrame* LoadMainWindow(WxUi& ui, std::function<void()> onClose) {
  wxFrame* frame = BuildWindow(MainWindowLayout(), ui);
  WireMainWindow(ui, std::move(onClose));
  RunCreationSteps({[](int number) { AttachSkin(number); }, [&ui] { LoadDownloadWindow(ui); }});
  return frame;
}

void EndProgram() {
  std::fflush(nullptr);
  _exit(0);
}

TerravaneApp::TerravaneApp() = default;
TerravaneApp::~TerravaneApp() = default;

bool TerravaneApp::OnInit() {
  // The toolkit adopts the user's locale; numbers in files and texts keep the C form.
  std::setlocale(LC_NUMERIC, "C");
  ui_ = std::make_unique<WxUi>();
  ui::Install(ui_.get());
  CreateDownloadGlobals();
  LoadMainWindow(*ui_, [] { EndProgram(); });
  return true;
}

int TerravaneApp::OnExit() {
  Teardown();
  ui::Install(nullptr);
  return 0;
}

}  // namespace tv::app
