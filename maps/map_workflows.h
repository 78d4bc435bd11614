// The action button's workflows: back up and restore the game's default map, send the
// user to the download window, install the selected map pack.
#pragma once

namespace tv {

// Click of "按钮11": acts on the current ButtonMode.
void ClickActionButton();

// GameFolder\LEVELS -> PackDir\LEVELS.zip and GameFolder\Map1.zip -> PackDir\默认地图备份.zip,
// then the map buttons, ButtonMode and "标签8" follow whether the latter exists.
void BackupDefaultMap();
// Extracts both backups back into the game folder; states and captions stay.
void RestoreDefaultMap();
// Extracts PackDir + SelectedMap.zipName into GameFolder.
void InstallMapPack();

// Shows the download window, then hides the main window.
void OpenDownloadWindow();

}  // namespace tv
