// Starting and stopping a private nginx.
#include "tests/support/nginx_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace tv::test {
namespace {

// A port that was free a moment ago; nginx may still lose it to another process, in
// which case the start is retried.
int FreePort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return 0;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
    port = ntohs(addr.sin_port);
  }
  close(fd);
  return port;
}

bool Accepts(int port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return false;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  close(fd);
  return ok;
}

std::string Config(const std::filesystem::path& dir, const std::filesystem::path& root, int port,
                   const std::string& limitRate) {
  const std::string d = dir.string();
  std::ostringstream c;
  c << "daemon off;\nworker_processes 1;\npid " << d << "/nginx.pid;\nerror_log " << d
    << "/error.log;\n";
  if (geteuid() == 0) c << "user root root;\n";  // workers would otherwise drop to nobody
  c << "events { worker_connections 256; }\nhttp {\n  access_log off;\n  sendfile on;\n";
  for (const char* temp : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"}) {
    c << "  " << temp << "_temp_path " << d << "/" << temp << ";\n";
  }
  c << "  default_type application/octet-stream;\n  server {\n    listen 127.0.0.1:" << port
    << ";\n    root " << root.string() << ";\n";
  if (!limitRate.empty()) c << "    limit_rate " << limitRate << ";\n";
  c << "  }\n}\n";
  return c.str();
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

NginxServer::NginxServer(const std::filesystem::path& root, const std::string& limitRate) {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "terravane-nginx-XXXXXX").string();
  if (!mkdtemp(pattern.data())) {
    error_ = "no temporary folder";
    return;
  }
  dir_ = pattern;
  for (int attempt = 0; attempt < 5 && !running(); ++attempt)
    Start(std::filesystem::absolute(root), limitRate);
}

NginxServer::~NginxServer() {
  Stop();
  std::error_code ec;
  if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
}

std::string NginxServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/" + path;
}

bool NginxServer::Start(const std::filesystem::path& root, const std::string& limitRate) {
  const int port = FreePort();
  const auto conf = dir_ / "nginx.conf";
  std::ofstream(conf) << Config(dir_, root, port, limitRate);
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    const std::string prefix = dir_.string() + "/", confText = conf.string(),
                      log = (dir_ / "error.log").string();
    execlp("nginx", "nginx", "-p", prefix.c_str(), "-c", confText.c_str(), "-e", log.c_str(),
           nullptr);
    _exit(127);
  }
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  bool exited = false;
  while (!exited && std::chrono::steady_clock::now() < until) {
    int status = 0;
    exited = waitpid(pid, &status, WNOHANG) == pid;  // it gave up (port taken, bad config)
    if (!exited && Accepts(port)) {
      pid_ = pid;
      port_ = port;
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (!exited) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  error_ = ReadAll(dir_ / "error.log");
  return false;
}

void NginxServer::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
}

}  // namespace tv::test
