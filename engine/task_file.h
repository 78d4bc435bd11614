// The task file beside a running download's partial file: the request, the counters and
// one progress value per worker, in INI layout, so a download can be taken up again.
#pragma once

#include <cstdint>
#include <string>

#include "engine/download_engine.h"

namespace tv {

// Saves the task under `fileName` (its local path followed by ".Config"). The partial
// file's data is flushed first, so the file never claims bytes that are not on disk;
// writes of one task are serialised. False when the file could not be written or the
// task's files were already retired (completed or stopped).
bool WriteTaskFile(const std::string& fileName, TaskId id);

// Loads the task file into the slot `id`. True when the loaded task can be resumed: the
// notice is unaltered, the size, address and partial file are there, and the counts and
// progress values fit the size (a damaged file is never spliced into a download).
bool ReadTaskFile(const std::string& fileName, TaskId id);

// A number as the task file holds it: leading decimal text, truncated toward zero; 0 for
// text that is not a number.
std::int32_t TaskFileNumber(const std::string& text);

}  // namespace tv
