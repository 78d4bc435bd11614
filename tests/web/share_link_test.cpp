// File extensions and the decoder of the services' escaped texts.
#include "web/share_link.h"

#include <gtest/gtest.h>

#include "tests/support/gbk_assert.h"

namespace tv {
namespace {

TEST(FileExtensionTest, TakesTheLastShortExtension) {
  const std::pair<const char*, const char*> cases[] = {
      {"pack.zip", ".zip"}, {"a.7z", ".7z"},     {"song.mp3", ""},    {"noext", ""},
      {"地图.ZIP", ".ZIP"}, {"x.tar.gz", ".gz"}, {"long.abcdef", ""}, {"", ""},
  };
  for (const auto& [name, ext] : cases) EXPECT_GBK_EQ(FileExtension(name), ext) << name;
}

TEST(UnescapeJsTest, DecodesLikeAScriptStringPassedThroughUnescape) {
  const std::pair<const char*, const char*> cases[] = {
      {"\\u7535\\u4fe1", "电信"},
      {"%u5730%u56fe%u5305", "地图包"},
      {"%41%42c", "ABc"},
      {"http:\\/\\/h\\/x", "http://h/x"},
      {"say \\\"hi\\\"", "say \"hi\""},
      {"tab\\tx\\x41\\101",
       "tab\tx"
       "AA"},
      {"it's", "it's"},
      {"';alert(1);'", "';alert(1);'"},  // stays text: nothing is ever run
      {"a\r\nb", "a\r\nb"},
      {"\rabc", "abc"},  // one leading carriage return is dropped
      {"’ and {$}", "' and \r\n"},
      {"100% sure %zz", "100% sure %zz"},
      {"地图包", "地图包"},
      {"%u0E01", "?"},  // a character GBK lacks
      // Texts a script string literal cannot hold give nothing.
      {"a\nb", ""},
      {"a\rb", ""},
      {"end\\", ""},
  };
  for (const auto& [in, out] : cases) EXPECT_GBK_EQ(UnescapeJs(in), out) << in;
}

}  // namespace
}  // namespace tv
