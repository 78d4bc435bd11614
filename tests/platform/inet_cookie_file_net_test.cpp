// The per-user cookie file: cookies one process receives are sent by the next one, all
// but the session cookies. Each process is a fork that never touched the store before.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "platform/inet.h"
#include "tests/support/fault_server.h"

namespace tv::inet {
namespace {

using test::FaultRow;

bool Get(int port, const std::string& path) {
  auto net = Internet::Open("t");
  auto req = net->Connect("127.0.0.1", port)->OpenRequest("GET", path, "HTTP/1.1", "", 0);
  char buffer[256];
  size_t n = 0;
  if (!req->Send("")) return false;
  while (req->Read(buffer, sizeof buffer, n) && n > 0) {
  }
  return true;
}

// Runs `work` in a child process and gives its exit code (it must leave with _exit, so
// that nothing of this process's exit handling runs twice).
int InChildProcess(const std::function<bool()>& work) {
  pid_t pid = fork();
  if (pid == 0) _exit(work() ? 0 : 1);
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CookieFileTest, TheNextProcessSendsTheStoredCookies) {
  test::FaultServer server;
  server.SetRow("/set", FaultRow{.body = "s",
                                 .headers = {{"Set-Cookie", "kept=1; Max-Age=3600; Path=/"},
                                             {"Set-Cookie", "session=2; Path=/"}}});
  server.SetRow("/check", FaultRow{.body = "c"});
  const int port = server.port();

  ASSERT_EQ(InChildProcess([port] {
              return Get(port, "/set") && SetCookie("http://127.0.0.1", "byhand",
                                                    "3; expires=Fri, 01 Jan 2100 00:00:00 GMT");
            }),
            0);
  std::ifstream file(CookieFilePath());
  ASSERT_TRUE(file.good()) << CookieFilePath();
  std::stringstream content;
  content << file.rdbuf();
  EXPECT_NE(content.str().find("kept"), std::string::npos) << content.str();

  ASSERT_EQ(InChildProcess([port] { return Get(port, "/check"); }), 0);
  auto seen = server.Requests("/check");
  ASSERT_EQ(seen.size(), 1u);
  std::string cookies = seen[0].Header("Cookie");
  EXPECT_NE(cookies.find("kept=1"), std::string::npos) << cookies;
  EXPECT_NE(cookies.find("byhand=3"), std::string::npos) << cookies;
  EXPECT_EQ(cookies.find("session=2"), std::string::npos) << cookies;
}

}  // namespace
}  // namespace tv::inet
