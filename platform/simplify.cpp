// The character-only traditional-to-simplified table on OpenCC, loaded once per process
// from the config shipped in assets/opencc.
#include "platform/simplify.h"

#include <opencc/opencc.h>

#include <algorithm>
#include <mutex>

namespace tv::simplify {
namespace {

const opencc_t kNoConverter = reinterpret_cast<opencc_t>(-1);

// The converter is opened on first use and kept for the life of the process; the mutex
// also serialises conversions, as the library does not promise they are thread-safe.
std::mutex& Lock() {
  static std::mutex mutex;
  return mutex;
}

opencc_t Converter() {
  static opencc_t converter = opencc_open(TERRAVANE_OPENCC_CONFIG);
  return converter;
}

}  // namespace

bool TraditionalToSimplified(std::string_view utf8, std::string& out) {
  out.clear();
  if (utf8.empty()) return true;
  std::lock_guard<std::mutex> guard(Lock());
  opencc_t converter = Converter();
  if (converter == kNoConverter) return false;
  // The library answers with a zero-terminated text, so convert between zero bytes.
  size_t start = 0;
  while (start <= utf8.size()) {
    size_t end = std::min(utf8.find('\0', start), utf8.size());
    if (end > start) {
      char* converted = opencc_convert_utf8(converter, utf8.data() + start, end - start);
      if (!converted) {
        out.clear();
        return false;
      }
      out += converted;
      opencc_convert_utf8_free(converted);
    }
    if (end < utf8.size()) out += '\0';
    start = end + 1;
  }
  return true;
}

}  // namespace tv::simplify
