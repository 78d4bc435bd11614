#include "platform/codepage.h"

#include <gtest/gtest.h>

#include "tests/support/gbk_assert.h"

namespace tv::codepage {
namespace {

TEST(Codepage, GbkAndUtf8RoundTrip) {
  const std::string gbk = "地图包\\默认地图备份.zip";
  bool ok = false;
  std::string utf8 = GbkToUtf8(gbk, &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(utf8, reinterpret_cast<const char*>(u8"地图包\\默认地图备份.zip"));
  EXPECT_GBK_EQ(Utf8ToGbkText(utf8, &ok), gbk);
  EXPECT_TRUE(ok);
}

TEST(Codepage, InvalidBytesAreReplacedAndReported) {
  bool ok = true;
  EXPECT_EQ(GbkToUtf8("a\xFF" "b", &ok), "a?b");
  EXPECT_FALSE(ok);
}

TEST(Codepage, Utf16UnitsAndUnrepresentableCharacters) {
  std::u16string wide;
  ASSERT_TRUE(ToUtf16(kGbk, "网页", wide));
  EXPECT_EQ(wide, u"网页");
  std::string out;
  EXPECT_FALSE(FromUtf16(kGbk, u"a\u00E9\u0E01b", out));  // Thai is outside GBK
  EXPECT_TRUE(FromUtf16(kGbk, u"a\u0E01b", out, "?"));
  EXPECT_EQ(out, "a?b");
}

}  // namespace
}  // namespace tv::codepage
