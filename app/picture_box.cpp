// Decoding goes through platform/jpeg; scaling uses wx's high-quality resampler once per
// image, so painting only blits.
#include "app/picture_box.h"

#include <wx/dcbuffer.h>
#include <wx/image.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/jpeg.h"

namespace tv::app {

PictureBox::PictureBox(wxWindow* parent, const wxPoint& place, const wxSize& size)
    : wxPanel(parent, wxID_ANY, place, size, wxBORDER_NONE) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  Bind(wxEVT_PAINT, &PictureBox::OnPaint, this);
}

bool PictureBox::SetJpeg(std::string_view jpeg) {
  jpeg::Image image;
  bool decoded = jpeg::Decode(jpeg, image) && image.width > 0 && image.height > 0;
  shown_ = wxBitmap();
  if (decoded) {
    // wxImage takes ownership of a malloc'ed buffer.
    auto* pixels = static_cast<unsigned char*>(malloc(image.rgb.size()));
    std::memcpy(pixels, image.rgb.data(), image.rgb.size());
    wxImage full(image.width, image.height, pixels);
    wxSize box = GetClientSize();
    double scale = std::min(static_cast<double>(box.x) / image.width,
                            static_cast<double>(box.y) / image.height);
    int width = std::max(1, static_cast<int>(image.width * scale + 0.5));
    int height = std::max(1, static_cast<int>(image.height * scale + 0.5));
    shown_ = wxBitmap(full.Scale(width, height, wxIMAGE_QUALITY_HIGH));
  }
  Refresh();
  return decoded;
}

wxPoint PictureBox::ShownAt() const {
  wxSize box = GetClientSize();
  if (!shown_.IsOk()) return wxPoint(0, 0);
  return wxPoint((box.x - shown_.GetWidth()) / 2, (box.y - shown_.GetHeight()) / 2);
}

void PictureBox::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  dc.SetBackground(wxBrush(GetBackgroundColour()));
  dc.Clear();
  if (shown_.IsOk()) dc.DrawBitmap(shown_, ShownAt());
}

}  // namespace tv::app
