// The command line of terravane-dl.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tv::cli {

struct Options {
  int threads = 5;
  std::int32_t blockSize = 1024 * 1024;
  std::string output;  // UTF-8 as given; empty: the URL's file name in the current folder
  std::string referer;
  std::vector<std::string> headers;
  int retries = 5;
  bool restart = false;
  bool quiet = false;
  bool help = false;
  std::string url;
};

// Parses argv[1..]; false with `error` saying what is wrong.
bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

// The file name the URL names (its last path piece, percent-decoded); empty when it
// names none that is safe to create in the current folder.
std::string FileNameFromUrl(const std::string& url);

std::string UsageText();

}  // namespace tv::cli
