// Code-page conversion on iconv: GBK (936, the system code page), Big5 (950), UTF-8
// (65001) and UTF-16, plus the traditional-to-simplified character map.
#pragma once

#include <string>
#include <string_view>

namespace tv::codepage {

constexpr int kAnsi = 0;  // the system code page, GBK here
constexpr int kGbk = 936;
constexpr int kBig5 = 950;
constexpr int kUtf8 = 65001;

// Multibyte text of `codePage` to UTF-16. False (and `out` holding what converted before
// the fault) for bytes that are not valid in the code page or an unknown code page.
bool ToUtf16(int codePage, std::string_view text, std::u16string& out);

// UTF-16 to `codePage`. A unit the code page cannot represent becomes `defaultChar` when
// one is given (an empty one drops it); without one the conversion fails.
bool FromUtf16(int codePage, std::u16string_view text, std::string& out, const char* defaultChar = nullptr);

// Lossless GBK <-> UTF-8 for the edges (file names, GUI, console). Invalid input is
// converted as far as it goes, with "?" for each bad byte, and reported through `ok`.
std::string GbkToUtf8(std::string_view gbk, bool* ok = nullptr);
std::string Utf8ToGbkText(std::string_view utf8, bool* ok = nullptr);

}  // namespace tv::codepage
