// Picture1: shows a surface's raster inside a two-pixel sunken border and
// touches it up under the mouse.
#pragma once

#include <QFrame>

#include "surface/surface.h"

namespace vantor {

inline constexpr const char* kTouchUpHint =
    "Touching up -- Left Click and Mouse Move draws black  -  Right Click and Mouse Move draws white";

class PictureWidget : public QFrame {
  Q_OBJECT
 public:
  PictureWidget(Surface& surface, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  Surface& surface_;
};

}  // namespace vantor
