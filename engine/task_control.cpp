// Steering a task after it started: pause, continue, resume, stop, and file deletion.
#include <mutex>

#include "common/text_routines.h"
#include "engine/download_engine.h"
#include "engine/download_worker.h"
#include "engine/task_file.h"
#include "engine/task_table.h"
#include "platform/files.h"
#include "platform/inet.h"

namespace tv {
namespace {

// Ends blocked reads of the task's workers at once.
void AbortOpenRequests(TaskSlot& slot) {
  std::lock_guard lock(slot.mutex);
  for (inet::Request* request : slot.openRequests) request->Abort();
}

// Holds a slot for BT_Continue while its old workers end, so no other start takes it.
class SlotReservation {
 public:
  explicit SlotReservation(TaskSlot& slot) : slot_(slot) { slot_.reserved = true; }
  ~SlotReservation() { slot_.reserved = false; }

 private:
  TaskSlot& slot_;
};

}  // namespace

bool DownloadEngine::BT_Pause(TaskId id) {
  if (!BT_TaskExists(id)) return false;
  TaskSlot& slot = *FindSlot(id);
  std::int32_t state = slot.task.state.load();
  const std::int32_t pausing = StateValue(TaskState::PauseRequested);
  if (state == pausing) {
    NotifyStatus(id, TaskStatus::Paused, "下载被暂停");
    return true;
  }
  NotifyStatus(id, TaskStatus::WorkerInfo, "暂停中...");
  // Only a task that has not ended meanwhile takes the request.
  while (state != StateValue(TaskState::Free) && state != pausing &&
         !slot.task.state.compare_exchange_weak(state, pausing)) {
  }
  AbortOpenRequests(slot);
  return true;
}

bool DownloadEngine::BT_Continue(TaskId id) {
  if (!BT_TaskExists(id)) return false;
  if (BT_IsActive(id)) return true;
  TaskSlot& slot = *FindSlot(id);
  SlotReservation reservation(slot);
  DownloadRequest saved;
  {
    std::lock_guard lock(slot.mutex);
    saved = slot.request;
  }
  // The old workers save the paused task and free the slot; none may run beside new ones.
  ReapTaskThreads(id);
  // No worker was left to save the pause: save it here.
  if (slot.task.state.load() == StateValue(TaskState::PauseRequested)) BT_Launch(id);
  if (slot.outcome.load() == TaskOutcome::Completed) return true;
  std::string path = saved.localPath;
  if (path.size() >= 3 && path.compare(path.size() - 3, 3, "!BT") == 0)
    path.resize(path.size() - 3);
  if (!PathExists(path + "!BT")) {
    slot.task.state = StateValue(TaskState::Failed);
    NotifyStatus(id, TaskStatus::Error, "继续下载失败，原因：文件不存在，可能被删除了！");
    ReleaseTask(id);
    return false;
  }
  NotifyStatus(id, TaskStatus::Continuing, "继续下载,启动中...");
  {
    std::lock_guard lock(slot.mutex);
    slot.request = saved;
    slot.request.localPath = path;
    slot.stopRequested = false;
    slot.finalising = false;
    slot.resourceChanged = false;
    slot.freshRestarts = 0;
  }
  {
    std::lock_guard lock(slot.fileMutex);
    slot.taskFileRetired = false;
  }
  slot.task.state = StateValue(TaskState::Starting);
  return BT_Resume(path, id, saved.url) == id;
}

std::int32_t DownloadEngine::BT_Resume(const std::string& localPath, TaskId id,
                                       const std::string& url) {
  if (!BT_IsActive(id)) {
    NotifyStatus(id, TaskStatus::Error, "断点持续失败，原因：任务状态不正常！");
    return -1;
  }
  TaskSlot& slot = *FindSlot(id);
  const std::string partial = localPath + "!BT";
  // The file must describe this very path; a foreign name is never written to.
  if (!ReadTaskFile(partial + ".Config", id) || TaskLocalPath(id) != partial) {
    slot.task.state = StateValue(TaskState::Failed);
    NotifyStatus(id, TaskStatus::Error, "断点持续失败，原因：配置文件不存在，或被改过！");
    ReleaseTask(id);
    return -1;
  }
  NotifyStatus(id, TaskStatus::Progress, "正在启动断点续传下载...");
  slot.task.startTime = EngineClock() - slot.task.elapsed.load();
  if (!PathExists(partial)) {
    slot.task.state = StateValue(TaskState::Failed);
    NotifyStatus(id, TaskStatus::Error, "断点续传下载失败，原因：文件不存在，可能被删除了！");
    ReleaseTask(id);
    return -1;
  }
  {
    std::lock_guard lock(slot.mutex);
    slot.request.url = url;
  }
  BT_Launch(id);
  return id;
}

bool DownloadEngine::BT_Stop(TaskId id) {
  TaskSlot* slot = FindSlotOrReport(id);
  if (!slot) return false;
  if (!BT_IsActive(id)) return true;
  {
    std::lock_guard lock(slot->mutex);
    slot->stopRequested = true;
  }
  AbortOpenRequests(*slot);
  ReapTaskThreads(id);
  // A worker may have finished the task just before the stop request reached it.
  if (slot->task.state.load() == StateValue(TaskState::Free)) return true;
  ReportProgress(id);
  const std::string path = TaskLocalPath(id);
  {
    std::lock_guard lock(slot->fileMutex);
    slot->taskFileRetired = true;
  }
  if (!path.empty()) {
    files::DeleteFile(path);
    files::DeleteFile(path + ".Config");
  }
  slot->outcome = TaskOutcome::Stopped;
  NotifyStatus(id, TaskStatus::Stopped, "下载被停止！");
  ReleaseTask(id);
  return true;
}

void DownloadEngine::BT_StopAll() {
  const int count = BT_GetTaskCount();
  for (int id = 1; id <= count; ++id) BT_Stop(static_cast<TaskId>(id));
}

bool DownloadEngine::BT_DeleteTaskFiles(TaskId id) {
  if (!FindSlotOrReport(id)) return false;
  const std::string path = TaskLocalPath(id);
  if (path.empty()) return false;  // a free slot names no files
  files::DeleteFile(path + ".Config");
  return files::DeleteFile(path);
}

}  // namespace tv
