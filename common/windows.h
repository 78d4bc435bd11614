// Names of the program's two windows, as handlers pass them to the UI layer.
#pragma once

#include <string>

namespace tv {

inline const std::string kMainWindow = "MainWindow";
inline const std::string kDownloadWindow = "DownloadWindow";

}  // namespace tv
