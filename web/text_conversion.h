// Conversion of response texts from UTF-8 or Big5 into GBK, and the UTF-16 steps they are
// made of. A byte sequence the source code page does not define, and a character the
// target cannot represent, each become "?"; the rest of the text is always kept.
#pragma once

#include <string>
#include <string_view>

#include "platform/codepage.h"

namespace tv {

std::string Utf8ToGbk(std::string_view text);
// Big5ToGbk, then ToSimplified.
std::string Big5ToSimplifiedGbk(std::string_view text);

// The text of `codePage` as little-endian UTF-16 units, terminator included (two zero
// bytes), in a byte string.
std::string ToUtf16(std::string_view text, int codePage = codepage::kUtf8);
// Little-endian UTF-16 units up to the first zero unit (or the end) into `codePage`.
std::string FromUtf16(std::string_view utf16, int codePage = codepage::kAnsi);

std::string Big5ToGbk(std::string_view text);
// Traditional characters of a GBK text mapped one by one to their simplified forms.
std::string ToSimplified(std::string_view text);

}  // namespace tv
