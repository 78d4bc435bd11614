// The engine object: initialisation and shutdown, the table queries, BT_Download and
// BT_Launch.
#include "engine/download_engine.h"

#include <mutex>
#include <thread>

#include "common/engine_services.h"
#include "common/text_routines.h"
#include "engine/download_worker.h"
#include "engine/task_file.h"
#include "engine/task_table.h"
#include "platform/files.h"
#include "web/size_probe.h"

namespace tv {
namespace {

// Clears the start guard on every way out of BT_Download.
class StartGuard {
 public:
  // False when a BT_Download is already under way on this very thread (a nested call
  // from an event handled inside it): that one cannot finish before this one does.
  bool Enter() {
    EngineState& engine = Engine();
    for (;;) {
      {
        std::lock_guard lock(engine.startMutex);
        if (!engine.startInProgress) {
          engine.startInProgress = true;
          engine.startThread = std::this_thread::get_id();
          entered_ = true;
          return true;
        }
        if (engine.startThread == std::this_thread::get_id()) return false;
      }
      PumpingWait(50);
      ui::PumpIfUiThread();
    }
  }
  ~StartGuard() {
    if (!entered_) return;
    std::lock_guard lock(Engine().startMutex);
    Engine().startInProgress = false;
  }

 private:
  bool entered_ = false;
};

bool AddressMalformed(const std::string& url) {
  return url.size() < 10 || FindText(url, "//", 8) != 0;
}

void ResetForLaunch(TaskSlot& slot, const DownloadRequest& request) {
  {
    // The file lock comes first wherever both are taken (see WriteTaskFile).
    std::lock_guard fileLock(slot.fileMutex);
    slot.taskFileRetired = false;
  }
  std::lock_guard lock(slot.mutex);
  slot.request = request;
  TaskRecord& task = slot.task;
  if (task.segments.empty()) task.segments.resize(1);
  task.elapsed = 0;
  task.startTime = 0;
  task.fileSize = 0;
  task.downloaded = 0;
  task.liveWorkers = 0;
  slot.stopRequested = false;
  slot.finalising = false;
  slot.resourceChanged = false;
  slot.freshRestarts = 0;
  slot.outcome = TaskOutcome::None;
  slot.etag.clear();
  slot.lastModified.clear();
}

// A slot for the request: the lowest free one, else a new one; -1 when all 255 are taken.
int TakeSlot(DownloadEngine& engine, const DownloadRequest& request) {
  EngineState& state = Engine();
  int id = engine.BT_FindFreeTask();
  if (id == -1) {
    const int count = state.taskCount.load();
    if (count >= kMaxTasks) return -1;
    TaskSlot& slot = state.slots[count];
    slot.task.segments.assign(1, SegmentRecord());
    ResetForLaunch(slot, request);
    slot.task.state = StateValue(TaskState::Starting);
    state.taskCount = count + 1;
    return count + 1;
  }
  TaskSlot& slot = state.slots[id - 1];
  ReapTaskThreads(static_cast<TaskId>(id));
  ResetForLaunch(slot, request);
  slot.task.state = StateValue(TaskState::Starting);
  return id;
}

void ApplyDefaults(TaskSlot& slot) {
  std::lock_guard lock(slot.mutex);
  DownloadRequest& r = slot.request;
  if (TrimSpaces(r.referer).empty()) r.referer = "/";
  if (r.threadCount == 0) r.threadCount = 3;
  if (r.threadCount > 5) r.threadCount = 5;
  if (r.blockSize < 10240) r.blockSize = 20480;
  if (r.blockSize > kMaxBlockSize) r.blockSize = kMaxBlockSize;
}

}  // namespace

DownloadEngine::DownloadEngine() = default;
DownloadEngine::~DownloadEngine() = default;
DownloadEngine::DownloadEngine(const DownloadEngine& other)
    : initialised_(other.initialised_.load()) {}
DownloadEngine& DownloadEngine::operator=(const DownloadEngine& other) {
  initialised_ = other.initialised_.load();
  return *this;
}

std::int32_t DownloadEngine::BT_初始化(ui::WindowHandle window, ProgressCallback progress,
                                       StatusCallback status, bool encipherUrl) {
  if (!progress || !status) return 0;
  if (initialised_.load() == 1) return 1;
  initialised_ = 1;
  EngineState& engine = Engine();
  {
    std::lock_guard lock(engine.callbackMutex);
    engine.progressCallback = std::move(progress);
    engine.statusCallback = std::move(status);
  }
  engine.encipherUrl = encipherUrl;
  ui::Current().StartTimer(window, kProgressTimerId, 1000, [] { ProgressTick(); });
  return 1;
}

std::int32_t DownloadEngine::BT_Shutdown(ui::WindowHandle window) {
  initialised_ = 0;
  EngineState& engine = Engine();
  // Running downloads are paused, not lost: their workers save them and end.
  const int count = engine.taskCount.load();
  for (int id = 1; id <= count; ++id) {
    if (BT_IsActive(static_cast<TaskId>(id))) BT_Pause(static_cast<TaskId>(id));
  }
  for (int id = 1; id <= count; ++id) ReapTaskThreads(static_cast<TaskId>(id));
  engine.taskCount = 0;
  for (int i = 0; i < count; ++i) {
    TaskSlot& slot = engine.slots[i];
    std::lock_guard lock(slot.mutex);
    slot.request = DownloadRequest();
    slot.task.segments.clear();
    slot.task.state = 0;
    slot.openRequests.clear();
  }
  {
    // No callback of a host that is shutting down is ever called again.
    std::lock_guard lock(engine.callbackMutex);
    engine.progressCallback = nullptr;
    engine.statusCallback = nullptr;
  }
  return ui::Current().KillTimer(window, kProgressTimerId) ? 1 : 0;
}

std::int32_t DownloadEngine::BT_Download(const DownloadRequest& request) {
  StartGuard guard;
  if (!guard.Enter()) {
    NotifyStatus(kNoTask, TaskStatus::Error, "已有下载任务正在启动中,请稍后再试");
    return -1;
  }
  if (!initialised()) {
    ShowEngineMessage("请选用 BT_初始化() 命令进行初始化后才能下载", ui::Buttons::Ok, "友情提醒",
                      FindOwnWindow());
    return -1;
  }
  const std::string& path = request.localPath;
  const std::string& url = request.url;
  if (AddressMalformed(url)) {
    NotifyStatus(kNoTask, TaskStatus::Error, "下载地址有误");
    return -2;
  }
  if (BT_IsDownloading(path)) {
    NotifyStatus(kNoTask, TaskStatus::Error, "此任务正在下载中");
    return -3;
  }
  const int id = TakeSlot(*this, request);
  if (id == -1) {
    NotifyStatus(kNoTask, TaskStatus::Error, "任务数已满,无法再添加下载任务");
    return -1;
  }
  const TaskId task = static_cast<TaskId>(id);
  ApplyDefaults(*FindSlot(task));
  if (files::Exists(path + "!BT.Config") && files::Exists(path + "!BT")) {
    return BT_Resume(path, task, url) == id ? id : -1;
  }
  files::DeleteFile(path);
  files::DeleteFile(path + "!BT");
  files::DeleteFile(path + "!BT.Config");
  NotifyStatus(task, TaskStatus::Starting, "任务启动中,任务ID：" + std::to_string(id));
  BT_Launch(task);
  return id;
}

bool DownloadEngine::BT_IsDownloading(const std::string& localPath) {
  EngineState& engine = Engine();
  const int count = engine.taskCount.load();
  for (int i = 0; i < count; ++i) {
    TaskSlot& slot = engine.slots[i];
    std::lock_guard lock(slot.mutex);
    if (slot.request.localPath == localPath + "!BT") return true;
    // Before its first worker renames the path, a starting task owns it all the same.
    if (slot.task.state.load() == StateValue(TaskState::Starting) &&
        slot.request.localPath == localPath && !localPath.empty()) {
      return true;
    }
  }
  return false;
}

std::int32_t DownloadEngine::BT_GetTaskCount() { return Engine().taskCount.load(); }

std::int32_t DownloadEngine::BT_GetDownloadingCount() {
  EngineState& engine = Engine();
  const int count = engine.taskCount.load();
  int downloading = 0;
  for (int i = 0; i < count; ++i) {
    if (engine.slots[i].task.state.load() == StateValue(TaskState::Downloading)) ++downloading;
  }
  return downloading;
}

bool DownloadEngine::BT_TaskExists(TaskId id) {
  TaskSlot* slot = FindSlotOrReport(id);
  if (!slot) return false;
  return slot->task.state.load() != StateValue(TaskState::Free);
}

bool DownloadEngine::BT_IsActive(TaskId id) {
  TaskSlot* slot = FindSlot(id);
  if (!slot) return false;
  const std::int32_t state = slot->task.state.load();
  return state != StateValue(TaskState::PauseRequested) && state != StateValue(TaskState::Free);
}

void DownloadEngine::BT_Launch(TaskId id) {
  TaskSlot* slot = FindSlotOrReport(id, "任务ID错误！ - 10000");
  if (!slot) return;
  // Workers of the task still run: they carry it on, and no second set may start.
  if (slot->threadsRunning.load() > 0) return;
  if (slot->task.state.load() == StateValue(TaskState::PauseRequested)) {
    const std::int32_t start = slot->task.startTime.load();
    slot->task.elapsed = start > 0 ? EngineClock() - start : 0;
    NotifyStatus(id, TaskStatus::Paused, "下载被暂停");
    WriteTaskFile(TaskLocalPath(id) + ".Config", id);
    ReleaseTask(id);
    return;
  }
  ReapTaskThreads(id);
  if (!StartWorkerThread(id, 1)) {
    slot->task.state = StateValue(TaskState::Failed);
    NotifyStatus(id, TaskStatus::Error, "创建下载线程失败");
    ReleaseTask(id);
  }
}

std::int32_t DownloadEngine::BT_FindFreeTask() {
  EngineState& engine = Engine();
  const int count = engine.taskCount.load();
  for (int i = 0; i < count; ++i) {
    TaskSlot& slot = engine.slots[i];
    if (slot.task.state.load() == StateValue(TaskState::Free) && !slot.reserved.load())
      return i + 1;
  }
  return -1;
}

std::int32_t DownloadEngine::ProbeRemoteSize(const std::string& url, const std::string& referer) {
  return tv::ProbeRemoteSize(url, referer);
}

std::int32_t DownloadEngine::ProbeRemoteSizeCom(const std::string& url,
                                                const std::string& referer) {
  return tv::ProbeRemoteSizeCom(url, referer);
}

}  // namespace tv
