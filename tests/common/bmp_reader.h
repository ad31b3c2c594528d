// An independent reader of Windows bitmap files, for checking the files that
// the program writes.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace vantor::test {

struct Bmp {
  std::uint32_t size_field = 0;
  int width = 0, height = 0;
  int bits = 0;
  std::int32_t x_ppm = 0, y_ppm = 0;
  std::vector<std::uint8_t> pixels;  // row-major from the top, 0x00 black, 0xFF white

  std::uint8_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// BITMAPFILEHEADER, BITMAPINFOHEADER (or a later header of that family), a
// palette of 1, 4 or 8 bits a pixel whose colours are pure black or white,
// uncompressed rows padded to 4 bytes, bottom-up unless the height is
// negative.
std::optional<Bmp> read_bmp(const QByteArray& bytes, QString* error);

// The whole file; empty when it cannot be read.
QByteArray file_bytes(const QString& path);

}  // namespace vantor::test
