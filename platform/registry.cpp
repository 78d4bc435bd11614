// Reader of Wine's user.reg: "[key]" lines, then "name"=data lines in the layout Wine
// writes (quoted texts with C-style and \xNNNN escapes, str(2): and hex(N): data).
#include "platform/registry.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "platform/codepage.h"

extern char** environ;

namespace tv::registry {
namespace {

constexpr int kRegSz = 1;
constexpr int kRegExpandSz = 2;

char16_t FoldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? c - u'A' + u'a' : c; }

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// The escape after a backslash at line[pos]; advances pos past it.
char16_t Unescape(std::u16string_view line, size_t& pos) {
  char16_t e = line[pos++];
  switch (e) {
    case u'a':
      return 7;
    case u'b':
      return 8;
    case u'e':
      return 27;
    case u'f':
      return 12;
    case u'n':
      return 10;
    case u'r':
      return 13;
    case u't':
      return 9;
    case u'v':
      return 11;
    case u'x': {
      // Wine writes UTF-16 code units as up to four hex digits.
      unsigned value = 0;
      int digits = 0;
      for (; digits < 4 && pos < line.size() && HexDigit(line[pos]) >= 0; ++digits)
        value = value * 16 + HexDigit(line[pos++]);
      return digits ? static_cast<char16_t>(value) : u'x';
    }
    default:
      if (e >= u'0' && e <= u'7') {
        unsigned value = e - u'0';
        for (int digits = 1;
             digits < 3 && pos < line.size() && line[pos] >= u'0' && line[pos] <= u'7'; ++digits)
          value = value * 8 + (line[pos++] - u'0');
        return static_cast<char16_t>(value);
      }
      return e;  // \\, \", \[, \] and anything else stand for themselves
  }
}

// Reads an escaped text from line[pos] up to the unescaped `end`; pos ends past it.
std::optional<std::u16string> ReadUntil(std::u16string_view line, size_t& pos, char16_t end) {
  std::u16string out;
  while (pos < line.size()) {
    char16_t c = line[pos++];
    if (c == end) return out;
    if (c != u'\\') {
      out += c;
    } else if (pos < line.size()) {
      out += Unescape(line, pos);
    }
  }
  return std::nullopt;
}

std::u16string DecodeFile(const std::string& bytes) {
  std::u16string text;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    text.resize((bytes.size() - 2) / 2);
    for (size_t i = 0; i < text.size(); ++i)
      text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                      static_cast<unsigned char>(bytes[3 + 2 * i]) << 8);
    return text;
  }
  if (codepage::ToUtf16(codepage::kUtf8, bytes, text)) return text;
  // Not UTF-8 after all: Wine itself writes pure ASCII, so read bytes one to one.
  text.assign(bytes.begin(), bytes.end());
  for (auto& c : text) c &= 0xFF;
  return text;
}

