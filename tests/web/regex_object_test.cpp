// RegexObject: 1-based matches and groups, default options, positions, copies.
#include "web/regex_object.h"

#include <gtest/gtest.h>

#include "tests/support/gbk_assert.h"

namespace {

TEST(RegexObject, DefaultsIgnoreCaseAndCollectEveryMatch) {
  tv::RegexObject re;
  ASSERT_TRUE(re.Create("a(b)?", "AB ab a"));
  EXPECT_EQ(re.Count(), 3);
  EXPECT_EQ(re.MatchValue(1), "AB");
  EXPECT_EQ(re.MatchValue(3), "a");
  EXPECT_EQ(re.SubMatch(1, 1), "B");
  EXPECT_EQ(re.SubMatch(3, 1), "");
  EXPECT_EQ(re.SubMatchCount(), 1);
  // Beyond the matches or the groups everything is empty.
  EXPECT_EQ(re.MatchValue(4), "");
  EXPECT_EQ(re.MatchValue(0), "");
  EXPECT_EQ(re.SubMatch(1, 2), "");
  EXPECT_EQ(re.SubMatch(9, 1), "");
}

TEST(RegexObject, OptionsFromTheFlags) {
  tv::RegexObject re;
  ASSERT_TRUE(re.Create("a", "A", true));
  EXPECT_EQ(re.Count(), 0);
  ASSERT_TRUE(re.Create("a", "aaa", false, true, false));
  EXPECT_EQ(re.Count(), 1);
  // Multi-line by default: "$" before each line feed and at the end.
  ASSERT_TRUE(re.Create("\\w$", "ab\ncd\nef"));
  EXPECT_EQ(re.Count(), 3);
  EXPECT_EQ(re.MatchValue(2), "d");
  ASSERT_TRUE(re.Create("\\w$", "ab\ncd\nef", false, false));
  EXPECT_EQ(re.Count(), 1);
  EXPECT_EQ(re.MatchValue(1), "f");
}

TEST(RegexObject, PositionsAreByteOffsetsInTheSubject) {
  tv::RegexObject re;
  const std::string subject = "链接：http://a/1 链接：http://b/2";
  ASSERT_TRUE(re.Create("http://(\\w)/(x)?(\\d)", subject));
  int position = 0;
  EXPECT_EQ(re.MatchValue(2, &position), "http://b/2");
  EXPECT_EQ(position, 23);
  EXPECT_EQ(re.SubMatch(2, 1, &position), "b");
  EXPECT_EQ(position, 30);
  EXPECT_EQ(re.SubMatch(1, 3, &position), "1");
  EXPECT_EQ(position, 15);
  EXPECT_EQ(re.SubMatch(1, 2, &position), "");  // took no part
  EXPECT_EQ(position, -1);
  EXPECT_EQ(re.MatchValue(3, &position), "");
  EXPECT_EQ(position, -1);
  // The same text twice: each match has its own place, not the first occurrence's.
  ASSERT_TRUE(re.Create("a", "aa"));
  EXPECT_EQ(re.MatchValue(2, &position), "a");
  EXPECT_EQ(position, 1);
}

TEST(RegexObject, PatternAndReplace) {
  tv::RegexObject re;
  EXPECT_EQ(re.Pattern(), "");
  EXPECT_EQ(re.Replace("x"), "");
  EXPECT_EQ(re.Count(), 0);
  EXPECT_EQ(re.SubMatchCount(), 0);
  ASSERT_TRUE(re.Create("a(b)", "xaby"));
  EXPECT_EQ(re.Pattern(), "a(b)");
  EXPECT_EQ(re.Replace("[$1]"), "x[b]y");
  ASSERT_TRUE(re.Create("(下)载", "开始下载，下载"));
  EXPECT_GBK_EQ(re.Replace("<$1>"), "开始<下>，<下>");
}

TEST(RegexObject, RejectedPatternLeavesNoMatches) {
  tv::RegexObject re;
  ASSERT_TRUE(re.Create("a", "aaa"));
  EXPECT_FALSE(re.Create("a(", "aaa"));
  EXPECT_EQ(re.Count(), 0);
  EXPECT_EQ(re.MatchValue(1), "");
  EXPECT_EQ(re.Replace("x"), "");
}

TEST(RegexObject, CopySharesMatchesAndKeepsItsOwnSubject) {
  tv::RegexObject original;
  ASSERT_TRUE(original.Create("(\\d)", "a1b2"));
  tv::RegexObject copy(original);
  ASSERT_TRUE(original.Create("z", "zzz"));
  EXPECT_EQ(copy.Count(), 2);
  EXPECT_EQ(copy.SubMatch(2, 1), "2");
  EXPECT_EQ(copy.Pattern(), "(\\d)");
  EXPECT_EQ(copy.Replace("<$1>"), "a<1>b<2>");
  EXPECT_EQ(original.Count(), 3);
}

}  // namespace
