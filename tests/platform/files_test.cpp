// File operations on GBK Windows-style paths: drive mapping through a sandboxed Wine
// prefix, first-file search, read-only and hidden attributes, moves, copies, shared files.
#include "platform/files.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <fstream>
#include <optional>
#include <thread>
#include <vector>

#include "platform/codepage.h"
#include "tests/support/gbk_assert.h"
#include "tests/support/sandbox.h"

namespace tv::files {
namespace {

namespace fs = std::filesystem;

std::string U8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

size_t EntryCount(const fs::path& folder) {
  return static_cast<size_t>(
      std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// A sandbox with a Wine-style prefix whose drive D: is the sandbox folder "盘D".
class FilesTest : public test::Sandbox {
 protected:
  void SetUp() override {
    Sandbox::SetUp();
    if (const char* old = getenv("WINEPREFIX")) savedPrefix_ = old;
    fs::create_directories(dir() / "prefix/dosdevices");
    fs::create_directories(DriveD());
    fs::create_directory_symlink(DriveD(), DriveLink());
    setenv("WINEPREFIX", (dir() / "prefix").c_str(), 1);
  }
  void TearDown() override {
    if (savedPrefix_)
      setenv("WINEPREFIX", savedPrefix_->c_str(), 1);
    else
      unsetenv("WINEPREFIX");
    Sandbox::TearDown();
  }
  fs::path DriveD() const { return dir() / u8"盘D"; }
  fs::path DriveLink() const { return dir() / "prefix/dosdevices/d:"; }

 private:
  std::optional<std::string> savedPrefix_;
};

TEST_F(FilesTest, MapsPathsToNativeOnes) {
  // "乗" is GBK 81 5C: its trail byte must not turn into a separator.
  ASSERT_EQ(std::string("乗"), "\x81\x5C");
  const std::string d = DriveLink().string();
  struct Row {
    std::string path;
    std::optional<std::string> native;
  } rows[] = {
      {"D:\\LOL\\TCLS\\Client.exe", d + "/LOL/TCLS/Client.exe"},
      {"d:\\地图包\\乗.zip", d + U8(u8"/地图包/乗.zip")},
      {"D:", d},
      {"D:LOL", d + "/LOL"},
      {"E:\\LOL", std::nullopt},  // unmapped drives are never guessed
      {"地图包\\乗", U8(u8"地图包/乗")},
      {"/opt/游戏/a.zip", U8(u8"/opt/游戏/a.zip")},
      {"a\xFF"
       "b",
       std::nullopt},
      {std::string("a\0b", 3), std::nullopt},
      {"", std::nullopt},
  };
  for (const Row& row : rows) {
    fs::path native;
    bool ok = ToNative(row.path, native);
    EXPECT_EQ(ok, row.native.has_value()) << test::Readable(row.path);
    if (ok && row.native) {
      EXPECT_EQ(native.string(), *row.native) << test::Readable(row.path);
    }
  }
}

TEST_F(FilesTest, ExistsIsAFirstFileSearch) {
  for (const char8_t* name : {u8"地图包/Map1.zip", u8"地图包/默认地图备份.zip", u8"地图包/乗",
                              u8"地图包/说明/README", u8"方括号/[1].zip"})
    WriteFile(fs::path(u8"盘D") / name, "x");
  fs::create_directories(DriveD() / u8"地图包/空");
  struct Row {
    const char* path;
    bool exists;
  } rows[] = {
      {"D:\\地图包", true},
      {"D:\\地图包\\", false},
      {"D:\\地图包/", false},
      {"D:\\", false},
      {"D:\\地图包\\Map1.zip", true},
      {"D:\\地图包\\Map1.zip\\", false},
      {"D:\\地图包\\Map2.zip", false},
      {"D:\\地图包\\乗", true},
      {"D:\\地图包\\Map?.zip", true},
      {"D:\\地图包\\Map??.zip", false},
      {"D:\\地图包\\默认地图??.zip", true},  // "?" is one character, not one byte
      {"D:\\地图包\\默认地图?.zip", false},
      {"D:\\地图包\\*.zip", true},
      {"D:\\地图包\\*.rar", false},
      {"D:\\地图包\\说明\\*.*", true},  // also names without a dot
      {"D:\\地图包\\说明\\*.txt", false},
      {"D:\\地图包\\空\\*", false},  // "." and ".." are not entries
      {"D:\\方括号\\[1]*", true},    // brackets are plain characters
      {"D:\\缺少\\*", false},
      {"E:\\地图包", false},
  };
  for (const Row& row : rows) EXPECT_EQ(Exists(row.path), row.exists) << test::Readable(row.path);
}

TEST_F(FilesTest, ReadOnlyGuardsContentButNotReplacement) {
  for (const char* name : {"copy", "replace", "delete", "open"}) {
    WriteFile(name, "old");
    ASSERT_TRUE(SetAttributes(GbkPath(name), kReadOnly));
    EXPECT_EQ(GetAttributes(GbkPath(name)), kReadOnly);
  }
  WriteFile("new1", "new");
  WriteFile("new2", "new");

  File file;
  EXPECT_FALSE(file.Open(GbkPath("open"), File::Mode::ReadWrite, File::Create::OpenExisting));
  EXPECT_FALSE(file.Open(GbkPath("open"), File::Mode::Read, File::Create::CreateAlways));
  EXPECT_FALSE(WriteFileAtomically(GbkPath("open"), "new"));
  EXPECT_EQ(ReadFile("open"), "old");
  EXPECT_TRUE(file.Open(GbkPath("open"), File::Mode::Read, File::Create::OpenExisting));

  EXPECT_TRUE(CopyFile(GbkPath("new1"), GbkPath("copy"), false));
  EXPECT_EQ(ReadFile("copy"), "new");
  EXPECT_EQ(GetAttributes(GbkPath("copy")), kNormal);  // the source's attributes come along
  EXPECT_TRUE(ReplaceFile(GbkPath("new2"), GbkPath("replace")));
  EXPECT_EQ(ReadFile("replace"), "new");
  EXPECT_TRUE(DeleteFile(GbkPath("delete")));
  EXPECT_FALSE(fs::exists(dir() / "delete"));

  EXPECT_TRUE(SetAttributes(GbkPath("open"), kNormal));
  EXPECT_EQ(GetAttributes(GbkPath("open")), kNormal);
  EXPECT_TRUE(WriteFileAtomically(GbkPath("open"), "new"));
  EXPECT_EQ(ReadFile("open"), "new");
}

TEST_F(FilesTest, AttributesOfFoldersHiddenFilesAndMissingPaths) {
  WriteFile(u8"盘D/皮肤.dll", "x");
  EXPECT_EQ(GetAttributes("D:\\"), kDirectory);
  EXPECT_EQ(GetAttributes("D:\\缺少"), -1);
  EXPECT_FALSE(SetAttributes("D:\\缺少", kNormal));
  if (setxattr(DriveD().c_str(), "user.probe", "1", 1, 0) != 0)
    GTEST_SKIP() << "this file system keeps no user attributes; hidden is best effort";
  ASSERT_TRUE(SetAttributes("D:\\皮肤.dll", kHidden));
  EXPECT_EQ(GetAttributes("D:\\皮肤.dll"), kHidden);
  ASSERT_TRUE(SetAttributes("D:\\皮肤.dll", kHidden | kReadOnly));
  EXPECT_EQ(GetAttributes("D:\\皮肤.dll"), kHidden | kReadOnly);
  ASSERT_TRUE(SetAttributes("D:\\皮肤.dll", kNormal));
  EXPECT_EQ(GetAttributes("D:\\皮肤.dll"), kNormal);
}

TEST_F(FilesTest, MoveFileNeverReplaces) {
  WriteFile(u8"地图包/Map8.zip!BT", "partial");
  WriteFile(u8"地图包/Map8.zip", "stale");
  EXPECT_FALSE(MoveFile(GbkPath("地图包\\Map8.zip!BT"), GbkPath("地图包\\Map8.zip")));
  EXPECT_EQ(ReadFile(u8"地图包/Map8.zip!BT"), "partial");
  EXPECT_EQ(ReadFile(u8"地图包/Map8.zip"), "stale");

  ASSERT_TRUE(DeleteFile(GbkPath("地图包\\Map8.zip")));
  EXPECT_TRUE(MoveFile(GbkPath("地图包\\Map8.zip!BT"), GbkPath("地图包\\Map8.zip")));
  EXPECT_EQ(ReadFile(u8"地图包/Map8.zip"), "partial");
  EXPECT_FALSE(fs::exists(dir() / u8"地图包/Map8.zip!BT"));

  EXPECT_TRUE(MoveFile(GbkPath("地图包"), GbkPath("备份")));  // folders move too
  EXPECT_EQ(ReadFile(u8"备份/Map8.zip"), "partial");
  EXPECT_FALSE(MoveFile(GbkPath("缺少"), GbkPath("别处")));
}

// A second sandbox on another file system, when the machine has one.
std::optional<fs::path> OtherFileSystemFolder(const fs::path& here) {
  struct stat a, b;
  if (stat(here.c_str(), &a) != 0 || stat("/dev/shm", &b) != 0 || a.st_dev == b.st_dev)
    return std::nullopt;
  std::string pattern = "/dev/shm/terravane-test-XXXXXX";
  if (!mkdtemp(pattern.data())) return std::nullopt;
  return fs::path(pattern);
}

TEST_F(FilesTest, MovesAndReplacesAcrossFileSystems) {
  std::optional<fs::path> other = OtherFileSystemFolder(dir());
  if (!other) GTEST_SKIP() << "no second file system to move across";
  const fs::path farNative = *other / U8(u8"界面包");
  const std::string far = codepage::Utf8ToGbkText(farNative.string());
  fs::create_directory(farNative);
  WriteFile("a.zip", "A");
  WriteFile("b.zip", "B");
  WriteFile("wzCAFG.ZIP", "pack");
  std::ofstream(farNative / "wzCAFG.ZIP") << "game";
  fs::permissions(farNative / "wzCAFG.ZIP", fs::perms::owner_read);

  EXPECT_TRUE(MoveFile(GbkPath("a.zip"), far + "/a.zip"));
  EXPECT_FALSE(fs::exists(dir() / "a.zip"));
  EXPECT_FALSE(MoveFile(GbkPath("b.zip"), far + "/a.zip"));
  EXPECT_TRUE(fs::exists(dir() / "b.zip"));
  EXPECT_TRUE(ReplaceFile(GbkPath("wzCAFG.ZIP"), far + "/wzCAFG.ZIP"));
  EXPECT_FALSE(fs::exists(dir() / "wzCAFG.ZIP"));
  std::string content;
  EXPECT_TRUE(ReadWholeFile(far + "/wzCAFG.ZIP", content));
  EXPECT_EQ(content, "pack");
  EXPECT_TRUE(ReadWholeFile(far + "/a.zip", content));
  EXPECT_EQ(content, "A");
  EXPECT_EQ(EntryCount(farNative), 2u);  // no temporary files left behind
  fs::remove_all(*other);
}

TEST_F(FilesTest, CopyFileHonoursFailIfExists) {
  WriteFile(u8"盘D/源.zip", "source");
  WriteFile(u8"盘D/目标.zip", "target");
  EXPECT_FALSE(CopyFile("D:\\源.zip", "D:\\目标.zip", true));
  EXPECT_EQ(ReadFile(u8"盘D/目标.zip"), "target");
  EXPECT_TRUE(CopyFile("D:\\源.zip", "D:\\目标.zip", false));
  EXPECT_EQ(ReadFile(u8"盘D/目标.zip"), "source");
  EXPECT_TRUE(CopyFile("D:\\源.zip", "D:\\新.zip", true));
  EXPECT_EQ(ReadFile(u8"盘D/新.zip"), "source");
  EXPECT_FALSE(CopyFile("D:\\缺少.zip", "D:\\别处.zip", false));
  EXPECT_FALSE(CopyFile("D:\\源.zip", "D:\\缺少\\新.zip", false));
  EXPECT_FALSE(CopyFile("D:\\源.zip", "D:\\", false));
  EXPECT_EQ(EntryCount(DriveD()), 3u);  // no temporary files left behind
}

TEST_F(FilesTest, WriteFileAtomicallyReplacesWholeFiles) {
  EXPECT_TRUE(WriteFileAtomically("D:\\任务.ini", "first"));
  EXPECT_EQ(ReadFile(u8"盘D/任务.ini"), "first");
  fs::permissions(DriveD() / u8"任务.ini",
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_TRUE(WriteFileAtomically("D:\\任务.ini", "second"));
  EXPECT_EQ(ReadFile(u8"盘D/任务.ini"), "second");
  EXPECT_EQ(fs::status(DriveD() / u8"任务.ini").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_FALSE(WriteFileAtomically("D:\\缺少\\任务.ini", "x"));
  EXPECT_FALSE(WriteFileAtomically("D:\\", "x"));
  EXPECT_EQ(EntryCount(DriveD()), 1u);  // no temporary files left behind
  std::string content;
  EXPECT_TRUE(ReadWholeFile("D:\\任务.ini", content));
  EXPECT_EQ(content, "second");
  EXPECT_FALSE(ReadWholeFile("D:\\缺少.ini", content));
}

TEST_F(FilesTest, FoldersAreCreatedAndRemoved) {
  EXPECT_TRUE(CreateDir("D:\\地图包"));
  EXPECT_FALSE(CreateDir("D:\\地图包"));
  EXPECT_FALSE(CreateDir("D:\\甲\\乙"));
  EXPECT_TRUE(CreateDirs("D:\\甲\\乙\\丙\\"));
  EXPECT_TRUE(CreateDirs("D:\\甲\\乙\\丙"));
  EXPECT_TRUE(IsDirectory("D:\\甲\\乙\\丙"));
  WriteFile(u8"盘D/甲/乙/丙/只读.txt", "x");
  ASSERT_TRUE(SetAttributes("D:\\甲\\乙\\丙\\只读.txt", kReadOnly));
  EXPECT_FALSE(CreateDirs("D:\\甲\\乙\\丙\\只读.txt\\下"));
  EXPECT_FALSE(IsDirectory("D:\\甲\\乙\\丙\\只读.txt"));
  EXPECT_FALSE(RemoveDir("D:\\甲"));   // not empty
  EXPECT_FALSE(DeleteFile("D:\\甲"));  // never a folder
  EXPECT_FALSE(RemoveTree("D:\\甲\\乙\\丙\\只读.txt"));
  EXPECT_TRUE(RemoveTree("D:\\甲"));
  EXPECT_FALSE(fs::exists(DriveD() / u8"甲"));
  EXPECT_TRUE(RemoveDir("D:\\地图包"));
  EXPECT_FALSE(RemoveTree("D:\\甲"));
}

TEST_F(FilesTest, SharedWritersFillTheirOwnRegions) {
  constexpr int kWorkers = 5;
  constexpr size_t kRegion = 300000;
  File creator;
  ASSERT_TRUE(creator.Open("D:\\Map8.zip!BT", File::Mode::ReadWrite, File::Create::OpenAlways));
  ASSERT_TRUE(creator.SetLength(kWorkers * kRegion));
  creator.Close();
  EXPECT_EQ(FileSize("D:\\Map8.zip!BT"), static_cast<int64_t>(kWorkers * kRegion));

  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w) {
    workers.emplace_back([w] {
      File file;
      ASSERT_TRUE(file.Open("D:\\Map8.zip!BT", File::Mode::ReadWrite, File::Create::OpenExisting));
      std::string block(kRegion / 3, static_cast<char>('a' + w));
      for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(file.WriteAt(w * kRegion + i * block.size(), block.data(), block.size()));
      ASSERT_TRUE(file.SyncData());
    });
  }
  for (auto& t : workers) t.join();

  std::string content = ReadFile(u8"盘D/Map8.zip!BT");
  ASSERT_EQ(content.size(), kWorkers * kRegion);
  for (int w = 0; w < kWorkers; ++w)
    EXPECT_EQ(content.substr(w * kRegion, kRegion),
              std::string(kRegion, static_cast<char>('a' + w)))
        << "region " << w;
}

TEST_F(FilesTest, FileOpenSeekReadAndWrite) {
  File file;
  EXPECT_FALSE(file.Open("D:\\缺少.bin", File::Mode::ReadWrite, File::Create::OpenExisting));
  EXPECT_FALSE(file.Open("D:\\", File::Mode::Read, File::Create::OpenExisting));
  ASSERT_TRUE(file.Open("D:\\数据.bin", File::Mode::ReadWrite, File::Create::CreateAlways));
  ASSERT_TRUE(file.Write("hello world", 11));
  ASSERT_TRUE(file.Seek(6));
  ASSERT_TRUE(file.Write("WORLD", 5));
  EXPECT_FALSE(file.Seek(-1));
  EXPECT_FALSE(file.SetLength(-1));
  ASSERT_TRUE(file.Seek(0));
  char buffer[32];
  size_t read = 0;
  ASSERT_TRUE(file.Read(buffer, sizeof buffer, read));
  EXPECT_EQ(std::string(buffer, read), "hello WORLD");
  ASSERT_TRUE(file.Read(buffer, sizeof buffer, read));
  EXPECT_EQ(read, 0u);

  File moved = std::move(file);
  EXPECT_FALSE(file.IsOpen());
  ASSERT_TRUE(moved.IsOpen());
  moved.Close();
  ASSERT_TRUE(file.Open("D:\\数据.bin", File::Mode::ReadWrite, File::Create::CreateAlways));
  EXPECT_EQ(FileSize("D:\\数据.bin"), 0);
}

// A file-size limit makes the kernel accept only part of a write.
TEST_F(FilesTest, ShortWritesAreFailures) {
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  File file;
  ASSERT_TRUE(file.Open(GbkPath("limited.bin"), File::Mode::ReadWrite, File::Create::CreateAlways));
  auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  rlimit limited = old;
  limited.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  std::string block(6000, 'x');
  bool wrote = file.Write(block.data(), block.size());
  bool wroteAt = file.WriteAt(2048, block.data(), block.size());
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(wrote);
  EXPECT_FALSE(wroteAt);
  EXPECT_EQ(FileSize(GbkPath("limited.bin")), 4096);
}

TEST_F(FilesTest, ExecutableFolderAndItsTestOverride) {
  std::string real = ExecutableFolder();
  EXPECT_EQ(real,
            codepage::Utf8ToGbkText(fs::read_symlink("/proc/self/exe").parent_path().string()));
  SetExecutableFolderForTests("D:\\游戏\\");
  EXPECT_GBK_EQ(ExecutableFolder(), "D:\\游戏");
  SetExecutableFolderForTests("/tmp/乗");  // ends in a trail byte 5C, not a separator
  EXPECT_GBK_EQ(ExecutableFolder(), "/tmp/乗");
  SetExecutableFolderForTests("");
  EXPECT_EQ(ExecutableFolder(), real);
}

}  // namespace
}  // namespace tv::files
