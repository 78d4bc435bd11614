// Drives the archive control for the benchmark: `zip_bench make SOURCE ARCHIVE` or
// `zip_bench extract ARCHIVE FOLDER`; exits 0 only when the operation gave 1.
#include <cstdio>
#include <string>

#include "maps/archive_control.h"
#include "platform/codepage.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: zip_bench make SOURCE ARCHIVE | extract ARCHIVE FOLDER\n");
    return 2;
  }
  const std::string op = argv[1];
  const std::string a = tv::codepage::Utf8ToGbkText(argv[2]);
  const std::string b = tv::codepage::Utf8ToGbkText(argv[3]);
  tv::ArchiveControl zip;
  const int result = op == "make" ? zip.MakeZip(a, b) : zip.ExtractZip(a, b);
  if (result != 1) std::fprintf(stderr, "%s gave %d\n", op.c_str(), result);
  return result == 1 ? 0 : 1;
}
