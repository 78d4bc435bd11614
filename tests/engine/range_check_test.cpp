// The checks every range answer passes before a byte of it is written, and the request
// header block.
#include <gtest/gtest.h>

#include "engine/segment_connection.h"

namespace tv {
namespace {

struct AnswerRow {
  const char* what;
  RangeAnswer answer;
  bool sentIfRange;
  RangeResult expected;
};

void PrintTo(const AnswerRow& row, std::ostream* out) { *out << row.what; }

class RangeAnswerTable : public ::testing::TestWithParam<AnswerRow> {};

// Asked: bytes 100-199 of a 1000-byte file.
TEST_P(RangeAnswerTable, JudgesTheAnswer) {
  const AnswerRow& row = GetParam();
  EXPECT_EQ(JudgeRangeAnswer(row.answer, 100, 199, 1000, row.sentIfRange).result, row.expected)
      << row.what;
}

INSTANTIATE_TEST_SUITE_P(
    Answers, RangeAnswerTable,
    ::testing::Values(
        AnswerRow{"exact range", {206, "bytes 100-199/1000", "100"}, false, RangeResult::Ok},
        AnswerRow{"no length header", {206, "bytes 100-199/1000", ""}, true, RangeResult::Ok},
        AnswerRow{"range ignored", {200, "", "1000"}, false, RangeResult::Failed},
        AnswerRow{"whole body after If-Range", {200, "", "1000"}, true, RangeResult::Changed},
        AnswerRow{"error page", {404, "", "120"}, false, RangeResult::Failed},
        AnswerRow{"server error with If-Range", {500, "", "120"}, true, RangeResult::Failed},
        AnswerRow{"other start", {206, "bytes 0-99/1000", "100"}, false, RangeResult::Failed},
        AnswerRow{"other end", {206, "bytes 100-198/1000", "99"}, false, RangeResult::Failed},
        AnswerRow{"unknown total", {206, "bytes 100-199/*", "100"}, false, RangeResult::Failed},
        AnswerRow{"missing Content-Range", {206, "", "100"}, false, RangeResult::Failed},
        AnswerRow{"garbage Content-Range",
                  {206, "bytes=100-199/1000", "100"},
                  false,
                  RangeResult::Failed},
        AnswerRow{
            "length disagrees", {206, "bytes 100-199/1000", "1000"}, false, RangeResult::Failed},
        AnswerRow{"other total: the file changed",
                  {206, "bytes 100-199/2000", "100"},
                  false,
                  RangeResult::Changed}));

TEST(ContentRange, ParsesOnlyWellFormedValues) {
  std::int64_t start = 0, end = 0, total = 0;
  EXPECT_TRUE(ParseContentRange("bytes 0-0/1", start, end, total));
  EXPECT_EQ(total, 1);
  EXPECT_TRUE(ParseContentRange("bytes 1-2/2147483647", start, end, total));
  EXPECT_EQ(start, 1);
  EXPECT_EQ(end, 2);
  EXPECT_EQ(total, 2147483647);
  for (const char* bad :
       {"bytes 5-4/10", "bytes 0-10/10", "bytes -1-2/10", "bytes 1-2/", "items 1-2/10", ""}) {
    EXPECT_FALSE(ParseContentRange(bad, start, end, total)) << bad;
  }
}

TEST(RangeHeaders, KeepTheRangeLineIntactAfterTheCallersHeaders) {
  const std::string fixed =
      "Accept: */*\r\nCache-Control: no-cache\r\nPragma: no-cache\r\nConnection: Close\r\n";
  EXPECT_EQ(RangeHeaderBlock("", 0, 333333, ""), fixed + "Range: bytes=0-333333\r\n");
  // A caller's header without its line end must not swallow the Range line.
  EXPECT_EQ(RangeHeaderBlock("Cookie: a=b", 5, 9, ""),
            fixed + "Cookie: a=b\r\nRange: bytes=5-9\r\n");
  EXPECT_EQ(RangeHeaderBlock("X: 1\r\n", 5, 9, "\"v1\""),
            fixed + "X: 1\r\nIf-Range: \"v1\"\r\nRange: bytes=5-9\r\n");
}

TEST(RangeHeaders, IfRangeUsesOnlyAStrongValidator) {
  const std::string date = "Wed, 21 Oct 2015 07:28:00 GMT";
  EXPECT_EQ(IfRangeValue("\"abc\"", date), "\"abc\"");
  EXPECT_EQ(IfRangeValue("W/\"abc\"", date), date);
  EXPECT_EQ(IfRangeValue("", date), date);
  EXPECT_EQ(IfRangeValue("", ""), "");
}

}  // namespace
}  // namespace tv
