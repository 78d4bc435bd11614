#include "tests/support/gbk_assert.h"

#include <cstdio>

#include "platform/codepage.h"

namespace tv::test {

std::string Readable(std::string_view gbk) {
  std::string out = "\"";
  for (size_t i = 0; i < gbk.size();) {
    unsigned char c = gbk[i];
    if (c >= 0x81 && c <= 0xFE && i + 1 < gbk.size()) {
      bool ok = false;
      std::string u = codepage::GbkToUtf8(gbk.substr(i, 2), &ok);
      if (ok) {
        out += u;
        i += 2;
        continue;
      }
    }
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    }
    ++i;
  }
  return out + "\"";
}

::testing::AssertionResult GbkEqual(const char* actualExpr, const char* expectedExpr, std::string_view actual,
                                    std::string_view expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "Expected equality of these GBK texts:\n  " << actualExpr
                                       << "\n    Which is: " << Readable(actual) << "\n  " << expectedExpr
                                       << "\n    Which is: " << Readable(expected);
}

}  // namespace tv::test
