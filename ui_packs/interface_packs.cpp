// The interface packs of "组合框1": their download table and the switching steps that back
// up, restore or install the client's interface archive "wzCAFG.ZIP".
#include "ui_packs/interface_packs.h"

#include "common/text_routines.h"
#include "common/windows.h"
#include "maps/app_state.h"
#include "maps/archive_control.h"
#include "maps/map_workflows.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/ui.h"

namespace tv {
namespace {

using ui::Answer;
using ui::Buttons;

const char* const kDefaultInterface = "默认界面";
const char* const kBackupName = "默认界面包.zip";

// The order of the download table's rows, which differs from the combo box's.
const std::vector<std::string>& TableOrder() {
  static const std::vector<std::string> names = {
      "战地界面", "钻白界面", "紫色界面", "钻石界面", "鱼人界面", "王者界面", "虚空界面",
      "武器界面", "屠龙界面", "透明界面", "狩猎界面", "娜美界面", "圣诞界面", "神族界面",
      "瑞文界面", "露露界面", "马年界面", "璐璐界面", "狼人界面", "蓝珠界面", "蓝色界面",
      "科幻界面", "酷绿界面", "金色界面", "辅助界面", "黑框界面", "黄金界面", "恶魔界面",
      "打野界面", "锤石界面", "虫族界面", "冰魄界面", "冰兰界面", "安妮界面", "暗黑界面",
      "白翼界面", "Vunk界面", "Mosk界面", "ZRTQ界面"};
  return names;
}

std::string PackFolder() { return PackDir() + "\\"; }

std::string ClientArchive() { return GameFolder() + "\\wzCAFG.ZIP"; }


void BackUpOrRestoreDefault() {
  const Answer answer = ui::ShowMessage("备份请选择 【是】，还原请选择【否】，不做操作【取消】",
                                        "备份还原操作", Buttons::YesNoCancel);
  const std::string backup = PackFolder() + kBackupName;
  if (answer == Answer::Yes) {
    ShowProgressBar(true);
    MainArchiveControl().MakeZip(ClientArchive(), backup);
    ShowProgressBar(false);
    ui::ShowMessage("备份成功！", "友情提示：");
  } else if (answer == Answer::No) {
    if (!PathExists(backup)) {
      ui::ShowMessage("尊敬的召唤师，没有备份，您还原个屁啊！", "提示召唤师备份");
      return;
    }
    ShowProgressBar(true);
    MainArchiveControl().ExtractZip(backup, GameFolder());
    ShowProgressBar(false);
  } else {
    ShowMockingMessage();
  }
}

void InstallDownloaded(const std::string& name) {
  ShowProgressBar(true);
  MainArchiveControl().ExtractZip(PackFolder() + name + ".zip", PackFolder());
  ShowProgressBar(false);
  if (MoveReplacing(PackFolder() + name + "\\wzCAFG.ZIP", ClientArchive())) {
    ui::ShowMessage("界面修改成功");
    return;
  }
  const Answer answer = ui::ShowMessage(
      "您有可能没有设置游戏目录，请先设置游戏目录！\r\n如果您没有设置请点击【是】重新设置\r\n"
      "如果您以设置路径但依然报错，请点击【否】进入BUG举报\r\n取消操作，请点击【取消】",
      "友情提示：", Buttons::YesNoCancel);
  if (answer == Answer::No)
    ui::Current().OpenWebPage(MakerSiteUrl());
  else if (answer == Answer::Cancel)
    ShowMockingMessage();
}

void SendToDownload(const std::string& name) {
  std::string left = "【" + name + "=";
  std::string right = "】";
  App().SelectedMap.url = TextBetween(InterfacePackTable(), left, right, true);
  App().SelectedMap.zipName = "\\" + name + ".zip";
  OpenDownloadWindow();
}

}  // namespace

const std::vector<std::string>& InterfacePackNames() {
  static const std::vector<std::string> names = {
      "默认界面", "Vunk界面", "ZRTQ界面", "Mosk界面", "安妮界面", "暗黑界面", "白翼界面",
      "冰兰界面", "冰魄界面", "虫族界面", "锤石界面", "打野界面", "恶魔界面", "辅助界面",
      "黑框界面", "黄金界面", "金色界面", "科幻界面", "酷绿界面", "蓝色界面", "蓝珠界面",
      "狼人界面", "璐璐界面", "露露界面", "马年界面", "娜美界面", "瑞文界面", "神族界面",
      "圣诞界面", "狩猎界面", "透明界面", "屠龙界面", "王者界面", "武器界面", "虚空界面",
      "鱼人界面", "战地界面", "紫色界面", "钻白界面", "钻石界面"};
  return names;
}

std::string PercentEncode(std::string_view bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    const bool plain =
        (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '.';
    if (plain) {
      out += c;
    } else {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
  return out;
}

std::string InterfacePackUrl(std::string_view name) {
  const std::string path = codepage::GbkToUtf8("LOL界面修改包/" + std::string(name) + ".zip");
  return std::string("http://") + TERRAVANE_PACK_SERVER + "/terravane/" + PercentEncode(path);
}

const std::string& InterfacePackTable() {
  static const std::string table = [] {
    std::string rows;
    for (const std::string& name : TableOrder())
      rows += "【" + name + "=" + InterfacePackUrl(name) + "】\r\n";
    return rows;
  }();
  return table;
}

const std::string& MockingText() {
  static const std::string text =
      "——————/′? ˉ/)  \r\n"
      "—————--/—-/  \r\n"
      "—————-/—-/  \r\n"
      "———--/′ˉ/'--'/′ˉ`·_  \r\n"
      "———-/'/--/—-/—--/¨ˉ\\  \r\n"
      "——--('(———- ˉ~/'--')  \r\n"
      "———\\————-'—--/  \r\n"
      "———-'\\'————_-·′ \r\n"
      "————\\———--( \r\n"
      "————-\\———-- \r\n"
      "鄙视你！没事儿点我干嘛！";
  return text;
}

void ShowMockingMessage() { ui::ShowMessage(MockingText(), "鄙视你！"); }

bool MoveReplacing(const std::string& from, const std::string& to) {
  if (files::ReplaceFile(from, to)) return true;
  if (!files::CopyFile(from, to, false)) return false;
  files::DeleteFile(from);
  return true;
}

std::string MakerSiteUrl() { return std::string("http://") + TERRAVANE_SITE + "/"; }

void SelectInterfacePack(const std::string& name) {
  if (name == kDefaultInterface) return BackUpOrRestoreDefault();
  if (PathExists(PackFolder() + name + ".zip")) return InstallDownloaded(name);
  SendToDownload(name);
}

}  // namespace tv
