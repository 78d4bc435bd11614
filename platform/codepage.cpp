// iconv-backed code-page conversion.
#include "platform/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

static_assert(sizeof("引号") == 5, "narrow literals must be compiled to GBK (-fexec-charset=GBK)");

namespace tv::codepage {
namespace {

const char* IconvName(int codePage) {
  switch (codePage) {
    case kAnsi:
    case kGbk:
      return "CP936";
    case kBig5:
      return "CP950";
    case kUtf8:
      return "UTF-8";
    default:
      return nullptr;
  }
}

// Converts `in` with `cd`. On an invalid sequence: with `replacement` non-null it is
// appended and one input unit of `unitSize` bytes is skipped; otherwise it stops.
bool Run(iconv_t cd, std::string_view in, std::string& out, const char* replacement, size_t unitSize) {
  out.clear();
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  bool clean = true;
  char buf[4096];
  while (srcLeft > 0) {
    char* dst = buf;
    size_t dstLeft = sizeof buf;
    size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buf, dst - buf);
    if (r != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    clean = false;
    if (!replacement) break;
    out.append(replacement);
    size_t skip = srcLeft < unitSize ? srcLeft : unitSize;
    src += skip;
    srcLeft -= skip;
  }
  char* dst = buf;
  size_t dstLeft = sizeof buf;
  iconv(cd, nullptr, nullptr, &dst, &dstLeft);
  out.append(buf, dst - buf);
  return clean;
}

bool Convert(const char* from, const char* to, std::string_view in, std::string& out, const char* replacement,
             size_t unitSize) {
  out.clear();
  if (!from || !to) return false;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  bool ok = Run(cd, in, out, replacement, unitSize);
  iconv_close(cd);
  return ok;
}

}  // namespace

bool ToUtf16(int codePage, std::string_view text, std::u16string& out) {
  std::string bytes;
  bool ok = Convert(IconvName(codePage), "UTF-16LE", text, bytes, nullptr, 1);
  out.assign(bytes.size() / 2, u'\0');
  if (!out.empty()) std::memcpy(out.data(), bytes.data(), out.size() * 2);
  return ok;
}

bool FromUtf16(int codePage, std::u16string_view text, std::string& out, const char* defaultChar) {
  std::string_view bytes(reinterpret_cast<const char*>(text.data()), text.size() * 2);
  return Convert("UTF-16LE", IconvName(codePage), bytes, out, defaultChar, 2) || defaultChar != nullptr;
}

std::string GbkToUtf8(std::string_view gbk, bool* ok) {
  std::string out;
  bool clean = Convert("CP936", "UTF-8", gbk, out, "?", 1);
  if (ok) *ok = clean;
  return out;
}

std::string Utf8ToGbkText(std::string_view utf8, bool* ok) {
  std::string out;
  bool clean = Convert("UTF-8", "CP936", utf8, out, "?", 1);
  if (ok) *ok = clean;
  return out;
}

}  // namespace tv::codepage
