#include "output/image_file.h"

#include <QFile>
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "export/raster_file.h"

namespace vantor {

namespace {
constexpr double kMetresPerInch = 0.0254;
}  // namespace

QImage mono_image(int width, int height, double pixels_per_inch) {
  if (width <= 0 || height <= 0) return {};
  QImage image(width, height, QImage::Format_Mono);
  if (image.isNull()) return image;
  image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  const int dpm = static_cast<int>(std::lround(pixels_per_inch / kMetresPerInch));
  image.setDotsPerMeterX(dpm);
  image.setDotsPerMeterY(dpm);
  return image;
}

void pack_rows(const Surface& band, QImage& image, int row) {
  const int w = band.width();
  const std::uint8_t* src = band.data();
  for (int y = 0; y < band.height(); ++y, src += w) {
    uchar* out = image.scanLine(row + y);
    pack_row(src, w, false, false, out);
    // The row's padding is clear, so that equal pixels give equal images.
    std::fill(out + packed_row_bytes(w), out + image.bytesPerLine(), uchar{0});
  }
}

QImage surface_image(const Surface& surface) {
  QImage image = mono_image(surface.width(), surface.height(), surface.pixels_per_inch());
  if (!image.isNull()) pack_rows(surface, image, 0);
  return image;
}

std::optional<QString> write_bitmap(const Surface& surface, const QString& path) {
  const int w = surface.width(), h = surface.height();
  auto created = RasterFile::create(QFile::encodeName(path).toStdString(),
                                    {RasterFormat::Bmp, w, h, surface.pixels_per_inch()});
  if (const std::string* reason = std::get_if<std::string>(&created)) return QString::fromStdString(*reason);
  RasterFile& file = *std::get<std::unique_ptr<RasterFile>>(created);
  if (const auto reason = file.write_band(surface.data(), h)) return QString::fromStdString(*reason);
  if (const auto reason = file.commit()) return QString::fromStdString(*reason);
  return std::nullopt;
}

}  // namespace vantor
