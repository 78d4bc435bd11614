// Writing and reading the task file on the private-profile routines.
#include "engine/task_file.h"

#include <cstdlib>
#include <limits>
#include <mutex>
#include <utility>
#include <vector>

#include "common/text_routines.h"
#include "engine/config_cipher.h"
#include "engine/partition.h"
#include "engine/task_table.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "web/share_link.h"

namespace tv {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

constexpr const char* kFriendlyHint = "请不要更改本配置文件中的任意位置，否则可能造成不能断点续传";

struct TaskSnapshot {
  DownloadRequest request;
  std::string etag;
  std::string lastModified;
  std::vector<std::int32_t> done;
  std::int32_t elapsed = 0, startTime = 0, fileSize = 0, downloaded = 0;
};

// Counters are taken before the data is flushed, so every byte they count is on disk.
TaskSnapshot TakeSnapshot(TaskSlot& slot) {
  TaskSnapshot s;
  std::lock_guard lock(slot.mutex);
  s.request = slot.request;
  s.etag = slot.etag;
  s.lastModified = slot.lastModified;
  for (int i = 0; i < s.request.threadCount; ++i) {
    const auto& segments = slot.task.segments;
    s.done.push_back(i < static_cast<int>(segments.size()) ? segments[i].done.load() : 0);
  }
  s.elapsed = slot.task.elapsed.load();
  s.startTime = slot.task.startTime.load();
  s.fileSize = slot.task.fileSize.load();
  s.downloaded = slot.task.downloaded.load();
  return s;
}

void FlushPartialFile(const std::string& path) {
  files::File file;
  if (file.Open(path, files::File::Mode::Read, files::File::Create::OpenExisting)) file.SyncData();
}

bool WriteSnapshot(const std::string& name, const TaskSnapshot& s) {
  const std::string url =
      Engine().encipherUrl.load() ? EncipherConfigText(s.request.url, UrlKey()) : s.request.url;
  Entries notice = {{"友情提示", kFriendlyHint},
                    {"下载说明", DecipherConfigText(NoticeConstant(), NoticeKey())}};
  Entries task = {{"Url", url},
                  {"DownUrl", s.request.referer},
                  {"LocatName", s.request.localPath},
                  {"Size", std::to_string(s.request.blockSize)},
                  {"InitThreadCount", std::to_string(s.request.threadCount)}};
  Entries info = {{"AlreadyTime", std::to_string(s.elapsed)},
                  {"StatrTime", std::to_string(s.startTime)},
                  {"FileSize", std::to_string(s.fileSize)},
                  {"AlreadySize", std::to_string(s.downloaded)}};
  for (size_t i = 0; i < s.done.size(); ++i) {
    info.emplace_back("Thread" + std::to_string(i + 1), std::to_string(s.done[i]));
  }
  // The version of the resource the partial file holds, for If-Range on a resume.
  info.emplace_back("ETag", s.etag);
  info.emplace_back("LastModified", s.lastModified);
  // Info last: a crash between the writes leaves older, still true, progress values.
  return profile::WriteStrings(name, "说明", notice) && profile::WriteStrings(name, "Task", task) &&
         profile::WriteStrings(name, "Info", info);
}

// A share link's direct address expires; ask for a fresh one unless the stored one
// already points at this machine's own public address.
std::string RefreshShareLinkUrl(const std::string& name, const std::string& url,
                                const std::string& referer) {
  std::string city;
  const std::string address = LookupPublicAddress(city);
  std::string left = "http://", right = "/";
  if (TextBetween(url, left, right) == address) return url;
  std::string link = referer;
  if (auto hash = link.find('#'); hash != std::string::npos) link.erase(hash, 1);
  const std::string pickCode = TextAfterLast(link, "/");
  std::string fileName, extension;
  std::string fresh = ResolveShareLink(pickCode, LookupCarrier(address), fileName, extension);
  profile::WriteString(name, "Task", "Url",
                       Engine().encipherUrl.load() ? EncipherConfigText(fresh, UrlKey()) : fresh);
  return fresh;
}

// Whether the loaded values describe a download that can be continued without
// splicing wrong bytes: the counts must be the ones the partition gives for this size,
// every progress value must fit its range, and the partial file must have the size.
bool LoadedTaskFits(TaskSlot& slot) {
  const std::int32_t fileSize = slot.task.fileSize.load();
  const int n = slot.request.threadCount;
  if (n < 1 || n > 5 || ChooseWorkerCount(fileSize, n) != n) return false;
  const auto ranges = PartitionRanges(fileSize, n);
  std::int64_t sum = 0;
  for (int i = 0; i < n; ++i) {
    const std::int32_t done = slot.task.segments[i].done.load();
    if (done < 0 || done > ranges[i].end - ranges[i].start + 1) return false;
    sum += done;
  }
  if (files::FileSize(slot.request.localPath) != fileSize) return false;
  slot.task.downloaded = static_cast<std::int32_t>(sum);
  return true;
}

}  // namespace

