// Regular expressions on PCRE2: the GBK subject is matched as UTF-8 and every offset is
// mapped back to a GBK byte offset, so match texts are slices of the subject as given.
#define PCRE2_CODE_UNIT_WIDTH 8
#include "platform/regexp.h"

#include <iconv.h>
#include <pcre2.h>

#include <memory>

#include "platform/codepage.h"

namespace tv::regexp {
namespace {

// A subject as UTF-8 with, for each UTF-8 byte, the GBK offset of its character.
struct Utf8Subject {
  std::string text;
  std::vector<std::size_t> gbkOffset;  // text.size() + 1 entries
};

void AppendChar(Utf8Subject& s, std::string_view utf8, std::size_t gbkAt) {
  s.text.append(utf8);
  s.gbkOffset.insert(s.gbkOffset.end(), utf8.size(), gbkAt);
}

// Converts one GBK character of `length` bytes; false when GBK does not define it.
bool ConvertChar(iconv_t cd, std::string_view gbk, std::size_t at, std::size_t length,
                 std::string& utf8) {
  char* src = const_cast<char*>(gbk.data() + at);
  std::size_t srcLeft = length;
  char buf[8];
  char* dst = buf;
  std::size_t dstLeft = sizeof buf;
  if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1) || srcLeft != 0) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    return false;
  }
  utf8.assign(buf, dst - buf);
  return true;
}

// Double-byte characters are converted one by one so that each keeps its offset; a byte
// GBK does not define stands as U+FFFD, which "." still matches.
bool ToUtf8Subject(std::string_view gbk, Utf8Subject& s) {
  iconv_t cd = iconv_open("UTF-8", "CP936");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  s.text.reserve(gbk.size() + gbk.size() / 2);
  s.gbkOffset.reserve(gbk.size() + gbk.size() / 2 + 1);
  std::string utf8;
  std::size_t i = 0;
  while (i < gbk.size()) {
    unsigned char lead = gbk[i];
    if (lead < 0x80) {
      AppendChar(s, gbk.substr(i, 1), i);
      ++i;
      continue;
    }
    bool pair = lead >= 0x81 && lead <= 0xFE && i + 1 < gbk.size();
    std::size_t length = pair ? 2 : 1;
    if (ConvertChar(cd, gbk, i, length, utf8)) {
      AppendChar(s, utf8, i);
      i += length;
    } else {
      AppendChar(s, "\xEF\xBF\xBD", i);
      ++i;
    }
  }
  s.gbkOffset.push_back(gbk.size());
  iconv_close(cd);
  return true;
}

struct CodeFree {
  void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataFree {
  void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
struct CompileContextFree {
  void operator()(pcre2_compile_context* context) const { pcre2_compile_context_free(context); }
};
using Code = std::unique_ptr<pcre2_code, CodeFree>;

std::string ErrorText(int code) {
  PCRE2_UCHAR buf[256];
  if (pcre2_get_error_message(code, buf, sizeof buf) < 0)
    return "regular expression error " + std::to_string(code);
  return reinterpret_cast<const char*>(buf);
}

Code Compile(const RegExp& re, std::string* error) {
  bool ok = false;
  std::string pattern = codepage::GbkToUtf8(re.pattern, &ok);
  if (!ok) {
    if (error) *error = "the pattern is not GBK text";
    return nullptr;
  }
  // JavaScript syntax: \u and \x escapes, unset back references match the empty text,
  // [^] matches anything. Without Multiline "$" matches only at the very end.
  uint32_t options =
      PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF | PCRE2_ALLOW_EMPTY_CLASS;
  if (re.ignoreCase) options |= PCRE2_CASELESS;
  options |= re.multiline ? PCRE2_MULTILINE : PCRE2_DOLLAR_ENDONLY;
  std::unique_ptr<pcre2_compile_context, CompileContextFree> context(
      pcre2_compile_context_create(nullptr));
  if (!context) return nullptr;
  pcre2_set_newline(context.get(), PCRE2_NEWLINE_LF);
  int errorCode = 0;
  PCRE2_SIZE errorOffset = 0;
  Code code(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), options,
                          &errorCode, &errorOffset, context.get()));
  if (!code && error) *error = ErrorText(errorCode) + " at offset " + std::to_string(errorOffset);
  return code;
}

std::size_t NextCharStart(const std::string& utf8, std::size_t at) {
  ++at;
  while (at < utf8.size() && (static_cast<unsigned char>(utf8[at]) & 0xC0) == 0x80) ++at;
  return at;
}

