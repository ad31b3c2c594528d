#include "bmp_reader.h"

#include <QFile>
#include <cstdlib>

namespace vantor::test {

std::optional<Bmp> read_bmp(const QByteArray& b, QString* error) {
  const auto byte = [&b](qsizetype at) -> std::uint32_t { return static_cast<std::uint8_t>(b[at]); };
  const auto u16 = [&](qsizetype at) { return byte(at) | byte(at + 1) << 8; };
  const auto u32 = [&](qsizetype at) { return u16(at) | u16(at + 2) << 16; };
  const auto fail = [error](const char* why) {
    *error = QString::fromUtf8(why);
    return std::nullopt;
  };
  if (b.size() < 54 || !b.startsWith("BM")) return fail("no BMP file header");
  if (u32(14) < 40) return fail("info header shorter than BITMAPINFOHEADER");
  if (u16(26) != 1 || u32(30) != 0) return fail("planes not 1, or compressed");
  Bmp bmp;
  bmp.size_field = u32(2);
  bmp.width = static_cast<std::int32_t>(u32(18));
  const auto raw_height = static_cast<std::int32_t>(u32(22));
  bmp.height = std::abs(raw_height);
  bmp.bits = static_cast<int>(u16(28));
  bmp.x_ppm = static_cast<std::int32_t>(u32(38));
  bmp.y_ppm = static_cast<std::int32_t>(u32(42));
  if (bmp.width <= 0 || bmp.height <= 0) return fail("empty image");
  if (bmp.bits != 1 && bmp.bits != 4 && bmp.bits != 8) return fail("not a palette image");

  const std::uint32_t entries = u32(46) ? u32(46) : 1u << bmp.bits;
  const qsizetype palette = 14 + u32(14);
  if (palette + 4 * qsizetype(entries) > b.size()) return fail("palette cut off");
  for (std::uint32_t i = 0; i < entries; ++i) {
    const std::uint32_t blue = byte(palette + 4 * i), green = byte(palette + 4 * i + 1), red = byte(palette + 4 * i + 2);
    if (blue != green || green != red || (red != 0 && red != 255)) return fail("palette colour not black or white");
  }
  const qsizetype offset = u32(10), stride = (qsizetype(bmp.width) * bmp.bits + 31) / 32 * 4;
  if (offset + stride * bmp.height > b.size()) return fail("pixel rows cut off");
  for (int y = 0; y < bmp.height; ++y) {
    const qsizetype row = offset + stride * (raw_height > 0 ? bmp.height - 1 - y : y);
    for (int x = 0; x < bmp.width; ++x) {
      const qsizetype bit = qsizetype(x) * bmp.bits;
      const std::uint32_t index = (byte(row + bit / 8) >> (8 - bmp.bits - bit % 8)) & ((1u << bmp.bits) - 1);
      if (index >= entries) return fail("colour index beyond the palette");
      bmp.pixels.push_back(static_cast<std::uint8_t>(byte(palette + 4 * index + 2)));
    }
  }
  return bmp;
}

QByteArray file_bytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace vantor::test
