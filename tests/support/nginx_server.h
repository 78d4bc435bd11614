// nginx on a free loopback port, serving a folder, for tests against a real server.
// It runs as the current user with its configuration, pid, logs and temporary files in
// a folder of its own, and is stopped by the destructor.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

namespace tv::test {

class NginxServer {
 public:
  // `limitRate` is nginx's per-connection limit ("2m"); empty for none.
  explicit NginxServer(const std::filesystem::path& root, const std::string& limitRate = {});
  ~NginxServer();
  NginxServer(const NginxServer&) = delete;
  NginxServer& operator=(const NginxServer&) = delete;

  bool running() const { return pid_ > 0; }
  int port() const { return port_; }
  std::string Url(const std::string& path) const;  // "http://127.0.0.1:port/" + path
  // Why the server did not start (its error log), when it did not.
  const std::string& error() const { return error_; }

 private:
  bool Start(const std::filesystem::path& root, const std::string& limitRate);
  void Stop();

  std::filesystem::path dir_;
  pid_t pid_ = -1;
  int port_ = 0;
  std::string error_;
};

}  // namespace tv::test
