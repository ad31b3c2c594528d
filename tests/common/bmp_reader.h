// An independent reader of Windows bitmap files, for checking the bitmaps
// that the program writes against its drawings.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "surface/surface.h"

namespace vantor::test {

// Why the file is not a bitmap that shows exactly the surface; empty when it
// is one.  The file must hold BITMAPFILEHEADER, BITMAPINFOHEADER (or a
// later header of that family), a palette of 1 bit a pixel whose colours
// are pure black or white, and uncompressed rows padded to 4 bytes,
// bottom-up unless the height is negative.
inline QString differs_from(const QByteArray& b, const Surface& surface) {
  const auto byte = [&b](qsizetype at) -> std::uint32_t { return static_cast<std::uint8_t>(b[at]); };
  const auto u16 = [&](qsizetype at) { return byte(at) | byte(at + 1) << 8; };
  const auto u32 = [&](qsizetype at) { return u16(at) | u16(at + 2) << 16; };
  if (b.size() < 54 || !b.startsWith("BM")) return QStringLiteral("no BMP file header");
  if (u32(14) < 40) return QStringLiteral("info header shorter than BITMAPINFOHEADER");
  if (u16(26) != 1 || u32(30) != 0) return QStringLiteral("planes not 1, or compressed");
  const int width = static_cast<std::int32_t>(u32(18)), raw_height = static_cast<std::int32_t>(u32(22));
  const int height = std::abs(raw_height);
  if (u16(28) != 1 || width != surface.width() || height != surface.height())
    return QStringLiteral("%1 x %2 pixels of %3 bits, not the surface's of 1 bit").arg(width).arg(height).arg(u16(28));

  const std::uint32_t entries = u32(46) ? u32(46) : 2;
  const qsizetype palette = 14 + u32(14);
  if (palette + 4 * qsizetype(entries) > b.size()) return QStringLiteral("palette cut off");
  for (std::uint32_t i = 0; i < entries; ++i) {
    const std::uint32_t blue = byte(palette + 4 * i), green = byte(palette + 4 * i + 1), red = byte(palette + 4 * i + 2);
    if (blue != green || green != red || (red != 0 && red != 255)) return QStringLiteral("palette colour not black or white");
  }
  const qsizetype offset = u32(10), stride = (qsizetype(width) + 31) / 32 * 4;
  if (offset + stride * height > b.size()) return QStringLiteral("pixel rows cut off");
  for (int y = 0; y < height; ++y) {
    const qsizetype row = offset + stride * (raw_height > 0 ? height - 1 - y : y);
    for (int x = 0; x < width; ++x) {
      const std::uint32_t index = (byte(row + x / 8) >> (7 - x % 8)) & 1;
      if (index >= entries) return QStringLiteral("colour index beyond the palette");
      if (byte(palette + 4 * index + 2) != std::uint8_t(surface.pixel(x, y)))
        return QStringLiteral("pixel (%1, %2) differs").arg(x).arg(y);
    }
  }
  return {};
}

}  // namespace vantor::test
