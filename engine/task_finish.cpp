// Finalisation of a task by its last worker.
#include "engine/task_finish.h"

#include <mutex>

#include "common/engine_services.h"
#include "engine/download_worker.h"
#include "engine/output_file.h"
#include "engine/task_file.h"
#include "platform/files.h"

namespace tv {
namespace {

void RetireTaskFile(TaskSlot& slot, const std::string& path) {
  std::lock_guard lock(slot.fileMutex);
  slot.taskFileRetired = true;
  files::DeleteFile(path + ".Config");
}

void SaveElapsed(TaskSlot& slot) {
  const std::int32_t start = slot.task.startTime.load();
  slot.task.elapsed = start > 0 ? EngineClock() - start : 0;
}

void FinishPaused(TaskId id, TaskSlot& slot) {
  SaveElapsed(slot);
  WriteTaskFile(TaskLocalPath(id) + ".Config", id);
  slot.outcome = TaskOutcome::Paused;
  NotifyStatus(id, TaskStatus::Paused, "下载被暂停");
  ReleaseTask(id);
}

void FinishFailed(TaskId id, TaskSlot& slot) {
  slot.task.state = StateValue(TaskState::Failed);
  SaveElapsed(slot);
  WriteTaskFile(TaskLocalPath(id) + ".Config", id);
  slot.outcome = TaskOutcome::Failed;
  NotifyStatus(id, TaskStatus::Error, "搜索不到资源,可能是网络不稳定造成的,请稍后再试");
  PumpingWait(30);
  ReleaseTask(id);
}

bool AllSegmentsDone(TaskSlot& slot) {
  std::lock_guard lock(slot.mutex);
  std::int64_t sum = 0;
  for (const auto& segment : slot.task.segments) {
    if (segment.done.load() != segment.end - segment.start + 1) return false;
    sum += segment.done.load();
  }
  return sum == slot.task.fileSize.load();
}

void FinishCompleted(TaskId id, TaskSlot& slot) {
  PumpingWait(30);
  const std::string path = TaskLocalPath(id);
  if (path.size() >= 3 && path.compare(path.size() - 3, 3, "!BT") == 0) {
    const std::string finalPath = path.substr(0, path.size() - 3);
    files::DeleteFile(finalPath);
    if (!RenameOutputFile(path, finalPath)) {
      // The download is whole but not in place: keep it resumable rather than claim success.
      slot.task.state = StateValue(TaskState::Failed);
      WriteTaskFile(path + ".Config", id);
      slot.outcome = TaskOutcome::Failed;
      NotifyStatus(id, TaskStatus::Error, "下载完成，但无法把文件改名为：" + finalPath);
      ReleaseTask(id);
      return;
    }
    RetireTaskFile(slot, path);
  }
  ReportProgress(id);
  slot.outcome = TaskOutcome::Completed;
  NotifyStatus(id, TaskStatus::Finished, "下载完毕");
  ReleaseTask(id);
}

// The partial file holds bytes of another version: they can never be resumed.
void DiscardChangedDownload(TaskSlot& slot, const std::string& path) {
  files::DeleteFile(path + ".Config");
  files::DeleteFile(path);
  std::lock_guard lock(slot.mutex);
  slot.etag.clear();
  slot.lastModified.clear();
  for (auto& segment : slot.task.segments) segment.done = 0;
  slot.task.downloaded = 0;
  slot.task.fileSize = 0;
  slot.resourceChanged = false;
}

void FinishChanged(TaskId id, TaskSlot& slot) {
  const std::string path = TaskLocalPath(id);
  DiscardChangedDownload(slot, path);
  bool again;
  {
    std::lock_guard lock(slot.mutex);
    again = slot.freshRestarts < kMaxFreshRestarts;
    if (again) ++slot.freshRestarts;
  }
  if (!again) {
    slot.task.state = StateValue(TaskState::Failed);
    slot.outcome = TaskOutcome::Failed;
    NotifyStatus(id, TaskStatus::Error, "服务器上的文件在下载期间一再更改,无法下载,请稍后再试");
    ReleaseTask(id);
    return;
  }
  NotifyStatus(id, TaskStatus::Progress, "服务器上的文件已更改,重新开始下载...");
  slot.task.elapsed = 0;
  slot.task.startTime = 0;
  slot.task.liveWorkers = 0;
  slot.task.state = StateValue(TaskState::Starting);
  {
    std::lock_guard lock(slot.mutex);
    slot.finalising = false;
  }
  if (!StartWorkerThread(id, 1)) {
    slot.task.state = StateValue(TaskState::Failed);
    NotifyStatus(id, TaskStatus::Error, "创建下载线程失败");
    ReleaseTask(id);
  }
}

}  // namespace

void FinishTask(TaskId id) {
  TaskSlot* slot = FindSlot(id);
  if (!slot) return;
  {
    std::lock_guard lock(slot->mutex);
    if (slot->stopRequested.load()) return;
    slot->finalising = true;
  }
  const std::int32_t state = slot->task.state.load();
  if (slot->resourceChanged.load()) {
    FinishChanged(id, *slot);
  } else if (state == StateValue(TaskState::PauseRequested)) {
    FinishPaused(id, *slot);
  } else if (state == StateValue(TaskState::Failed) || !AllSegmentsDone(*slot)) {
    FinishFailed(id, *slot);
  } else {
    FinishCompleted(id, *slot);
  }
}

TaskOutcome LastOutcome(TaskId id) {
  TaskSlot* slot = FindSlot(id);
  return slot ? slot->outcome.load() : TaskOutcome::None;
}

}  // namespace tv
