// Storage of the global download request and engine.
#include "download_ui/download_globals.h"

#include <cstdlib>
#include <memory>

namespace tv {
namespace {

std::unique_ptr<DownloadRequest> request;
std::unique_ptr<DownloadEngine> engine;

}  // namespace

void CreateDownloadGlobals() {
  if (!request) request = std::make_unique<DownloadRequest>();
  if (!engine) engine = std::make_unique<DownloadEngine>();
}

void ReleaseDownloadGlobals() {
  request.reset();
  engine.reset();
}

bool DownloadGlobalsExist() { return request && engine; }

DownloadRequest& TheDownloadRequest() {
  if (!request) std::abort();  // a handler ran outside the program's lifetime
  return *request;
}

DownloadEngine& TheDownloadEngine() {
  if (!engine) std::abort();
  return *engine;
}

}  // namespace tv
