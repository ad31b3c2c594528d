// Raster files read back by an outside decoder: a TIFF of several Group 4
// strips, each coded apart, against the pixels handed over.
#include "export/raster_file.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstdio>
#include <string>
#include <vector>

namespace vantor {
namespace {

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
