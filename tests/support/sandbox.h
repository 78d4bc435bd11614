// A fresh temporary folder per test, removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace tv::test {

class Sandbox : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The native folder, and the same folder as a GBK text usable as a core path.
  const std::filesystem::path& dir() const { return dir_; }
  std::string GbkPath(const std::string& gbkRelative = {}) const;
  // Writes a file below the folder (UTF-8 relative name), creating its folders.
  void WriteFile(const std::filesystem::path& relative, const std::string& content) const;
  std::string ReadFile(const std::filesystem::path& relative) const;

 private:
  std::filesystem::path dir_;
};

}  // namespace tv::test
