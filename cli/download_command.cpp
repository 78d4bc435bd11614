// The download run of terravane-dl on the engine.
#include "cli/download_command.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "cli/console_ui.h"
#include "engine/download_engine.h"
#include "platform/codepage.h"
#include "platform/files.h"

namespace tv::cli {
namespace {

volatile sig_atomic_t g_signal = 0;

void OnSignal(int signal) {
  g_signal = signal;
  ::signal(signal, SIG_DFL);  // a second one ends the program at once
}

// What the engine reported about the task, gathered from its threads.
class Console {
 public:
  explicit Console(bool quiet) : quiet_(quiet), terminal_(isatty(STDERR_FILENO) != 0) {}

  void Status(std::int32_t code, const std::string& message) {
    std::lock_guard lock(mutex_);
    if (code == 98 || code == 97) errors_.push_back(message);
    if (code == 3 || code == 4 || code == 6) lastEnd_ = code;
    if (quiet_) return;
    ClearLine();
    std::fprintf(stderr, "%s\n", codepage::GbkToUtf8(message).c_str());
  }

  void Progress(std::int32_t fileSize, std::int32_t downloaded, float speed, float percent) {
    std::lock_guard lock(mutex_);
    if (quiet_) return;
    char line[160];
    std::snprintf(line, sizeof line, "%6.2f%%  %.1f / %.1f MiB  %.2f MiB/s", percent,
                  downloaded / 1048576.0, fileSize > 0 ? fileSize / 1048576.0 : 0.0,
                  speed / 1024.0);
    if (terminal_) {
      std::fprintf(stderr, "\r%s\033[K", line);
      lineOpen_ = true;
    } else {
      std::fprintf(stderr, "%s\n", line);
    }
  }

  void Say(const std::string& utf8) {
    std::lock_guard lock(mutex_);
    ClearLine();
    std::fprintf(stderr, "%s\n", utf8.c_str());
  }

  void StartAttempt() {
    std::lock_guard lock(mutex_);
    errors_.clear();
    lastEnd_ = 0;
  }
  int lastEnd() {
    std::lock_guard lock(mutex_);
    return lastEnd_;
  }
  // The cause (the first error) and the outcome (the last), in UTF-8.
  std::string ErrorText() {
    std::lock_guard lock(mutex_);
    if (errors_.empty()) return "the download did not complete";
    std::string text = codepage::GbkToUtf8(errors_.front());
    if (errors_.size() > 1 && errors_.back() != errors_.front())
      text += " / " + codepage::GbkToUtf8(errors_.back());
    return text;
  }

 private:
  void ClearLine() {
    if (lineOpen_) std::fprintf(stderr, "\r\033[K");
    lineOpen_ = false;
  }

  std::mutex mutex_;
  const bool quiet_;
  const bool terminal_;
  bool lineOpen_ = false;
  std::vector<std::string> errors_;
  int lastEnd_ = 0;
};

enum class Attempt { Completed, Interrupted, Failed, Refused };

Attempt RunAttempt(DownloadEngine& engine, ConsoleUi& ui, Console& console,
                   const DownloadRequest& request) {
  console.StartAttempt();
  const std::int32_t id = engine.BT_Download(request);
  if (id < 0) return Attempt::Refused;
  bool pauseSent = false;
  // The slot is free again once the task has ended, whichever way.
  while (engine.BT_TaskExists(static_cast<TaskId>(id))) {
    ui.RunFor(std::chrono::milliseconds(50));
    if (g_signal && !pauseSent) {
      engine.BT_Pause(static_cast<TaskId>(id));
      pauseSent = true;
    }
  }
  if (console.lastEnd() == 3) return Attempt::Completed;
  if (pauseSent || g_signal) return Attempt::Interrupted;
  return Attempt::Failed;
}

int InterruptedExit() { return g_signal == SIGTERM ? 143 : 130; }

// The engine's request for the options; false when a text cannot be put into GBK.
bool BuildRequest(const Options& options, DownloadRequest& request, std::string& error) {
  bool ok = true, all = true;
  request.url = codepage::Utf8ToGbkText(options.url, &ok);
  all = all && ok;
  request.localPath = codepage::Utf8ToGbkText(options.output, &ok);
  all = all && ok;
  request.referer = codepage::Utf8ToGbkText(options.referer, &ok);
  all = all && ok;
  for (const auto& line : options.headers) {
    request.extraHeaders += codepage::Utf8ToGbkText(line, &ok) + "\r\n";
    all = all && ok;
  }
  request.threadCount = static_cast<std::uint8_t>(options.threads);
  request.blockSize = options.blockSize;
  if (!all) error = "the URL, file name, referrer or a header holds characters outside GBK";
  return all;
}

int Download(const Options& options, const DownloadRequest& request, Console& console) {
  ConsoleUi ui;
  DownloadEngine engine;
  engine.BT_初始化(
      ConsoleUi::kWindow,
      [&](std::int32_t, std::int32_t size, std::int32_t done, float speed, float percent, float) {
        console.Progress(size, done, speed, percent);
      },
      [&](std::int32_t, std::int32_t code, const std::string&, const std::string& message) {
        console.Status(code, message);
      });
  int exitCode = 1;
  for (int attempt = 0;; ++attempt) {
    const Attempt result = RunAttempt(engine, ui, console, request);
    if (result == Attempt::Completed) {
      exitCode =
          files::Exists(request.localPath) && !files::Exists(request.localPath + "!BT") ? 0 : 1;
      if (exitCode != 0)
        console.Say("terravane-dl: the download ended but the file is not in place");
      break;
    }
    if (result == Attempt::Interrupted) {
      console.Say("terravane-dl: paused; run the same command again to resume");
      exitCode = InterruptedExit();
      break;
    }
    if (result == Attempt::Refused || attempt >= options.retries) {
      std::string text = "terravane-dl: " + console.ErrorText();
      if (result == Attempt::Refused && files::Exists(request.localPath + "!BT.Config")) {
        text += "\n(the saved download cannot be taken up; --restart discards it and starts afresh)";
      }
      console.Say(text);
      break;
    }
    const int wait = std::min(attempt + 1, 5);
    if (!options.quiet) console.Say("terravane-dl: retrying in " + std::to_string(wait) + " s...");
    for (int i = 0; i < wait * 20 && !g_signal; ++i) ui.RunFor(std::chrono::milliseconds(50));
    if (g_signal) {
      exitCode = InterruptedExit();  // nothing runs; the task file is already saved
      break;
    }
  }
  engine.BT_Shutdown(ConsoleUi::kWindow);
  return exitCode;
}

}  // namespace

int RunDownloadCommand(const Options& given) {
  Options options = given;
  if (options.output.empty()) {
    options.output = FileNameFromUrl(options.url);
    if (options.output.empty()) {
      std::fprintf(stderr,
                   "terravane-dl: the URL names no file; say where to save it with -o FILE\n");
      return 1;
    }
  }
  DownloadRequest request;
  std::string error;
  if (!BuildRequest(options, request, error)) {
    std::fprintf(stderr, "terravane-dl: %s\n", error.c_str());
    return 1;
  }
  if (options.restart) {
    files::DeleteFile(request.localPath + "!BT");
    files::DeleteFile(request.localPath + "!BT.Config");
  }
  signal(SIGINT, OnSignal);
  signal(SIGTERM, OnSignal);
  Console console(options.quiet);
  return Download(options, request, console);
}

}  // namespace tv::cli
