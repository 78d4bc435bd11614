// The segment connection of a worker on platform/inet, and the checks of its answer.
#include "engine/segment_connection.h"

#include <algorithm>
#include <charconv>
#include <mutex>

#include "common/text_routines.h"
#include "engine/task_table.h"
#include "web/url.h"

namespace tv {
namespace {

constexpr const char* kUserAgent =
    "Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 5.1; Trident/4.0; 360SE)";

void FailConnection(TaskId id, const char* message) {
  if (TaskSlot* slot = FindSlot(id)) slot->task.state = StateValue(TaskState::Failed);
  NotifyStatus(id, TaskStatus::Error, message);
}

bool Interrupted(TaskSlot& slot) {
  return slot.stopRequested.load() ||
         slot.task.state.load() == StateValue(TaskState::PauseRequested);
}

bool ParseNumber(std::string_view text, std::int64_t& value) {
  if (text.empty()) return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && value >= 0;
}

// Compares the answer's version with the one the partial file holds, and takes the
// answer's version when none is known yet. False when they differ.
bool SameVersion(TaskSlot& slot, const std::string& etag, const std::string& lastModified) {
  std::lock_guard lock(slot.mutex);
  if (!slot.etag.empty() && !etag.empty() && slot.etag != etag) return false;
  if (!slot.lastModified.empty() && !lastModified.empty() && slot.lastModified != lastModified)
    return false;
  if (slot.etag.empty()) slot.etag = etag;
  if (slot.lastModified.empty()) slot.lastModified = lastModified;
  return true;
}

}  // namespace

int OpenSegmentConnection(TaskId id, SegmentConnection& c) {
  TaskSlot* slot = FindSlot(id);
  if (!slot) return 0;
  std::string url, referer;
  {
    std::lock_guard lock(slot->mutex);
    url = slot->request.url;
    referer = slot->request.referer;
  }
  c.internet = inet::Internet::Open(kUserAgent);
  if (!c.internet) {
    FailConnection(id, "发送连接请求失败1");
    return 0;
  }
  c.connection = c.internet->Connect(UrlHost(url), UrlPort(url));
  if (!c.connection) {
    c.internet.reset();
    FailConnection(id, "发送连接请求失败2");
    return 0;
  }
  const unsigned flags = inet::kFlagReload | (UrlIsSecure(url) ? inet::kFlagSecure : 0u);
  c.request = c.connection->OpenRequest("GET", UrlPath(url), "HTTP/1.1", referer, flags);
  if (!c.request) {
    c.connection.reset();
    c.internet.reset();
    FailConnection(id, "发送连接请求失败3");
    return 0;
  }
  std::lock_guard lock(slot->mutex);
  slot->openRequests.push_back(c.request.get());
  c.task = id;
  // A stop or pause that came before the registration must still end this request.
  if (Interrupted(*slot)) c.request->Abort();
  return 1;
}

std::string RangeHeaderBlock(const std::string& extraHeaders, std::int64_t from, std::int64_t to,
                             const std::string& ifRange) {
  std::string block =
      "Accept: */*\r\nCache-Control: no-cache\r\nPragma: no-cache\r\nConnection: Close\r\n";
  block += extraHeaders;
  // Without its line end the caller's last header would swallow the Range line.
  if (!extraHeaders.empty() && extraHeaders.back() != '\n') block += "\r\n";
  if (!ifRange.empty()) block += "If-Range: " + ifRange + "\r\n";
  block += "Range: bytes=" + std::to_string(from) + "-" + std::to_string(to) + "\r\n";
  return block;
}

bool ParseContentRange(const std::string& value, std::int64_t& start, std::int64_t& end,
                       std::int64_t& total) {
  std::string_view text = value;
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.substr(0, 6) != "bytes ") return false;
  text.remove_prefix(6);
  const size_t dash = text.find('-'), slash = text.find('/');
  if (dash == std::string_view::npos || slash == std::string_view::npos || slash < dash)
    return false;
  return ParseNumber(text.substr(0, dash), start) &&
         ParseNumber(text.substr(dash + 1, slash - dash - 1), end) &&
         ParseNumber(text.substr(slash + 1), total) && start <= end && end < total;
}

