// Regular expressions over GBK texts: matching semantics, offsets and replacement syntax.
#include "platform/regexp.h"

#include <gtest/gtest.h>

#include <utility>

#include "tests/support/gbk_assert.h"

namespace {

using Found = std::vector<std::pair<std::size_t, std::string>>;

struct Options {
  bool ignoreCase = false;
  bool multiline = false;
  bool global = true;
};

tv::regexp::RegExp Make(const std::string& pattern, Options o) {
  tv::regexp::RegExp re;
  re.pattern = pattern;
  re.ignoreCase = o.ignoreCase;
  re.multiline = o.multiline;
  re.global = o.global;
  return re;
}

struct ExecuteRow {
  const char* name;
  std::string pattern;
  Options options;
  std::string subject;
  Found expected;  // offset and text of every match
};

TEST(RegExp, ExecuteFindsMatchesAtGbkOffsets) {
  const Options caseless{.ignoreCase = true};
  const Options multi{.multiline = true};
  const Options once{.global = false};
  const ExecuteRow rows[] = {
      {"caseless", "a(b)?", caseless, "AB ab a", {{0, "AB"}, {3, "ab"}, {6, "a"}}},
      {"case-sensitive", "a", {}, "A", {}},
      {"not global", "a", once, "aaa", {{0, "a"}}},
      {"after double bytes", "b", {}, "中文abc中b", {{5, "b"}, {9, "b"}}},
      {"chinese pattern", "下载", {}, "开始下载，下载", {{4, "下载"}, {10, "下载"}}},
      {"dot takes one character", "始.", {}, "开始下载", {{2, "始下"}}},
      {"empty matches advance", "x*", {}, "ab", {{0, ""}, {1, ""}, {2, ""}}},
      {"empty matches step characters", "x*", {}, "中b", {{0, ""}, {2, ""}, {3, ""}}},
      {"multiline anchors", "^\\w+$", multi, "ab\ncd", {{0, "ab"}, {3, "cd"}}},
      {"multiline dollar", "$", multi, "a\nb", {{1, ""}, {3, ""}}},
      {"single-line anchors", "^\\w+$", {}, "ab\ncd", {}},
      {"dollar only at the very end", "a$", {}, "a\n", {}},
      {"dot stops at line feed", "a.b", {}, "a\nb a-b", {{4, "a-b"}}},
      {"unicode escape", "\\u7F51.", {}, "x网页", {{1, "网页"}}},
      {"hex escape", "\\x41", {}, "bA", {{1, "A"}}},
      {"unset back reference", "(a)?\\1b", {}, "b", {{0, "b"}}},
      {"any character class", "a[^]b", {}, "a\nb", {{0, "a\nb"}}},
      {"undefined byte kept",
       "a.b",
       {},
       "a\xff"
       "b",
       {{0,
         "a\xff"
         "b"}}},
  };
  for (const ExecuteRow& row : rows) {
    std::vector<tv::regexp::Match> matches;
    std::string error;
    ASSERT_TRUE(Make(row.pattern, row.options).Execute(row.subject, matches, &error))
        << row.name << ": " << error;
    Found found;
    for (const auto& m : matches) found.emplace_back(m.firstIndex, m.value);
    EXPECT_EQ(found, row.expected) << row.name;
  }
}

TEST(RegExp, GroupsCarryTheirOwnOffsets) {
  std::vector<tv::regexp::Match> matches;
  ASSERT_TRUE(Make("(链接)：(x)?(\\w+)", {}).Execute("见链接：ab", matches));
  ASSERT_EQ(matches.size(), 1u);
  const auto& groups = matches[0].subMatches;
  ASSERT_EQ(groups.size(), 3u);
  EXPECT_TRUE(groups[0].matched);
  EXPECT_EQ(groups[0].firstIndex, 2u);
  EXPECT_GBK_EQ(groups[0].value, "链接");
  EXPECT_FALSE(groups[1].matched);
  EXPECT_EQ(groups[2].firstIndex, 8u);
  EXPECT_EQ(groups[2].value, "ab");
}

TEST(RegExp, RejectsBadPatterns) {
  for (const std::string pattern : {"(", "a{2,1}", "\xff"}) {
    std::vector<tv::regexp::Match> matches;
    std::string error;
    EXPECT_FALSE(Make(pattern, {}).Execute("abc", matches, &error)) << pattern;
    EXPECT_FALSE(error.empty()) << pattern;
    std::string out = "stale";
    EXPECT_FALSE(Make(pattern, {}).Replace("abc", "x", out));
    EXPECT_EQ(out, "");
  }
}

struct ReplaceRow {
  std::string pattern;
  Options options;
  std::string subject;
  std::string replacement;
  std::string expected;
};

TEST(RegExp, ReplaceExpandsDollarForms) {
  const Options once{.global = false};
  std::string tenGroups = "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)";
  const ReplaceRow rows[] = {
      {"a(b)", {}, "xaby", "[$1]", "x[b]y"},
      {"a", {}, "aXa", "$$-$&", "$-aX$-a"},
      {"b", {}, "abc", "[$`|$']", "a[a|c]c"},
      {"a(b)", {}, "ab", "$2$0$", "$2$0$"},           // no such group: literal
      {"a(b)", {}, "ab", "$10", "b0"},                // one group: $1 then "0"
      {tenGroups, {}, "abcdefghij", "$10$01", "ja"},  // two digits when that group exists
      {"(x)?b", {}, "b", "[$1]", "[]"},               // a group that took no part
      {"a", once, "aaa", "-", "-aa"},
      {"x*", {}, "ab", "-", "-a-b-"},
      {"(下)(载)", {}, "开始下载", "$2$1", "开始载下"},
      {"\\d+", {}, "第12页", "第$&号", "第第12号页"},
  };
  for (const ReplaceRow& row : rows) {
    std::string out;
    ASSERT_TRUE(Make(row.pattern, row.options).Replace(row.subject, row.replacement, out))
        << row.pattern;
    EXPECT_GBK_EQ(out, row.expected) << row.pattern << " with " << row.replacement;
  }
}

}  // namespace
