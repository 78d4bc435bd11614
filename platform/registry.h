// Text values of HKEY_CURRENT_USER, read from the Wine prefix's user.reg ($WINEPREFIX,
// else ~/.wine): where a Windows game installed under Wine records itself on Linux.
#pragma once

#include <filesystem>
#include <string>

namespace tv::registry {

// The hive file in use: $WINEPREFIX/user.reg, else $HOME/.wine/user.reg.
std::filesystem::path UserHivePath();

// The text value `valueName` (empty for the default value) of HKEY_CURRENT_USER\`keyPath`,
// both GBK with single backslashes, as GBK. REG_SZ values are returned as stored and
// REG_EXPAND_SZ values with their %VARIABLES% expanded from the environment. A missing
// hive, key or value, a value of another type, or a text that GBK cannot hold reads as
// the empty text. Key and value names match regardless of ASCII letter case.
std::string ReadUserText(const std::string& keyPath, const std::string& valueName);

// The same with the value name as the last component of the path
// ("Software\\Tencent\\LOL\\QQlogin").
std::string ReadUserText(const std::string& keyAndValuePath);

// The same, read from a given hive file.
std::string ReadTextFromHive(const std::filesystem::path& hive, const std::string& keyPath,
                             const std::string& valueName);

}  // namespace tv::registry