std::int32_t TaskFileNumber(const std::string& text) {
  const char* begin = text.c_str();
  char* end = nullptr;
  double value = std::strtod(begin, &end);
  if (end == begin || value != value) return 0;
  if (value >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
    return std::numeric_limits<std::int32_t>::max();
  if (value <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
    return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

bool WriteTaskFile(const std::string& fileName, TaskId id) {
  TaskSlot* slot = FindSlot(id);
  if (!slot) return false;
  std::lock_guard fileLock(slot->fileMutex);
  if (slot->taskFileRetired) return false;
  TaskSnapshot snapshot = TakeSnapshot(*slot);
  // Only a partial file has a task file; a released slot has nothing to save.
  const std::string& partial = snapshot.request.localPath;
  if (partial.size() < 3 || partial.compare(partial.size() - 3, 3, "!BT") != 0) return false;
  FlushPartialFile(snapshot.request.localPath);
  return WriteSnapshot(fileName, snapshot);
}

bool ReadTaskFile(const std::string& fileName, TaskId id) {
  TaskSlot* slot = FindSlot(id);
  if (!slot) return false;
  const std::string notice = profile::ReadString(fileName, "说明", "下载说明", NoticeText());
  if (EncipherConfigText(notice, NoticeKey()) != NoticeConstant()) return false;

  std::string url = profile::ReadString(fileName, "Task", "Url", "-1");
  if (Engine().encipherUrl.load()) url = DecipherConfigText(url, UrlKey());
  const std::string referer = profile::ReadString(fileName, "Task", "DownUrl", "-1");
  if (IsShareLink(referer)) url = RefreshShareLinkUrl(fileName, url, referer);

  auto number = [&](const char* section, const char* key, const char* fallback) {
    return TaskFileNumber(profile::ReadString(fileName, section, key, fallback));
  };
  std::lock_guard lock(slot->mutex);
  DownloadRequest& request = slot->request;
  TaskRecord& task = slot->task;
  request.url = url;
  request.referer = referer;
  request.localPath = profile::ReadString(fileName, "Task", "LocatName", "-1");
  request.blockSize = number("Task", "Size", "10240");
  request.threadCount = static_cast<std::uint8_t>(number("Task", "InitThreadCount", "3"));
  task.elapsed = number("Info", "AlreadyTime", "-1");
  task.startTime = number("Info", "StatrTime", "-1");
  task.fileSize = number("Info", "FileSize", "-1");
  task.downloaded = number("Info", "AlreadySize", "-1");
  slot->etag = profile::ReadString(fileName, "Info", "ETag", "");
  slot->lastModified = profile::ReadString(fileName, "Info", "LastModified", "");
  task.segments = std::vector<SegmentRecord>(request.threadCount);
  for (int i = 0; i < request.threadCount; ++i) {
    task.segments[i].done = number("Info", ("Thread" + std::to_string(i + 1)).c_str(), "0");
  }
  if (task.fileSize.load() < 1 || request.url.size() < 10 || !PathExists(request.localPath))
    return false;
  return LoadedTaskFits(*slot);
}

}  // namespace tv
