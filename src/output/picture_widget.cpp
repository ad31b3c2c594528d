#include "output/picture_widget.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace vantor {

PictureWidget::PictureWidget(Surface& surface, QWidget* parent) : QFrame(parent), surface_(surface) {
  setObjectName(QStringLiteral("Picture1"));
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(2);
  setToolTip(QString::fromUtf8(kTouchUpHint));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureWidget::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  const QImage raster(surface_.data(), surface_.width(), surface_.height(), surface_.width(),
                      QImage::Format_Grayscale8);
  QPainter painter(this);
  painter.drawImage(contentsRect().topLeft(), raster);
}

// One move event sets at most one pixel: the one under the pointer.  The
// pointer is handed to the surface at the centre of its pixel, in the
// surface's current unit, so that rounding cannot move it to a neighbour.
void PictureWidget::mouseMoveEvent(QMouseEvent* event) {
  const Qt::MouseButtons held = event->buttons();
  const int buttons = (held & Qt::LeftButton ? 1 : 0) | (held & Qt::RightButton ? 2 : 0) |
                      (held & Qt::MiddleButton ? 4 : 0);
  const QPointF p = event->position() - QPointF(contentsRect().topLeft());
  const double u = surface_.pixels_per_unit();
  const float x = static_cast<float>((std::floor(p.x()) + 0.5) / u);
  const float y = static_cast<float>((std::floor(p.y()) + 0.5) / u);
  touch_up(surface_, buttons, x, y);
  update();
}

}  // namespace vantor
