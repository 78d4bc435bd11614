// Assertions on GBK texts that print both sides as readable UTF-8 when they fail.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace tv::test {

// Printable form of a GBK byte string: UTF-8, with bytes that are not GBK shown as \xNN.
std::string Readable(std::string_view gbk);

::testing::AssertionResult GbkEqual(const char* actualExpr, const char* expectedExpr, std::string_view actual,
                                    std::string_view expected);

}  // namespace tv::test

#define EXPECT_GBK_EQ(actual, expected) EXPECT_PRED_FORMAT2(::tv::test::GbkEqual, actual, expected)
#define ASSERT_GBK_EQ(actual, expected) ASSERT_PRED_FORMAT2(::tv::test::GbkEqual, actual, expected)
