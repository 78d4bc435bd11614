// The archive control on real folders and real archives: round trips checked by Info-ZIP
// and Python, archives made by those tools read back, and damaged or hostile archives
// that must change nothing they should not.
#include "maps/archive_control.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>

#include "platform/codepage.h"
#include "tests/maps/game_fixture.h"
#include "tests/support/gbk_assert.h"

namespace tv {
namespace {

namespace fs = std::filesystem;
using test::Utf8;

// `list A`: one line per entry "<UTF-8 flag> <method> <name bytes in hex>".
// `make D`: the archives written by Python's zipfile that the tests below read.
// UTF-8 (u8): Python reads its source as UTF-8.
const char8_t* const kPeerScript =
    u8R"PY(
import os, sys, zipfile

def listing(path):
    for info in zipfile.ZipFile(path).infolist():
        utf8 = info.flag_bits & 0x800
        raw = info.filename.encode('utf-8' if utf8 else 'cp437')
        print(1 if utf8 else 0, info.compress_type, raw.hex())

def write(path, entries, method=zipfile.ZIP_DEFLATED):
    with zipfile.ZipFile(path, 'w', method) as z:
        for name, data in entries:
            z.writestr(name, data)

def make(d):
    p = lambda n: os.path.join(d, n)
    write(p('utf8.zip'), [('plain.txt', b'plain'), ('界面/wzCAFG.ZIP', b'skin' * 100),
                          ('地图/说明.txt', '说明'.encode('gbk')), ('空文件夹/', b'')])
    outside = os.path.join(os.path.dirname(d), 'abs_evil.txt')
    for tag, name in [('parent', '../evil.txt'), ('deep', 'a/../../evil.txt'),
                      ('backslash', '..\\evil.txt'), ('absolute', outside),
                      ('drive', 'C:/evil.txt')]:
        write(p('evil_%s.zip' % tag), [('good.txt', b'good'), (name, b'evil')])
    write(p('crc.zip'), [('Map1.zip', b'A' * 1000)], zipfile.ZIP_STORED)
    data = bytearray(open(p('crc.zip'), 'rb').read())
    data[30 + len('Map1.zip') + 10] ^= 0xFF
    open(p('crc.zip'), 'wb').write(data)
    whole = open(p('utf8.zip'), 'rb').read()
    open(p('truncated.zip'), 'wb').write(whole[:len(whole) // 2])
    open(p('notzip.zip'), 'wb').write(b'this is not a zip archive\n' * 10)
    open(p('empty.zip'), 'wb').write(b'')
    write(p('blocked.zip'), [('blocker/file.txt', b'x')])

{'list': listing, 'make': make}[sys.argv[1]](sys.argv[2])
)PY";

struct PeerEntry {
  bool utf8;
  int method;
  std::string name;  // raw bytes
};

class ArchiveControlTest : public test::Sandbox {
 protected:
  void SetUp() override {
    Sandbox::SetUp();
    WriteFile("peer.py", Utf8(kPeerScript));
    zip_.CompressProgress = [this](int p) { compress_.push_back(p); };
    zip_.ExtractProgress = [this](int p) { extract_.push_back(p); };
  }

  std::string Gbk(const std::string& utf8Relative) const {
    return GbkPath(codepage::Utf8ToGbkText(utf8Relative));
  }

  std::vector<PeerEntry> PeerList(const fs::path& archive) {
    std::string out;
    EXPECT_EQ(test::RunCommand(test::Python() + " " + test::Quote(dir() / "peer.py") + " list " +
                                   test::Quote(archive),
                               &out),
              0)
        << out;
    std::vector<PeerEntry> entries;
    std::istringstream lines(out);
    for (std::string hex; lines;) {
      PeerEntry e{};
      int utf8 = 0;
      if (!(lines >> utf8 >> e.method >> hex)) break;
      e.utf8 = utf8 != 0;
      for (size_t i = 0; i + 1 < hex.size(); i += 2)
        e.name += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
      entries.push_back(e);
    }
    return entries;
  }

  void MakePeerArchives() {
    fs::create_directories(dir() / "peer");
    std::string out;
    ASSERT_EQ(test::RunCommand(test::Python() + " " + test::Quote(dir() / "peer.py") + " make " +
                                   test::Quote(dir() / "peer"),
                               &out),
              0)
        << out;
  }

  // A game-like folder: GBK names, nesting, an empty folder, a packed file, a read-only file.
  void WriteSourceTree() {
    WriteFile("src/Map1.zip", test::NoiseBytes(70000, 1));
    WriteFile(Utf8(u8"src/地图/说明.txt"), std::string(5000, 'x'));
    WriteFile("src/LEVELS/Map1/Scene/room.nvr", test::NoiseBytes(300000, 2));
    WriteFile("src/LEVELS/Map1/Scene/room.txt", std::string(100000, 'a'));
    WriteFile("src/LEVELS/readme.txt", "read me");
    fs::create_directories(dir() / "src/LEVELS/empty");
    fs::permissions(dir() / "src/LEVELS/readme.txt", fs::perms::owner_write,
                    fs::perm_options::remove);
  }

  ArchiveControl zip_;
  std::vector<int> compress_, extract_;
};

// Entries of a folder come as: its files, then each subfolder's entry followed directly
// by that subfolder's content.
void ExpectFolderOrder(const std::vector<PeerEntry>& entries) {
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::string& name = entries[i].name;
    const size_t slash = name.rfind('/', name.size() - 2);
    const std::string parent = slash == std::string::npos ? "" : name.substr(0, slash + 1);
    if (name.back() == '/') {
      for (size_t j = i + 1; j < entries.size(); ++j) {
        const bool inside = entries[j].name.rfind(name, 0) == 0;
        const bool later = j > i + 1 && entries[j - 1].name.rfind(name, 0) != 0;
        EXPECT_FALSE(inside && later)
            << "content of " << test::Readable(name) << " is not together";
      }
    } else {
      for (size_t j = 0; j < i; ++j) {
        const std::string& before = entries[j].name;
        const bool subfolderOfParent = before.back() == '/' && before.rfind(parent, 0) == 0 &&
                                       before.find('/', parent.size()) == before.size() - 1;
        EXPECT_FALSE(subfolderOfParent)
            << test::Readable(name) << " comes after subfolder " << test::Readable(before);
      }
    }
  }
}

TEST_F(ArchiveControlTest, FolderRoundTripIsReadableByPeersAndReproducesTheFolder) {
  WriteSourceTree();
  ASSERT_EQ(zip_.MakeZip(GbkPath("src"), GbkPath("out.zip")), 1);

  std::string out;
  EXPECT_EQ(test::RunCommand("unzip -t " + test::Quote(dir() / "out.zip"), &out), 0) << out;
  const std::vector<PeerEntry> entries = PeerList(dir() / "out.zip");
  ASSERT_EQ(entries.size(), 10u);
  std::vector<std::string> names;
  for (const PeerEntry& e : entries) {
    EXPECT_FALSE(e.utf8) << "names are written as GBK without the flag";
    const bool stored = e.name.back() == '/' || e.name == "Map1.zip";
    EXPECT_EQ(e.method, stored ? 0 : 8) << test::Readable(e.name);
    names.push_back(e.name);
  }
  EXPECT_NE(std::find(names.begin(), names.end(), std::string("地图/说明.txt")), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), std::string("LEVELS/empty/")), names.end());
  ExpectFolderOrder(entries);

