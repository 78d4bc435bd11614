// Small text operations used everywhere, on GBK bytes. Positions are 1-based byte
// positions; searches step over double-byte characters so that a match never begins on
// the second byte of one. Ignoring case folds ASCII letters only.
#pragma once

#include <string>
#include <string_view>

namespace tv {

// The quote token that marker texts use for a double quote.
inline constexpr std::string_view kQuoteToken = "#引号";

// 1-based position of the first occurrence of `marker` in `text` at or after `start`,
// or 0. An empty marker is found at `start` of a non-empty text.
size_t FindText(std::string_view text, std::string_view marker, size_t start = 1, bool ignoreCase = false);
// 1-based position of the last occurrence, or 0.
size_t FindLastText(std::string_view text, std::string_view marker, bool ignoreCase = false);

std::string TextBefore(std::string_view text, std::string_view marker, long start = 1, bool ignoreCase = false);
// Turns the quote token in both markers into a double quote (written back), then gives the
// text between the first left marker and the first right marker after it.
std::string TextBetween(std::string_view text, std::string& left, std::string& right, bool ignoreCase = false);
std::string TextAfterLast(std::string_view text, std::string_view marker, bool ignoreCase = false);

// True when a first-file search for the path finds a file or folder.
bool PathExists(const std::string& path);

// ASCII-only case folding, as the searches use it.
std::string AsciiLower(std::string_view text);
std::string AsciiUpper(std::string_view text);
// Spaces removed from both ends.
std::string TrimSpaces(std::string_view text);

}  // namespace tv
