#include "bmp_reader.h"

#include <QFile>

namespace vantor::test {

namespace {

std::uint32_t u32(const QByteArray& b, qsizetype at) {
  return static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8 |
         static_cast<std::uint8_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 3])) << 24;
}
std::uint16_t u16(const QByteArray& b, qsizetype at) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8);
}

}  // namespace

std::optional<Bmp> read_bmp(const QByteArray& b, QString* error) {
  auto fail = [error](const char* why) {
    *error = QString::fromUtf8(why);
    return std::nullopt;
  };
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return fail("no BMP file header");
  Bmp bmp;
  bmp.size_field = u32(b, 2);
  const std::uint32_t offset = u32(b, 10);
  const std::uint32_t header = u32(b, 14);
  if (header < 40) return fail("info header shorter than BITMAPINFOHEADER");
  bmp.width = static_cast<std::int32_t>(u32(b, 18));
  const std::int32_t raw_height = static_cast<std::int32_t>(u32(b, 22));
  if (u16(b, 26) != 1) return fail("planes is not 1");
  bmp.bits = u16(b, 28);
  if (u32(b, 30) != 0) return fail("compressed");
  bmp.x_ppm = static_cast<std::int32_t>(u32(b, 38));
  bmp.y_ppm = static_cast<std::int32_t>(u32(b, 42));
  const std::uint32_t used = u32(b, 46);
  const bool bottom_up = raw_height > 0;
  bmp.height = bottom_up ? raw_height : -raw_height;
  if (bmp.width <= 0 || bmp.height <= 0) return fail("empty image");

  if (bmp.bits != 1 && bmp.bits != 4 && bmp.bits != 8) return fail("not a palette image");
  std::vector<std::uint8_t> palette;
  const std::uint32_t entries = used ? used : (1u << bmp.bits);
  const qsizetype at = 14 + header;
  if (at + 4 * static_cast<qsizetype>(entries) > b.size()) return fail("palette cut off");
  for (std::uint32_t i = 0; i < entries; ++i) {
    const auto blue = static_cast<std::uint8_t>(b[at + 4 * i]), green = static_cast<std::uint8_t>(b[at + 4 * i + 1]),
               red = static_cast<std::uint8_t>(b[at + 4 * i + 2]);
    if (blue != green || green != red || (red != 0 && red != 255)) return fail("palette colour not black or white");
    palette.push_back(red);
  }

  const qsizetype stride = ((static_cast<qsizetype>(bmp.width) * bmp.bits + 31) / 32) * 4;
  if (offset + stride * bmp.height > b.size()) return fail("pixel rows cut off");
  bmp.pixels.resize(static_cast<std::size_t>(bmp.width) * bmp.height);
  for (int y = 0; y < bmp.height; ++y) {
    const qsizetype row = offset + stride * (bottom_up ? bmp.height - 1 - y : y);
    for (int x = 0; x < bmp.width; ++x) {
      const qsizetype bit = static_cast<qsizetype>(x) * bmp.bits;
      const auto byte = static_cast<std::uint8_t>(b[row + bit / 8]);
      const unsigned index = (byte >> (8 - bmp.bits - bit % 8)) & ((1u << bmp.bits) - 1);
      if (index >= palette.size()) return fail("colour index beyond the palette");
      bmp.pixels[static_cast<std::size_t>(y) * bmp.width + x] = palette[index];
    }
  }
  return bmp;
}

QByteArray file_bytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace vantor::test
