// Raster files read back by an outside decoder: a TIFF of several Group 4
// strips, each coded apart, against the pixels handed over; and rows packed
// a bit a pixel, against the rule pixel by pixel.
#include "export/raster_file.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace vantor {
namespace {

// Every width up to a few of the wide steps and their rests, plain,
// mirrored and negative: bit 7 - x % 8 of byte x / 8 is pixel x (from the
// right when mirrored), white 1 unless negative, and the bits past the width
// are clear.
TEST(RasterFileTest, RowsPackedAsTheRuleSays) {
  std::mt19937 rng(77);
  for (int width = 1; width <= 200; ++width) {
    std::vector<std::uint8_t> pixels(width);
    for (std::uint8_t& p : pixels) p = rng() % 2 ? 0xFF : 0x00;
    for (const bool mirror : {false, true})
      for (const bool negative : {false, true}) {
        std::vector<std::uint8_t> out((width + 7) / 8 + 1, 0xA5);
        pack_row(pixels.data(), width, mirror, negative, out.data());
        for (int x = 0; x < 8 * ((width + 7) / 8); ++x) {
          const bool white = x < width && pixels[mirror ? width - 1 - x : x] == 0xFF;
          const bool bit = out[x / 8] >> (7 - x % 8) & 1;
          ASSERT_EQ(bit, x < width && white != negative) << width << " wide, pixel " << x << (mirror ? ", mirrored" : "")
                                                         << (negative ? ", negative" : "");
        }
        ASSERT_EQ(out.back(), 0xA5) << width << " wide: a byte past the row written";
      }
  }
}

// A band of one row, then one of the rest: strips (of 1047 rows at this
// width) end inside the band, and the three are coded at once.
TEST(RasterFileTest, TiffStripsReadBackByLibtiff) {
  constexpr int kW = 8003, kH = 2300;
  std::vector<std::uint8_t> pixels(std::size_t{kW} * kH);
  for (std::size_t k = 0; k < pixels.size(); ++k)
    pixels[k] = ((k % kW / 3) * 7 + (k / kW / 2) * (k / kW / 5)) % 11 < 5 ? 0xFF : 0;
  const std::string path = testing::TempDir() + "strips.tif";
  auto created = RasterFile::create(path, {RasterFormat::Tiff, kW, kH, 4000, false, false});
  RasterFile& file = *std::get<std::unique_ptr<RasterFile>>(created);
  ASSERT_EQ(file.write_band(pixels.data(), 1), std::nullopt);
  ASSERT_EQ(file.write_band(pixels.data() + kW, kH - 1), std::nullopt);
  ASSERT_EQ(file.commit(), std::nullopt);
  {  // a band past the last row fails the file
    auto longer = RasterFile::create(path + ".bmp", {RasterFormat::Bmp, kW, 2, 4000, false, false});
    RasterFile& bmp = *std::get<std::unique_ptr<RasterFile>>(longer);
    EXPECT_NE(bmp.write_band(pixels.data(), 3), std::nullopt);
    EXPECT_NE(bmp.commit(), std::nullopt);
  }
  TIFF* t = TIFFOpen(path.c_str(), "r");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(TIFFNumberOfStrips(t), 3u);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(TIFFScanlineSize(t)));
  long long right = 0;  // pixels read as handed over, in rows that decode
  for (int j = 0; j < kH && TIFFReadScanline(t, row.data(), static_cast<std::uint32_t>(j), 0) == 1; ++j)
    for (int i = 0; i < kW; ++i) right += ((row[i / 8] >> (7 - i % 8)) & 1) == (pixels[std::size_t{kW} * j + i] >> 7);
  TIFFClose(t);
  std::remove(path.c_str());
  EXPECT_EQ(right, static_cast<long long>(kW) * kH);
}

}  // namespace
}  // namespace vantor
