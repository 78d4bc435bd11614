// terravane-dl as a user runs it, against nginx on a loopback port: a whole download, a
// failure, a kill -9 in the middle and the rerun that resumes, Ctrl-C, and --restart.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/crypto.h"
#include "tests/support/fault_server.h"
#include "tests/support/nginx_server.h"
#include "tests/support/sandbox.h"

namespace tv {
namespace {

class DlCommand : public test::Sandbox {
 protected:
  void SetUp() override {
    Sandbox::SetUp();
    body_ = test::PatternBody(kSize, 9);
    WriteFile("www/pack.zip", body_);
  }

  // Starts terravane-dl in the sandbox with stderr going to a file.
  pid_t Start(std::vector<std::string> args) {
    args.insert(args.begin(), TERRAVANE_DL_PATH);
    const std::string errPath = (dir() / "stderr.txt").string();
    const pid_t pid = fork();
    if (pid == 0) {
      if (chdir(dir().c_str()) != 0) _exit(126);
      int fd = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(fd, STDERR_FILENO);
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    return pid;
  }
  // The exit code (or 128 + signal); -1 when it did not end within `seconds`.
  int Wait(pid_t pid, int seconds = 120) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < until) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
  }
  int Run(const std::vector<std::string>& args) { return Wait(Start(args)); }
  // Waits until the saved download has a task file that claims some bytes.
  bool WaitForProgressSaved(pid_t pid) {
    const auto config = dir() / "pack.zip!BT.Config";
    for (int i = 0; i < 3000; ++i) {
      if (std::filesystem::exists(config)) {
        const std::string text = ReadFile("pack.zip!BT.Config");
        const auto at = text.find("AlreadySize=");
        if (at != std::string::npos && text.compare(at, 14, "AlreadySize=0\n") != 0 &&
            text.compare(at, 15, "AlreadySize=0\r\n") != 0) {
          return true;
        }
      }
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  std::string Err() const { return ReadFile("stderr.txt"); }
  std::string Sha(const std::string& data) const {
    std::string digest;
    crypto::Digest(crypto::kCalgSha256, data, digest);
    return digest;
  }
  bool ArrivedWhole() const {
    return std::filesystem::exists(dir() / "pack.zip") && Sha(ReadFile("pack.zip")) == Sha(body_) &&
           !std::filesystem::exists(dir() / "pack.zip!BT") &&
           !std::filesystem::exists(dir() / "pack.zip!BT.Config");
  }

  static constexpr size_t kSize = 6 * 1024 * 1024 + 123;
  std::string body_;
};

TEST_F(DlCommand, DownloadsIntoTheUrlsFileName) {
  test::NginxServer nginx(dir() / "www");
  ASSERT_TRUE(nginx.running()) << nginx.error();
  EXPECT_EQ(Run({nginx.Url("pack.zip")}), 0) << Err();
  EXPECT_TRUE(ArrivedWhole());
  EXPECT_NE(Err().find(reinterpret_cast<const char*>(u8"下载完毕")), std::string::npos);
}

TEST_F(DlCommand, FailureExitsOneWithTheEnginesMessage) {
  test::NginxServer nginx(dir() / "www");
  ASSERT_TRUE(nginx.running()) << nginx.error();
  EXPECT_EQ(Run({"--retries", "1", "-o", "missing.zip", nginx.Url("missing.zip")}), 1);
  EXPECT_NE(Err().find(reinterpret_cast<const char*>(u8"获取文件大小出错")), std::string::npos)
      << Err();
  EXPECT_NE(Err().find("retrying"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir() / "missing.zip"));
  EXPECT_EQ(Run({"-j", "9", nginx.Url("pack.zip")}), 1);
  EXPECT_NE(Err().find("-j takes"), std::string::npos);
}

TEST_F(DlCommand, KilledMidwayThenRunAgainResumes) {
  test::NginxServer slow(dir() / "www", "100k"), fast(dir() / "www");
  ASSERT_TRUE(slow.running()) << slow.error();
  ASSERT_TRUE(fast.running()) << fast.error();
  const pid_t pid = Start({"-b", "64k", "-o", "pack.zip", slow.Url("pack.zip")});
  ASSERT_TRUE(WaitForProgressSaved(pid)) << Err();
  kill(pid, SIGKILL);
  EXPECT_EQ(Wait(pid), 128 + SIGKILL);
  ASSERT_TRUE(std::filesystem::exists(dir() / "pack.zip!BT"));

  // The same file from another address of the server: the address given now wins.
  EXPECT_EQ(Run({"-o", "pack.zip", fast.Url("pack.zip")}), 0) << Err();
  EXPECT_NE(Err().find(reinterpret_cast<const char*>(u8"正在启动断点续传下载")), std::string::npos)
      << Err();
  EXPECT_TRUE(ArrivedWhole());
}

TEST_F(DlCommand, CtrlCPausesAndRestartDiscards) {
  test::NginxServer slow(dir() / "www", "100k"), nginx(dir() / "www");
  ASSERT_TRUE(slow.running()) << slow.error();
  ASSERT_TRUE(nginx.running()) << nginx.error();
  const pid_t pid = Start({"-q", "-b", "64k", "-o", "pack.zip", slow.Url("pack.zip")});
  ASSERT_TRUE(WaitForProgressSaved(pid)) << Err();
  kill(pid, SIGINT);
  EXPECT_EQ(Wait(pid), 130) << Err();
  EXPECT_TRUE(std::filesystem::exists(dir() / "pack.zip!BT.Config"));
  EXPECT_NE(Err().find("paused"), std::string::npos);

  EXPECT_EQ(Run({"--restart", "-o", "pack.zip", nginx.Url("pack.zip")}), 0) << Err();
  EXPECT_EQ(Err().find(reinterpret_cast<const char*>(u8"正在启动断点续传下载")), std::string::npos);
  EXPECT_TRUE(ArrivedWhole());
}

TEST_F(DlCommand, ServerThatIgnoresRangesNeverYieldsAFile) {
  test::FaultServer server;
  test::FaultRow row;
  row.body = body_;
  row.respond = [body = body_](const test::RecordedRequest& request) {
    test::FaultRow answer;
    answer.body = body;
    answer.honourRange = request.Header("Range") == "bytes=1-2";  // only the size probe
    return answer;
  };
  server.SetRow("/pack.zip", row);
  EXPECT_EQ(Run({"--retries", "1", "-q", "-o", "pack.zip", server.Url("/pack.zip")}), 1);
  EXPECT_FALSE(std::filesystem::exists(dir() / "pack.zip"));
  EXPECT_NE(Err().find(reinterpret_cast<const char*>(u8"应答状态 200")), std::string::npos)
      << Err();
}

}  // namespace
}  // namespace tv
