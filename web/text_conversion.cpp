// Response text conversion over platform/codepage and platform/simplify. Buffers grow with
// what the converted code page needs, and faulty characters are replaced, never cut off.
#include "web/text_conversion.h"

#include <algorithm>
#include <cstddef>

#include "platform/simplify.h"

namespace tv {
namespace {

constexpr char16_t kReplacementUnit = u'\uFFFD';
constexpr std::size_t kChunkBytes = 512;

bool Known(int codePage) {
  return codePage == codepage::kAnsi || codePage == codepage::kGbk || codePage == codepage::kBig5 ||
         codePage == codepage::kUtf8;
}

// The byte length of the character starting at `at`, as its lead byte announces it.
std::size_t CharLength(int codePage, std::string_view text, std::size_t at) {
  unsigned char lead = text[at];
  std::size_t length = 1;
  if (lead >= 0x80 && codePage == codepage::kUtf8) {
    length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  } else if (lead >= 0x81 && lead <= 0xFE) {
    length = 2;
  }
  return std::min(length, text.size() - at);
}

// One character at a time, so that each undefined byte becomes one U+FFFD.
void DecodeByCharacter(int codePage, std::string_view text, std::u16string& out) {
  std::u16string units;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t length = CharLength(codePage, text, i);
    if (codepage::ToUtf16(codePage, text.substr(i, length), units)) {
      out += units;
      i += length;
    } else {
      out += kReplacementUnit;
      ++i;
    }
  }
}

// UTF-16 of `text` read in `codePage`; bytes the code page does not define become U+FFFD.
// Chunks that convert cleanly go whole; only a faulty chunk is taken apart.
std::u16string Decode(int codePage, std::string_view text) {
  std::u16string out;
  if (!Known(codePage)) return out;
  if (codepage::ToUtf16(codePage, text, out)) return out;
  out.clear();
  std::u16string units;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = start;
    while (end < text.size() && end - start < kChunkBytes) end += CharLength(codePage, text, end);
    std::string_view chunk = text.substr(start, end - start);
    if (codepage::ToUtf16(codePage, chunk, units)) {
      out += units;
    } else {
      DecodeByCharacter(codePage, chunk, out);
    }
    start = end;
  }
  return out;
}

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// `units` in `codePage`, with "?" for every character the code page cannot represent.
std::string Encode(int codePage, std::u16string_view units) {
  std::string out;
  if (!Known(codePage)) return out;
  if (codePage == codepage::kUtf8) {
    codepage::FromUtf16(codePage, units, out, "?");
    return out;
  }
  // The double-byte code pages hold no character beyond the first plane: fold each
  // surrogate pair into a single "?" rather than one per unit.
  std::u16string plane;
  plane.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    if (IsHighSurrogate(units[i]) && i + 1 < units.size() && IsLowSurrogate(units[i + 1])) {
      plane += u'?';
      ++i;
    } else {
      plane += units[i];
    }
  }
  codepage::FromUtf16(codePage, plane, out, "?");
  return out;
}

// The GBK character at `at` simplified on its own; false to keep its bytes as they are.
bool SimplifyCharacter(std::string_view gbk, std::size_t at, std::size_t length, std::string& out) {
  bool ok = false;
  std::string utf8 = codepage::GbkToUtf8(gbk.substr(at, length), &ok);
  std::string simplified;
  if (!ok || !simplify::TraditionalToSimplified(utf8, simplified) || simplified == utf8)
    return false;
  out = codepage::Utf8ToGbkText(simplified, &ok);
  return ok;
}

// Character by character, for texts with bytes GBK does not define or with a simplified
// form GBK cannot hold: those bytes and characters are kept as they are.
std::string SimplifyByCharacter(std::string_view gbk) {
  std::string out;
  std::string simplified;
  std::size_t i = 0;
  while (i < gbk.size()) {
    std::size_t length = CharLength(codepage::kGbk, gbk, i);
    if (length == 1) {
      out += gbk[i++];
    } else if (SimplifyCharacter(gbk, i, length, simplified)) {
      out += simplified;
      i += length;
    } else {
      bool defined = false;
      codepage::GbkToUtf8(gbk.substr(i, length), &defined);
      if (!defined) length = 1;
      out += gbk.substr(i, length);
      i += length;
    }
  }
  return out;
}

}  // namespace

std::string Utf8ToGbk(std::string_view text) {
  return Encode(codepage::kGbk, Decode(codepage::kUtf8, text));
}

std::string Big5ToSimplifiedGbk(std::string_view text) { return ToSimplified(Big5ToGbk(text)); }

std::string ToUtf16(std::string_view text, int codePage) {
  std::u16string units = Decode(codePage, text);
  std::string bytes;
  bytes.reserve(units.size() * 2 + 2);
  for (char16_t u : units) {
    bytes += static_cast<char>(u & 0xFF);
    bytes += static_cast<char>(u >> 8);
  }
  bytes.append(2, '\0');
  return bytes;
}

std::string FromUtf16(std::string_view utf16, int codePage) {
  std::u16string units;
  units.reserve(utf16.size() / 2);
  for (std::size_t i = 0; i + 1 < utf16.size(); i += 2) {
    char16_t u = static_cast<unsigned char>(utf16[i]) | static_cast<unsigned char>(utf16[i + 1])
                                                            << 8;
    if (u == 0) break;
    units += u;
  }
  return Encode(codePage, units);
}

std::string Big5ToGbk(std::string_view text) {
  return Encode(codepage::kGbk, Decode(codepage::kBig5, text));
}

std::string ToSimplified(std::string_view text) {
  bool ok = false;
  std::string utf8 = codepage::GbkToUtf8(text, &ok);
  std::string simplified;
  if (ok && simplify::TraditionalToSimplified(utf8, simplified)) {
    std::string gbk = codepage::Utf8ToGbkText(simplified, &ok);
    if (ok) return gbk;
  }
  return SimplifyByCharacter(text);
}

}  // namespace tv
