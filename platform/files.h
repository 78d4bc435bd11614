// File-system operations on GBK Windows-style paths. A path is mapped to a native one
// by converting GBK to UTF-8, turning "\" into "/", and resolving a drive prefix "X:"
// through the Wine prefix's dosdevices/x: link ($WINEPREFIX, else ~/.wine). A path
// with a drive that is not mapped fails every operation.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace tv::files {

// The native path for `path`; false when the drive is not mapped or the text is not GBK.
bool ToNative(const std::string& path, std::filesystem::path& out);

// The running executable's folder as a GBK text, without a trailing separator.
std::string ExecutableFolder();
// Makes ExecutableFolder give `folder` (a GBK text), so tests can keep the pack folder
// in a sandbox; an empty text returns to the real folder.
void SetExecutableFolderForTests(const std::string& folder);

// First-file search: true when an entry (file or folder) matches. "*" and "?" in the
// last component are wildcards; a path ending in "\" or "/" finds nothing.
bool Exists(const std::string& path);

bool IsDirectory(const std::string& path);
bool CreateDir(const std::string& path);   // one level; false when it exists or fails
bool CreateDirs(const std::string& path);  // every missing level; true when it exists afterwards
bool RemoveDir(const std::string& path);   // an empty folder
bool RemoveTree(const std::string& path);  // a folder and everything in it
// Read-only only guards a file's content: DeleteFile, MoveFile, ReplaceFile and CopyFile
// act on read-only files and over read-only targets, since installers replace read-only
// game files; WriteFileAtomically and File::Open for writing refuse a read-only file.
bool DeleteFile(const std::string& path);  // also a read-only file; never a folder
bool MoveFile(const std::string& from,
              const std::string& to);  // fails when `to` exists; crosses file systems
bool ReplaceFile(const std::string& from, const std::string& to);  // atomic rename over `to`
bool CopyFile(const std::string& from, const std::string& to,
              bool failIfExists);           // source's attributes kept
int64_t FileSize(const std::string& path);  // -1 when missing

// Attributes in the Windows numbering.
constexpr int kReadOnly = 0x01;
constexpr int kHidden = 0x02;
constexpr int kDirectory = 0x10;
constexpr int kNormal = 0x80;
int GetAttributes(const std::string& path);  // -1 when missing
bool SetAttributes(const std::string& path, int attributes);

bool ReadWholeFile(const std::string& path, std::string& out);
// Writes through a temporary file beside `path`, flushed, then renamed over it.
bool WriteFileAtomically(const std::string& path, std::string_view data);

// An open file that several writers may share, each writing its own region.
class File {
 public:
  enum class Mode { Read, ReadWrite };
  enum class Create { OpenExisting, OpenAlways, CreateAlways };

  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  bool Open(const std::string& path, Mode mode, Create create);
  bool IsOpen() const { return fd_ >= 0; }
  bool Seek(int64_t offset);
  // Writes all of `size` bytes at the current offset; false on any shortfall.
  bool Write(const void* data, size_t size);
  bool WriteAt(int64_t offset, const void* data, size_t size);
  // Reads up to `size` bytes; `read` is 0 at the end.
  bool Read(void* data, size_t size, size_t& read);
  bool SetLength(int64_t length);
  bool SyncData();  // fdatasync
  void Close();

 private:
  int fd_ = -1;
};

}  // namespace tv::files
