// The interface packs of "组合框1": the built-in table of download addresses and the
// switching steps (back up, restore or install the client's interface archive).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tv {

// The 40 items of "组合框1", "默认界面" first.
const std::vector<std::string>& InterfacePackNames();

// 39 rows "【" name "=" URL "】\r\n", looked up with TextBetween ignoring case.
const std::string& InterfacePackTable();
// The URL of a pack by the table's rule: "http://" + pack server + "/terravane/" + the
// percent-encoded UTF-8 of "LOL界面修改包/" + name + ".zip".
std::string InterfacePackUrl(std::string_view name);
// ASCII letters, digits and "." stay; every other byte becomes "%" and two upper-case hex digits.
std::string PercentEncode(std::string_view bytes);

// The box shown when the user cancels or asks for nothing ("鄙视你！").
const std::string& MockingText();
void ShowMockingMessage();

// "组合框1" item selected: the switching steps for the item's text.
void SelectInterfacePack(const std::string& name);

// Moves `from` over `to` (replacing it); copies and deletes when the move fails. True
// when either worked.
bool MoveReplacing(const std::string& from, const std::string& to);

// The maker's web site, opened from the failure prompt.
std::string MakerSiteUrl();

}  // namespace tv
