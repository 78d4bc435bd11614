// The program's global state shared by the map and interface-pack handlers, and the game
// and pack folders derived from it. Built before the main window loads; UI thread only.
#pragma once

#include <cstdint>
#include <string>

namespace tv {

// What the action button "按钮11" does next; the numbering is fixed.
enum class ButtonMode : std::int32_t { Backup = 0, Restore = 1, Download = 2, Install = 3 };

// The pack chosen last: its file name inside PackDir, always with a leading backslash
// (e.g. "\\AREA63.zip"), and its download URL.
struct MapSelection {
  std::string zipName;
  std::string url;
};

struct AppState {
  // Path of the game's launcher, e.g. "D:\\LOL\\TCLS\\Client.exe"; shown in "编辑框1".
  std::string GameDir;
  MapSelection SelectedMap;
  tv::ButtonMode ButtonMode = tv::ButtonMode::Backup;
};

// The one instance, alive for the whole run. Tests reset it with `App() = AppState{}`.
AppState& App();

// The text of GameDir before its first "TCLS", keeping the backslash before it
// ("D:\\LOL\\TCLS\\Client.exe" gives "D:\\LOL\\"); empty when GameDir lacks "TCLS",
// which makes every game path relative to the current folder.
std::string GameRoot();
// GameRoot() + "Game", without a trailing backslash.
std::string GameFolder();
// The running executable's folder + "\\地图包", without a trailing backslash.
std::string PackDir();
// The backup of the default map archive, whose presence means the map side is backed up.
std::string DefaultMapBackup();

}  // namespace tv
