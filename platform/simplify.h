// Traditional to simplified Chinese, character by character, on OpenCC's character table.
#pragma once

#include <string>
#include <string_view>

namespace tv::simplify {

// Maps every traditional character of the UTF-8 text to its simplified form. False (and
// `out` empty) when the character table cannot be loaded or the text is not UTF-8.
bool TraditionalToSimplified(std::string_view utf8, std::string& out);

}  // namespace tv::simplify
