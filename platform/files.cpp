// File-system operations on GBK Windows-style paths, over POSIX and std::filesystem.
// Read-only is the owner write bit; hidden lives in the "user.DOSATTRIB" attribute.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/codepage.h"
#include "platform/gbk.h"

namespace tv::files {
namespace fs = std::filesystem;

namespace {

using gbk::CharWidth;

constexpr const char* kDosAttributeName = "user.DOSATTRIB";
constexpr int kSystem = 0x04;  // kept with hidden in the extended attribute

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string WinePrefix() {
  if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix) return prefix;
  const char* home = std::getenv("HOME");
  if (!home || !*home) {
    const passwd* pw = getpwuid(getuid());
    home = pw ? pw->pw_dir : nullptr;
  }
  return home ? std::string(home) + "/.wine" : std::string();
}

// The dosdevices link of a drive letter; false when the drive is not mapped.
bool DriveFolder(char letter, std::string& out) {
  std::string prefix = WinePrefix();
  if (prefix.empty()) return false;
  char link[] = "/dosdevices/x:";
  link[12] = static_cast<char>(letter | 0x20);
  out = prefix + link;
  struct stat st;
  return stat(out.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Lstat(const fs::path& p, struct stat& st) { return lstat(p.c_str(), &st) == 0; }
bool Present(const fs::path& p) {
  struct stat st;
  return Lstat(p, st);
}

size_t Utf8CharLength(std::string_view s, size_t i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  size_t n = c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
  return std::min(n, s.size() - i);
}

// Windows-style wildcard match on UTF-8 names: "*" any run, "?" one character.
bool WildcardMatch(std::string_view pattern, std::string_view name) {
  if (pattern == "*.*") pattern = "*";  // matches names without a dot too
  size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      n += Utf8CharLength(name, n);
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = ++p;
      starN = n;
    } else if (p < pattern.size() && pattern[p] == name[n]) {
      ++p;
      ++n;
    } else if (starP != std::string_view::npos) {
      p = starP;
      starN += Utf8CharLength(name, starN);
      n = starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool AnyEntryMatches(const std::string& folder, std::string_view pattern) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return false;
  bool found = false;
  while (const dirent* entry = readdir(dir)) {
    std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (WildcardMatch(pattern, name)) {
      found = true;
      break;
    }
  }
  closedir(dir);
  return found;
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool CopyContent(int from, int to) {
  std::vector<char> buffer(1 << 18);
  for (;;) {
    ssize_t n = read(from, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (!WriteAll(to, buffer.data(), static_cast<size_t>(n))) return false;
  }
}

// Creates a new file with a unique name in the folder of `target`.
int CreateTempBeside(const fs::path& target, mode_t mode, fs::path& temp) {
  static std::atomic<unsigned> counter{0};
  fs::path folder = target.parent_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = ".tv-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".tmp";
    temp = folder.empty() ? fs::path(name) : folder / name;
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

void SyncFolder(const fs::path& file) {
  fs::path folder = file.parent_path();
  int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

int ReadDosAttributes(const fs::path& p) {
  char buf[32] = {};
  ssize_t n = getxattr(p.c_str(), kDosAttributeName, buf, sizeof buf - 1);
  if (n < 3 || buf[0] != '0' || (buf[1] != 'x' && buf[1] != 'X')) return 0;
  return static_cast<int>(std::strtol(buf + 2, nullptr, 16)) & (kHidden | kSystem);
}

// Best effort: file systems without user attributes simply keep no hidden flag.
void WriteDosAttributes(const fs::path& p, int attributes) {
  int kept = attributes & (kHidden | kSystem);
  if (kept == 0) {
    removexattr(p.c_str(), kDosAttributeName);
    return;
  }
  char buf[16];
  int n = std::snprintf(buf, sizeof buf, "0x%x", kept);
  setxattr(p.c_str(), kDosAttributeName, buf, static_cast<size_t>(n), 0);
}

// Copies `from` into a new temporary file beside `to`, with the source's mode and
// hidden flag, flushed to disk. The caller renames or removes `temp`.
bool CopyIntoTemp(const fs::path& from, const fs::path& to, fs::path& temp) {
  int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st;
  bool ok = fstat(in, &st) == 0 && S_ISREG(st.st_mode);
  int out = ok ? CreateTempBeside(to, 0600, temp) : -1;
  if (out >= 0) {
    ok = CopyContent(in, out) && fchmod(out, st.st_mode & 07777) == 0 && fdatasync(out) == 0;
    ok = close(out) == 0 && ok;
    if (ok) WriteDosAttributes(temp, ReadDosAttributes(from));
    if (!ok) unlink(temp.c_str());
  }
  close(in);
  return ok && out >= 0;
}

// rename() that never replaces an existing target.
bool RenameNoReplace(const fs::path& from, const fs::path& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
  // The file system cannot rename without replacing: a hard link can, for files.
  if (link(from.c_str(), to.c_str()) == 0) {
    unlink(from.c_str());
    return true;
  }
  if (errno == EEXIST || Present(to)) {
    errno = EEXIST;
    return false;
  }
  return rename(from.c_str(), to.c_str()) == 0;
}

bool ToNativePair(const std::string& a, const std::string& b, fs::path& na, fs::path& nb) {
  return ToNative(a, na) && ToNative(b, nb);
}

bool IsReadOnlyFile(const struct stat& st) {
  return S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR);
}

std::mutex& FolderMutex() {
  static std::mutex m;
  return m;
}
std::optional<std::string>& FolderOverride() {
  static std::optional<std::string> folder;
  return folder;
}

// Strips trailing "\" and "/" separators, stepping over GBK double-byte characters so a
// trail byte 0x5C is never taken for a backslash.
std::string WithoutTrailingSeparators(const std::string& gbk) {
  size_t keep = 0;
  for (size_t i = 0; i < gbk.size();) {
    size_t len = CharWidth(gbk, i);
    if (len == 2 || (gbk[i] != '\\' && gbk[i] != '/')) keep = i + len;
    i += len;
  }
  return gbk.substr(0, keep);
}

}  // namespace

bool ToNative(const std::string& path, fs::path& out) {
  if (path.empty() || path.find('\0') != std::string::npos) return false;
  bool ok = false;
  std::string text = codepage::GbkToUtf8(path, &ok);
  if (!ok) return false;
  std::replace(text.begin(), text.end(), '\\', '/');
  if (text.size() >= 2 && text[1] == ':' && IsAsciiLetter(text[0])) {
    std::string drive;
    if (!DriveFolder(text[0], drive)) return false;
    std::string rest = text.substr(2);
    out = drive + (rest.empty() || rest[0] == '/' ? rest : "/" + rest);
    return true;
  }
  out = text;
  return true;
}

std::string ExecutableFolder() {
  {
    std::lock_guard<std::mutex> lock(FolderMutex());
    if (FolderOverride()) return *FolderOverride();
  }
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return codepage::Utf8ToGbkText(exe.parent_path().native());
}

void SetExecutableFolderForTests(const std::string& folder) {
  std::lock_guard<std::mutex> lock(FolderMutex());
  if (folder.empty())
    FolderOverride().reset();
  else
    FolderOverride() = WithoutTrailingSeparators(folder);
}

bool Exists(const std::string& path) {
  fs::path native;
  if (!ToNative(path, native)) return false;
  const std::string& s = native.native();
  if (s.back() == '/') return false;
  size_t slash = s.rfind('/');
  std::string_view name =
      slash == std::string::npos ? std::string_view(s) : std::string_view(s).substr(slash + 1);
  if (name.find_first_of("*?") == std::string_view::npos) return Present(native);
  std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : s.substr(0, slash);
  return AnyEntryMatches(folder, name);
}

bool IsDirectory(const std::string& path) {
  fs::path native;
  struct stat st;
  return ToNative(path, native) && stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateDir(const std::string& path) {
  fs::path native;
  return ToNative(path, native) && mkdir(native.c_str(), 0777) == 0;
}

bool CreateDirs(const std::string& path) {
  fs::path native;
  if (!ToNative(path, native)) return false;
  std::error_code ec;
  fs::create_directories(native, ec);
  return fs::is_directory(native, ec);
}

bool RemoveDir(const std::string& path) {
  fs::path native;
  return ToNative(path, native) && rmdir(native.c_str()) == 0;
}

bool RemoveTree(const std::string& path) {
  fs::path native;
  struct stat st;
  if (!ToNative(path, native) || !Lstat(native, st) || !S_ISDIR(st.st_mode)) return false;
  std::error_code ec;
  fs::remove_all(native, ec);
  return !ec && !Present(native);
}

bool DeleteFile(const std::string& path) {
  fs::path native;
  struct stat st;
  if (!ToNative(path, native) || !Lstat(native, st) || S_ISDIR(st.st_mode)) return false;
  return unlink(native.c_str()) == 0;
}

bool MoveFile(const std::string& from, const std::string& to) {
  fs::path a, b;
  struct stat st;
  if (!ToNativePair(from, to, a, b) || !Lstat(a, st) || Present(b)) return false;
  if (RenameNoReplace(a, b)) return true;
  if (errno != EXDEV || !S_ISREG(st.st_mode)) return false;
  // Another file system: copy, then remove the source; undo the copy if that fails.
  fs::path temp;
  if (!CopyIntoTemp(a, b, temp)) return false;
  if (!RenameNoReplace(temp, b)) {
    unlink(temp.c_str());
    return false;
  }
  if (unlink(a.c_str()) == 0) return true;
  unlink(b.c_str());
  return false;
}

bool ReplaceFile(const std::string& from, const std::string& to) {
  fs::path a, b;
  struct stat st;
  if (!ToNativePair(from, to, a, b) || !Lstat(a, st)) return false;
  if (rename(a.c_str(), b.c_str()) == 0) return true;
  if (errno != EXDEV || !S_ISREG(st.st_mode)) return false;
  fs::path temp;
  if (!CopyIntoTemp(a, b, temp)) return false;
  if (rename(temp.c_str(), b.c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  // The target already holds the new content; a source that stays behind is a failure.
  return unlink(a.c_str()) == 0;
}

bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) {
  fs::path a, b;
  struct stat st;
  if (!ToNativePair(from, to, a, b)) return false;
  if (Lstat(b, st) && (failIfExists || S_ISDIR(st.st_mode))) return false;
  fs::path temp;
  if (!CopyIntoTemp(a, b, temp)) return false;
  bool placed = failIfExists ? RenameNoReplace(temp, b) : rename(temp.c_str(), b.c_str()) == 0;
  if (!placed) unlink(temp.c_str());
  return placed;
}

int64_t FileSize(const std::string& path) {
  fs::path native;
  struct stat st;
  if (!ToNative(path, native) || stat(native.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return st.st_size;
}

int GetAttributes(const std::string& path) {
  fs::path native;
  struct stat st;
  if (!ToNative(path, native) || stat(native.c_str(), &st) != 0) return -1;
  int attributes = ReadDosAttributes(native);
  if (S_ISDIR(st.st_mode)) attributes |= kDirectory;
  if (IsReadOnlyFile(st)) attributes |= kReadOnly;
  return attributes == 0 ? kNormal : attributes;
}

bool SetAttributes(const std::string& path, int attributes) {
  fs::path native;
  struct stat st;
  if (!ToNative(path, native) || stat(native.c_str(), &st) != 0) return false;
  // A folder's read-only flag does not guard its content on Windows; leave its mode alone.
  if (!S_ISDIR(st.st_mode)) {
    mode_t mode = (attributes & kReadOnly) ? (st.st_mode & ~0222) : (st.st_mode | S_IWUSR);
    if (chmod(native.c_str(), mode & 07777) != 0) return false;
  }
  WriteDosAttributes(native, attributes);
  return true;
}

bool ReadWholeFile(const std::string& path, std::string& out) {
  out.clear();
  File file;
  if (!file.Open(path, File::Mode::Read, File::Create::OpenExisting)) return false;
  char buffer[65536];
  for (;;) {
    size_t n = 0;
    if (!file.Read(buffer, sizeof buffer, n)) return false;
    if (n == 0) return true;
    out.append(buffer, n);
  }
}

bool WriteFileAtomically(const std::string& path, std::string_view data) {
  fs::path native;
  if (!ToNative(path, native) || native.native().back() == '/') return false;
  struct stat st;
  bool existing = stat(native.c_str(), &st) == 0;
  if (existing && (!S_ISREG(st.st_mode) || IsReadOnlyFile(st))) return false;
  // Replace what a link points at, not the link.
  struct stat link;
  if (Lstat(native, link) && S_ISLNK(link.st_mode)) {
    std::error_code ec;
    native = fs::canonical(native, ec);
    if (ec) return false;
  }
  fs::path temp;
  int fd = CreateTempBeside(native, 0666, temp);
  if (fd < 0) return false;
  bool ok = (!existing || fchmod(fd, st.st_mode & 07777) == 0) &&
            WriteAll(fd, data.data(), data.size()) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (ok) ok = rename(temp.c_str(), native.c_str()) == 0;
  if (!ok) {
    unlink(temp.c_str());
    return false;
  }
  SyncFolder(native);
  return true;
}

File::~File() { Close(); }

File::File(File&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

bool File::Open(const std::string& path, Mode mode, Create create) {
  Close();
  fs::path native;
  if (!ToNative(path, native)) return false;
  struct stat st;
  bool existing = stat(native.c_str(), &st) == 0;
  if (existing && S_ISDIR(st.st_mode)) return false;
  // Root ignores permission bits; the read-only attribute must still guard content.
  bool changes = mode == Mode::ReadWrite || create == Create::CreateAlways;
  if (existing && changes && IsReadOnlyFile(st)) {
    errno = EACCES;
    return false;
  }
  int flags = (changes ? O_RDWR : O_RDONLY) | O_CLOEXEC;
  if (create != Create::OpenExisting) flags |= O_CREAT;
  if (create == Create::CreateAlways) flags |= O_TRUNC;
  do {
    fd_ = open(native.c_str(), flags, 0666);
  } while (fd_ < 0 && errno == EINTR);
  return fd_ >= 0;
}

bool File::Seek(int64_t offset) {
  return fd_ >= 0 && offset >= 0 && lseek(fd_, offset, SEEK_SET) == offset;
}

bool File::Write(const void* data, size_t size) {
  return fd_ >= 0 && WriteAll(fd_, static_cast<const char*>(data), size);
}

bool File::WriteAt(int64_t offset, const void* data, size_t size) {
  if (fd_ < 0 || offset < 0) return false;
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = pwrite(fd_, p, size, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
    offset += n;
  }
  return true;
}

bool File::Read(void* data, size_t size, size_t& read) {
  read = 0;
  if (fd_ < 0) return false;
  char* p = static_cast<char*>(data);
  while (read < size) {
    ssize_t n = ::read(fd_, p + read, size - read);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    read += static_cast<size_t>(n);
  }
  return true;
}

bool File::SetLength(int64_t length) {
  return fd_ >= 0 && length >= 0 && ftruncate(fd_, length) == 0;
}

bool File::SyncData() { return fd_ >= 0 && fdatasync(fd_) == 0; }

void File::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

}  // namespace tv::files
