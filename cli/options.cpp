// Parsing the command line of terravane-dl.
#include "cli/options.h"

#include <charconv>

namespace tv::cli {
namespace {

bool ParseInt(const std::string& text, long long low, long long high, long long& value) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && value >= low && value <= high;
}

// "-b 65536", "-b 64k", "-b 1m".
bool ParseBytes(std::string text, std::int32_t& bytes) {
  long long factor = 1;
  if (!text.empty() && (text.back() == 'k' || text.back() == 'K')) factor = 1024;
  if (!text.empty() && (text.back() == 'm' || text.back() == 'M')) factor = 1024 * 1024;
  if (factor > 1) text.pop_back();
  long long value = 0;
  if (!ParseInt(text, 1, 16LL * 1024 * 1024, value) || value * factor > 16LL * 1024 * 1024)
    return false;
  bytes = static_cast<std::int32_t>(value * factor);
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool TakeValue(const std::vector<std::string>& args, size_t& i, std::string& value,
               std::string& error) {
  if (i + 1 >= args.size()) {
    error = "option " + args[i] + " needs a value";
    return false;
  }
  value = args[++i];
  return true;
}

}  // namespace

std::string UsageText() {
  return "usage: terravane-dl [-j N] [-b BYTES] [-o FILE] [-r REFERER] [-H LINE]... [--retries N] "
         "[--restart] [-q] "
         "URL\n"
         "  -j N         connections, 1 to 5 (default 5; small files use fewer)\n"
         "  -b BYTES     read size, e.g. 65536, 64k or 1m (default 1m; below 10240 means 20480)\n"
         "  -o FILE      where to save (default: the URL's file name in the current folder)\n"
         "  -r REFERER   referrer sent with every request\n"
         "  -H LINE      extra request header line, e.g. -H 'Cookie: a=b' (repeatable)\n"
         "  --retries N  take the download up again after a failure, N times (default 5)\n"
         "  --restart    discard an earlier partial download of FILE and start afresh\n"
         "  -q           no progress line and no status messages\n"
         "Ctrl-C pauses (the download is saved); running the same command again resumes.\n";
}

bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::string value;
    long long number = 0;
    if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else if (arg == "-q") {
      options.quiet = true;
    } else if (arg == "--restart") {
      options.restart = true;
    } else if (arg == "-j" || arg == "-b" || arg == "-o" || arg == "-r" || arg == "-H" ||
               arg == "--retries") {
      if (!TakeValue(args, i, value, error)) return false;
      if (arg == "-j" && !ParseInt(value, 1, 5, number)) {
        error = "-j takes a number of connections from 1 to 5, not '" + value + "'";
        return false;
      }
      if (arg == "-j") options.threads = static_cast<int>(number);
      if (arg == "-b" && !ParseBytes(value, options.blockSize)) {
        error = "-b takes a read size from 1 byte to 16m, not '" + value + "'";
        return false;
      }
      if (arg == "--retries" && !ParseInt(value, 0, 1000, number)) {
        error = "--retries takes a number from 0 to 1000, not '" + value + "'";
        return false;
      }
      if (arg == "--retries") options.retries = static_cast<int>(number);
      if (arg == "-o") options.output = value;
      if (arg == "-r") options.referer = value;
      if (arg == "-H") {
        if (value.find_first_of("\r\n") != std::string::npos ||
            value.find(':') == std::string::npos) {
          error = "-H takes one header line 'Name: value'";
          return false;
        }
        options.headers.push_back(value);
      }
    } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
      error = "unknown option " + arg;
      return false;
    } else if (options.url.empty()) {
      options.url = arg;
    } else {
      error = "only one URL, please ('" + arg + "' is extra)";
      return false;
    }
  }
  if (options.url.empty() && !options.help) {
    error = "no URL given";
    return false;
  }
  return true;
}

std::string FileNameFromUrl(const std::string& url) {
  std::string rest = url;
  if (auto scheme = rest.find("://"); scheme != std::string::npos) rest = rest.substr(scheme + 3);
  rest = rest.substr(0, rest.find_first_of("?#"));
  const auto slash = rest.find('/');
  if (slash == std::string::npos) return {};
  rest = rest.substr(rest.rfind('/') + 1);
  std::string name;
  for (size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == '%' && i + 2 < rest.size() && HexValue(rest[i + 1]) >= 0 &&
        HexValue(rest[i + 2]) >= 0) {
      name += static_cast<char>(HexValue(rest[i + 1]) * 16 + HexValue(rest[i + 2]));
      i += 2;
    } else {
      name += rest[i];
    }
  }
  // A decoded name must stay one plain file in the current folder.
  if (name.empty() || name == "." || name == ".." ||
      name.find_first_of(std::string("/\\\0", 3)) != std::string::npos) {
    return {};
  }
  return name;
}

}  // namespace tv::cli
