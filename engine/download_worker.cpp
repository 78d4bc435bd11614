// One worker thread of a task: size phase, partition, range request, fan-out, transfer.
#include "engine/download_worker.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <thread>

#include "common/engine_services.h"
#include "common/text_routines.h"
#include "engine/output_file.h"
#include "engine/partition.h"
#include "engine/segment_connection.h"
#include "engine/task_finish.h"
#include "engine/task_table.h"
#include "web/size_probe.h"

namespace tv {
namespace {

// A pause or stop was asked for, or another worker found the resource changed: the
// worker ends quietly after the block it holds.
bool Interrupted(TaskSlot& slot) {
  return slot.stopRequested.load() || slot.resourceChanged.load() ||
         slot.task.state.load() == StateValue(TaskState::PauseRequested);
}

constexpr size_t kReadSlice = 64 * 1024;

class Worker {
 public:
  Worker(TaskId id, int index, TaskSlot& slot) : id_(id), index_(index), slot_(slot) {}
  ~Worker() { CloseSegmentConnection(connection_); }
  void Run();

 private:
  bool SizePhase();
  bool Connect();
  void FanOut();
  void Transfer();
  bool ReadBlocks(files::File& file);
  bool FillBlock(char* buffer, size_t want, size_t& got);
  void Fail(const std::string& message);
  // Ends this worker's share of the task (and, before the fan-out, that of the workers
  // it has not started); the one that brings the count to zero finishes the task.
  void EndShare();
  void Notify(TaskStatus code, const std::string& text) { NotifyStatus(id_, code, text); }

