// Stepping through GBK text: the one rule every layer uses to find character boundaries,
// so that the second byte of a double-byte character (which may look like "\", "]" or a
// letter) is never taken for a character of its own.
#pragma once

#include <string_view>

namespace tv::gbk {

// A byte with its high bit set starts a double-byte character.
constexpr bool IsLeadByte(char c) { return static_cast<unsigned char>(c) & 0x80; }

// Bytes taken by the character at `at`; a lead byte at the very end stands alone.
constexpr size_t CharWidth(std::string_view text, size_t at) {
  return IsLeadByte(text[at]) && at + 1 < text.size() ? 2 : 1;
}

constexpr char FoldAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Equal texts, with ASCII letters of single-byte characters compared without case and
// both bytes of double-byte characters compared exactly.
constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i += CharWidth(a, i)) {
    if (CharWidth(a, i) == 2) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
    } else if (FoldAscii(a[i]) != FoldAscii(b[i])) {
      return false;
    }
  }
  return true;
}

}  // namespace tv::gbk
