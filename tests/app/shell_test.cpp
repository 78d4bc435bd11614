// Opening a web page: xdg-open gets the URL as one argument, converted to UTF-8, with no
// shell in between, and the call does not wait for the opener to finish.
#include "platform/shell.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/app/wx_test_support.h"

namespace tv {
namespace {

class ShellTest : public test::Sandbox {
 protected:
  void SetUp() override {
    Sandbox::SetUp();
    // The opener notes its arguments one per line, then stays until the test releases it
    // (or 10 s pass), like a browser that keeps running, and notes that it ended.
    const std::string d = dir().string();
    WriteFile("bin/xdg-open", "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done >> \"" +
                                  d + "/args.txt\"\nfor i in $(seq 200); do [ -e \"" + d +
                                  "/release\" ] && break; sleep 0.05; done\ntouch \"" + d +
                                  "/ended\"\n");
    std::filesystem::permissions(dir() / "bin/xdg-open", std::filesystem::perms::owner_all);
    path.emplace("PATH", (dir() / "bin").string() + ":/usr/bin:/bin");
  }
  std::string WaitForArgs() {
    for (int i = 0; i < 500 && ReadFile("args.txt").empty(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return ReadFile("args.txt");
  }
  std::optional<test::ScopedEnv> path;
};

TEST_F(ShellTest, PassesTheUrlAsOneArgumentWithoutAShell) {
  const std::string url = "http://127.0.0.1:8765/a b;touch \"$HOME/x\"`id`/地图?q=1&r='2'";
  ASSERT_TRUE(shell::OpenWebPage(url));
  EXPECT_FALSE(std::filesystem::exists(dir() / "ended")) << "the call waited for the opener to end";
  WriteFile("release", "");
  EXPECT_EQ(WaitForArgs(), "[http://127.0.0.1:8765/a b;touch \"$HOME/x\"`id`/" +
                               std::string(reinterpret_cast<const char*>(u8"地图")) +
                               "?q=1&r='2']\n");
}

TEST_F(ShellTest, RefusesWhatCannotBeOpenedSafely) {
  EXPECT_FALSE(shell::OpenWebPage(""));
  EXPECT_FALSE(shell::OpenWebPage("--help"));
  EXPECT_FALSE(shell::OpenWebPage("http://x/\x81"));  // not GBK
  path.emplace("PATH", (dir() / "nowhere").string());
  EXPECT_FALSE(shell::OpenWebPage("http://127.0.0.1/"));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(ReadFile("args.txt"), "");
  EXPECT_FALSE(std::filesystem::exists(dir() / "ended"));
}

}  // namespace
}  // namespace tv
