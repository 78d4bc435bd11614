#include "common/text_routines.h"

#include "platform/files.h"
#include "platform/gbk.h"

namespace tv {
namespace {

using gbk::CharWidth;

bool MatchesAt(std::string_view text, size_t at, std::string_view marker, bool ignoreCase) {
  if (text.size() - at < marker.size()) return false;
  std::string_view candidate = text.substr(at, marker.size());
  return ignoreCase ? gbk::EqualsIgnoringAsciiCase(marker, candidate) : marker == candidate;
}

template <typename Fold>
std::string FoldSingleBytes(std::string_view text, Fold fold) {
  std::string out(text);
  for (size_t i = 0; i < out.size(); i += CharWidth(out, i)) {
    if (CharWidth(out, i) == 1) out[i] = fold(out[i]);
  }
  return out;
}

}  // namespace

size_t FindText(std::string_view text, std::string_view marker, size_t start, bool ignoreCase) {
  if (start < 1) start = 1;
  for (size_t at = start - 1; at < text.size(); at += CharWidth(text, at)) {
    if (MatchesAt(text, at, marker, ignoreCase)) return at + 1;
  }
  return 0;
}

size_t FindLastText(std::string_view text, std::string_view marker, bool ignoreCase) {
  size_t last = 0;
  for (size_t at = 0; at < text.size(); at += CharWidth(text, at)) {
    if (MatchesAt(text, at, marker, ignoreCase)) {
      last = at + 1;
      if (marker.empty()) break;  // the empty marker stands only at position 1
    }
  }
  return last;
}

std::string TextBefore(std::string_view text, std::string_view marker, long start,
                       bool ignoreCase) {
  size_t c = FindText(text, marker, start < 1 ? 1 : static_cast<size_t>(start), ignoreCase);
  return c == 0 ? std::string() : std::string(text.substr(0, c - 1));
}

namespace {
void ReplaceQuoteToken(std::string& marker) {
  std::string out;
  size_t from = 1;
  for (size_t at; (at = FindText(marker, kQuoteToken, from)) != 0; from = at + kQuoteToken.size()) {
    out.append(marker, from - 1, at - from).push_back('"');
  }
  if (from > 1) marker = out.append(marker, from - 1);
}
}  // namespace

std::string TextBetween(std::string_view text, std::string& left, std::string& right,
                        bool ignoreCase) {
  ReplaceQuoteToken(left);
  ReplaceQuoteToken(right);
  size_t a = FindText(text, left, 1, ignoreCase);
  if (a == 0) return {};
  std::string_view rest = text.substr(a - 1 + left.size());
  size_t b = FindText(rest, right, 1, ignoreCase);
  return b == 0 ? std::string() : std::string(rest.substr(0, b - 1));
}

std::string TextAfterLast(std::string_view text, std::string_view marker, bool ignoreCase) {
  size_t at = FindLastText(text, marker, ignoreCase);
  return at == 0 ? std::string() : std::string(text.substr(at - 1 + marker.size()));
}

bool PathExists(const std::string& path) { return files::Exists(path); }

std::string AsciiLower(std::string_view text) { return FoldSingleBytes(text, gbk::FoldAscii); }

std::string AsciiUpper(std::string_view text) {
  return FoldSingleBytes(
      text, [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; });
}

std::string TrimSpaces(std::string_view text) {
  size_t b = text.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  size_t e = text.find_last_not_of(' ');
  return std::string(text.substr(b, e - b + 1));
}

}  // namespace tv
