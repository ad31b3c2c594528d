#include "output/image_window.h"

#include "output/picture_widget.h"
#include "ui/layout.h"

namespace vantor {

const ImageWindowSpec kIncEncoderDraw{"Inc_Encoder_draw", "Incremental Encoder Image", 13890, 9690, 360, 240};
const ImageWindowSpec kAbsEncoderDraw{"Abs_encoder_draw", "Absolute Encoder Image", 13875, 9495, 480, 240};
const ImageWindowSpec kIncMaskDraw{"Inc_Mask_draw", "Incremental Encoder Sensor Mask", 13890, 9690, 360, 240};

ImageWindow::ImageWindow(const ImageWindowSpec& spec, QWidget* parent)
    : QWidget(parent), surface_(Surface::for_picture()), picture_(new PictureWidget(surface_, this)) {
  setObjectName(QString::fromUtf8(spec.name));
  setWindowTitle(QString::fromUtf8(spec.caption));
  set_client_size(this, spec.client_width, spec.client_height);
  picture_->setGeometry(twips(spec.picture_left), twips(spec.picture_top), twips(13000), twips(9000));
}

void ImageWindow::refresh() { picture_->update(); }

}  // namespace vantor
