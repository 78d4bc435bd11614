// MakeZip: a folder's content or one file into a new ZIP archive, written under a
// temporary name and renamed into place only when every item went in.
#include <minizip/zip.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <memory>
#include <vector>

#include "maps/archive_control.h"
#include "maps/zip_names.h"
#include "platform/codepage.h"
#include "platform/files.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

constexpr size_t kBufferSize = 1 << 20;
constexpr unsigned long kDosDirectory = 0x10;
constexpr const char* kTempSuffix = "~tvpart";

struct Item {
  std::string path;   // GBK, as reported in CurrentFileName
  std::string entry;  // GBK entry name, "/"-separated; folders end in "/"
  bool folder = false;
};

// Appends a folder's content in archive order: its files, then each subfolder's entry
// followed by that subfolder's content. `skip` (the archive being written) is left out.
bool ListTree(const fs::path& native, const std::string& path, const std::string& prefix,
              const fs::path& skip, std::vector<Item>& out) {
  std::error_code ec;
  std::vector<std::pair<fs::path, std::string>> folders;
  for (fs::directory_iterator it(native, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path() == skip) continue;
    bool ok = false;
    std::string name = codepage::Utf8ToGbkText(it->path().filename().native(), &ok);
    if (!ok) return false;  // no GBK form: it could not be named in the archive
    std::error_code statEc;
    if (it->is_directory(statEc))
      folders.emplace_back(it->path(), name);
    else if (it->is_regular_file(statEc))
      out.push_back({path + "\\" + name, prefix + name, false});
    // Anything else (gone, unreadable, not a file) cannot be accessed and is skipped.
  }
  if (ec) return false;
  for (const auto& [folder, name] : folders) {
    out.push_back({path + "\\" + name, prefix + name + "/", true});
    if (!ListTree(folder, path + "\\" + name, prefix + name + "/", skip, out)) return false;
  }
  return true;
}

zip_fileinfo InfoFor(const std::string& path, bool folder) {
  zip_fileinfo info{};
  info.external_fa = folder ? kDosDirectory : 0;
  fs::path native;
  std::error_code ec;
  std::time_t when = std::time(nullptr);
  if (files::ToNative(path, native)) {
    auto written = fs::last_write_time(native, ec);
    if (!ec) {
      auto sys = std::chrono::time_point_cast<std::chrono::system_clock::duration>(
          std::chrono::file_clock::to_sys(written));
      when = std::chrono::system_clock::to_time_t(sys);
    }
  }
  std::tm local{};
  localtime_r(&when, &local);
  info.tmz_date = {static_cast<uInt>(local.tm_sec),  static_cast<uInt>(local.tm_min),
                   static_cast<uInt>(local.tm_hour), static_cast<uInt>(local.tm_mday),
                   static_cast<uInt>(local.tm_mon),  static_cast<uInt>(local.tm_year + 1900)};
  if (info.tmz_date.tm_year < 1980) info.tmz_date = {0, 0, 0, 1, 0, 1980};
  return info;
}

// One deflate stream for the whole archive, reset between entries: setting up a stream
// per file costs more than compressing a small file.
class Deflater {
 public:
  Deflater() {
    ready_ = deflateInit2(&stream_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, DEF_MEM_LEVEL,
                          Z_DEFAULT_STRATEGY) == Z_OK;
  }
  ~Deflater() {
    if (ready_) deflateEnd(&stream_);
  }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  bool ready() const { return ready_; }
  void Reset() { deflateReset(&stream_); }

  // Compresses `size` bytes (flushing the end when `finish`) and hands every filled output
  // block to the archive.
  bool Feed(zipFile zip, const char* data, size_t size, bool finish) {
    stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    stream_.avail_in = static_cast<uInt>(size);
    for (;;) {
      stream_.next_out = reinterpret_cast<Bytef*>(out_.data());
      stream_.avail_out = static_cast<uInt>(out_.size());
      const int status = deflate(&stream_, finish ? Z_FINISH : Z_NO_FLUSH);
      if (status == Z_STREAM_ERROR) return false;
      const size_t produced = out_.size() - stream_.avail_out;
      if (produced &&
          zipWriteInFileInZip(zip, out_.data(), static_cast<unsigned>(produced)) != ZIP_OK)
        return false;
      if (finish ? status == Z_STREAM_END : stream_.avail_out != 0) return true;
    }
  }

