// Shared parts of the map and interface-pack tests: a sandbox holding a game install, the
// program's folder with its pack folder, the headless UI, and peer ZIP tools.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "maps/app_state.h"
#include "platform/files.h"
#include "tests/support/headless_ui.h"
#include "tests/support/sandbox.h"

namespace tv::test {

inline std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

// Runs a shell command; its exit status, with its standard output in `output`.
inline int RunCommand(const std::string& command, std::string* output = nullptr) {
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return -1;
  std::string text;
  char chunk[4096];
  for (size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;) text.append(chunk, n);
  const int status = pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Debian's interpreter when present: a version manager's shim in PATH costs a second a call.
inline std::string Python() {
  return std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
}

inline std::string Quote(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

// Every file and folder below `root`: relative path -> content ("/" for folders).
inline std::map<std::string, std::string> TreeOf(const std::filesystem::path& root) {
  std::map<std::string, std::string> tree;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    const std::string relative = entry.path().lexically_relative(root).string();
    if (entry.is_directory()) {
      tree[relative] = "/";
    } else {
      std::ifstream in(entry.path(), std::ios::binary);
      tree[relative] = std::string(std::istreambuf_iterator<char>(in), {});
    }
  }
  return tree;
}

// Bytes that deflate cannot shrink, so sizes stay what the test asks for.
inline std::string NoiseBytes(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (char& c : bytes) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 16);
  }
  return bytes;
}

// A game install ("LOL/TCLS/Client.exe", "LOL/Game/...") and the program's folder "app" with
// its pack folder, with GameDir pointing at the launcher and the UI headless.
class GameSandbox : public Sandbox {
 protected:
  void SetUp() override {
    Sandbox::SetUp();
    App() = AppState{};
    files::SetExecutableFolderForTests(GbkPath("app"));
    std::filesystem::create_directories(packDir());
    WriteFile("LOL/TCLS/Client.exe", "launcher");
    App().GameDir = GbkPath("LOL") + "\\TCLS\\Client.exe";
  }
  void TearDown() override {
    files::SetExecutableFolderForTests("");
    App() = AppState{};
    Sandbox::TearDown();
  }

  std::filesystem::path game() const { return dir() / "LOL/Game"; }
  std::filesystem::path packDir() const { return dir() / "app" / Utf8(u8"地图包"); }
  bool Present(const std::filesystem::path& path) const { return std::filesystem::exists(path); }

  HeadlessUi ui_;
};

}  // namespace tv::test
