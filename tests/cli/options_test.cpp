// The command line of terravane-dl: what it accepts, what it refuses, and the file name
// it takes from a URL.
#include "cli/options.h"

#include <gtest/gtest.h>

namespace tv::cli {
namespace {

TEST(Options, DefaultsAndEveryOption) {
  Options o;
  std::string error;
  ASSERT_TRUE(ParseOptions({"http://h/a.zip"}, o, error)) << error;
  EXPECT_EQ(o.threads, 5);
  EXPECT_EQ(o.blockSize, 1024 * 1024);
  EXPECT_EQ(o.retries, 5);
  EXPECT_FALSE(o.restart);

  Options all;
  ASSERT_TRUE(ParseOptions(
      {"-j", "2", "-b", "64k", "-o", "out.bin", "-r", "http://ref/", "-H", "Cookie: a=b", "-H",
       "X-Y: 1", "--retries", "0", "--restart", "-q", "http://h/a.zip"},
      all, error))
      << error;
  EXPECT_EQ(all.threads, 2);
  EXPECT_EQ(all.blockSize, 65536);
  EXPECT_EQ(all.output, "out.bin");
  EXPECT_EQ(all.referer, "http://ref/");
  EXPECT_EQ(all.headers, (std::vector<std::string>{"Cookie: a=b", "X-Y: 1"}));
  EXPECT_EQ(all.retries, 0);
  EXPECT_TRUE(all.restart);
  EXPECT_TRUE(all.quiet);
  EXPECT_EQ(all.url, "http://h/a.zip");
}

TEST(Options, BadInputGetsAClearError) {
  const std::vector<std::vector<std::string>> bad = {
      {},                         // no URL
      {"-j", "0", "http://h/a"},  // connections 1 to 5
      {"-j", "6", "http://h/a"},
      {"-j", "x", "http://h/a"},
      {"-b", "0", "http://h/a"},
      {"-b", "17m", "http://h/a"},  // more than 16 MiB per read
      {"-b", "12q", "http://h/a"},
      {"--retries", "-1", "http://h/a"},
      {"-H", "no colon", "http://h/a"},
      {"-H", "X: a\r\nInjected: b", "http://h/a"},
      {"-o"},  // option without its value
      {"--unknown", "http://h/a"},
      {"http://h/a", "http://h/b"},  // one URL only
  };
  for (const auto& args : bad) {
    Options o;
    std::string error;
    EXPECT_FALSE(ParseOptions(args, o, error)) << (args.empty() ? "(none)" : args[0]);
    EXPECT_FALSE(error.empty());
  }
  Options small;
  std::string error;
  EXPECT_TRUE(ParseOptions({"-b", "100", "http://h/a"}, small, error));  // the engine raises it
  EXPECT_EQ(small.blockSize, 100);
}

TEST(Options, FileNameFromTheUrl) {
  struct Row {
    const char* url;
    const char* name;
  } rows[] = {
      {"http://h/packs/Map8.zip", "Map8.zip"},
      {"http://h:8080/a/b.zip?x=1#f", "b.zip"},
      {"http://h/%E5%9C%B0%E5%9B%BE.zip", "\xE5\x9C\xB0\xE5\x9B\xBE.zip"},  // percent-decoded
      {"http://h/", ""},                                                    // names no file
      {"http://h", ""},
      {"http://h/a/..", ""},
      {"http://h/a%2F..%2Fb", ""},  // a decoded separator would leave the folder
  };
  for (const Row& row : rows) {
    EXPECT_EQ(FileNameFromUrl(row.url), row.name) << row.url;
  }
}

}  // namespace
}  // namespace tv::cli
