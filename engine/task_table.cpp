// The engine-wide task table and the services the engine parts share: status
// notification, the once-a-second progress report, slot release and the engine clock.
#include "engine/task_table.h"

#include <cmath>
#include <ctime>

#include "engine/task_file.h"

namespace tv {

EngineState& Engine() {
  static EngineState* state = new EngineState;
  return *state;
}

TaskSlot* FindSlot(TaskId id) {
  EngineState& engine = Engine();
  if (id == 0 || id > engine.taskCount.load()) return nullptr;
  return &engine.slots[id - 1];
}

TaskSlot* FindSlotOrReport(TaskId id, const char* message) {
  TaskSlot* slot = FindSlot(id);
  if (!slot) NotifyStatus(id, TaskStatus::Error, message);
  return slot;
}

std::int32_t EngineClock() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  // The local wall clock read as if it were UTC+8.
  return static_cast<std::int32_t>(static_cast<long long>(now) + local.tm_gmtoff - 8 * 3600);
}

double RoundTwoPlaces(double value) { return std::round(value * 100.0 + 0.000000000001) / 100.0; }

double TaskSpeed(std::int32_t downloaded, std::int32_t startTime, std::int32_t now) {
  double seconds = static_cast<double>(now) - static_cast<double>(startTime);
  if (seconds < 1.0) return 0.0;
  return RoundTwoPlaces(static_cast<double>(downloaded) / seconds / 1024.0);
}

double TaskPercent(std::int32_t downloaded, std::int32_t fileSize) {
  if (fileSize <= 0) return 0.0;
  return RoundTwoPlaces(static_cast<double>(downloaded) / static_cast<double>(fileSize) * 100.0);
}

bool TaskFileTick(double percent) {
  if (percent <= 0.0000001) return false;
  double whole = std::floor(percent);
  return std::fabs(std::fmod(whole, 3.0)) <= 0.0000001;
}

std::string TaskLocalPath(TaskId id) {
  TaskSlot* slot = FindSlot(id);
  if (!slot) return {};
  std::lock_guard lock(slot->mutex);
  return slot->request.localPath;
}

void NotifyStatus(TaskId id, std::int32_t code, const std::string& message) {
  if (id == 0) return;
  EngineState& engine = Engine();
  StatusCallback callback;
  {
    std::lock_guard lock(engine.callbackMutex);
    callback = engine.statusCallback;
  }
  if (!callback) return;
  if (id == kNoTask) {
    callback(kNoTask, code, std::string(), message);
    return;
  }
  if (!FindSlot(id)) return;
  callback(id, code, TaskLocalPath(id), message);
}

void ReportProgress(TaskId id) {
  TaskSlot* slot = FindSlot(id);
  if (!slot) return;
  EngineState& engine = Engine();
  const std::int32_t now = EngineClock();

  float total = 0.0f;
  const int count = engine.taskCount.load();
  for (int i = 0; i < count; ++i) {
    TaskRecord& other = engine.slots[i].task;
    if (other.liveWorkers.load() > 0) {
      total += static_cast<float>(TaskSpeed(other.downloaded.load(), other.startTime.load(), now));
    }
  }
  if (std::fabs(total) <= 0.0000001f) total = -1.0f;

  TaskRecord& task = slot->task;
  const std::int32_t fileSize = task.fileSize.load();
  const std::int32_t downloaded = task.downloaded.load();
  const float percent = static_cast<float>(TaskPercent(downloaded, fileSize));
  if (TaskFileTick(percent)) WriteTaskFile(TaskLocalPath(id) + ".Config", id);
  const float speed = static_cast<float>(TaskSpeed(downloaded, task.startTime.load(), now));

  ProgressCallback callback;
  {
    std::lock_guard lock(engine.callbackMutex);
    callback = engine.progressCallback;
  }
  if (callback) callback(id, fileSize, downloaded, speed, percent, total);
}

void ReleaseTask(TaskId id) {
  TaskSlot* slot = FindSlot(id);
  if (!slot) return;
  std::lock_guard lock(slot->mutex);
  TaskRecord& task = slot->task;
  task.liveWorkers = 0;
  slot->request.url.clear();
  slot->request.referer.clear();
  slot->request.localPath.clear();
  slot->request.blockSize = 0;
  task.elapsed = 0;
  task.startTime = 0;
  task.fileSize = 0;
  task.downloaded = 0;
  for (auto& segment : task.segments) segment.done = 0;
  slot->etag.clear();
  slot->lastModified.clear();
  // Last, so that whoever sees the slot free sees it wholly released.
  task.state = StateValue(TaskState::Free);
}

void ProgressTick() {
  const int count = Engine().taskCount.load();
  for (int id = 1; id <= count; ++id) {
    TaskRecord& task = Engine().slots[id - 1].task;
    const std::int32_t state = task.state.load();
    if (state == StateValue(TaskState::Downloading) ||
        (state == StateValue(TaskState::Failed) && task.liveWorkers.load() > 0)) {
      ReportProgress(static_cast<TaskId>(id));
    }
  }
}

}  // namespace tv
