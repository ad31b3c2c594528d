// The image windows Inc_Encoder_draw and Abs_encoder_draw, and
// Inc_Mask_draw of the incremental design's sensor mask: one picture,
// Picture1, showing the drawing surface, with touch-up by mouse.
#pragma once

#include <QWidget>

#include "surface/surface.h"

namespace vantor {

class PictureWidget;

struct ImageWindowSpec {
  const char* name;
  const char* caption;
  int client_width, client_height;  // twips
  int picture_left, picture_top;    // twips
};
extern const ImageWindowSpec kIncEncoderDraw;
extern const ImageWindowSpec kAbsEncoderDraw;
extern const ImageWindowSpec kIncMaskDraw;

class ImageWindow : public QWidget {
  Q_OBJECT
 public:
  explicit ImageWindow(const ImageWindowSpec& spec, QWidget* parent = nullptr);

  Surface& surface() { return surface_; }
  const Surface& surface() const { return surface_; }
  PictureWidget* picture() const { return picture_; }

  // Shows the surface's raster again after it was drawn on.
  void refresh();

 private:
  Surface surface_;
  PictureWidget* picture_;
};

}  // namespace vantor
