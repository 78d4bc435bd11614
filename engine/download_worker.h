// The worker threads of a task: worker 1 learns the size, creates the partial file,
// partitions it and starts the others; every worker fetches its own byte range in
// blocks and writes each block at its offset; the last one to end finishes the task.
#pragma once

#include <cstdint>
#include <string>

#include "engine/download_engine.h"

namespace tv {

// Pause between starting two workers of a task: enough to spread the connection
// attempts, short enough that the last worker does not finish long after the first.
inline constexpr int kFanOutDelayMs = 20;
// Reads larger than this would only cost memory.
inline constexpr std::int32_t kMaxBlockSize = 16 * 1024 * 1024;
// How often a task whose resource changed under it starts afresh by itself.
inline constexpr int kMaxFreshRestarts = 2;

// The thread routine; `parameter` is the worker's own text "taskId,workerIndex".
void DownloadWorker(std::string parameter);

// Starts worker `workerIndex` of task `id` on a new thread and records its handle.
// False when no thread could be created.
bool StartWorkerThread(TaskId id, int workerIndex);

// The read size a worker uses for a task's block size: below 10240 gives 20480.
std::int32_t EffectiveBlockSize(std::int32_t blockSize);

// Waits until no thread of the task runs any more (handling UI events meanwhile on the
// UI thread) and joins them.
void ReapTaskThreads(TaskId id);

}  // namespace tv
