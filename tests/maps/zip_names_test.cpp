// Entry-name rules: which names stay inside the target folder, and how GBK names become
// target paths without mistaking a double-byte character's trail byte for a backslash.
#include "maps/zip_names.h"

#include <gtest/gtest.h>

#include "tests/support/gbk_assert.h"

namespace tv::zipnames {
namespace {

// "乗" is 0x81 0x5C in GBK: its second byte is the backslash's.
const std::string kTrail5C = "乗";

std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

TEST(ZipNames, RefusesNamesThatLeaveTheFolder) {
  const struct {
    std::string name;
    bool safe;
  } cases[] = {
      {"Map1.zip", true},
      {"LEVELS/Map1/Scene/room.nvr", true},
      {"LEVELS/", true},
      {"a..b/c...d.txt", true},
      {"./here.txt", true},
      {kTrail5C + "/" + kTrail5C + ".txt", true},
      {"", false},
      {"../evil.txt", false},
      {"LEVELS/../../evil.txt", false},
      {"LEVELS/..", false},
      {"..\\evil.txt", false},
      {"a\\..\\..\\evil.txt", false},
      {".. /evil.txt", false},
      {"a/.../evil.txt", false},
      {"/etc/evil.txt", false},
      {"\\evil.txt", false},
      {"C:/evil.txt", false},
      {"C:evil.txt", false},
      {"file.txt:stream", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsSafe(c.name), c.safe) << test::Readable(c.name);
}

TEST(ZipNames, PathsStepOverDoubleByteCharacters) {
  const std::string name = kTrail5C + "/" + kTrail5C;
  EXPECT_GBK_EQ(TargetPath("D:\\Game", name), "D:\\Game\\" + kTrail5C + "\\" + kTrail5C);
  EXPECT_GBK_EQ(TargetPath("D:\\Game\\", "a/b/"), "D:\\Game\\a\\b\\");
  // A folder whose last character ends in 0x5C does not end in a separator.
  EXPECT_GBK_EQ(TargetPath("D:\\" + kTrail5C, "x"), "D:\\" + kTrail5C + "\\x");
  EXPECT_GBK_EQ(ParentPath("D:\\" + kTrail5C), "D:");
  EXPECT_GBK_EQ(BareName("D:\\dir\\" + kTrail5C), kTrail5C);
  EXPECT_GBK_EQ(BareName("/tmp/x/Map1.zip"), "Map1.zip");
  EXPECT_FALSE(IsFolderEntry("dir/" + kTrail5C));
  EXPECT_TRUE(IsFolderEntry("dir/"));
}

TEST(ZipNames, DecodesByTheUtf8Flag) {
  std::string gbk;
  ASSERT_TRUE(ToGbk(Utf8(u8"地图/a.txt"), kUtf8Flag, gbk));
  EXPECT_GBK_EQ(gbk, "地图/a.txt");
  ASSERT_TRUE(ToGbk("地图/a.txt", 0, gbk));  // already GBK bytes
  EXPECT_GBK_EQ(gbk, "地图/a.txt");
  EXPECT_FALSE(ToGbk("\xF0\x9F\x98\x80.txt", kUtf8Flag, gbk));  // an emoji has no GBK form
}

TEST(ZipNames, PackedFormatsAreStored) {
  for (const char* name :
       {"Map1.zip", "a/B.ZIP", "x.Z", "x.tgz", "x.Gz", "x.lzh", "x.arj", "x.zoo", "x.arc"})
    EXPECT_TRUE(StoreUncompressed(name)) << name;
  for (const char* name : {"room.nvr", "zip", "x.zipx", "x.gzip", "x.7z"})
    EXPECT_FALSE(StoreUncompressed(name)) << name;
}

}  // namespace
}  // namespace tv::zipnames
