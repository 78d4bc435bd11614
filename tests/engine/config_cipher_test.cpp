// The task file's cipher: enciphering, the key check, hex conversions and the notice.
#include "engine/config_cipher.h"

#include <gtest/gtest.h>

#include <cctype>
#include <thread>

#include "tests/support/gbk_assert.h"
#include "tests/support/headless_ui.h"

namespace {

// MD5("key") = 3c6e0b8a9c15224a8228b9a98ca1531d; characters 3 to 11, upper case.
constexpr std::string_view kKey = "key";
constexpr std::string_view kKeyCheck = "6E0B8A9C1";

TEST(ConfigCipher, EnciphersBytesXorHexThenKeyCheck) {
  EXPECT_EQ(tv::EncipherConfigText("abc", kKey), std::string("717273") + std::string(kKeyCheck));
  EXPECT_EQ(tv::EncipherConfigText("", kKey), kKeyCheck);
  // GBK bytes and bytes that XOR to zero survive.
  EXPECT_EQ(tv::EncipherConfigText(std::string("\x10\xff", 2), kKey),
            "00EF" + std::string(kKeyCheck));
}

TEST(ConfigCipher, RoundTripsUnderTheSameKey) {
  const std::string texts[] = {"", "abc", "http://127.0.0.1:8765/地图包/AREA63.zip",
                               std::string("\0\x10\x80\xff", 4), tv::NoticeKey()};
  for (const std::string& text : texts) {
    for (const std::string& key : {std::string(kKey), tv::NoticeKey(), tv::UrlKey()}) {
      EXPECT_GBK_EQ(tv::DecipherConfigText(tv::EncipherConfigText(text, key), key), text);
    }
  }
}

TEST(ConfigCipher, RejectsWrongKeyAlteredOrTruncatedCheck) {
  const std::string good = tv::EncipherConfigText("abc", kKey);
  std::string lowerCheck = good;
  for (size_t i = 6; i < lowerCheck.size(); ++i)
    lowerCheck[i] = static_cast<char>(std::tolower(lowerCheck[i]));
  ASSERT_NE(lowerCheck, good);  // the check of "key" has letters to lower
  std::string altered = good;
  altered.back() = altered.back() == '1' ? '2' : '1';
  const std::string rejected[] = {
      lowerCheck,        altered, good.substr(0, good.size() - 1),
      good.substr(1, 8), "",      tv::EncipherConfigText("abc", "other")};
  for (const std::string& cipher : rejected)
    EXPECT_EQ(tv::DecipherConfigText(cipher, kKey), "") << cipher;
  // A value under the URL key does not pass as the notice.
  EXPECT_EQ(
      tv::DecipherConfigText(tv::EncipherConfigText("http://a.b/c", tv::UrlKey()), tv::NoticeKey()),
      "");
}

TEST(ConfigCipher, LowerCaseBodyDeciphersLikeUpperCase) {
  EXPECT_EQ(tv::DecipherConfigText(std::string("7e7f7a7b") + std::string(kKeyCheck), kKey), "nojk");
}

TEST(ConfigCipher, HexEncodeAndPairValues) {
  EXPECT_EQ(tv::HexEncode(std::string("\x00\x0f\xa0", 3)), "000FA0");
  EXPECT_EQ(tv::HexEncode(""), "");
  const std::pair<std::string_view, std::int64_t> values[] = {
      {"ff", 255}, {"1", 1},   {"FF", 255}, {"", 0},
      {"G", -2},   {"1g", 14}, {"g1", -31}, {"7fffffff", 0x7fffffff},
  };
  for (const auto& [text, value] : values) EXPECT_EQ(tv::HexPairValue(text), value) << text;
}

TEST(ConfigCipher, HexDecodeKeepsLowBitsAndOddEnd) {
  EXPECT_EQ(tv::HexDecode("4142"), "AB");
  EXPECT_EQ(tv::HexDecode("41a"), "A\x0a");
  EXPECT_EQ(tv::HexDecode("00FF"), std::string("\0\xff", 2));
  // Non-digits add -2: "zz" is -2 * 16 - 2 = -34, whose low byte is 0xDE.
  EXPECT_EQ(tv::HexDecode("zz"), "\xde");
  EXPECT_EQ(tv::HexDecode(tv::HexEncode("地图包")), "地图包");
}

TEST(ConfigCipher, DigestHex) {
  EXPECT_EQ(tv::Md5HexLower("key"), "3c6e0b8a9c15224a8228b9a98ca1531d");
  EXPECT_EQ(tv::CryptDigestHex("key", 0x8003, 16), "3C6E0B8A9C15224A8228B9A98CA1531D");
  EXPECT_EQ(tv::CryptDigestHex("abc", 0x8004, 20), "A9993E364706816ABA3E25717850C26C9CD0D89D");
  EXPECT_EQ(tv::CryptDigestHex("key", 0x8003, 8), "");  // buffer too small for the digest
  EXPECT_EQ(tv::CryptDigestHex("key", 0x1234, 16), "");
}

TEST(ConfigCipher, NoticeConstantHoldsTheNoticeUnderTheNoticeKey) {
  const std::string notice = tv::NoticeText();
  const std::string prefix = "本程序采用了Kestrin模块[2.65版以上]的下载引擎，Kestrin模块下载地址：";
  ASSERT_GT(notice.size(), prefix.size());
  EXPECT_GBK_EQ(notice.substr(0, prefix.size()), prefix);
  EXPECT_EQ(tv::NoticeConstant().size(), 2 * notice.size() + 9);
  EXPECT_EQ(tv::EncipherConfigText(notice, tv::NoticeKey()), tv::NoticeConstant());
  EXPECT_NE(tv::NoticeKey(), tv::UrlKey());
}

TEST(ConfigCipher, HexDecodeRunsPendingUiWorkOnlyOnTheUiThread) {
  tv::test::HeadlessUi ui;
  bool ran = false;
  ui.RunOnUiThread([&] { ran = true; });
  std::thread worker([] { EXPECT_EQ(tv::HexDecode("4142"), "AB"); });
  worker.join();
  EXPECT_FALSE(ran);
  EXPECT_EQ(tv::HexDecode("4142"), "AB");
  EXPECT_TRUE(ran);
}

}  // namespace
