// JPEG decoding to packed 8-bit RGB, for the picture box's previews.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tv::jpeg {

struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // width * height * 3 bytes, rows top to bottom
};

// Decodes the bytes of a JPEG file (baseline or progressive, grey or colour). False, with
// `out` emptied, for data that is not a complete JPEG image.
bool Decode(std::string_view data, Image& out);

}  // namespace tv::jpeg
