// The download engine's public face: the request record, the two callbacks, the state
// and status codes, and the engine object with its twenty operations in slot order.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/ui.h"

namespace tv {

// A task's ID is its 1-based slot number; 255 also stands for "no task".
using TaskId = std::uint8_t;
inline constexpr TaskId kNoTask = 255;
inline constexpr int kMaxTasks = 255;

// What a caller hands to BT_Download. The engine copies it; the caller's record is
// never changed. Texts are GBK.
struct DownloadRequest {
  std::string url;
  std::string referer;           // blank becomes "/"
  std::string localPath;         // the file to create
  std::int32_t blockSize = 0;    // read size; below 10240 becomes 20480
  std::uint8_t threadCount = 0;  // 0 becomes 3, above 5 becomes 5
  std::string extraHeaders;      // appended as it stands to every range request
};

// Values of a task's state.
enum class TaskState : std::int32_t {
  Downloading = 2,
  PauseRequested = 4,
  Free = 90,
  Failed = 98,
  Starting = 99,
};

// Codes passed to the StatusCallback.
enum class TaskStatus : std::int32_t {
  Progress = 1,
  Finished = 3,      // "下载完毕"
  Paused = 4,        // "下载被暂停"
  Continuing = 5,    // "继续下载,启动中..."
  Stopped = 6,       // "下载被停止！"
  WorkerInfo = 7,    // pausing, threads allotted, one thread finished
  SizeUnknown = 97,  // the size probe found no size
  Error = 98,
  Starting = 99,  // "任务启动中,任务ID：" + ID
};

// Once a second for every running task (on the UI thread), and once more from the
// finishing worker: ID, file size, bytes downloaded, this task's speed in KB/s, percent
// done, total speed of all running tasks in KB/s (-1 when that is zero).
using ProgressCallback =
    std::function<void(std::int32_t taskId, std::int32_t fileSize, std::int32_t downloaded,
                       float speed, float percent, float totalSpeed)>;
// Every change of a task's situation, on whichever thread raised it (UI or worker). The
// path is the task's current local path (the partial file's name while it runs; empty
// for task 255); both texts are valid only during the call.
using StatusCallback =
    std::function<void(std::int32_t taskId, std::int32_t code, const std::string& localPath,
                       const std::string& message)>;

// The id of the once-a-second progress timer on the window given to BT_初始化.
inline constexpr int kProgressTimerId = 0x4254;

// The engine object. Its task tables are engine-wide: every object sees the same tasks.
// Operations are called on the UI thread; none throws.
class DownloadEngine {
 public:
  DownloadEngine();
  ~DownloadEngine();                            // slot 0: destroy
  DownloadEngine(const DownloadEngine& other);  // slot 1: copy
  DownloadEngine& operator=(const DownloadEngine& other);

  // Slot 2. 1 when initialised (a second call changes nothing), 0 when a callback is
  // missing. Starts the progress timer on `window` through the installed UI.
  std::int32_t BT_初始化(ui::WindowHandle window, ProgressCallback progress, StatusCallback status,
                         bool encipherUrl = false);
  // Slot 3. Stops every task, waits for its workers, empties the tables and kills the
  // timer; nonzero when the timer was killed.
  std::int32_t BT_Shutdown(ui::WindowHandle window);
  // Slot 4. The task ID, or -1 (not initialised, resume failed, refused), -2 (malformed
  // address), -3 (already downloading into that path).
  std::int32_t BT_Download(const DownloadRequest& request);
  bool BT_IsDownloading(const std::string& localPath);  // slot 5
  std::int32_t BT_GetTaskCount();                       // slot 6
  std::int32_t BT_GetDownloadingCount();                // slot 7
  bool BT_Pause(TaskId id);                             // slot 8
  bool BT_TaskExists(TaskId id);                        // slot 9
  bool BT_IsActive(TaskId id);                          // slot 10
  // Slot 11. For a task whose pause is pending: waits for its workers to end, then
  // takes the download up again from its task file under the same ID.
  bool BT_Continue(TaskId id);
  std::int32_t BT_Resume(const std::string& localPath, TaskId id, const std::string& url);  // 12
  // Slot 13. Asks the workers to end, waits for them, deletes the files, frees the slot.
  bool BT_Stop(TaskId id);
  void BT_StopAll();                   // slot 14
  bool BT_DeleteTaskFiles(TaskId id);  // slot 15
  void BT_Launch(TaskId id);           // slot 16
  std::int32_t BT_FindFreeTask();      // slot 17
  // Slots 18 and 19: the remote size in bytes, or -1.
  std::int32_t ProbeRemoteSize(const std::string& url, const std::string& referer);
  std::int32_t ProbeRemoteSizeCom(const std::string& url, const std::string& referer);

  bool initialised() const { return initialised_.load() != 0; }

 private:
  std::atomic<std::int32_t> initialised_{0};
};

}  // namespace tv
