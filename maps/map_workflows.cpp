// The action button "按钮11": backup, restore, download or install, by ButtonMode.
#include "maps/map_workflows.h"

#include "common/text_routines.h"
#include "common/windows.h"
#include "maps/app_state.h"
#include "maps/archive_control.h"
#include "maps/map_catalogue.h"
#include "platform/ui.h"

namespace tv {

void ClickActionButton() {
  switch (App().ButtonMode) {
    case ButtonMode::Backup:
      ShowProgressBar(true);
      return BackupDefaultMap();
    case ButtonMode::Restore:
      ShowProgressBar(true);
      return RestoreDefaultMap();
    case ButtonMode::Download:
      return OpenDownloadWindow();
    case ButtonMode::Install:
      ShowProgressBar(true);
      return InstallMapPack();
  }
}

void BackupDefaultMap() {
  ArchiveControl& zip = MainArchiveControl();
  zip.MakeZip(GameFolder() + "\\LEVELS", PackDir() + "\\LEVELS.zip");
  zip.MakeZip(GameFolder() + "\\Map1.zip", DefaultMapBackup());
  ShowProgressBar(false);
  const bool backedUp = PathExists(DefaultMapBackup());
  SetMapButtonsEnabled(backedUp);
  App().ButtonMode = backedUp ? ButtonMode::Restore : ButtonMode::Backup;
  RefreshActionCaption();
  ui::Current().SetCaption(kMainWindow, "标签8", backedUp ? "- 已备份 -" : "- 未备份 -");
}

void RestoreDefaultMap() {
  ArchiveControl& zip = MainArchiveControl();
  zip.ExtractZip(PackDir() + "\\LEVELS.zip", GameFolder() + "\\LEVELS");
  zip.ExtractZip(DefaultMapBackup(), GameFolder());
  ShowProgressBar(false);
}

void InstallMapPack() {
  MainArchiveControl().ExtractZip(PackDir() + App().SelectedMap.zipName, GameFolder());
  ShowProgressBar(false);
}

void OpenDownloadWindow() {
  ui::Current().SetVisible(kDownloadWindow, "", true);
  ui::Current().SetVisible(kMainWindow, "", false);
}

}  // namespace tv
