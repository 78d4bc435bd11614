// Handlers of the download window. Texts written here are the window's own; numbers are
// formatted without the locale so that a decimal comma never appears.
#include "download_ui/download_window.h"

#include <charconv>
#include <cmath>
#include <future>
#include <memory>

#include "common/windows.h"
#include "download_ui/download_globals.h"
#include "maps/app_state.h"
#include "maps/map_catalogue.h"
#include "platform/ui.h"

namespace tv {
namespace {

const std::string kBar = "进度条1";
const std::string kStatusBar = "状态条1";
const std::string kTotalSize = "透明标签_总大小";
const std::string kDownloaded = "透明标签_已下载";
const std::string kSpeed = "透明标签_下载速度";

// Halves away from zero, after nudging the magnitude up by 1e-12; written without decimals.
std::string WholeNumberText(double value) {
  long long whole = static_cast<long long>(std::floor(std::fabs(value) + 0.000000000001 + 0.5));
  return std::to_string(value < 0 ? -whole : whole);
}

// Rounded to 6 significant digits, then written plainly (no exponent) without trailing zeros.
std::string FloatText(float value) {
  double v = value;
  if (!std::isfinite(v) || v == 0) return "0";
  char buf[400];
  auto sci = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 5);
  std::string_view scientific(buf, sci.ptr - buf);
  int exponent = std::stoi(std::string(scientific.substr(scientific.find('e') + 1)));
  double rounded = 0;
  std::from_chars(buf, sci.ptr, rounded);
  auto fixed = std::to_chars(buf, buf + sizeof buf, rounded, std::chars_format::fixed,
                             exponent < 5 ? 5 - exponent : 0);
  std::string text(buf, fixed.ptr - buf);
  if (text.find('.') != std::string::npos) {
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
  }
  return text;
}

// The bar's range is 0 to 100; a stray report must not turn into an undefined conversion.
int BarPosition(float percent) {
  if (!(percent > 0)) return 0;
  return percent >= 100 ? 100 : static_cast<int>(percent);
}

void RunCompletionSteps() {
  ui::Ui& ui = ui::Current();
  ui.SetPaneText(kDownloadWindow, kStatusBar, 3, "下载已完成");
  ui.SetVisible(kDownloadWindow, {}, false);
  ShowDefaultMap();
  ui.SetPosition(kDownloadWindow, kBar, 0);
  ui.SetCaption(kDownloadWindow, kTotalSize, "0 MB");
  ui.SetCaption(kDownloadWindow, kDownloaded, "0 MB");
  ui.SetCaption(kDownloadWindow, kSpeed, "0/KS");
  ui.SetPaneText(kDownloadWindow, kStatusBar, 1, "KB/S");
  ui.SetPaneText(kDownloadWindow, kStatusBar, 3, "");
  ui::ShowMessage("恭喜您，下载成功 软件界面刷新！", "温馨提示：");
  ui.SetVisible(kMainWindow, {}, true);
}

// Runs `fn` on the UI thread: at once when already there, else queued.
void OnUiThread(std::function<void()> fn) {
  if (ui::IsUiThread()) {
    fn();
  } else {
    ui::Current().RunOnUiThread(std::move(fn));
  }
}

}  // namespace

void ClickStartDownload() {
  DownloadEngine& engine = TheDownloadEngine();
  engine.BT_初始化(ui::Current().GetWindowHandle(kDownloadWindow), OnDownloadProgress,
                   OnDownloadStatus, false);
  DownloadRequest& request = TheDownloadRequest();
  request.url = App().SelectedMap.url;
  request.localPath = PackDir() + App().SelectedMap.zipName;
  request.threadCount = 5;
  request.blockSize = 2048;
  engine.BT_Download(request);
}

bool CloseDownloadWindow() {
  ui::Current().SetVisible(kMainWindow, {}, true);
  ui::Current().SetVisible(kDownloadWindow, {}, false);
  return false;
}

void ShowDownloadProgress(std::int32_t, std::int32_t fileSize, std::int32_t downloaded, float speed,
                          float percent, float totalSpeed) {
  ui::Ui& ui = ui::Current();
  ui.SetCaption(kDownloadWindow, kTotalSize, WholeNumberText(fileSize / 1048576.0) + "MB");
  ui.SetCaption(kDownloadWindow, kDownloaded, WholeNumberText(downloaded / 1048576.0) + "MB");
  ui.SetCaption(kDownloadWindow, kSpeed, FloatText(speed) + "KB/S");
  ui.SetPosition(kDownloadWindow, kBar, BarPosition(percent));
  ui.SetPaneText(kDownloadWindow, kStatusBar, 1, FloatText(totalSpeed) + "KB/S");
}

void ShowDownloadStatus(std::int32_t code) {
  const char* text = nullptr;
  switch (code) {
    case 1:
    case 2:
    case 5:
      text = "正在下载中..";
      break;
    case 3:
      RunCompletionSteps();
      return;
    case 4:
      text = "下载暂停..";
      break;
    case 6:
      text = "下载停止..";
      break;
    case 97:
      text = "文件大小获取失败";
      break;
    case 98:
      text = "下载错误";
      break;
    case 99:
      text = "下载等待中..";
      break;
    default:
      return;
  }
  ui::Current().SetPaneText(kDownloadWindow, kStatusBar, 3, text);
}

void OnDownloadProgress(std::int32_t taskId, std::int32_t fileSize, std::int32_t downloaded,
                        float speed, float percent, float totalSpeed) {
  OnUiThread(
      [=] { ShowDownloadProgress(taskId, fileSize, downloaded, speed, percent, totalSpeed); });
}

// The engine's path and message texts are not shown, so nothing of them is kept.
void OnDownloadStatus(std::int32_t, std::int32_t code, const std::string&, const std::string&) {
  if (code != 3 || ui::IsUiThread()) {
    OnUiThread([code] { ShowDownloadStatus(code); });
    return;
  }
  // Completion on a worker: the steps run on the UI thread, and this worker is held
  // until they have finished, message box included.
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> finished = done->get_future();
  ui::Current().RunOnUiThread([done] {
    ShowDownloadStatus(3);
    done->set_value();
  });
  finished.wait();
}

}  // namespace tv
