// ExtractZip: a ZIP archive into a folder. The directory is read and every name checked
// before anything is written; each file goes to a temporary name beside its target and
// is renamed over it only when its content arrived whole and matched its checksum.
#include <minizip/unzip.h>

#include <filesystem>
#include <vector>

#include "maps/archive_control.h"
#include "maps/zip_names.h"
#include "platform/files.h"

namespace tv {
namespace {

constexpr size_t kBufferSize = 1 << 20;
constexpr size_t kMaxNameSize = 0xffff;
constexpr const char* kTempSuffix = "~tvpart";

struct Entry {
  std::string name;  // GBK
  bool folder = false;
  ZPOS64_T size = 0;
};

// The archive begins with a local file header (signature PK 3 4) of an entry with a name.
bool StartsWithNamedEntry(const std::string& archive) {
  files::File file;
  unsigned char header[30];
  size_t read = 0;
  if (!file.Open(archive, files::File::Mode::Read, files::File::Create::OpenExisting) ||
      !file.Read(header, sizeof header, read) || read < sizeof header)
    return false;
  const bool signature = header[0] == 'P' && header[1] == 'K' && header[2] == 3 && header[3] == 4;
  return signature && (header[26] | header[27] << 8) != 0;
}

class Archive {
 public:
  explicit Archive(const std::string& path) {
    std::filesystem::path native;
    if (files::ToNative(path, native)) handle_ = unzOpen64(native.c_str());
  }
  ~Archive() {
    if (handle_) unzClose(handle_);
  }
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;
  unzFile handle() const { return handle_; }

 private:
  unzFile handle_ = nullptr;
};

// Reads every entry's name in archive order; false for a damaged directory or a name that
// could not be written safely inside the target folder.
bool ReadDirectory(unzFile zip, std::vector<Entry>& entries) {
  unz_global_info64 global{};
  if (unzGetGlobalInfo64(zip, &global) != UNZ_OK) return false;
  std::vector<char> raw(kMaxNameSize + 1);
  int status = unzGoToFirstFile(zip);
  for (; status == UNZ_OK; status = unzGoToNextFile(zip)) {
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(zip, &info, raw.data(), raw.size(), nullptr, 0, nullptr, 0) !=
        UNZ_OK)
      return false;
    Entry entry;
    if (!zipnames::ToGbk(std::string_view(raw.data(), info.size_filename), info.flag, entry.name) ||
        !zipnames::IsSafe(entry.name))
      return false;
    entry.folder = zipnames::IsFolderEntry(entry.name);
    entry.size = info.uncompressed_size;
    entries.push_back(std::move(entry));
  }
  return status == UNZ_END_OF_LIST_OF_FILE && entries.size() == global.number_entry;
}

// Inflates the current entry into `temp`; true only for the whole, checksummed content.
bool InflateTo(unzFile zip, const std::string& temp, ZPOS64_T size, std::vector<char>& buffer) {
  files::File out;
  if (!out.Open(temp, files::File::Mode::ReadWrite, files::File::Create::CreateAlways))
    return false;
  if (unzOpenCurrentFile(zip) != UNZ_OK) return false;
  ZPOS64_T written = 0;
  int n = 0;
  bool ok = true;
  while (ok &&
         (n = unzReadCurrentFile(zip, buffer.data(), static_cast<unsigned>(buffer.size()))) > 0) {
    ok = out.Write(buffer.data(), static_cast<size_t>(n));
    written += static_cast<ZPOS64_T>(n);
  }
  // The checksum is only compared when every byte was read, so the size is checked too.
  const bool closed = unzCloseCurrentFile(zip) == UNZ_OK;
  out.Close();
  return ok && n == 0 && closed && written == size;
}

class Extractor {
 public:
  Extractor(unzFile zip, std::string folder) : zip_(zip), folder_(std::move(folder)) {}

  bool WriteFolder(const std::string& target) {
    return files::IsDirectory(target) || files::CreateDirs(target);
  }

  bool WriteFile(const std::string& target, ZPOS64_T size) {
    const std::string parent = zipnames::ParentPath(target);
    if (parent != lastParent_) {
      if (!parent.empty() && !files::IsDirectory(parent) && !files::CreateDirs(parent))
        return false;
      lastParent_ = parent;
    }
    const std::string temp = target + kTempSuffix;
    if (InflateTo(zip_, temp, size, buffer_) && files::ReplaceFile(temp, target)) return true;
    files::DeleteFile(temp);
    return false;
  }

  std::string Target(const Entry& entry) const { return zipnames::TargetPath(folder_, entry.name); }

 private:
  unzFile zip_;
  std::string folder_;
  std::string lastParent_;
  std::vector<char> buffer_ = std::vector<char>(kBufferSize);
};

int Percent(size_t index, size_t total) {
  return static_cast<int>(static_cast<double>(index) / static_cast<double>(total) * 100.0);
}

}  // namespace

int ArchiveControl::ExtractZip(const std::string& archive, const std::string& folder) {
  if (archive.empty() || folder.empty()) return -1;
  bool counted = false;
  const int result = [&] {
    if (!files::Exists(archive)) return -1;
    if (!files::Exists(folder) && !files::CreateDirs(folder)) return 0;
    if (!StartsWithNamedEntry(archive)) return 0;
    Archive zip(archive);
    std::vector<Entry> entries;
    if (!zip.handle() || !ReadDirectory(zip.handle(), entries)) return 0;
    counted = true;
    Extractor extractor(zip.handle(), folder);
    int status = unzGoToFirstFile(zip.handle());
    for (size_t i = 0; i < entries.size(); ++i, status = unzGoToNextFile(zip.handle())) {
      const std::string target = extractor.Target(entries[i]);
      const bool ok =
          status == UNZ_OK && (entries[i].folder ? extractor.WriteFolder(target)
                                                 : extractor.WriteFile(target, entries[i].size));
      if (!ok) return 0;
      Report(ExtractProgress, target, Percent(i, entries.size()));
    }
    return 1;
  }();
  Raise(ExtractProgress, counted ? 100 : 0);
  return result;
}

}  // namespace tv
