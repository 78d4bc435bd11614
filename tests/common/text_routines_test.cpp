#include "common/text_routines.h"

#include <gtest/gtest.h>

#include "tests/support/gbk_assert.h"
#include "tests/support/sandbox.h"

namespace tv {
namespace {

struct BeforeRow {
  const char* text;
  const char* marker;
  long start;
  bool ignoreCase;
  const char* expected;
};

TEST(TextBefore, Table) {
  const BeforeRow rows[] = {
      {"D:\\LOL\\TCLS\\Client.exe", "TCLS", 1, false, "D:\\LOL\\"},
      {"D:\\LOL\\Client.exe", "TCLS", 1, false, ""},
      {"TCLS\\Client.exe", "TCLS", 1, false, ""},  // marker at position 1
      {"7,3", ",", 1, false, "7"},
      {"7,3", ",", -5, false, "7"},                  // below 1 means 1
      {"a,b,c", ",", 3, false, "a,b"},               // from the start position on
      {"d:\\lol\\tcls\\x", "TCLS", 1, true, "d:\\lol\\"},
      {"d:\\lol\\tcls\\x", "TCLS", 1, false, ""},
      {"abc", "", 1, false, ""},                     // empty marker at position 1
      // "奥驴" is B0 C2 C2 BF: the bytes C2 C2 stand at position 2, on a second byte.
      {"奥驴", "驴", 1, false, "奥"},
      {"奥驴", "\xC2\xC2", 1, false, ""},
  };
  for (const auto& r : rows) {
    EXPECT_GBK_EQ(TextBefore(r.text, r.marker, r.start, r.ignoreCase), r.expected) << r.text << " / " << r.marker;
  }
}

TEST(TextBetween, MarkersAndQuoteToken) {
  std::string l = "(", r = ")";
  EXPECT_EQ(TextBetween("ab(cd)ef", l, r), "cd");
  r = "]";
  EXPECT_EQ(TextBetween("ab(cd)ef", l, r), "");
  l = "[", r = ")";
  EXPECT_EQ(TextBetween("ab(cd)ef", l, r), "");

  std::string left = "x#引号:#引号", right = "#引号";
  EXPECT_EQ(TextBetween("{x\":\"value\"}", left, right), "value");
  EXPECT_EQ(left, "x\":\"");
  EXPECT_EQ(right, "\"");
}

TEST(TextBetween, IgnoreCaseFindsTableRow) {
  std::string table = "【默认界面=】【Dota2界面=dota.zip】【LOL原版=lol.zip】";
  std::string left = "【dota2界面=", right = "】";
  EXPECT_EQ(TextBetween(table, left, right, true), "dota.zip");
  left = "【dota2界面=";
  EXPECT_EQ(TextBetween(table, left, right, false), "");
}

TEST(TextBetween, CaseFoldingLeavesSecondBytesAlone) {
  // "癆" is 0xB0 0x41 and "癮" 0xB0 0x61: the second bytes differ only as ASCII case would.
  std::string left = "\xB0\x61", right = "!";
  EXPECT_EQ(TextBetween("\xB0\x41x!", left, right, true), "");
}

TEST(TextAfterLast, Table) {
  EXPECT_EQ(TextAfterLast("a/b/c#d", "/"), "c#d");
  EXPECT_EQ(TextAfterLast("a/b/c#d", "?"), "");
  EXPECT_EQ(TextAfterLast("x.ZIP.zip", ".zip", true), "");
  EXPECT_EQ(TextAfterLast("x.ZIP.zip", ".ZIP"), ".zip");
  EXPECT_EQ(TextAfterLast("", "/"), "");
}

class PathExistsTest : public test::Sandbox {};

TEST_F(PathExistsTest, FilesAndFoldersWithChineseNames) {
  WriteFile(u8"地图包/默认地图备份.zip", "x");
  EXPECT_TRUE(PathExists(GbkPath("地图包")));
  EXPECT_TRUE(PathExists(GbkPath("地图包\\默认地图备份.zip")));
  EXPECT_FALSE(PathExists(GbkPath("地图包\\")));
  EXPECT_FALSE(PathExists(GbkPath("地图包\\LEVELS.zip")));
}

}  // namespace
}  // namespace tv
