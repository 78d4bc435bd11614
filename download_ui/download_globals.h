// The program's one download request and download engine, built by the start routine
// and used by the download window.
#pragma once

#include "engine/download_engine.h"

namespace tv {

// Builds both (request empty, engine not initialised); a second call changes nothing.
void CreateDownloadGlobals();
// Releases both. Only when no download of this run can still report: the engine's
// workers call back into the window.
void ReleaseDownloadGlobals();
bool DownloadGlobalsExist();

// Both exist between CreateDownloadGlobals and ReleaseDownloadGlobals.
DownloadRequest& TheDownloadRequest();
DownloadEngine& TheDownloadEngine();

}  // namespace tv
