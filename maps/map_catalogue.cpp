// The ten map buttons and what choosing one shows: preview, name, author, pack state.
#include "maps/map_catalogue.h"

#include <cstddef>

#include "common/text_routines.h"
#include "common/windows.h"
#include "maps/app_state.h"
#include "platform/ui.h"

namespace tv::embedded {
#define TV_PREVIEW(name)                       \
  extern const unsigned char preview_##name[]; \
  extern const std::size_t preview_##name##_size;
TV_PREVIEW(default)
TV_PREVIEW(map2)
TV_PREVIEW(map3)
TV_PREVIEW(map4)
TV_PREVIEW(map5)
TV_PREVIEW(map6)
TV_PREVIEW(map7)
TV_PREVIEW(map8)
TV_PREVIEW(map9)
TV_PREVIEW(map10)
#undef TV_PREVIEW
}  // namespace tv::embedded

namespace tv {
namespace {

#define TV_PREVIEW_BYTES(name)                                              \
  std::string_view(reinterpret_cast<const char*>(embedded::preview_##name), \
                   embedded::preview_##name##_size)

const char* const kPicture = "图片框1";
const char* const kNameLabel = "标签6";
const char* const kAuthorLabel = "标签5";
const char* const kStateLabel = "标签8";
const char* const kActionButton = "按钮11";
const char* const kDefaultButton = "按钮9";

std::vector<MapEntry> BuildCatalogue() {
  return {
      {"按钮9", "默认地图", "官方地图", "LOL官方", "", "", TV_PREVIEW_BYTES(default)},
      {"按钮1", "S2万圣节", "S万圣节", "Yelmora", "\\S2万圣节.zip", "/terravane/Map2.zip",
       TV_PREVIEW_BYTES(map2)},
      {"按钮2", "防S2冬季", "防S2冬季", "Yelmora", "\\防S2冬季.zip", "/terravane/Map3.zip",
       TV_PREVIEW_BYTES(map3)},
      {"按钮8", "沙滩峡谷", "沙滩峡谷", "Yelmora", "\\沙滩峡谷.zip", "/terravane/Map4.zip",
       TV_PREVIEW_BYTES(map4)},
      {"按钮7", "沙滩夜间", "沙滩夜间", "Yelmora", "\\沙滩夜间.zip", "/terravane/Map5.zip",
       TV_PREVIEW_BYTES(map5)},
      {"按钮3", "爱心峡谷", "爱心峡谷", "Yelmora", "\\爱心峡谷.zip", "/terravane/Map6.zip",
       TV_PREVIEW_BYTES(map6)},
      {"按钮4", "雪之峡谷", "血之峡谷", "Yelmora", "\\雪之峡谷.zip", "/terravane/Map7.zip",
       TV_PREVIEW_BYTES(map7)},
      {"按钮6", "AREA63", "AREA63", "Yelmora", "\\AREA63.zip", "/terravane/Map8.zip",
       TV_PREVIEW_BYTES(map8)},
      {"按钮5", "AREA91", "AREA91", "Yelmora", "\\AREA91.zip", "/terravane/Map9.zip",
       TV_PREVIEW_BYTES(map9)},
      {"按钮10", "荒漠峡谷", "荒漠峡谷", "Yelmora", "\\荒漠峡谷.zip", "/terravane/Map10.zip",
       TV_PREVIEW_BYTES(map10)},
  };
}

#undef TV_PREVIEW_BYTES

void SetLabel(const char* label, const std::string& text) {
  ui::Current().SetCaption(kMainWindow, label, text);
}

}  // namespace

const std::vector<MapEntry>& MapCatalogue() {
  static const std::vector<MapEntry> catalogue = BuildCatalogue();
  return catalogue;
}

const MapEntry* FindMapEntry(std::string_view button) {
  for (const MapEntry& entry : MapCatalogue()) {
    if (entry.button == button) return &entry;
  }
  return nullptr;
}

std::string PackServerUrl(std::string_view path) {
  return std::string("http://") + TERRAVANE_PACK_SERVER + std::string(path);
}

const std::vector<std::string>& MapButtons() {
  static const std::vector<std::string> buttons = {"按钮2", "按钮3", "按钮4", "按钮5", "按钮6",
                                                   "按钮7", "按钮8", "按钮1", "按钮10"};
  return buttons;
}

void SetMapButtonsEnabled(bool enabled) {
  for (const std::string& button : MapButtons()) {
    ui::Current().SetDisabled(kMainWindow, button, !enabled);
  }
}

void RefreshActionCaption() {
  static const char* const kCaptions[] = {"一键备份", "一键还原", "一键下载", "一键修改"};
  const auto mode = static_cast<std::int32_t>(App().ButtonMode);
  if (mode < 0 || mode > 3) return;
  ui::Current().SetCaption(kMainWindow, kActionButton, kCaptions[mode]);
}

void SelectMapPack(const std::string& zipName) {
  const bool present = PathExists(PackDir() + zipName);
  SetLabel(kStateLabel, present ? "- 已下载 -" : "- 未下载 -");
  App().ButtonMode = present ? ButtonMode::Install : ButtonMode::Download;
  RefreshActionCaption();
}

void ShowDefaultMap() {
  const MapEntry& entry = MapCatalogue().front();
  ui::Current().SetPicture(kMainWindow, kPicture, entry.preview);
  SetLabel(kNameLabel, entry.shownName);
  SetLabel(kAuthorLabel, entry.author);
  const bool backedUp = PathExists(DefaultMapBackup());
  SetMapButtonsEnabled(backedUp);
  SetLabel(kStateLabel, backedUp ? "- 已备份 -" : "- 未备份 -");
  App().ButtonMode = backedUp ? ButtonMode::Restore : ButtonMode::Backup;
  App().SelectedMap.url.clear();
  RefreshActionCaption();
}

void ClickMapButton(std::string_view button) {
  if (button == kDefaultButton) return ShowDefaultMap();
  const MapEntry* entry = FindMapEntry(button);
  if (!entry) return;
  ui::Current().SetPicture(kMainWindow, kPicture, entry->preview);
  SetLabel(kNameLabel, entry->shownName);
  SetLabel(kAuthorLabel, "Yelmora");
  SelectMapPack(entry->zipName);
  App().SelectedMap = {entry->zipName, PackServerUrl(entry->urlPath)};
}

}  // namespace tv
