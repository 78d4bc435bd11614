// INI reading and writing in the Windows layout on GBK bytes: tolerant reading, in-place
// and in-order writing, refused writes that lose nothing, and concurrent writers.
#include "platform/profile.h"

#include <atomic>
#include <string_view>
#include <thread>

#include "platform/files.h"
#include "tests/support/gbk_assert.h"
#include "tests/support/sandbox.h"

namespace tv::profile {
namespace {

class ProfileTest : public test::Sandbox {
 protected:
  std::string Ini() const { return GbkPath("任务.zip!BT.Config"); }
  std::string Content() const { return ReadFile(u8"任务.zip!BT.Config"); }
};

TEST_F(ProfileTest, ReadsTheWindowsLayoutTolerantly) {
  WriteFile(u8"任务.zip!BT.Config",
            "; written by hand\n"
            "[说明]\r\n"
            "下载说明 = 本程序 \r\n"
            "  [ Task ]\n"
            "Url=http://127.0.0.1/a=b\n"
            "size\t=\t20480\r\n"
            "Empty=\n"
            "not a key line\n"
            "[Info]\n"
            "Thread1=123.9");  // no final line break
  struct Row {
    const char* section;
    const char* key;
    const char* expected;
  } rows[] = {
      {"说明", "下载说明", "本程序"},
      {"task", "URL", "http://127.0.0.1/a=b"},
      {"Task", "Size", "20480"},
      {"Task", "Empty", ""},
      {"Task", "not a key line", "-1"},
      {"Task", "Thread1", "-1"},
      {"INFO", "thread1", "123.9"},
      {"Info", "Thread2", "-1"},
      {"缺少", "Url", "-1"},
  };
  for (const Row& row : rows)
    EXPECT_GBK_EQ(ReadString(Ini(), row.section, row.key, "-1"), row.expected)
        << row.section << "/" << row.key;
  EXPECT_GBK_EQ(ReadString(GbkPath("缺少.Config"), "Task", "Url", "-1"), "-1");
}

TEST_F(ProfileTest, CaseFoldingLeavesDoubleByteCharactersAlone) {
  // 丄 and 乤 differ only in a trail byte that looks like "A" and "a"; 乚 ends in "]".
  ASSERT_EQ(std::string("丄乤乚"), "\x81\x41\x81\x61\x81\x5D");
  ASSERT_TRUE(WriteString(Ini(), "乚节", "丄", "upper"));
  ASSERT_TRUE(WriteString(Ini(), "乚节", "乤", "lower"));
  EXPECT_EQ(ReadString(Ini(), "乚节", "丄"), "upper");
  EXPECT_EQ(ReadString(Ini(), "乚节", "乤"), "lower");
  EXPECT_GBK_EQ(Content(), "[乚节]\r\n丄=upper\r\n乤=lower\r\n");
}

TEST_F(ProfileTest, WritesInOrderOfFirstWriteAndOverwritesInPlace) {
  struct Write {
    const char* section;
    const char* key;
    const char* value;
  } writes[] = {{"说明", "友情提示", "请不要更改"}, {"Task", "Url", "http://a/1"},
                {"Task", "Size", "20480"},          {"Info", "Thread1", "0"},
                {"task", "URL", "http://a/2"},      {"Info", "Thread2", "7"},
                {"说明", "下载说明", "本程序"}};
  for (const Write& w : writes) ASSERT_TRUE(WriteString(Ini(), w.section, w.key, w.value));
  EXPECT_GBK_EQ(Content(),
                "[说明]\r\n友情提示=请不要更改\r\n下载说明=本程序\r\n"
                "[Task]\r\nUrl=http://a/2\r\nSize=20480\r\n"
                "[Info]\r\nThread1=0\r\nThread2=7\r\n");
}

TEST_F(ProfileTest, RewritingKeepsLinesItDoesNotOwn) {
  WriteFile(u8"任务.zip!BT.Config",
            "; comment\n[Task]\nUrl = old\n; keep me\nnot a key line\n\n[Info]\nFileSize=10\n");
  ASSERT_TRUE(WriteStrings(Ini(), "Task", {{"url", "new"}, {"Size", "20480"}}));
  EXPECT_GBK_EQ(
      Content(),
      "; comment\r\n[Task]\r\nUrl=new\r\n; keep me\r\nnot a key line\r\nSize=20480\r\n\r\n"
      "[Info]\r\nFileSize=10\r\n");
}

TEST_F(ProfileTest, LongValuesAreCutLikeAFixedBuffer) {
  const std::string value(12000, 'x');
  ASSERT_TRUE(WriteString(Ini(), "Task", "Url", value));
  EXPECT_EQ(ReadString(Ini(), "Task", "Url"), value.substr(0, 10239));
  EXPECT_EQ(ReadString(Ini(), "Task", "Url", "", 20000), value);
  ASSERT_TRUE(WriteString(Ini(), "Task", "Name", "地图包"));
  EXPECT_GBK_EQ(ReadString(Ini(), "Task", "Name", "", 5), "地图");
  EXPECT_GBK_EQ(ReadString(Ini(), "Task", "Name", "", 4), "地");  // never half a character
  EXPECT_GBK_EQ(ReadString(Ini(), "Task", "Missing", "默认值", 5), "默认");
  EXPECT_EQ(ReadString(Ini(), "Task", "Name", "", 0), "");
}

TEST_F(ProfileTest, RefusedWritesChangeNothing) {
  ASSERT_TRUE(WriteString(Ini(), "Task", "Url", "http://a/1"));
  const std::string before = Content();
  struct Row {
    const char* section;
    const char* key;
    const char* value;
  } rows[] = {
      {"Task", "Url", "http://a/2\r\nSize=1"},  // would inject a key
      {"Task", "Url=x", "1"},
      {"Task", "", "1"},
      {"Task", "[Info]", "1"},
      {"Ta]sk", "Url", "1"},
      {"", "Url", "1"},
  };
  for (const Row& row : rows)
    EXPECT_FALSE(WriteString(Ini(), row.section, row.key, row.value)) << row.key;
  EXPECT_FALSE(WriteStrings(Ini(), "Task", {{"Size", "1"}, {"Url", "a\nb"}}));
  EXPECT_EQ(Content(), before);

  ASSERT_TRUE(files::SetAttributes(Ini(), files::kReadOnly));
  EXPECT_FALSE(WriteString(Ini(), "Task", "Url", "http://a/3"));
  EXPECT_EQ(Content(), before);
  EXPECT_FALSE(WriteString(GbkPath("缺少\\任务.Config"), "Task", "Url", "x"));
}

// "[Info]" followed by key=value lines only, each ended by CRLF.
bool WholeInfoSection(std::string_view content) {
  if (!content.starts_with("[Info]\r\n") || !content.ends_with("\r\n")) return false;
  content.remove_prefix(8);
  for (size_t end; (end = content.find("\r\n")) != std::string_view::npos;
       content.remove_prefix(end + 2))
    if (content.substr(0, end).find('=') == std::string_view::npos) return false;
  return content.empty();
}

// Writers on several threads, each with its own keys, plus one key they all overwrite;
// a reader checks that every version of the file on disk is whole.
TEST_F(ProfileTest, ConcurrentWritersLoseNothing) {
  constexpr int kThreads = 4, kKeys = 40;
  std::atomic<bool> done{false};
  std::atomic<int> tornReads{0};
  std::thread reader([&] {
    while (!done) {
      std::string content;
      if (!files::ReadWholeFile(Ini(), content) || content.empty()) continue;
      if (!WholeInfoSection(content)) ++tornReads;
    }
  });
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([&, t] {
      for (int k = 0; k < kKeys; ++k) {
        std::string key = "T" + std::to_string(t) + "K" + std::to_string(k);
        EXPECT_TRUE(WriteString(Ini(), "Info", key, std::to_string(t * 1000 + k)));
        EXPECT_TRUE(WriteString(Ini(), "Info", "Shared", key));
      }
    });
  }
  for (auto& w : writers) w.join();
  done = true;
  reader.join();
  EXPECT_EQ(tornReads, 0);
  for (int t = 0; t < kThreads; ++t)
    for (int k = 0; k < kKeys; ++k)
      EXPECT_EQ(ReadString(Ini(), "Info", "T" + std::to_string(t) + "K" + std::to_string(k)),
                std::to_string(t * 1000 + k));
  EXPECT_EQ(ReadString(Ini(), "Info", "Shared").substr(2), "K" + std::to_string(kKeys - 1));
}

}  // namespace
}  // namespace tv::profile
