// The main window's creation steps and the game-directory chooser. They act only through
// platform/ui, the registry and the file system, so they run under any UI.
#pragma once

#include <functional>
#include <string>

namespace tv::app {

// The skin the program attaches at every start.
inline constexpr int kSkinNumber = 19;

// The maker's forum thread, opened in the browser at every start.
std::string ForumPageUrl();

// Creation steps, in order: the skin, the pack folder, the forum page, the game directory
// from the registry (a message when there is none), the default map, then the download
// window loaded hidden.
struct CreationHooks {
  std::function<void(int)> attachSkin;
  std::function<void()> loadDownloadWindow;
};
void RunCreationSteps(const CreationHooks& hooks);

// "按钮_选择路径" clicked: the folder browser; a folder holding TCLS\Client.exe becomes
// GameDir and the button is disabled for the rest of the run.
void ChooseGameDirectory();

// Releases the globals at the end of a run.
void Teardown();

}  // namespace tv::app