  const TaskId id_;
  const int index_;
  TaskSlot& slot_;
  std::string name_;   // worker number as text
  int unstarted_ = 0;  // workers 2..N that worker 1 has yet to start
  SegmentConnection connection_;
  std::int32_t start_ = 0, end_ = 0;
  std::int32_t blockSize_ = 0;
};

void Worker::Run() {
  name_ = std::to_string(index_);
  if (slot_.stopRequested.load()) return;
  if (index_ == 1 && !SizePhase()) return;
  if (slot_.stopRequested.load()) return;
  if (slot_.task.liveWorkers.load() == 0) {
    PartitionSegments(id_);
    unstarted_ = slot_.task.liveWorkers.load() - 1;
  }
  {
    std::lock_guard lock(slot_.mutex);
    if (index_ > static_cast<int>(slot_.task.segments.size())) return;
    const SegmentRecord& segment = slot_.task.segments[index_ - 1];
    start_ = segment.start;
    end_ = segment.end;
    blockSize_ = EffectiveBlockSize(slot_.request.blockSize);
  }
  if (!Connect()) return;
  if (index_ == 1) FanOut();
  Transfer();
}

bool Worker::SizePhase() {
  std::string url, referer, path;
  {
    std::lock_guard lock(slot_.mutex);
    url = slot_.request.url;
    referer = slot_.request.referer;
    path = slot_.request.localPath;
  }
  if (slot_.task.fileSize.load() >= 1 && PathExists(path)) return true;
  Notify(TaskStatus::Progress, "正在获取文件大小...");
  const std::int32_t size = ProbeRemoteSize(url, referer);
  slot_.task.fileSize = size;
  if (size == -1) {
    slot_.task.state = StateValue(TaskState::Failed);
    Notify(TaskStatus::SizeUnknown, "获取文件大小出错,无法下载,请检查该资源是否有效");
    ReleaseTask(id_);
    return false;
  }
  Notify(TaskStatus::Progress, "获取文件大小成功,正在创建文件...");
  if (path.size() < 3 || path.compare(path.size() - 3, 3, "!BT") != 0) path += "!BT";
  {
    std::lock_guard lock(slot_.mutex);
    slot_.request.localPath = path;
  }
  // A file left at the partial name is kept only when it already has the size.
  if (files::FileSize(path) == size) return true;
  if (CreatePartialFile(path, size) == 1) {
    Notify(TaskStatus::Progress, "创建文件成功,准备下载中...");
    return true;
  }
  slot_.task.state = StateValue(TaskState::Failed);
  Notify(TaskStatus::Error, "创建文件失败,最大能创建 2,147,483,647 字节大小的文件，现文件大小为：" +
                                std::to_string(size) + "\r\n文件名：" + path);
  ReleaseTask(id_);
  return false;
}

bool Worker::Connect() {
  const SegmentRecord& segment = slot_.task.segments[index_ - 1];
  const std::int32_t from = start_ + segment.done.load();
  std::int32_t zero = 0;
  if (from > end_) {  // a finished segment needs no request
    slot_.task.startTime.compare_exchange_strong(zero, EngineClock());
    return true;
  }
  if (!OpenSegmentConnection(id_, connection_)) {
    Notify(TaskStatus::Error, "请求连接失败，线程ID：" + name_);
    EndShare();
    return false;
  }
  Notify(TaskStatus::Progress, "请求连接成功，正在请求数据，线程ID：" + name_);
  const RangeResult result = SendRangeRequest(connection_, id_, index_, from, end_);
  if (result != RangeResult::Ok) {
    if (result == RangeResult::Failed && !Interrupted(slot_)) {
      Notify(TaskStatus::Error, "请求数据失败，线程ID：" + name_);
    }
    CloseSegmentConnection(connection_);
    EndShare();
    return false;
  }
  Notify(TaskStatus::Progress, "请求数据成功，线程ID：" + name_);
  slot_.task.startTime.compare_exchange_strong(zero, EngineClock());
  return true;
}

void Worker::FanOut() {
  Notify(TaskStatus::Progress, "连接成功，下载开始，任务ID：" + std::to_string(id_));
  // A pause or stop asked for meanwhile stands: the other workers are then not started.
  std::int32_t starting = StateValue(TaskState::Starting);
  slot_.task.state.compare_exchange_strong(starting, StateValue(TaskState::Downloading));
  const int count = unstarted_ + 1;
  for (int k = 2; k <= count; ++k) {
    if (Interrupted(slot_)) break;
    if (!StartWorkerThread(id_, k)) {
      Fail("创建下载线程失败，线程ID：" + std::to_string(k));
      break;
    }
    --unstarted_;
    PumpingWait(kFanOutDelayMs);
  }
  // Shares of workers never started are given back at once.
  if (unstarted_ > 0) {
    slot_.task.liveWorkers -= unstarted_;
    unstarted_ = 0;
  }
}

void Worker::Transfer() {
  SegmentRecord& segment = slot_.task.segments[index_ - 1];
  const std::int32_t length = end_ - start_ + 1;
  if (segment.done.load() >= length) {
    Notify(TaskStatus::WorkerInfo,
           "线程" + name_ + " 下载完成，已下载大小：" + std::to_string(segment.done.load()));
    EndShare();
    return;
  }
  files::File file;
  std::string path;
  {
    std::lock_guard lock(slot_.mutex);
    path = slot_.request.localPath;
  }
  if (!OpenOutputFile(path, file)) {
    Fail("线程" + name_ + " 打开文件失败：" + path);
  } else {
    ReadBlocks(file);
    CloseOutputFile(file);
  }
  CloseSegmentConnection(connection_);
  EndShare();
}

// Reads one block in slices, so the connection never buffers a whole block beside ours.
bool Worker::FillBlock(char* buffer, size_t want, size_t& got) {
  got = 0;
  while (got < want) {
    size_t n = 0;
    if (!connection_.request->Read(buffer + got, std::min(kReadSlice, want - got), n)) return false;
    if (n == 0) return true;  // the answer ended early
    got += n;
  }
  return true;
}

bool Worker::ReadBlocks(files::File& file) {
  SegmentRecord& segment = slot_.task.segments[index_ - 1];
  const std::int32_t length = end_ - start_ + 1;
  std::unique_ptr<char[]> buffer(new char[blockSize_]);
  for (;;) {
    if (Interrupted(slot_)) return true;
    const std::int32_t done = segment.done.load();
    const size_t want = static_cast<size_t>(std::min(blockSize_, length - done));
    size_t got = 0;
    const bool ok = FillBlock(buffer.get(), want, got);
    if (!ok || got != want) {
      if (Interrupted(slot_)) return true;
      if (ok && got == 0) {
        Notify(TaskStatus::WorkerInfo,
               "线程" + name_ + " 搜索不到资源,可能是网络不稳定造成的,正在重试。文件名：" +
                   PathFileName(TaskLocalPath(id_)));
      }
      slot_.task.state = StateValue(TaskState::Failed);
      return false;
    }
    if (!WriteOutputFileAt(file, static_cast<std::int64_t>(start_) + done, buffer.get(), got)) {
      Fail("线程" + name_ + " 写入文件失败");
      return false;
    }
    // Counted only once the bytes are in the file.
    segment.done.fetch_add(static_cast<std::int32_t>(got));
    slot_.task.downloaded.fetch_add(static_cast<std::int32_t>(got));
    if (done + static_cast<std::int32_t>(got) >= length) {
      Notify(TaskStatus::WorkerInfo,
             "线程" + name_ + " 下载完成，已下载大小：" + std::to_string(segment.done.load()));
      return true;
    }
  }
}

void Worker::Fail(const std::string& message) {
  slot_.task.state = StateValue(TaskState::Failed);
  Notify(TaskStatus::Error, message);
}

void Worker::EndShare() {
  const int share = 1 + unstarted_;
  unstarted_ = 0;
  if (slot_.task.liveWorkers.fetch_sub(share) == share) FinishTask(id_);
}

// The slot named by "taskId,workerIndex", or nullptr.
TaskSlot* ParseParameter(const std::string& parameter, TaskId& id, int& index) {
  const long task = std::strtol(TextBefore(parameter, ",").c_str(), nullptr, 10);
  index = static_cast<int>(std::strtol(TextAfterLast(parameter, ",").c_str(), nullptr, 10));
  if (task < 1 || task > kMaxTasks) return nullptr;
  id = static_cast<TaskId>(task);
  return FindSlot(id);
}

}  // namespace

std::int32_t EffectiveBlockSize(std::int32_t blockSize) {
  if (blockSize < 10240) return 20480;
  return std::min(blockSize, kMaxBlockSize);
}

void DownloadWorker(std::string parameter) {
  TaskId id = 0;
  int index = 0;
  TaskSlot* slot = ParseParameter(parameter, id, index);
  if (!slot) return;
  if (index >= 1) {
    Worker worker(id, index, *slot);
    worker.Run();
  }
  slot->threadsRunning.fetch_sub(1);  // the thread touches nothing of the task after this
}

bool StartWorkerThread(TaskId id, int workerIndex) {
  TaskSlot* slot = FindSlot(id);
  if (!slot) return false;
  slot->threadsRunning.fetch_add(1);
  std::lock_guard lock(slot->mutex);
  try {
    slot->task.threadHandles.emplace_back(DownloadWorker,
                                          std::to_string(id) + "," + std::to_string(workerIndex));
  } catch (...) {
    slot->threadsRunning.fetch_sub(1);
    return false;
  }
  return true;
}

void ReapTaskThreads(TaskId id) {
  TaskSlot* slot = FindSlot(id);
  if (!slot) return;
  while (slot->threadsRunning.load() > 0) PumpingWait(5);
  std::vector<std::thread> threads;
  {
    std::lock_guard lock(slot->mutex);
    threads.swap(slot->task.threadHandles);
  }
  for (auto& thread : threads) {
    if (thread.joinable()) thread.join();
  }
}

}  // namespace tv