std::string IfRangeValue(const std::string& etag, const std::string& lastModified) {
  // If-Range takes only a strong validator; a weak ETag would make every answer whole.
  if (!etag.empty() && etag.rfind("W/", 0) != 0) return etag;
  return lastModified;
}

RangeVerdict JudgeRangeAnswer(const RangeAnswer& answer, std::int64_t from, std::int64_t to,
                              std::int64_t total, bool sentIfRange) {
  RangeVerdict verdict;
  if (answer.status == 200 && sentIfRange) {
    verdict.result = RangeResult::Changed;
    verdict.reason = "服务器上的文件已更改";
    return verdict;
  }
  if (answer.status != 206) {
    verdict.reason = "应答状态 " + std::to_string(answer.status) + "，不是所请求的范围";
    return verdict;
  }
  std::int64_t start = 0, end = 0, size = 0;
  if (!ParseContentRange(answer.contentRange, start, end, size)) {
    verdict.reason = "应答的范围无效：" + answer.contentRange;
    return verdict;
  }
  if (start != from || end != to) {
    verdict.reason = "应答的范围不符：" + answer.contentRange;
    return verdict;
  }
  std::int64_t length = 0;
  if (!answer.contentLength.empty() &&
      (!ParseNumber(answer.contentLength, length) || length != to - from + 1)) {
    verdict.reason = "应答的长度不符：" + answer.contentLength;
    return verdict;
  }
  if (size != total) {
    verdict.result = RangeResult::Changed;
    verdict.reason = "服务器上的文件大小已改变";
    return verdict;
  }
  verdict.result = RangeResult::Ok;
  return verdict;
}

RangeResult SendRangeRequest(SegmentConnection& c, TaskId id, int workerIndex, std::int32_t from,
                             std::int32_t to) {
  TaskSlot* slot = FindSlot(id);
  if (!slot || !c.request) return RangeResult::Failed;
  std::string extra, ifRange;
  {
    std::lock_guard lock(slot->mutex);
    extra = slot->request.extraHeaders;
    ifRange = IfRangeValue(slot->etag, slot->lastModified);
  }
  const std::string index = std::to_string(workerIndex);
  if (!c.request->Send(RangeHeaderBlock(extra, from, to, ifRange))) {
    if (Interrupted(*slot)) return RangeResult::Failed;
    FailConnection(id, ("线程" + index + " 请求数据请求失败").c_str());
    return RangeResult::Failed;
  }
  RangeAnswer answer{c.request->StatusCode(), c.request->Header("Content-Range"),
                     c.request->Header("Content-Length")};
  RangeVerdict verdict =
      JudgeRangeAnswer(answer, from, to, slot->task.fileSize.load(), !ifRange.empty());
  if (verdict.result == RangeResult::Ok &&
      !SameVersion(*slot, c.request->Header("ETag"), c.request->Header("Last-Modified"))) {
    verdict.result = RangeResult::Changed;
  }
  if (verdict.result == RangeResult::Failed) {
    FailConnection(id, ("线程" + index + " 请求数据请求失败：" + verdict.reason).c_str());
  } else if (verdict.result == RangeResult::Changed) {
    slot->resourceChanged = true;
    slot->task.state = StateValue(TaskState::Failed);
  }
  return verdict.result;
}

void CloseSegmentConnection(SegmentConnection& c) {
  if (TaskSlot* slot = c.task ? FindSlot(c.task) : nullptr) {
    std::lock_guard lock(slot->mutex);
    auto& open = slot->openRequests;
    open.erase(std::remove(open.begin(), open.end(), c.request.get()), open.end());
  }
  c.task = 0;
  c.request.reset();
  c.connection.reset();
  c.internet.reset();
}

}  // namespace tv
