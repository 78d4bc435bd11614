// terravane-dl's download run: one engine task, progress and status on stderr, Ctrl-C
// to pause, automatic resumes after failures.
#pragma once

#include "cli/options.h"

namespace tv::cli {

// Exit codes: 0 the complete file is in place, 1 failure, 130 paused by Ctrl-C (143 by
// SIGTERM).
int RunDownloadCommand(const Options& options);

}  // namespace tv::cli
