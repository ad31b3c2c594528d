#include "output/image_file.h"

#include <QImageWriter>
#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <cstdint>

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
  const int full = w / 8;
  const std::uint8_t* src = band.data();
  for (int y = 0; y < band.height(); ++y, src += w) {
    uchar* out = image.scanLine(row + y);
    // Eight pixels a byte, the first in the most significant bit; a set bit
    // is index 1, white.
    for (int b = 0; b < full; ++b) {
      const std::uint8_t* p = src + 8 * b;
      unsigned byte = 0;
      for (int k = 0; k < 8; ++k) byte |= static_cast<unsigned>(p[k] >> 7) << (7 - k);
      out[b] = static_cast<uchar>(byte);
    }
    if (full * 8 < w) {
      unsigned byte = 0;
      for (int x = full * 8; x < w; ++x) byte |= static_cast<unsigned>(src[x] >> 7) << (7 - (x & 7));
      out[full] = static_cast<uchar>(byte);
    }
    // The row's padding is written to the file too: zero, so that equal
    // pixels give equal files.
    std::fill(out + (w + 7) / 8, out + image.bytesPerLine(), uchar{0});
  }
}

QImage surface_image(const Surface& surface) {
  QImage image = mono_image(surface.width(), surface.height(), surface.pixels_per_inch());
  if (!image.isNull()) pack_rows(surface, image, 0);
  return image;
}

std::optional<QString> write_image(const QImage& image, const QString& path, const char* format) {
  if (image.isNull()) return QStringLiteral("the picture is empty");
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return file.errorString();
  QImageWriter writer(&file, format);
  const bool written = writer.write(image);
  if (!written && file.error() == QFileDevice::NoError) {
    const QString reason = writer.errorString();
    file.cancelWriting();
    return reason;
  }
  // After a failed write of the device (a full disk) commit() discards the
  // new file, and its error names the cause.
  if (!file.commit()) return file.errorString();
  if (!written) return writer.errorString();
  return std::nullopt;
}

std::optional<QString> write_bitmap(const Surface& surface, const QString& path) {
  return write_image(surface_image(surface), path, "bmp");
}

}  // namespace vantor
