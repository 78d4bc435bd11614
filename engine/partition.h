// How a task's file is split into one byte range per worker: the worker count follows
// from the file size, the ranges from plain integer division.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/download_engine.h"

namespace tv {

struct ByteRange {
  std::int32_t start = 0;
  std::int32_t end = 0;  // inclusive
};

// 1 worker up to 100 KB, 2 up to 500 KB, 3 up to 2000 KB, above that the requested
// count (kept within 1..5 so that a damaged count can never divide by zero).
int ChooseWorkerCount(std::int32_t fileSize, int requested);
// N ranges of fileSize / N bytes each; the last one also takes the remainder.
std::vector<ByteRange> PartitionRanges(std::int32_t fileSize, int workers);

// On the task table: sets the task's thread count and live-worker count to the chosen
// N (notifying 7 "分配线程数量：" + N) and lays out N segments, keeping every `done`.
int ChooseWorkerCount(TaskId id);
void PartitionSegments(TaskId id);

}  // namespace tv
