// The picture box: shows a JPEG image scaled to fit its size, keeping the image's
// proportions and centring it.
#pragma once

#include <wx/bitmap.h>
#include <wx/panel.h>

#include <string_view>

namespace tv::app {

class PictureBox : public wxPanel {
 public:
  PictureBox(wxWindow* parent, const wxPoint& place, const wxSize& size);

  // Replaces the image; data that is not a JPEG image clears the box. False then.
  bool SetJpeg(std::string_view jpeg);
  bool HasPicture() const { return shown_.IsOk(); }
  // The scaled image as drawn, and where it sits inside the box.
  const wxBitmap& Shown() const { return shown_; }
  wxPoint ShownAt() const;

 private:
  void OnPaint(wxPaintEvent& event);

  wxBitmap shown_;
};

}  // namespace tv::app
