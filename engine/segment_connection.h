// One worker's HTTP connection and its range request. Every answer is checked against
// what was asked before a byte of it is trusted.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/download_engine.h"
#include "platform/inet.h"

namespace tv {

struct SegmentConnection {
  std::unique_ptr<inet::Internet> internet;
  std::unique_ptr<inet::Connection> connection;
  std::unique_ptr<inet::Request> request;
  TaskId task = 0;  // set while the request is registered with its task for aborts
};

// Opens the three handles for task `id`; 1 on success. On failure nothing stays open,
// the task's state is 98 and the step is notified ("发送连接请求失败1/2/3").
int OpenSegmentConnection(TaskId id, SegmentConnection& connection);

enum class RangeResult {
  Ok,       // 206 with exactly the asked range of the expected version
  Failed,   // no answer, or an answer that is not the asked range
  Changed,  // the resource is no longer the version the partial file holds
};

// Sends the request for bytes `from` to `to` of worker `workerIndex` and checks the
// answer. Failed and Changed set the task's state to 98; Failed also notifies 98.
RangeResult SendRangeRequest(SegmentConnection& connection, TaskId id, int workerIndex,
                             std::int32_t from, std::int32_t to);

// Closes the handles (skipping those not open) and unregisters the request.
void CloseSegmentConnection(SegmentConnection& connection);

// The header block of a range request; `ifRange` empty sends no If-Range line.
std::string RangeHeaderBlock(const std::string& extraHeaders, std::int64_t from, std::int64_t to,
                             const std::string& ifRange);

// The verdict on one answer. `reason` says what was wrong (GBK) when not Ok.
struct RangeVerdict {
  RangeResult result = RangeResult::Failed;
  std::string reason;
};
struct RangeAnswer {
  int status = 0;
  std::string contentRange;
  std::string contentLength;
};
RangeVerdict JudgeRangeAnswer(const RangeAnswer& answer, std::int64_t from, std::int64_t to,
                              std::int64_t total, bool sentIfRange);
// "bytes START-END/TOTAL" into its numbers; false for anything else.
bool ParseContentRange(const std::string& value, std::int64_t& start, std::int64_t& end,
                       std::int64_t& total);
// The validator a resumed request may send as If-Range: a strong ETag, else the date.
std::string IfRangeValue(const std::string& etag, const std::string& lastModified);

}  // namespace tv
