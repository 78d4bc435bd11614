// Shared pieces of the engine tests: a sandbox with a headless UI, an engine with
// recording callbacks, and direct access to the engine-wide task table.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/download_engine.h"
#include "engine/task_table.h"
#include "platform/crypto.h"
#include "platform/inet.h"
#include "tests/support/headless_ui.h"
#include "tests/support/sandbox.h"

namespace tv::test {

struct StatusRecord {
  int id;
  int code;
  std::string path;
  std::string message;
};

struct ProgressRecord {
  int id, fileSize, downloaded;
  float speed, percent, total;
};

class EngineFixture : public Sandbox {
 protected:
  void SetUp() override {
    Sandbox::SetUp();
    inet::SetTimeouts({std::chrono::milliseconds(2000), std::chrono::milliseconds(1500)});
  }
  void TearDown() override {
    engine_.BT_Shutdown(kWindow);
    inet::SetTimeouts({});
    Sandbox::TearDown();
  }

  // Initialises the engine with callbacks that record everything.
  void Initialise(bool encipherUrl = false) {
    ASSERT_EQ(engine_.BT_初始化(
                  kWindow,
                  [this](std::int32_t id, std::int32_t size, std::int32_t done, float speed,
                         float percent, float total) {
                    std::lock_guard lock(mutex_);
                    progress_.push_back({id, size, done, speed, percent, total});
                  },
                  [this](std::int32_t id, std::int32_t code, const std::string& path,
                         const std::string& message) {
                    std::function<void(int, int, const std::string&)> hook;
                    {
                      std::lock_guard lock(mutex_);
                      statuses_.push_back({id, code, path, message});
                      hook = onStatus_;
                    }
                    if (hook) hook(id, code, message);
                  },
                  encipherUrl),
              1);
  }

  // Fires the progress timer once a while until `done` holds or `seconds` pass.
  bool WaitFor(const std::function<bool()>& done, int seconds = 30) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    auto nextTick = std::chrono::steady_clock::now();
    while (!done()) {
      if (std::chrono::steady_clock::now() > until) return false;
      if (std::chrono::steady_clock::now() >= nextTick) {
        ui_.FireTimers();
        nextTick += std::chrono::milliseconds(250);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
  }
  // Until the task's slot is free again (its last worker has finished it).
  bool WaitUntilReleased(int id, int seconds = 30) {
    return WaitFor([&] { return Engine().slots[id - 1].task.state.load() == 90; }, seconds);
  }

  std::vector<StatusRecord> statuses() {
    std::lock_guard lock(mutex_);
    return statuses_;
  }
  std::vector<ProgressRecord> progress() {
    std::lock_guard lock(mutex_);
    return progress_;
  }
  bool HasStatus(int code, const std::string& message) {
    for (const auto& s : statuses())
      if (s.code == code && s.message == message) return true;
    return false;
  }
  int CountCode(int code) {
    int n = 0;
    for (const auto& s : statuses()) n += s.code == code;
    return n;
  }

  static DownloadRequest Request(const std::string& url, const std::string& path, int threads = 5,
                                 int blockSize = 2048) {
    DownloadRequest request;
    request.url = url;
    request.localPath = path;
    request.threadCount = static_cast<std::uint8_t>(threads);
    request.blockSize = blockSize;
    return request;
  }
  // The last status the task sent, or code 0.
  StatusRecord LastStatus() {
    auto all = statuses();
    return all.empty() ? StatusRecord{0, 0, {}, {}} : all.back();
  }
  void ClearStatuses() {
    std::lock_guard lock(mutex_);
    statuses_.clear();
    progress_.clear();
  }

  static std::string Sha256(const std::string& data) {
    std::string digest;
    crypto::Digest(crypto::kCalgSha256, data, digest);
    return digest;
  }

  static constexpr ui::WindowHandle kWindow = 7;
  // Runs inside the status callback, on the thread that raised the status.
  void OnStatus(std::function<void(int, int, const std::string&)> hook) {
    std::lock_guard lock(mutex_);
    onStatus_ = std::move(hook);
  }

  HeadlessUi ui_;
  DownloadEngine engine_;

 private:
  std::mutex mutex_;
  std::function<void(int, int, const std::string&)> onStatus_;
  std::vector<StatusRecord> statuses_;
  std::vector<ProgressRecord> progress_;
};

}  // namespace tv::test
