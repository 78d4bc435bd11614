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

// Runs `work` in a child process and gives what it wrote, or "failed". The parent has no
// threads when it forks (each child runs its own server), so no lock is inherited held;
// the child leaves with _exit so that none of this process's exit handling runs twice.
std::string InChildProcess(const std::function<std::string()>& work) {
  int fds[2];
  if (pipe(fds) != 0) return "failed";
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    std::string out = work();
    bool written = write(fds[1], out.data(), out.size()) == static_cast<ssize_t>(out.size());
    _exit(written ? 0 : 1);
  }
  close(fds[1]);
  std::string out;
  char buffer[512];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) out.append(buffer, n);
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? out : "failed";
}

TEST(CookieFileTest, TheNextProcessSendsTheStoredCookies) {
  test::UseTemporaryCookieHome();
  std::string first = InChildProcess([] {
    test::FaultServer server;
    server.SetRow("/set", FaultRow{.body = "s",
                                   .headers = {{"Set-Cookie", "kept=1; Max-Age=3600; Path=/"},
                                               {"Set-Cookie", "session=2; Path=/"}}});
    bool ok = Get(server.port(), "/set") &&
              SetCookie("http://127.0.0.1", "byhand", "3; expires=Fri, 01 Jan 2100 00:00:00 GMT");
    return std::string(ok ? "ok" : "request failed");
  });
  ASSERT_EQ(first, "ok");
  std::ifstream file(CookieFilePath());
  ASSERT_TRUE(file.good()) << CookieFilePath();
  std::stringstream content;
  content << file.rdbuf();
  EXPECT_NE(content.str().find("kept"), std::string::npos) << content.str();

  // Cookies belong to the host, whatever the port of the next process's server.
  std::string cookies = InChildProcess([] {
    test::FaultServer server;
    server.SetRow("/check", FaultRow{.body = "c"});
    if (!Get(server.port(), "/check")) return std::string("request failed");
    return server.Requests("/check").at(0).Header("Cookie");
  });
  EXPECT_NE(cookies.find("kept=1"), std::string::npos) << cookies;
  EXPECT_NE(cookies.find("byhand=3"), std::string::npos) << cookies;
  EXPECT_EQ(cookies.find("session=2"), std::string::npos) << cookies;
}

}  // namespace
}  // namespace tv::inet