Match MakeMatch(std::string_view gbk, const Utf8Subject& s, const PCRE2_SIZE* ovector, int pairs) {
  auto slice = [&](PCRE2_SIZE from, PCRE2_SIZE to, std::size_t& offset) {
    offset = s.gbkOffset[from];
    std::size_t end = s.gbkOffset[to];
    return std::string(gbk.substr(offset, end > offset ? end - offset : 0));
  };
  Match match;
  match.value = slice(ovector[0], ovector[1], match.firstIndex);
  match.subMatches.resize(pairs > 0 ? pairs - 1 : 0);
  for (int i = 1; i < pairs; ++i) {
    Group& group = match.subMatches[i - 1];
    if (ovector[2 * i] == PCRE2_UNSET) continue;
    group.matched = true;
    group.value = slice(ovector[2 * i], ovector[2 * i + 1], group.firstIndex);
  }
  return match;
}

}  // namespace

bool RegExp::Execute(std::string_view subject, std::vector<Match>& matches,
                     std::string* error) const {
  matches.clear();
  Code code = Compile(*this, error);
  if (!code) return false;
  Utf8Subject s;
  if (!ToUtf8Subject(subject, s)) {
    if (error) *error = "no GBK converter";
    return false;
  }
  std::unique_ptr<pcre2_match_data, MatchDataFree> data(
      pcre2_match_data_create_from_pattern(code.get(), nullptr));
  if (!data) return false;
  uint32_t groups = 0;
  pcre2_pattern_info(code.get(), PCRE2_INFO_CAPTURECOUNT, &groups);
  const auto* text = reinterpret_cast<PCRE2_SPTR>(s.text.data());
  std::size_t start = 0;
  while (start <= s.text.size()) {
    int rc = pcre2_match(code.get(), text, s.text.size(), start, PCRE2_NO_UTF_CHECK, data.get(),
                         nullptr);
    if (rc == PCRE2_ERROR_NOMATCH) break;
    if (rc < 0) {
      if (error) *error = ErrorText(rc);
      matches.clear();
      return false;
    }
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
    matches.push_back(MakeMatch(subject, s, ovector, static_cast<int>(groups) + 1));
    if (!global) break;
    // An empty match moves the search on by one character, so it cannot repeat forever.
    start = ovector[1] > ovector[0] ? ovector[1] : NextCharStart(s.text, ovector[0]);
  }
  return true;
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void AppendGroup(const Match& match, std::size_t number, std::string& out) {
  const Group& group = match.subMatches[number - 1];
  if (group.matched) out += group.value;
}

// Expands one replacement for `match`. "$" is never a GBK trail byte, so the replacement
// can be scanned byte by byte.
void Expand(std::string_view subject, std::string_view replacement, const Match& match,
            std::string& out) {
  const std::size_t groups = match.subMatches.size();
  std::size_t i = 0;
  while (i < replacement.size()) {
    char c = replacement[i];
    if (c != '$' || i + 1 == replacement.size()) {
      out += c;
      ++i;
      continue;
    }
    char next = replacement[i + 1];
    if (next == '$') {
      out += '$';
    } else if (next == '&') {
      out += match.value;
    } else if (next == '`') {
      out += subject.substr(0, match.firstIndex);
    } else if (next == '\'') {
      out += subject.substr(match.firstIndex + match.value.size());
    } else if (IsDigit(next)) {
      std::size_t one = next - '0';
      std::size_t two = i + 2 < replacement.size() && IsDigit(replacement[i + 2])
                            ? one * 10 + (replacement[i + 2] - '0')
                            : 0;
      if (two >= 1 && two <= groups) {
        AppendGroup(match, two, out);
        i += 3;
        continue;
      }
      if (one < 1 || one > groups) {
        out += '$';
        ++i;
        continue;
      }
      AppendGroup(match, one, out);
    } else {
      out += '$';
      ++i;
      continue;
    }
    i += 2;
  }
}

}  // namespace

bool RegExp::Replace(std::string_view subject, std::string_view replacement, std::string& out,
                     std::string* error) const {
  out.clear();
  std::vector<Match> matches;
  if (!Execute(subject, matches, error)) return false;
  std::size_t copied = 0;
  for (const Match& match : matches) {
    out.append(subject.substr(copied, match.firstIndex - copied));
    Expand(subject, replacement, match, out);
    copied = match.firstIndex + match.value.size();
  }
  out.append(subject.substr(copied));
  return true;
}

}  // namespace tv::regexp