std::vector<std::u16string> SplitLines(const std::u16string& text) {
  std::vector<std::u16string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(u'\n', start);
    if (end == std::u16string::npos) end = text.size();
    std::u16string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == u'\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

// hex(N): data from `pos` of lines[index]: two-digit bytes separated by commas, a line
// ending in "\\" continued on the next.
std::string ReadHexBytes(const std::vector<std::u16string>& lines, size_t index, size_t pos) {
  std::string bytes;
  int high = -1;
  while (index < lines.size()) {
    std::u16string_view line = lines[index];
    bool continued = false;
    for (; pos < line.size() && !continued; ++pos) {
      int digit = HexDigit(line[pos]);
      if (digit < 0) {
        continued = line[pos] == u'\\';
      } else if (high < 0) {
        high = digit;
      } else {
        bytes.push_back(static_cast<char>(high * 16 + digit));
        high = -1;
      }
    }
    if (!continued) break;
    ++index;
    pos = 0;
  }
  return bytes;
}

std::u16string Utf16FromLeBytes(const std::string& bytes) {
  std::u16string text(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                    static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  return text;
}

std::optional<std::u16string> EnvironmentValue(const std::u16string& name) {
  std::string utf8;
  if (!codepage::FromUtf16(codepage::kUtf8, name, utf8) || utf8.empty()) return std::nullopt;
  const char* value = std::getenv(utf8.c_str());
  // Windows variable names ignore case; fall back to a case-blind search.
  for (char** env = environ; !value && env && *env; ++env) {
    std::string_view entry(*env);
    size_t eq = entry.find('=');
    if (eq != utf8.size()) continue;
    bool same = true;
    for (size_t i = 0; i < eq && same; ++i)
      same = FoldAscii(static_cast<unsigned char>(entry[i])) ==
             FoldAscii(static_cast<unsigned char>(utf8[i]));
    if (same) value = *env + eq + 1;
  }
  if (!value) return std::nullopt;
  std::u16string out;
  if (!codepage::ToUtf16(codepage::kUtf8, value, out)) return std::nullopt;
  return out;
}

// %NAME% replaced by the variable's value; unknown names stay as written.
std::u16string ExpandEnvironment(const std::u16string& text) {
  std::u16string out;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t open = text.find(u'%', pos);
    size_t close = open == std::u16string::npos ? open : text.find(u'%', open + 1);
    if (close == std::u16string::npos) {
      out += text.substr(pos);
      break;
    }
    out += text.substr(pos, open - pos);
    auto value = EnvironmentValue(text.substr(open + 1, close - open - 1));
    out += value ? *value : text.substr(open, close - open + 1);
    pos = close + 1;
  }
  return out;
}

// The data after "=" of a value line as text, or nothing when it is not a text type.
std::optional<std::u16string> ReadTextData(const std::vector<std::u16string>& lines, size_t index,
                                           size_t pos) {
  std::u16string_view line = lines[index];
  std::u16string_view rest = line.substr(pos);
  int type = 0;
  std::optional<std::u16string> text;
  if (rest.starts_with(u"\"")) {
    type = kRegSz;
    ++pos;
    text = ReadUntil(line, pos, u'"');
  } else if (rest.starts_with(u"str(") || rest.starts_with(u"hex(")) {
    size_t close = rest.find(u"):");
    if (close == std::u16string_view::npos || close == 4) return std::nullopt;
    for (size_t i = 4; i < close; ++i) {
      if (HexDigit(rest[i]) < 0) return std::nullopt;
      type = type * 16 + HexDigit(rest[i]);
    }
    if (type != kRegSz && type != kRegExpandSz) return std::nullopt;
    pos += close + 2;
    if (rest.starts_with(u"hex(")) {
      text = Utf16FromLeBytes(ReadHexBytes(lines, index, pos));
    } else if (pos < line.size() && line[pos] == u'"') {
      ++pos;
      text = ReadUntil(line, pos, u'"');
    }
  }
  if (!text) return std::nullopt;
  // A text value ends at its first terminating zero.
  text->resize(std::min(text->size(), text->find(u'\0')));
  if (type == kRegExpandSz) *text = ExpandEnvironment(*text);
  return text;
}

std::optional<std::u16string> FindValue(const std::vector<std::u16string>& lines,
                                        std::u16string_view key, std::u16string_view value) {
  bool inKey = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::u16string_view line = lines[i];
    if (line.starts_with(u"[")) {
      size_t pos = 1;
      auto name = ReadUntil(line, pos, u']');
      inKey = name && SameName(*name, key);
      continue;
    }
    if (!inKey) continue;
    size_t pos = 0;
    std::optional<std::u16string> name;
    if (line.starts_with(u"@=")) {
      name = std::u16string();
      pos = 1;
    } else if (line.starts_with(u"\"")) {
      pos = 1;
      name = ReadUntil(line, pos, u'"');
      if (!name || pos >= line.size() || line[pos] != u'=') continue;
    }
    if (name && SameName(*name, value)) return ReadTextData(lines, i, pos + 1);
  }
  return std::nullopt;
}

std::u16string TrimBackslashes(std::u16string text) {
  while (!text.empty() && text.front() == u'\\') text.erase(0, 1);
  while (!text.empty() && text.back() == u'\\') text.pop_back();
  return text;
}

}  // namespace

std::filesystem::path UserHivePath() {
  if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix)
    return std::filesystem::path(prefix) / "user.reg";
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home ? home : "") / ".wine" / "user.reg";
}

namespace {

std::string ReadFromHive(const std::filesystem::path& hive, const std::u16string& key,
                         const std::u16string& value) {
  std::ifstream in(hive, std::ios::binary);
  if (!in) return {};
  std::ostringstream content;
  content << in.rdbuf();
  auto found = FindValue(SplitLines(DecodeFile(content.str())), TrimBackslashes(key), value);
  std::string gbk;
  if (!found || !codepage::FromUtf16(codepage::kGbk, *found, gbk)) return {};
  return gbk;
}

}  // namespace

std::string ReadTextFromHive(const std::filesystem::path& hive, const std::string& keyPath,
                             const std::string& valueName) {
  std::u16string key, value;
  if (!codepage::ToUtf16(codepage::kGbk, keyPath, key) ||
      !codepage::ToUtf16(codepage::kGbk, valueName, value))
    return {};
  return ReadFromHive(hive, key, value);
}

std::string ReadUserText(const std::string& keyPath, const std::string& valueName) {
  return ReadTextFromHive(UserHivePath(), keyPath, valueName);
}

std::string ReadUserText(const std::string& keyAndValuePath) {
  // Split in UTF-16: a GBK trail byte can equal "\\", so a byte search could cut a character.
  std::u16string path;
  if (!codepage::ToUtf16(codepage::kGbk, keyAndValuePath, path)) return {};
  size_t last = path.rfind(u'\\');
  if (last == std::u16string::npos) return {};
  return ReadFromHive(UserHivePath(), path.substr(0, last), path.substr(last + 1));
}

}  // namespace tv::registry
