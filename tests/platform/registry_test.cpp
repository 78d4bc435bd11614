// Reading HKEY_CURRENT_USER text values from a Wine user.reg written the way Wine writes it.
#include "platform/registry.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "tests/support/gbk_assert.h"
#include "tests/support/sandbox.h"

namespace tv {
namespace {

// Escapes, continuation lines and types as Wine saves them; 英雄联盟 is U+82F1 U+96C4 U+8054
// U+76DF.
constexpr const char* kHive = R"(WINE REGISTRY Version 2
;; All keys relative to \\User\\S-1-5-21-0-0-0-1000

#arch=win32

[Software\\Tencent\\LOL] 1700000000
#time=1d9e0e0a1b2c3d4
"QQlogin"="C:\\Games\\LOL\\TCLS\\Client.exe"
"Quoted"="say \"hi\"\tnow"
"Chinese"="D:\\\x82f1\x96c4\x8054\x76df\\TCLS\\Client.exe"
"HexAfter"="\x82f1\x96c4A"
"Expand"=str(2):"%TV_REG_ROOT%\\TCLS\\%TV_REG_MISSING%\\Client.exe"
"ExpandHex"=hex(2):25,00,54,00,56,00,5f,00,52,00,45,00,47,00,5f,00,52,00,4f,00,\
  4f,00,54,00,25,00,5c,00,78,00,00,00
"SzAsHex"=hex(1):41,00,42,00,00,00
"Number"=dword:00000001
"Binary"=hex:41,42,43
"Multi"=str(7):"a\0b\0"
"NotGbk"="\xd83d\xde00"
"Embedded"="front\0back"
@="default text"

[Software\\Tencent\\LOL\\Sub] 1700000000
"Only"="in the subkey"

[Software\\Other] 1700000000
"Elsewhere"="x"
)";

class RegistryTest : public test::Sandbox {
 protected:
  void SetUp() override {
    Sandbox::SetUp();
    WriteFile("prefix/user.reg", kHive);
    setenv("TV_REG_ROOT", "/opt/game", 1);
    unsetenv("TV_REG_MISSING");
  }
  std::string Read(const std::string& key, const std::string& value) {
    return registry::ReadTextFromHive(dir() / "prefix" / "user.reg", key, value);
  }
};

TEST_F(RegistryTest, ReadsTextValuesOfEveryTextKind) {
  struct Row {
    const char* key;
    const char* value;
    const char* expected;
  } rows[] = {
      {"Software\\Tencent\\LOL", "QQlogin", "C:\\Games\\LOL\\TCLS\\Client.exe"},
      {"software\\tencent\\lol", "qqlogin", "C:\\Games\\LOL\\TCLS\\Client.exe"},
      {"\\Software\\Tencent\\LOL\\", "QQlogin", "C:\\Games\\LOL\\TCLS\\Client.exe"},
      {"Software\\Tencent\\LOL", "Quoted", "say \"hi\"\tnow"},
      {"Software\\Tencent\\LOL", "Chinese", "D:\\英雄联盟\\TCLS\\Client.exe"},
      {"Software\\Tencent\\LOL", "HexAfter", "英雄A"},
      {"Software\\Tencent\\LOL", "Expand", "/opt/game\\TCLS\\%TV_REG_MISSING%\\Client.exe"},
      {"Software\\Tencent\\LOL", "ExpandHex", "/opt/game\\x"},
      {"Software\\Tencent\\LOL", "SzAsHex", "AB"},
      {"Software\\Tencent\\LOL", "Embedded", "front"},
      {"Software\\Tencent\\LOL", "", "default text"},
      {"Software\\Tencent\\LOL\\Sub", "Only", "in the subkey"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.key) + " / " + row.value);
    EXPECT_GBK_EQ(Read(row.key, row.value), row.expected);
  }
}

TEST_F(RegistryTest, EverythingElseReadsAsEmpty) {
  struct Row {
    const char* key;
    const char* value;
  } rows[] = {
      {"Software\\Tencent\\LOL", "Number"},       {"Software\\Tencent\\LOL", "Binary"},
      {"Software\\Tencent\\LOL", "Multi"},        {"Software\\Tencent\\LOL", "NotGbk"},
      {"Software\\Tencent\\LOL", "Missing"},      {"Software\\Tencent\\LOL", "Only"},
      {"Software\\Tencent\\LOL", "Elsewhere"},    {"Software\\Tencent", "QQlogin"},
      {"Software\\Tencent\\LOL\\Sub", "QQlogin"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.key) + " / " + row.value);
    EXPECT_EQ(Read(row.key, row.value), "");
  }
  EXPECT_EQ(registry::ReadTextFromHive(dir() / "absent.reg", "Software\\Tencent\\LOL", "QQlogin"),
            "");
}

TEST_F(RegistryTest, UserHiveComesFromWinePrefixElseHome) {
  const char* oldPrefix = getenv("WINEPREFIX");
  std::string saved = oldPrefix ? oldPrefix : "";
  setenv("WINEPREFIX", (dir() / "prefix").c_str(), 1);
  EXPECT_EQ(registry::UserHivePath(), dir() / "prefix" / "user.reg");
  EXPECT_GBK_EQ(registry::ReadUserText("Software\\Tencent\\LOL\\QQlogin"),
                "C:\\Games\\LOL\\TCLS\\Client.exe");
  EXPECT_GBK_EQ(registry::ReadUserText("Software\\Tencent\\LOL", "QQlogin"),
                "C:\\Games\\LOL\\TCLS\\Client.exe");
  EXPECT_EQ(registry::ReadUserText("NoSeparator"), "");

  unsetenv("WINEPREFIX");
  const char* oldHome = getenv("HOME");
  std::string savedHome = oldHome ? oldHome : "";
  setenv("HOME", dir().c_str(), 1);
  EXPECT_EQ(registry::UserHivePath(), dir() / ".wine" / "user.reg");
  setenv("HOME", savedHome.c_str(), 1);
  if (oldPrefix) setenv("WINEPREFIX", saved.c_str(), 1);
}

}  // namespace
}  // namespace tv
