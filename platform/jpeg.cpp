// JPEG decoding on libjpeg-turbo. Errors leave the library through longjmp, so the
// decoding frame keeps no objects with destructors between setjmp and the jump.
#include "platform/jpeg.h"

#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>

namespace tv::jpeg {
namespace {

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  bool warned;
};

[[noreturn]] void OnError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// Corrupt-data warnings would otherwise let a damaged preview through as grey blocks.
void OnMessage(j_common_ptr info, int level) {
  if (level < 0) reinterpret_cast<ErrorManager*>(info->err)->warned = true;
}

void Silent(j_common_ptr) {}

bool DecodeInto(jpeg_decompress_struct& info, ErrorManager& errors, std::string_view data,
                Image& out) {
  if (setjmp(errors.jump)) return false;
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.data()),
               static_cast<unsigned long>(data.size()));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) return false;
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  out.width = static_cast<int>(info.output_width);
  out.height = static_cast<int>(info.output_height);
  const size_t stride = static_cast<size_t>(info.output_width) * 3;
  out.rgb.resize(stride * info.output_height);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = out.rgb.data() + stride * info.output_scanline;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  return !errors.warned;
}

}  // namespace

bool Decode(std::string_view data, Image& out) {
  out = Image{};
  if (data.empty()) return false;
  jpeg_decompress_struct info{};
  ErrorManager errors{};
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = OnError;
  errors.base.emit_message = OnMessage;
  errors.base.output_message = Silent;
  const bool ok = DecodeInto(info, errors, data, out);
  jpeg_destroy_decompress(&info);
  if (!ok) out = Image{};
  return ok;
}

}  // namespace tv::jpeg
