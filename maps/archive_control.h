// ZIP archives of game files: make an archive of a folder or one file, extract an archive
// into a folder, with progress events raised synchronously on the caller's thread.
#pragma once

#include <functional>
#include <string>

namespace tv {

class ArchiveControl {
 public:
  using ProgressEvent = std::function<void(int percent)>;

  // Raised by MakeZip of a folder after each item, and by ExtractZip after each entry and
  // once at the end; CurrentFileName() already names the item when they run. A handler
  // must not start another archive operation.
  ProgressEvent CompressProgress;
  ProgressEvent ExtractProgress;

  // Archives `source` (a folder: its content, entry names relative to it with "/"; a
  // file: one entry with its bare name) into `archive`. Entry names are GBK without the
  // UTF-8 flag. 1 on success, 0 on failure, -1 when an argument is empty or `source`
  // does not exist. The archive is written beside its final name and renamed into place
  // only when complete, so a failure leaves an existing archive of that name untouched.
  int MakeZip(const std::string& source, const std::string& archive);

  // Extracts `archive` into `folder` (created when missing), replacing existing files,
  // read-only ones included. Names flagged UTF-8 are read as UTF-8, others as GBK. Each
  // file is written beside its target and renamed over it once complete. An archive with
  // an entry that would land outside `folder` is refused before anything is written.
  // 1 on success, 0 on failure, -1 when an argument is empty or the archive is missing.
  int ExtractZip(const std::string& archive, const std::string& folder);

  // Full path of the item reported last by either operation (GBK).
  std::string CurrentFileName() const { return currentFileName_; }

 private:
  void Report(const ProgressEvent& event, const std::string& path, int percent);
  void Raise(const ProgressEvent& event, int percent);

  std::string currentFileName_;
};

// The main window's archive control "ZIP压缩1", with both events wired to the progress
// display: "进度条1" moves to the percentage, pane 1 of "状态条1" shows the item's path.
ArchiveControl& MainArchiveControl();
void ShowArchiveProgress(int percent);
// Shows or hides "进度条1", which is visible only while an archive operation runs.
void ShowProgressBar(bool visible);

}  // namespace tv
