// Writing and reading the task file, and how damaged or edited files are refused.
#include "engine/task_file.h"

#include <gtest/gtest.h>

#include <fstream>

#include "engine/config_cipher.h"
#include "engine/task_table.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "tests/engine/engine_fixture.h"
#include "tests/support/gbk_assert.h"

namespace tv {
namespace {

class TaskFile : public test::EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    partial_ = GbkPath("地图包.zip!BT");
    config_ = partial_ + ".Config";
  }

  // Task 1: a paused download of 3,000,000 bytes in three segments.
  TaskSlot& PausedTask(int threads = 3, std::int32_t fileSize = 3000000) {
    Engine().taskCount = 2;
    TaskSlot& slot = Engine().slots[0];
    slot.request = DownloadRequest{"http://127.0.0.1:1/地图包.zip",
                                   "/",
                                   partial_,
                                   20480,
                                   static_cast<std::uint8_t>(threads),
                                   "X-Extra: 1\r\n"};
    slot.task.segments.assign(threads, SegmentRecord());
    const std::int32_t per = fileSize / threads;
    for (int i = 0; i < threads; ++i) {
      slot.task.segments[i].start = per * i;
      slot.task.segments[i].end = i + 1 < threads ? per * (i + 1) - 1 : fileSize - 1;
      slot.task.segments[i].done = i == 0 ? 40960 : (i == 1 ? 0 : 1000);
    }
    slot.task.fileSize = fileSize;
    slot.task.downloaded = 41960;
    slot.task.elapsed = 17;
    slot.task.startTime = 1700000000;
    slot.task.state = 4;
    slot.etag = "\"5f3c-1a2b\"";
    slot.lastModified = "Wed, 21 Oct 2015 07:28:00 GMT";
    slot.taskFileRetired = false;
    std::ofstream(dir() / u8"地图包.zip!BT", std::ios::binary)
        .write(std::string(fileSize, '\0').data(), fileSize);
    return slot;
  }
  TaskSlot& Loaded() { return Engine().slots[1]; }

  std::string partial_, config_;
};

TEST_F(TaskFile, RoundTripKeepsEveryValueAndTheResourceVersion) {
  PausedTask();
  ASSERT_TRUE(WriteTaskFile(config_, 1));
  ASSERT_TRUE(ReadTaskFile(config_, 2));
  TaskSlot& slot = Loaded();
  EXPECT_GBK_EQ(slot.request.url, "http://127.0.0.1:1/地图包.zip");
  EXPECT_GBK_EQ(slot.request.referer, "/");
  EXPECT_GBK_EQ(slot.request.localPath, partial_);
  EXPECT_EQ(slot.request.blockSize, 20480);
  EXPECT_EQ(slot.request.threadCount, 3);
  EXPECT_EQ(slot.task.fileSize.load(), 3000000);
  EXPECT_EQ(slot.task.elapsed.load(), 17);
  EXPECT_EQ(slot.task.startTime.load(), 1700000000);
  EXPECT_EQ(slot.task.downloaded.load(), 41960);
  ASSERT_EQ(slot.task.segments.size(), 3u);
  EXPECT_EQ(slot.task.segments[0].done.load(), 40960);
  EXPECT_EQ(slot.task.segments[2].done.load(), 1000);
  EXPECT_EQ(slot.etag, "\"5f3c-1a2b\"");
  EXPECT_EQ(slot.lastModified, "Wed, 21 Oct 2015 07:28:00 GMT");

  const std::string text = ReadFile(u8"地图包.zip!BT.Config");
  const auto notice = text.find("[说明]"), task = text.find("[Task]"), info = text.find("[Info]");
  EXPECT_LT(notice, task);
  EXPECT_LT(task, info);
  EXPECT_NE(text.find("StatrTime=1700000000"), std::string::npos);
  EXPECT_NE(text.find("Thread3=1000"), std::string::npos);
}

TEST_F(TaskFile, ARetiredTaskFileIsNeverWrittenAgain) {
  TaskSlot& slot = PausedTask();
  slot.taskFileRetired = true;
  EXPECT_FALSE(WriteTaskFile(config_, 1));
  EXPECT_FALSE(std::filesystem::exists(dir() / u8"地图包.zip!BT.Config"));
}

// One edit of a written file and whether the task may then be resumed.
struct Edit {
  const char* what;
  std::function<void(const std::string& file)> apply;
  bool resumable;
};

void PrintTo(const Edit& edit, std::ostream* out) { *out << edit.what; }

class TaskFileEdits : public TaskFile, public ::testing::WithParamInterface<Edit> {};

