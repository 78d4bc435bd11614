// xdg-open started with posix_spawnp: the URL is passed as one argv element, never through
// a shell, and a background thread reaps the child so that none is left a zombie.
#include "platform/shell.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <thread>

#include "platform/codepage.h"

extern char** environ;

namespace tv::shell {

bool OpenWebPage(const std::string& url) {
  if (url.empty() || url.front() == '-') return false;
  bool clean = false;
  std::string utf8 = codepage::GbkToUtf8(url, &clean);
  if (!clean) return false;

  posix_spawnattr_t attr;
  if (posix_spawnattr_init(&attr) != 0) return false;
  // Its own session: a browser started from here must not share our terminal's signals.
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
  char program[] = "xdg-open";
  char* argv[] = {program, utf8.data(), nullptr};
  pid_t pid = 0;
  int failed = posix_spawnp(&pid, program, nullptr, &attr, argv, environ);
  posix_spawnattr_destroy(&attr);
  if (failed != 0) return false;

  std::thread([pid] {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return true;
}

}  // namespace tv::shell
