// Entry-name rules of the archive control. GBK paths are walked character by character,
// so the trail byte 0x5C of a double-byte character is never taken for a backslash.
#include "maps/zip_names.h"

#include <array>

#include "common/text_routines.h"
#include "platform/codepage.h"
#include "platform/gbk.h"

namespace tv::zipnames {
namespace {

using gbk::CharWidth;

bool IsSeparatorAt(std::string_view text, size_t i) {
  return CharWidth(text, i) == 1 && (text[i] == '/' || text[i] == '\\');
}

// Byte offset of the last separator, or npos.
size_t LastSeparator(std::string_view text) {
  size_t last = std::string_view::npos;
  for (size_t i = 0; i < text.size(); i += CharWidth(text, i)) {
    if (IsSeparatorAt(text, i)) last = i;
  }
  return last;
}

bool EndsWithSeparator(std::string_view text) {
  size_t last = LastSeparator(text);
  return last != std::string_view::npos && last + 1 == text.size();
}

bool IsDotsSegment(std::string_view segment) {
  int dots = 0;
  for (char c : segment) {
    if (c == '.')
      ++dots;
    else if (c != ' ')
      return false;
  }
  return dots >= 2;
}

}  // namespace

bool ToGbk(std::string_view raw, unsigned long flags, std::string& gbk) {
  if (!(flags & kUtf8Flag)) {
    gbk.assign(raw);
    return true;
  }
  bool ok = false;
  gbk = codepage::Utf8ToGbkText(raw, &ok);
  return ok;
}

bool IsSafe(std::string_view gbk) {
  if (gbk.empty() || IsSeparatorAt(gbk, 0)) return false;
  size_t start = 0;
  for (size_t i = 0; i <= gbk.size(); i += i < gbk.size() ? CharWidth(gbk, i) : 1) {
    if (i < gbk.size() && CharWidth(gbk, i) == 1 && gbk[i] == ':') return false;
    if (i == gbk.size() || IsSeparatorAt(gbk, i)) {
      if (IsDotsSegment(gbk.substr(start, i - start))) return false;
      start = i + 1;
    }
  }
  return true;
}

bool IsFolderEntry(std::string_view gbk) { return EndsWithSeparator(gbk); }

std::string TargetPath(std::string_view folder, std::string_view gbk) {
  std::string path(folder);
  if (!EndsWithSeparator(folder)) path += '\\';
  for (size_t i = 0; i < gbk.size(); i += CharWidth(gbk, i)) {
    if (CharWidth(gbk, i) == 2)
      path.append(gbk.substr(i, 2));
    else
      path += gbk[i] == '/' ? '\\' : gbk[i];
  }
  return path;
}

std::string BareName(std::string_view path) {
  size_t last = LastSeparator(path);
  return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

std::string ParentPath(std::string_view path) {
  size_t last = LastSeparator(path);
  return last == std::string_view::npos ? std::string() : std::string(path.substr(0, last));
}

bool StoreUncompressed(std::string_view name) {
  static const std::array<std::string_view, 8> kPacked = {".zip", ".z",   ".zoo", ".arc",
                                                          ".lzh", ".arj", ".gz",  ".tgz"};
  const std::string lower = AsciiLower(name);
  for (std::string_view ext : kPacked) {
    if (lower.size() >= ext.size() &&
        lower.compare(lower.size() - ext.size(), ext.size(), ext) == 0)
      return true;
  }
  return false;
}

}  // namespace tv::zipnames
