// Private-profile (INI) files: a small reader and writer of the Windows layout on GBK
// bytes. A write reads the whole file, changes it and replaces it atomically.
#include "platform/profile.h"

#include <mutex>
#include <string_view>

#include "platform/files.h"
#include "platform/gbk.h"

namespace tv::profile {
namespace {

// One line of the file as read; key lines also carry their parsed key and value.
struct Line {
  std::string text;
  bool isKey = false;
  std::string key;
};

struct Section {
  std::string name;
  std::string header;
  std::vector<Line> lines;
};

struct Document {
  std::vector<Line> preamble;  // lines before the first section
  std::vector<Section> sections;
};

std::string_view Trim(std::string_view s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// Position of an ASCII byte, stepping over double-byte characters (a GBK trail byte can
// look like "[" or "]").
size_t FindAscii(std::string_view s, char c) {
  for (size_t i = 0; i < s.size(); i += gbk::CharWidth(s, i))
    if (s[i] == c) return i;
  return std::string_view::npos;
}

Line ParseLine(std::string_view text) {
  Line line{std::string(text), false, {}};
  std::string_view trimmed = Trim(text);
  size_t eq = trimmed.find('=');  // "=" is never a GBK trail byte
  if (eq == std::string_view::npos || trimmed.front() == ';') return line;
  std::string_view key = Trim(trimmed.substr(0, eq));
  if (key.empty()) return line;
  line.isKey = true;
  line.key = key;
  return line;
}

std::string_view ValueOf(const Line& line) {
  return Trim(std::string_view(line.text).substr(line.text.find('=') + 1));
}

Document Parse(std::string_view content) {
  Document doc;
  while (!content.empty()) {
    size_t nl = content.find('\n');
    std::string_view text = content.substr(0, nl);
    content = nl == std::string_view::npos ? std::string_view() : content.substr(nl + 1);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    std::string_view trimmed = Trim(text);
    if (!trimmed.empty() && trimmed.front() == '[') {
      std::string_view name = trimmed.substr(1, FindAscii(trimmed, ']') - 1);
      doc.sections.push_back({std::string(Trim(name)), std::string(text), {}});
    } else {
      (doc.sections.empty() ? doc.preamble : doc.sections.back().lines).push_back(ParseLine(text));
    }
  }
  return doc;
}

std::string Serialise(const Document& doc) {
  std::string out;
  for (const Line& line : doc.preamble) out += line.text + "\r\n";
  for (const Section& section : doc.sections) {
    out += section.header + "\r\n";
    for (const Line& line : section.lines) out += line.text + "\r\n";
  }
  return out;
}

Section* FindSection(Document& doc, std::string_view name) {
  for (Section& section : doc.sections)
    if (gbk::EqualsIgnoringAsciiCase(section.name, name)) return &section;
  return nullptr;
}

Line* FindKey(Section& section, std::string_view key) {
  for (Line& line : section.lines)
    if (line.isKey && gbk::EqualsIgnoringAsciiCase(line.key, key)) return &line;
  return nullptr;
}

// New keys go after the section's last non-blank line, so blank separator lines stay
// before the next section.
void SetKey(Document& doc, std::string_view sectionName, std::string_view key,
            const std::string& value) {
  Section* section = FindSection(doc, sectionName);
  if (!section) {
    doc.sections.push_back({std::string(sectionName), "[" + std::string(sectionName) + "]", {}});
    section = &doc.sections.back();
  }
  if (Line* line = FindKey(*section, key)) {
    line->text = line->key + "=" + value;
    return;
  }
  size_t at = section->lines.size();
  while (at > 0 && Trim(section->lines[at - 1].text).empty()) --at;
  section->lines.insert(section->lines.begin() + static_cast<long>(at),
                        Line{std::string(key) + "=" + value, true, std::string(key)});
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// Names and values that would change the file's structure when written are refused.
bool Writable(std::string_view section, std::string_view key, std::string_view value) {
  if (section.empty() || key.empty() || HasLineBreak(section) || HasLineBreak(key) ||
      HasLineBreak(value))
    return false;
  if (FindAscii(section, ']') != std::string_view::npos) return false;
  return key.find('=') == std::string_view::npos && key.front() != '[' && key.front() != ';';
}

// A missing file reads as empty; one that exists but cannot be read is an error.
bool Load(const std::string& file, Document& doc) {
  std::string content;
  if (!files::ReadWholeFile(file, content) && files::GetAttributes(file) != -1) return false;
  doc = Parse(content);
  return true;
}

std::mutex& WriteMutex() {
  static std::mutex m;
  return m;
}

// The longest prefix of at most `limit` bytes that does not split a double-byte character.
std::string Truncated(std::string_view s, size_t limit) {
  size_t end = 0;
  for (size_t i = 0; i < s.size();) {
    size_t len = gbk::CharWidth(s, i);
    if (i + len > limit) break;
    i += len;
    end = i;
  }
  return std::string(s.substr(0, end));
}

}  // namespace

std::string ReadString(const std::string& file, const std::string& section, const std::string& key,
                       const std::string& fallback, size_t capacity) {
  size_t limit = capacity == 0 ? 0 : capacity - 1;
  Document doc;
  if (!Load(file, doc)) return Truncated(fallback, limit);
  Section* found = FindSection(doc, Trim(section));
  Line* line = found ? FindKey(*found, Trim(key)) : nullptr;
  return Truncated(line ? ValueOf(*line) : std::string_view(fallback), limit);
}

bool WriteString(const std::string& file, const std::string& section, const std::string& key,
                 const std::string& value) {
  return WriteStrings(file, section, {{key, value}});
}

bool WriteStrings(const std::string& file, const std::string& section,
                  const std::vector<std::pair<std::string, std::string>>& entries) {
  std::string_view name = Trim(section);
  if (entries.empty()) return !name.empty();
  for (const auto& [key, value] : entries)
    if (!Writable(name, Trim(key), value)) return false;
  std::lock_guard<std::mutex> lock(WriteMutex());
  Document doc;
  if (!Load(file, doc)) return false;
  for (const auto& [key, value] : entries) SetKey(doc, name, Trim(key), value);
  return files::WriteFileAtomically(file, Serialise(doc));
}

}  // namespace tv::profile
