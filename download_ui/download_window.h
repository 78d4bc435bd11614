// The download window "DownloadWindow": its start button, its close request, and the two
// engine callbacks that show a download's sizes, speed, percentage and status.
#pragma once

#include <cstdint>
#include <string>

namespace tv {

// "按钮1" clicked: initialises the engine on this window (first time only), fills the
// global request from SelectedMap and starts it.
void ClickStartDownload();

// Close request: the main window comes back and this window only hides. Returns false:
// the close is refused so that the window stays loaded.
bool CloseDownloadWindow();

// The engine's callbacks. Safe on any thread: control changes are made on the UI thread,
// and a worker reporting completion waits until the completion box has been closed.
void OnDownloadProgress(std::int32_t taskId, std::int32_t fileSize, std::int32_t downloaded,
                        float speed, float percent, float totalSpeed);
void OnDownloadStatus(std::int32_t taskId, std::int32_t code, const std::string& localPath,
                      const std::string& message);

// The displays themselves; UI thread only.
void ShowDownloadProgress(std::int32_t taskId, std::int32_t fileSize, std::int32_t downloaded,
                          float speed, float percent, float totalSpeed);
void ShowDownloadStatus(std::int32_t code);

}  // namespace tv
