// Raster files read back by an outside decoder: a TIFF of several Group 4
// strips, each coded apart, against the pixels handed over.
#include "export/raster_file.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace vantor {
namespace {

// Bands of 1, 3 and 900 rows, so that strips (of 1047 rows at this width)
// end inside bands and bands inside strips; mirrored and negative, read
// row by row by libtiff's decoder.
TEST(RasterFileTest, TiffStripsAcrossBandsReadBackByLibtiff) {
  constexpr int kW = 8003, kH = 2300;
  auto pixel = [](int i, int j) -> std::uint8_t { return ((i / 3) * 7 + (j / 2) * (j / 5)) % 11 < 5 ? 0xFF : 0x00; };
  const std::string path = testing::TempDir() + "strips.tif";
  auto created = RasterFile::create(path, {RasterFormat::Tiff, kW, kH, 4000, true, true});
  ASSERT_TRUE(std::holds_alternative<std::unique_ptr<RasterFile>>(created));
  RasterFile& file = *std::get<std::unique_ptr<RasterFile>>(created);
  std::vector<std::uint8_t> band;
  for (int top = 0, n = 0; top < kH; top += static_cast<int>(band.size() / kW), ++n) {
    band.resize(static_cast<std::size_t>(std::min(kH - top, n % 3 == 0 ? 1 : n % 3 == 1 ? 3 : 900)) * kW);
    for (std::size_t k = 0; k < band.size(); ++k) band[k] = pixel(static_cast<int>(k % kW), top + static_cast<int>(k / kW));
    ASSERT_EQ(file.write_band(band.data(), static_cast<int>(band.size() / kW)), std::nullopt);
  }
  ASSERT_EQ(file.commit(), std::nullopt);
  TIFF* t = TIFFOpen(path.c_str(), "r");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(TIFFNumberOfStrips(t), 3u);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(TIFFScanlineSize(t)));
  int rows = 0;
  long long right = 0;  // pixels as handed over, mirrored and exchanged
  for (; rows < kH && TIFFReadScanline(t, row.data(), static_cast<std::uint32_t>(rows), 0) == 1; ++rows)
    for (int i = 0; i < kW; ++i) right += ((row[i / 8] >> (7 - i % 8)) & 1) == (pixel(kW - 1 - i, rows) == 0x00);
  TIFFClose(t);
  std::remove(path.c_str());
  EXPECT_EQ(rows, kH);
  EXPECT_EQ(right, static_cast<long long>(kW) * kH);
}

}  // namespace
}  // namespace vantor