  // One event per item, rising to 100; the current file is the last item's full path.
  ASSERT_EQ(compress_.size(), 10u);
  EXPECT_EQ(compress_.front(), 10);
  EXPECT_EQ(compress_.back(), 100);
  EXPECT_TRUE(std::is_sorted(compress_.begin(), compress_.end()));
  const std::string last = zip_.CurrentFileName();
  EXPECT_EQ(last.rfind(GbkPath("src") + "\\", 0), 0u) << test::Readable(last);

  ASSERT_EQ(zip_.ExtractZip(GbkPath("out.zip"), GbkPath("copy/of/src")), 1);
  EXPECT_EQ(test::TreeOf(dir() / "copy/of/src"), test::TreeOf(dir() / "src"));
  EXPECT_EQ(extract_, (std::vector<int>{0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
  EXPECT_EQ(extract_.back(), 100);
  EXPECT_EQ(files::GetAttributes(GbkPath("copy/of/src/LEVELS/readme.txt")), files::kNormal);
}

TEST_F(ArchiveControlTest, SingleFileRoundTripPutsTheFileBackInPlace) {
  WriteFile("Game/Map1.zip", test::NoiseBytes(50000, 3));
  const std::string original = ReadFile("Game/Map1.zip");
  ASSERT_EQ(zip_.MakeZip(GbkPath("Game") + "\\Map1.zip", GbkPath("backup.zip")), 1);
  EXPECT_TRUE(compress_.empty());
  EXPECT_TRUE(zip_.CurrentFileName().empty());
  const std::vector<PeerEntry> entries = PeerList(dir() / "backup.zip");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "Map1.zip");

  WriteFile("Game/Map1.zip", "a map pack's replacement");
  fs::permissions(dir() / "Game/Map1.zip", fs::perms::all, fs::perm_options::remove);
  fs::permissions(dir() / "Game/Map1.zip", fs::perms::owner_read, fs::perm_options::add);
  ASSERT_EQ(zip_.ExtractZip(GbkPath("backup.zip"), GbkPath("Game")), 1);
  EXPECT_EQ(ReadFile("Game/Map1.zip"), original);
  EXPECT_EQ(files::GetAttributes(GbkPath("Game/Map1.zip")), files::kNormal);
  EXPECT_EQ(extract_, (std::vector<int>{0, 100}));
  EXPECT_GBK_EQ(zip_.CurrentFileName(), GbkPath("Game") + "\\Map1.zip");
  EXPECT_EQ(test::TreeOf(dir() / "Game").size(), 1u)
      << "no temporary file is left beside the target";
}

TEST_F(ArchiveControlTest, EmptyFolderGivesAnArchiveThatExtractionRefuses) {
  fs::create_directories(dir() / "empty");
  ASSERT_EQ(zip_.MakeZip(GbkPath("empty"), GbkPath("empty.zip")), 1);
  EXPECT_TRUE(compress_.empty());
  EXPECT_TRUE(PeerList(dir() / "empty.zip").empty());
  EXPECT_EQ(zip_.ExtractZip(GbkPath("empty.zip"), GbkPath("target")), 0);
  EXPECT_EQ(extract_, (std::vector<int>{0}));
}

TEST_F(ArchiveControlTest, ReadsPythonUtf8NamesAndInfoZipGbkNames) {
  MakePeerArchives();
  ASSERT_EQ(zip_.ExtractZip(GbkPath("peer/utf8.zip"), GbkPath("py")), 1);
  EXPECT_EQ(test::TreeOf(dir() / "py"), (std::map<std::string, std::string>{
                                            {"plain.txt", "plain"},
                                            {Utf8(u8"界面"), "/"},
                                            {Utf8(u8"界面/wzCAFG.ZIP"),
                                             [] {
                                               std::string s;
                                               for (int i = 0; i < 100; ++i) s += "skin";
                                               return s;
                                             }()},
                                            {Utf8(u8"地图"), "/"},
                                            {Utf8(u8"地图/说明.txt"), "说明"},
                                            {Utf8(u8"空文件夹"), "/"},
                                        }));

  // Info-ZIP keeps a name's bytes as they are on disk: GBK bytes, no flag.
  const fs::path gbkFolder = dir() / "gbk" / std::string("地图");
  fs::create_directories(gbkFolder);
  std::ofstream(gbkFolder / std::string("说明.txt"), std::ios::binary) << "from zip";
  std::string out;
  ASSERT_EQ(
      test::RunCommand("cd " + test::Quote(dir() / "gbk") + " && zip -r -q ../infozip.zip .", &out),
      0)
      << out;
  ASSERT_FALSE(PeerList(dir() / "infozip.zip").front().utf8);
  ASSERT_EQ(zip_.ExtractZip(GbkPath("infozip.zip"), GbkPath("iz")), 1);
  EXPECT_EQ(ReadFile(Utf8(u8"iz/地图/说明.txt")), "from zip");
}

TEST_F(ArchiveControlTest, BadArchivesWriteNothingOutsideTheFolder) {
  MakePeerArchives();
  const struct {
    const char* archive;
    int result;
    std::vector<int> events;
  } cases[] = {
      {"peer/notzip.zip", 0, {0}},        {"peer/empty.zip", 0, {0}},
      {"peer/truncated.zip", 0, {0}},     {"peer/evil_parent.zip", 0, {0}},
      {"peer/evil_deep.zip", 0, {0}},     {"peer/evil_backslash.zip", 0, {0}},
      {"peer/evil_absolute.zip", 0, {0}}, {"peer/evil_drive.zip", 0, {0}},
      {"peer/missing.zip", -1, {0}},      {"peer/crc.zip", 0, {100}},
      {"peer/blocked.zip", 0, {100}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    fs::remove_all(dir() / "t");
    WriteFile("t/target/Map1.zip", "the game's own file");
    WriteFile("t/target/blocker", "a file where a folder is needed");
    extract_.clear();
    EXPECT_EQ(zip_.ExtractZip(GbkPath(c.archive), GbkPath("t/target")), c.result);
    EXPECT_EQ(extract_, c.events);
    EXPECT_EQ(test::TreeOf(dir() / "t"),
              (std::map<std::string, std::string>{
                  {"target", "/"},
                  {"target/Map1.zip", "the game's own file"},
                  {"target/blocker", "a file where a folder is needed"}}));
    EXPECT_FALSE(fs::exists(dir() / "evil.txt"));
    EXPECT_FALSE(fs::exists(dir() / "abs_evil.txt"));
  }
  // A target folder that cannot be created ends before the entries are counted.
  extract_.clear();
  EXPECT_EQ(zip_.ExtractZip(GbkPath("peer/utf8.zip"), GbkPath("t/target/blocker/sub")), 0);
  EXPECT_EQ(extract_, (std::vector<int>{0}));
}

TEST_F(ArchiveControlTest, CannotStartWithoutArguments) {
  WriteFile("src/a.txt", "a");
  EXPECT_EQ(zip_.MakeZip("", GbkPath("a.zip")), -1);
  EXPECT_EQ(zip_.MakeZip(GbkPath("src"), ""), -1);
  EXPECT_EQ(zip_.MakeZip(GbkPath("missing"), GbkPath("a.zip")), -1);
  EXPECT_EQ(zip_.ExtractZip("", GbkPath("t")), -1);
  EXPECT_EQ(zip_.ExtractZip(GbkPath("a.zip"), ""), -1);
  EXPECT_TRUE(compress_.empty());
  EXPECT_TRUE(extract_.empty());
  EXPECT_FALSE(fs::exists(dir() / "a.zip"));
}

// Writes beyond `bytes` fail (as on a full disk) while the guard lives.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, SIG_DFL);
  }

 private:
  rlimit saved_{};
};

TEST_F(ArchiveControlTest, FailedMakeZipKeepsTheExistingArchiveAndLeavesNoPartial) {
  WriteFile("src/a.txt", "small");
  WriteFile("src/big.bin", test::NoiseBytes(1 << 20, 4));
  WriteFile("backups/backup.zip", "an earlier, good backup");
  int result = 0;
  {
    FileSizeLimit limit(256 * 1024);
    result = zip_.MakeZip(GbkPath("src"), GbkPath("backups/backup.zip"));
  }
  EXPECT_EQ(result, 0);
  EXPECT_EQ(test::TreeOf(dir() / "backups"),
            (std::map<std::string, std::string>{{"backup.zip", "an earlier, good backup"}}));
}

TEST_F(ArchiveControlTest, FailedExtractionLeavesTheGameFileWhole) {
  WriteFile("pack/Map1.zip", test::NoiseBytes(1 << 20, 5));
  ASSERT_EQ(zip_.MakeZip(GbkPath("pack"), GbkPath("pack.zip")), 1);
  WriteFile("Game/Map1.zip", "the game's own map");
  int result = 0;
  {
    FileSizeLimit limit(256 * 1024);
    result = zip_.ExtractZip(GbkPath("pack.zip"), GbkPath("Game"));
  }
  EXPECT_EQ(result, 0);
  EXPECT_EQ(test::TreeOf(dir() / "Game"),
            (std::map<std::string, std::string>{{"Map1.zip", "the game's own map"}}));
}

}  // namespace
}  // namespace tv