 private:
  z_stream stream_{};
  bool ready_ = false;
  std::vector<char> out_ = std::vector<char>(kBufferSize);
};

// Entries are written raw: the content is compressed here and minizip only frames it.
bool OpenEntry(zipFile zip, const Item& item, bool stored, int64_t size) {
  const zip_fileinfo info = InfoFor(item.path, item.folder);
  const int zip64 = size >= 0xffffffffLL ? 1 : 0;
  return zipOpenNewFileInZip4_64(zip, item.entry.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                 stored ? 0 : Z_DEFLATED, stored ? 0 : Z_DEFAULT_COMPRESSION, 1,
                                 -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0, 0, 0,
                                 zip64) == ZIP_OK;
}

bool AddItem(zipFile zip, const Item& item, Deflater& deflater, std::vector<char>& buffer) {
  if (item.folder)
    return OpenEntry(zip, item, true, 0) && zipCloseFileInZipRaw64(zip, 0, 0) == ZIP_OK;
  files::File in;
  if (!in.Open(item.path, files::File::Mode::Read, files::File::Create::OpenExisting)) return false;
  const bool stored = zipnames::StoreUncompressed(item.entry);
  if (!OpenEntry(zip, item, stored, files::FileSize(item.path))) return false;
  uLong crc = crc32(0, nullptr, 0);
  ZPOS64_T total = 0;
  bool ok = true;
  for (size_t n = 0; ok;) {
    ok = in.Read(buffer.data(), buffer.size(), n);
    if (!ok) break;
    crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer.data()), static_cast<uInt>(n));
    total += n;
    if (stored)
      ok = n == 0 || zipWriteInFileInZip(zip, buffer.data(), static_cast<unsigned>(n)) == ZIP_OK;
    else
      ok = deflater.Feed(zip, buffer.data(), n, n == 0);
    if (n == 0) break;
  }
  if (!stored) deflater.Reset();
  return zipCloseFileInZipRaw64(zip, total, crc) == ZIP_OK && ok;
}

int Percent(size_t done, size_t total) {
  return static_cast<int>(static_cast<double>(done) / static_cast<double>(total) * 100.0);
}

// Flushes the finished archive and renames it over `archive`.
bool PlaceArchive(const std::string& temp, const std::string& archive) {
  files::File written;
  if (!written.Open(temp, files::File::Mode::Read, files::File::Create::OpenExisting) ||
      !written.SyncData())
    return false;
  written.Close();
  return files::ReplaceFile(temp, archive);
}

}  // namespace

int ArchiveControl::MakeZip(const std::string& source, const std::string& archive) {
  if (source.empty() || archive.empty() || !files::Exists(source)) return -1;
  const std::string temp = archive + kTempSuffix;
  fs::path nativeSource, nativeTemp;
  if (!files::ToNative(source, nativeSource) || !files::ToNative(temp, nativeTemp)) return 0;
  const bool folder = files::IsDirectory(source);
  std::vector<Item> items;
  if (folder && !ListTree(nativeSource, source, "", nativeTemp, items)) return 0;
  if (!folder) items.push_back({source, zipnames::BareName(source), false});

  zipFile zip = zipOpen64(nativeTemp.c_str(), APPEND_STATUS_CREATE);
  if (!zip) return 0;
  std::vector<char> buffer(kBufferSize);
  Deflater deflater;
  bool ok = deflater.ready();
  for (size_t done = 0; ok && done < items.size(); ++done) {
    ok = AddItem(zip, items[done], deflater, buffer);
    if (ok && folder) Report(CompressProgress, items[done].path, Percent(done + 1, items.size()));
  }
  ok = zipClose(zip, nullptr) == ZIP_OK && ok;
  if (ok && PlaceArchive(temp, archive)) return 1;
  files::DeleteFile(temp);
  return 0;
}

}  // namespace tv
