#include "tests/support/sandbox.h"

#include <stdlib.h>

#include <fstream>
#include <sstream>

#include "platform/codepage.h"

namespace tv::test {

void Sandbox::SetUp() {
  std::string pattern = (std::filesystem::temp_directory_path() / "terravane-test-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  dir_ = pattern;
}

void Sandbox::TearDown() {
  std::error_code ec;
  // Tests make files read-only on purpose; give write access back so removal succeeds.
  for (auto it = std::filesystem::recursive_directory_iterator(dir_, ec);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 ec);
  }
  std::filesystem::remove_all(dir_, ec);
}

std::string Sandbox::GbkPath(const std::string& gbkRelative) const {
  std::string base = codepage::Utf8ToGbkText(dir_.string());
  return gbkRelative.empty() ? base : base + "/" + gbkRelative;
}

void Sandbox::WriteFile(const std::filesystem::path& relative, const std::string& content) const {
  auto path = dir_ / relative;
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

std::string Sandbox::ReadFile(const std::filesystem::path& relative) const {
  std::ifstream in(dir_ / relative, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace tv::test
