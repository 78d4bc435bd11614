// The engine-wide task table: one slot per task holding the engine's copy of the request
// and the task's record, plus the services every engine part calls (status
// notification, progress report, slot release, engine clock).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/download_engine.h"

namespace tv {

namespace inet {
class Request;
}

struct SegmentRecord {
  std::int32_t start = 0;
  std::int32_t end = 0;               // inclusive
  std::atomic<std::int32_t> done{0};  // bytes of this segment on disk; only its worker adds

  SegmentRecord() = default;
  SegmentRecord(const SegmentRecord& other)
      : start(other.start), end(other.end), done(other.done.load()) {}
  SegmentRecord& operator=(const SegmentRecord& other) {
    start = other.start;
    end = other.end;
    done = other.done.load();
    return *this;
  }
};

struct TaskRecord {
  std::vector<SegmentRecord> segments;     // layout guarded by the slot's mutex
  std::atomic<std::int32_t> state{0};      // a TaskState value
  std::vector<std::thread> threadHandles;  // guarded by the slot's mutex
  std::atomic<std::int32_t> liveWorkers{0};
  std::atomic<std::int32_t> startTime{0};
  std::atomic<std::int32_t> elapsed{0};
  std::atomic<std::int32_t> fileSize{0};
  std::atomic<std::int32_t> downloaded{0};
};

// How a task's last run ended, for BT_Continue.
enum class TaskOutcome { None, Completed, Paused, Failed, Stopped };

// One row of both tables. Texts, the segment layout, the thread list and the
// validators are guarded by `mutex`; counters are atomic.
struct TaskSlot {
  std::mutex mutex;
  DownloadRequest request;
  TaskRecord task;

  // Threads of this task that have not yet returned; a new launch waits for zero.
  std::atomic<int> threadsRunning{0};
  // Polled with the pause request after every block: BT_Stop is ending the task.
  std::atomic<bool> stopRequested{false};
  // The finishing worker has taken over the task (completion, pause or failure).
  bool finalising = false;
  // BT_Continue holds the slot while the old workers end, so nobody else takes it.
  std::atomic<bool> reserved{false};
  // The resource answered with another version than the one on disk.
  std::atomic<bool> resourceChanged{false};
  int freshRestarts = 0;  // automatic fresh starts after a change, per launch
  std::atomic<TaskOutcome> outcome{TaskOutcome::None};
  // The version of the resource the partial file holds; empty when unknown.
  std::string etag;
  std::string lastModified;
  // Range requests under way, so a stop or pause can end a blocked read at once.
  std::vector<inet::Request*> openRequests;

  // Serialises writes of the task file; once retired (completion, stop) no write
  // may recreate it.
  std::mutex fileMutex;
  bool taskFileRetired = false;
};

// Engine-wide state: callbacks, the encipher flag, the table and the start guard.
struct EngineState {
  std::mutex callbackMutex;
  ProgressCallback progressCallback;
  StatusCallback statusCallback;
  std::atomic<bool> encipherUrl{false};

  std::unique_ptr<TaskSlot[]> slots{new TaskSlot[kMaxTasks]};
  std::atomic<int> taskCount{0};

  std::mutex startMutex;
  bool startInProgress = false;
  std::thread::id startThread;
};

// The single engine-wide state. Never destroyed, so workers still running at exit
// never touch freed memory.
EngineState& Engine();
// The slot of `id`, or nullptr when the ID is 0 or above the task count.
TaskSlot* FindSlot(TaskId id);
// FindSlot that reports an unknown ID as status 98 with `message`.
TaskSlot* FindSlotOrReport(TaskId id, const char* message = "任务ID错误！");

// Whole seconds since 1970-01-01 08:00:00 on the local clock.
std::int32_t EngineClock();
// Two decimal places, halves away from zero, as the engine reports fractions.
double RoundTwoPlaces(double value);
// Average speed in KB/s since `startTime`; 0 before a whole second has passed.
double TaskSpeed(std::int32_t downloaded, std::int32_t startTime, std::int32_t now);
// Percent done; 0 while the size is not known.
double TaskPercent(std::int32_t downloaded, std::int32_t fileSize);
// Whether the progress timer rewrites the task file at this percentage.
bool TaskFileTick(double percent);

void NotifyStatus(TaskId id, std::int32_t code, const std::string& message);
inline void NotifyStatus(TaskId id, TaskStatus code, const std::string& message) {
  NotifyStatus(id, static_cast<std::int32_t>(code), message);
}
void ReportProgress(TaskId id);
void ReleaseTask(TaskId id);
// The progress timer's procedure.
void ProgressTick();

// The task's local path copy, read under its lock.
std::string TaskLocalPath(TaskId id);
inline std::int32_t StateValue(TaskState s) { return static_cast<std::int32_t>(s); }

}  // namespace tv
