// Conversion of response texts into GBK, and the UTF-16 steps they are made of.
#include "web/text_conversion.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/support/gbk_assert.h"

namespace {

// Big5 bytes of the traditional characters 網 and 頁, and of U+2027, which GBK lacks.
const std::string kBig5WebPage = "\xba\xf4\xad\xb6";
const std::string kBig5HyphenationPoint = "\xa1\x45";
// GBK bytes of the same traditional characters (GBK holds both forms).
const std::string kGbkTraditionalWebPage = "\xbe\x57\xed\x93";

struct Row {
  const char* name;
  std::function<std::string(std::string_view)> convert;
  std::string input;
  std::string expected;
};

TEST(TextConversion, ConvertsIntoGbk) {
  const std::string longUtf8 = [] {
    std::string s;
    for (int i = 0; i < 600; ++i) s += reinterpret_cast<const char*>(u8"网页");
    return s;
  }();
  const std::string longGbk = [] {
    std::string s;
    for (int i = 0; i < 600; ++i) s += "网页";
    return s;
  }();
  const Row rows[] = {
      {"utf8 empty", tv::Utf8ToGbk, "", ""},
      {"utf8 chinese", tv::Utf8ToGbk, reinterpret_cast<const char*>(u8"网页 abc"), "网页 abc"},
      {"utf8 bad byte", tv::Utf8ToGbk,
       "a\xff"
       "b",
       "a?b"},
      {"utf8 outside gbk", tv::Utf8ToGbk, reinterpret_cast<const char*>(u8"a😀b"), "a?b"},
      {"utf8 euro", tv::Utf8ToGbk, reinterpret_cast<const char*>(u8"€"), "\x80"},
      // A bad byte deep inside a long text spoils only itself.
      {"utf8 long with bad byte", tv::Utf8ToGbk, longUtf8 + "\xc0" + longUtf8,
       longGbk + "?" + longGbk},
      {"big5 keeps traditional", tv::Big5ToGbk, kBig5WebPage, kGbkTraditionalWebPage},
      {"big5 outside gbk", tv::Big5ToGbk, "\xba\xf4" + kBig5HyphenationPoint + "\xad\xb6 x",
       "\xbe\x57?\xed\x93 x"},
      {"big5 to simplified", tv::Big5ToSimplifiedGbk, kBig5WebPage + "OK", "网页OK"},
      {"big5 empty", tv::Big5ToSimplifiedGbk, "", ""},
      {"simplified unchanged", tv::ToSimplified, "网页下载引擎 abc 123", "网页下载引擎 abc 123"},
      {"simplified maps", tv::ToSimplified, kGbkTraditionalWebPage + "下載", "网页下载"},
      // Bytes that are not GBK are kept while the characters around them are mapped.
      {"simplified keeps bad bytes", tv::ToSimplified, "\xbe\x57\xff\xed\x93",
       "\xcd\xf8\xff\xd2\xb3"},
  };
  for (const Row& row : rows) EXPECT_GBK_EQ(row.convert(row.input), row.expected) << row.name;
}

TEST(TextConversion, ToUtf16GivesLittleEndianUnitsWithTerminator) {
  using namespace std::string_literals;
  EXPECT_EQ(tv::ToUtf16(""), "\0\0"s);
  EXPECT_EQ(tv::ToUtf16(reinterpret_cast<const char*>(u8"A网")), "A\0\x51\x7f\0\0"s);
  // The buffer follows the code page converted: a Big5 text gives its two units.
  EXPECT_EQ(tv::ToUtf16(kBig5WebPage, tv::codepage::kBig5), "\xb2\x7d\x01\x98\0\0"s);
  EXPECT_EQ(tv::ToUtf16("网", tv::codepage::kGbk), "\x51\x7f\0\0"s);
  // A character beyond the first plane is a surrogate pair.
  EXPECT_EQ(tv::ToUtf16(reinterpret_cast<const char*>(u8"😀")), "\x3d\xd8\x00\xde\0\0"s);
}

TEST(TextConversion, FromUtf16StopsAtTheTerminator) {
  using namespace std::string_literals;
  EXPECT_GBK_EQ(tv::FromUtf16(tv::ToUtf16(reinterpret_cast<const char*>(u8"网页"))), "网页");
  EXPECT_GBK_EQ(tv::FromUtf16("\x51\x7f\0\0\x75\x98\0\0"s), "网");
  EXPECT_GBK_EQ(tv::FromUtf16("\x51\x7f"s), "网");  // no terminator: up to the end
  EXPECT_EQ(tv::FromUtf16("\x51\x7f\0\0"s, tv::codepage::kUtf8),
            reinterpret_cast<const char*>(u8"网"));
  EXPECT_EQ(tv::FromUtf16(tv::ToUtf16(kBig5WebPage, tv::codepage::kBig5), tv::codepage::kBig5),
            kBig5WebPage);
  EXPECT_EQ(tv::FromUtf16(""), "");
}

}  // namespace
