// The program's global state and the folders derived from it.
#include "maps/app_state.h"

#include "common/text_routines.h"
#include "platform/files.h"

namespace tv {

AppState& App() {
  static AppState state;
  return state;
}

std::string GameRoot() { return TextBefore(App().GameDir, "TCLS"); }

std::string GameFolder() { return GameRoot() + "Game"; }

std::string DefaultMapBackup() { return PackDir() + "\\默认地图备份.zip"; }

std::string PackDir() { return files::ExecutableFolder() + "\\地图包"; }

}  // namespace tv
