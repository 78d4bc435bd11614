// Output file handling of the download worker on platform/files.
#include "engine/output_file.h"

#include <vector>

#include "common/text_routines.h"
#include "platform/gbk.h"

namespace tv {
namespace {

using gbk::CharWidth;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Positions of the separators in a GBK path; the second byte of a double-byte
// character may be 0x5C and is not one.
std::vector<size_t> SeparatorPositions(const std::string& path) {
  std::vector<size_t> positions;
  for (size_t i = 0; i < path.size(); i += CharWidth(path, i)) {
    if (CharWidth(path, i) == 1 && IsSeparator(path[i])) positions.push_back(i);
  }
  return positions;
}

size_t NameStart(const std::string& path) {
  auto positions = SeparatorPositions(path);
  return positions.empty() ? 0 : positions.back() + 1;
}

// Every folder level of `dir`, shortest first.
std::vector<std::string> FolderLevels(const std::string& dir) {
  std::vector<std::string> levels;
  size_t previous = 0;
  for (size_t pos : SeparatorPositions(dir)) {
    if (pos > 0 && pos != previous + 1) levels.push_back(dir.substr(0, pos));
    previous = pos;
  }
  levels.push_back(dir);
  // The first part is a drive ("C:"), the root, or a relative folder to create as well.
  if (!levels.empty() && levels.front().size() == 2 && levels.front()[1] == ':')
    levels.erase(levels.begin());
  return levels;
}

}  // namespace

std::string PathDirectory(const std::string& path) { return path.substr(0, NameStart(path)); }

int MakeDirectoryTree(const std::string& dir) {
  std::string path = TrimSpaces(dir);
  if (path.empty()) return -1;
  if (path.size() > 1 && NameStart(path) == path.size()) path.pop_back();
  if (files::IsDirectory(path)) return 0;
  std::string firstCreated;
  for (const auto& level : FolderLevels(path)) {
    if (files::IsDirectory(level)) continue;
    if (!files::CreateDir(level)) {
      if (!firstCreated.empty()) files::RemoveTree(firstCreated);
      return -1;
    }
    if (firstCreated.empty()) firstCreated = level;
  }
  return 1;
}

int CreatePartialFile(const std::string& path, std::int64_t size) {
  MakeDirectoryTree(PathDirectory(path));
  if (size < 0 || size > 2147483647) return -1;
  files::File file;
  if (!file.Open(path, files::File::Mode::ReadWrite, files::File::Create::OpenAlways)) return -1;
  const bool ok = file.SetLength(size);
  file.Close();
  return ok ? 1 : -1;
}

bool OpenOutputFile(const std::string& path, files::File& file) {
  return file.Open(path, files::File::Mode::ReadWrite, files::File::Create::OpenExisting);
}

bool SeekOutputFile(files::File& file, std::int64_t offset) {
  return offset >= 0 && file.Seek(offset);
}

bool WriteOutputFile(files::File& file, const void* data, size_t size) {
  return file.Write(data, size);
}

bool WriteOutputFileAt(files::File& file, std::int64_t offset, const void* data, size_t size) {
  return offset >= 0 && file.WriteAt(offset, data, size);
}

void CloseOutputFile(files::File& file) { file.Close(); }

bool RenameOutputFile(const std::string& from, const std::string& to) {
  return files::MoveFile(from, to);
}

std::string PathExtension(const std::string& path) {
  const size_t nameStart = NameStart(path);
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < nameStart) return {};
  return path.substr(dot);
}

std::string PathFileName(const std::string& path) {
  std::string name = path.substr(NameStart(path));
  return name.substr(0, name.size() - PathExtension(name).size());
}

}  // namespace tv
