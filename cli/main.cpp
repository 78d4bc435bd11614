// terravane-dl: downloads one URL with the engine of the desktop tool.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/download_command.h"
#include "cli/options.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  tv::cli::Options options;
  std::string error;
  if (!tv::cli::ParseOptions(args, options, error)) {
    std::fprintf(stderr, "terravane-dl: %s\n%s", error.c_str(), tv::cli::UsageText().c_str());
    return 1;
  }
  if (options.help) {
    std::fputs(tv::cli::UsageText().c_str(), stdout);
    return 0;
  }
  return tv::cli::RunDownloadCommand(options);
}
