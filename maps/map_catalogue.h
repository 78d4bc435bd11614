// The fixed catalogue of the main window's ten map buttons and the selection state they
// drive: preview, labels, SelectedMap, ButtonMode and the action button's caption.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tv {

struct MapEntry {
  std::string button;        // control name, e.g. "按钮6"
  std::string buttonText;    // the button's caption
  std::string shownName;     // written into "标签6"
  std::string author;        // written into "标签5"
  std::string zipName;       // file inside PackDir, leading backslash; empty for the default
  std::string urlPath;       // path on the pack server; empty for the default
  std::string_view preview;  // JPEG bytes built into the program
};

// Ten rows: the default map ("按钮9") first, then the nine map packs.
const std::vector<MapEntry>& MapCatalogue();
// The row of a button, or nullptr.
const MapEntry* FindMapEntry(std::string_view button);

// "http://" + the pack server's host + `path`.
std::string PackServerUrl(std::string_view path);

// The nine map buttons in the order they are enabled or disabled together.
const std::vector<std::string>& MapButtons();
void SetMapButtonsEnabled(bool enabled);

// Click of any of the ten map buttons; "按钮9" runs ShowDefaultMap.
void ClickMapButton(std::string_view button);
// Shows the default map and sets Backup or Restore from whether
// PackDir + "\\默认地图备份.zip" exists. Also run at start and after a finished download.
void ShowDefaultMap();
// Install when PackDir + `zipName` exists, else Download; refreshes the action caption.
void SelectMapPack(const std::string& zipName);
// Caption of "按钮11" from ButtonMode; a value outside 0..3 leaves it unchanged.
void RefreshActionCaption();

}  // namespace tv
