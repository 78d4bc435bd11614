// The partition step of a task: worker count and byte ranges.
#include "engine/partition.h"

#include <algorithm>
#include <mutex>
#include <string>

#include "engine/task_table.h"

namespace tv {

int ChooseWorkerCount(std::int32_t fileSize, int requested) {
  const std::int32_t kb = fileSize / 1024;
  if (kb <= 100) return 1;
  if (kb <= 500) return 2;
  if (kb <= 2000) return 3;
  return std::clamp(requested, 1, 5);
}

std::vector<ByteRange> PartitionRanges(std::int32_t fileSize, int workers) {
  std::vector<ByteRange> ranges;
  if (workers < 1 || fileSize < 0) return ranges;
  const std::int32_t per = fileSize / workers;
  for (int i = 1; i <= workers; ++i) {
    ByteRange range;
    range.start = per * (i - 1);
    range.end = (i < workers) ? per * i - 1 : fileSize - 1;
    ranges.push_back(range);
  }
  return ranges;
}

int ChooseWorkerCount(TaskId id) {
  TaskSlot* slot = FindSlot(id);
  if (!slot) return 0;
  int n;
  {
    std::lock_guard lock(slot->mutex);
    n = ChooseWorkerCount(slot->task.fileSize.load(), slot->request.threadCount);
    slot->request.threadCount = static_cast<std::uint8_t>(n);
  }
  slot->task.liveWorkers = n;
  NotifyStatus(id, TaskStatus::WorkerInfo, "分配线程数量：" + std::to_string(n));
  return n;
}

void PartitionSegments(TaskId id) {
  TaskSlot* slot = FindSlot(id);
  if (!slot) return;
  const int n = ChooseWorkerCount(id);
  std::lock_guard lock(slot->mutex);
  auto& segments = slot->task.segments;
  segments.resize(n);
  const auto ranges = PartitionRanges(slot->task.fileSize.load(), n);
  for (int i = 0; i < n; ++i) {
    segments[i].start = ranges[i].start;
    segments[i].end = ranges[i].end;
  }
}

}  // namespace tv