TEST_P(TaskFileEdits, DecideWhetherTheTaskCanBeResumed) {
  PausedTask();
  ASSERT_TRUE(WriteTaskFile(config_, 1));
  GetParam().apply(config_);
  EXPECT_EQ(ReadTaskFile(config_, 2), GetParam().resumable) << GetParam().what;
}

void Set(const std::string& file, const char* section, const char* key, const std::string& value) {
  profile::WriteString(file, section, key, value);
}

void DropLine(const std::string& file, const std::string& prefix) {
  std::filesystem::path native;
  files::ToNative(file, native);
  std::ifstream in(native, std::ios::binary);
  std::string text, line, kept;
  while (std::getline(in, line)) {
    if (line.rfind(prefix, 0) != 0) kept += line + "\n";
  }
  in.close();
  std::ofstream(native, std::ios::binary) << kept;
}

INSTANTIATE_TEST_SUITE_P(
    Edits, TaskFileEdits,
    ::testing::Values(
        Edit{"untouched", [](const std::string&) {}, true},
        Edit{"notice line deleted", [](const std::string& f) { DropLine(f, "下载说明="); }, true},
        Edit{"notice changed",
             [](const std::string& f) { Set(f, "说明", "下载说明", NoticeText().substr(1)); },
             false},
        Edit{"size missing", [](const std::string& f) { DropLine(f, "FileSize="); }, false},
        Edit{"address too short", [](const std::string& f) { Set(f, "Task", "Url", "http://a/"); },
             false},
        Edit{"fewer workers than the size gives",
             [](const std::string& f) { Set(f, "Task", "InitThreadCount", "2"); },
             true},  // 3,000,000 bytes may run with any count from 1 to 5
        Edit{"no workers", [](const std::string& f) { Set(f, "Task", "InitThreadCount", "0"); },
             false},
        Edit{"progress beyond its segment",
             [](const std::string& f) { Set(f, "Info", "Thread2", "1000001"); }, false},
        Edit{"negative progress", [](const std::string& f) { Set(f, "Info", "Thread1", "-5"); },
             false},
        Edit{"size of another file",
             [](const std::string& f) { Set(f, "Info", "FileSize", "3000001"); }, false}));

TEST_F(TaskFile, LoadsProgressValuesAsTheCountSays) {
  PausedTask();
  ASSERT_TRUE(WriteTaskFile(config_, 1));
  Set(config_, "Info", "Thread1", "123.9");
  DropLine(config_, "Thread3=");
  ASSERT_TRUE(ReadTaskFile(config_, 2));
  EXPECT_EQ(Loaded().task.segments[0].done.load(), 123);
  EXPECT_EQ(Loaded().task.segments[2].done.load(), 0);  // missing line
  // The progress counter follows the values, never the file's own sum.
  EXPECT_EQ(Loaded().task.downloaded.load(), 123);

  Set(config_, "Task", "InitThreadCount", "2");
  for (int i = 3; i <= 5; ++i) Set(config_, "Info", ("Thread" + std::to_string(i)).c_str(), "77");
  ReadTaskFile(config_, 2);
  EXPECT_EQ(Loaded().task.segments.size(), 2u);
}

TEST_F(TaskFile, OldFilesWithoutTheVersionKeysStillLoad) {
  PausedTask();
  ASSERT_TRUE(WriteTaskFile(config_, 1));
  DropLine(config_, "ETag=");
  DropLine(config_, "LastModified=");
  ASSERT_TRUE(ReadTaskFile(config_, 2));
  EXPECT_EQ(Loaded().etag, "");
  EXPECT_EQ(Loaded().lastModified, "");
}

TEST_F(TaskFile, EncipheredAddressNeedsTheSameSettingToRead) {
  PausedTask();
  Engine().encipherUrl = true;
  ASSERT_TRUE(WriteTaskFile(config_, 1));
  const std::string stored = profile::ReadString(config_, "Task", "Url");
  EXPECT_EQ(stored, EncipherConfigText("http://127.0.0.1:1/地图包.zip", UrlKey()));
  EXPECT_TRUE(ReadTaskFile(config_, 2));
  EXPECT_GBK_EQ(Loaded().request.url, "http://127.0.0.1:1/地图包.zip");

  Engine().encipherUrl = false;
  EXPECT_TRUE(ReadTaskFile(config_, 2));
  EXPECT_EQ(Loaded().request.url, stored);  // the hex text itself

  ASSERT_TRUE(WriteTaskFile(config_, 1));  // plain now
  Engine().encipherUrl = true;
  EXPECT_FALSE(ReadTaskFile(config_, 2));
  EXPECT_EQ(Loaded().request.url, "");
  Engine().encipherUrl = false;
}

}  // namespace
}  // namespace tv
