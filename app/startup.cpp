// Texts shown here are the program's own and are kept as they have always read.
#include "app/startup.h"

#include "common/text_routines.h"
#include "common/windows.h"
#include "download_ui/download_globals.h"
#include "maps/app_state.h"
#include "maps/map_catalogue.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/ui.h"

namespace tv::app {
namespace {

const char kGameKeyValue[] = "Software\\Tencent\\LOL\\QQlogin";

}  // namespace

std::string ForumPageUrl() {
  return std::string("http://") + TERRAVANE_SITE +
         "/forum.php?mod=viewthread&tid=1315&extra=page%3D1";
}

void RunCreationSteps(const CreationHooks& hooks) {
  ui::Ui& ui = ui::Current();
  if (hooks.attachSkin) hooks.attachSkin(kSkinNumber);
  files::CreateDir(
      PackDir());  // an existing folder is fine; a failure shows later as missing packs
  ui.OpenWebPage(ForumPageUrl());

  std::string found = registry::ReadUserText(kGameKeyValue);
  if (found.empty()) {
    ui::ShowMessage("游戏都没有修改个屁！,如果你有的话，那就手动选择目录吧！ 俺木木可找不到呢！",
                    "信息：");
  } else {
    ui.SetPaneText(kMainWindow, "状态条1", 1, found);
  }
  App().GameDir = registry::ReadUserText(kGameKeyValue);
  ui.SetText(kMainWindow, "编辑框1", App().GameDir);

  App().ButtonMode = ButtonMode::Backup;
  ShowDefaultMap();
  if (hooks.loadDownloadWindow) hooks.loadDownloadWindow();
}

void ChooseGameDirectory() {
  ui::Ui& ui = ui::Current();
  std::string candidate = ui.ChooseFolder("请选择英雄联盟的安装目录") + "\\TCLS\\Client.exe";
  if (PathExists(candidate)) {
    ui.SetText(kMainWindow, "编辑框1", candidate);
    App().GameDir = candidate;
    ui.SetDisabled(kMainWindow, "按钮_选择路径", true);
  } else {
    ui.SetText(kMainWindow, "编辑框1", "");
    ui::ShowMessage("哥们儿，路径选错了，俺们这个是英雄联盟也就是LOL 不是其他东西！重新选OK？",
                    "哥们儿提示：");
  }
}

void Teardown() {
  App() = AppState{};
  ReleaseDownloadGlobals();
}

}  // namespace tv::app
