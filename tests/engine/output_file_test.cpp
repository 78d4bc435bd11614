// The worker's file operations on real files in a sandbox.
#include "engine/output_file.h"

#include <gtest/gtest.h>

#include "tests/support/gbk_assert.h"
#include "tests/support/sandbox.h"

namespace tv {
namespace {

class OutputFile : public test::Sandbox {};

TEST_F(OutputFile, CreatesMissingFoldersAndTheFileAtFullLength) {
  const std::string path = GbkPath("a/b/c/地图包.zip!BT");
  ASSERT_EQ(CreatePartialFile(path, 513024), 1);
  EXPECT_EQ(std::filesystem::file_size(dir() / "a/b/c" / u8"地图包.zip!BT"), 513024u);
  EXPECT_EQ(MakeDirectoryTree(GbkPath("a/b/c")), 0);
  EXPECT_EQ(MakeDirectoryTree("   "), -1);
}

TEST_F(OutputFile, SizeZeroGivesAnEmptyFileAndANegativeSizeFails) {
  EXPECT_EQ(CreatePartialFile(GbkPath("empty!BT"), 0), 1);
  EXPECT_EQ(std::filesystem::file_size(dir() / "empty!BT"), 0u);
  EXPECT_EQ(CreatePartialFile(GbkPath("negative!BT"), -1), -1);
}

TEST_F(OutputFile, FailedTreeRemovesWhatItCreated) {
  // The second level cannot be made (its name is too long): the first one goes again.
  EXPECT_EQ(MakeDirectoryTree(GbkPath("fresh/" + std::string(300, 'x') + "/leaf")), -1);
  EXPECT_FALSE(std::filesystem::exists(dir() / "fresh"));
  WriteFile("blocker", "a file where a folder should go");
  EXPECT_EQ(CreatePartialFile(GbkPath("blocker/f!BT"), 10), -1);
}

TEST_F(OutputFile, WritesLandAtTheirOffsetsThroughSharedHandles) {
  const std::string path = GbkPath("f!BT");
  ASSERT_EQ(CreatePartialFile(path, 10), 1);
  files::File first, second;
  ASSERT_TRUE(OpenOutputFile(path, first));
  ASSERT_TRUE(OpenOutputFile(path, second));
  EXPECT_TRUE(WriteOutputFileAt(second, 5, "56789", 5));
  EXPECT_TRUE(SeekOutputFile(first, 0));
  EXPECT_TRUE(WriteOutputFile(first, "01234", 5));
  CloseOutputFile(first);
  CloseOutputFile(second);
  EXPECT_EQ(ReadFile("f!BT"), "0123456789");
  files::File missing;
  EXPECT_FALSE(OpenOutputFile(GbkPath("missing!BT"), missing));  // never created here
  EXPECT_FALSE(std::filesystem::exists(dir() / "missing!BT"));
}

TEST_F(OutputFile, RenameRefusesToOverwrite) {
  WriteFile("new!BT", "new");
  WriteFile("new", "old");
  EXPECT_FALSE(RenameOutputFile(GbkPath("new!BT"), GbkPath("new")));
  EXPECT_EQ(ReadFile("new"), "old");
  std::filesystem::remove(dir() / "new");
  EXPECT_TRUE(RenameOutputFile(GbkPath("new!BT"), GbkPath("new")));
  EXPECT_EQ(ReadFile("new"), "new");
}

TEST(PathPieces, SplitNameAndExtensionOnGbkPaths) {
  struct Row {
    std::string path, name, extension, directory;
  } rows[] = {
      {"D:\\x\\Map8.zip!BT", "Map8", ".zip!BT", "D:\\x\\"},
      {"a.b.c", "a.b", ".c", ""},
      {"plain", "plain", "", ""},
      {"/tmp/dir.d/file", "file", "", "/tmp/dir.d/"},
      // The second byte of 乗 is 0x5C, a backslash: it must not split the name.
      {"D:\\乗\\表.zip", "表", ".zip", "D:\\乗\\"},
      {"乗.zip", "乗", ".zip", ""},
  };
  for (const Row& row : rows) {
    EXPECT_GBK_EQ(PathFileName(row.path), row.name);
    EXPECT_GBK_EQ(PathExtension(row.path), row.extension);
    EXPECT_GBK_EQ(PathDirectory(row.path), row.directory);
  }
}

}  // namespace
}  // namespace tv
