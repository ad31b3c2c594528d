// The Group 4 coder against libtiff's own coding of the same rows: a strip
// written by TIFFWriteEncodedStrip into a TIFF in memory, whose strip bytes
// must be the coder's byte for byte.
#include "export/g4_coder.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "export/raster_file.h"

namespace vantor {
namespace {

// libtiff's strip bytes for the rows, with the tags the file writer sets,
// through a file; empty when libtiff fails.
std::vector<std::uint8_t> libtiff_strip(std::vector<std::uint8_t> rows, int count, int width) {
  const std::string path = testing::TempDir() + "g4_oracle.tif";
  TIFF* t = TIFFOpen(path.c_str(), "w");
  bool ok = t && TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(width)) &&
            TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(count)) &&
            TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1) && TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1) &&
            TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4) &&
            TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK) &&
            TIFFSetField(t, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB) &&
            TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
            TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(count)) &&
            TIFFWriteEncodedStrip(t, 0, rows.data(), static_cast<tmsize_t>(rows.size())) >= 0;
  if (t) TIFFClose(t);
  std::vector<std::uint8_t> coded;
  if (ok && (t = TIFFOpen(path.c_str(), "r"))) {
    coded.resize(static_cast<std::size_t>(TIFFRawStripSize(t, 0)));
    if (TIFFReadRawStrip(t, 0, coded.data(), static_cast<tmsize_t>(coded.size())) < 0) coded.clear();
    TIFFClose(t);
  }
  std::remove(path.c_str());
  return coded;
}

// A hash of (i, j, salt) in [0, 1).
double unit(int i, int j, int salt) {
  std::uint64_t x = (std::uint64_t(i) << 40 ^ std::uint64_t(j) << 16 ^ salt) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return static_cast<double>((x ^ (x >> 31)) >> 11) * 0x1p-53;
}

// Runs of these lengths, the first white, over and over: with an odd count
// of lengths, each comes in both colours in two periods.
std::vector<bool> runs(const std::vector<int>& lengths) {
  std::vector<bool> row;
  for (std::size_t k = 0; k < lengths.size(); ++k) row.insert(row.end(), lengths[k], k % 2 == 1);
  return row;
}
std::vector<int> ladder() {  // every terminating and makeup length in both colours
  std::vector<int> l;
  for (int k = 1; k <= 141; ++k) l.push_back(k);
  for (int k = 1; k <= 42; ++k) l.push_back(64 * k + k * 13 % 64);
  for (int k : {1, 2, 27, 28, 40, 41}) l.push_back(64 * k), l.push_back(64 * k + 63);
  return l;  // 195 lengths
}
std::vector<int> long_runs() {
  return {2560, 2561, 2623, 2624, 2625, 1791, 1792, 1793, 5184, 5247, 7000, 1, 2559, 2688, 3, 8000, 9};
}

struct Picture {
  const char* name;
  int width, rows;
  std::function<bool(int i, int j)> black;  // pixel i of row j
};

TEST(G4CoderTest, StripBytesAreLibtiffs) {
  const auto noise = [](double p, int salt) { return [=](int i, int j) { return unit(i, j, salt) < p; }; };
  // Edges that move by -4 to 4 pixels from row to row: every vertical mode.
  const auto jitter = [](int i, int j) {
    int k = i / 23, shift = static_cast<int>(unit(k, j, 9) * 9) - 4;
    return ((i + shift) / 23 + j / 40) % 2 == 1;
  };
  const auto ring = [](int i, int j) {
    const double r = std::hypot(i - 349.5, j - 349.5);
    return r >= 200 && r <= 330;
  };
  const std::vector<bool> ladder_row = runs(ladder()), long_row = runs(long_runs());
  const int ladder_width = static_cast<int>(2 * ladder_row.size()), long_width = static_cast<int>(2 * long_row.size());
  const auto period = [](const std::vector<bool>& row, int i) { return row[i % row.size()]; };
  const Picture pictures[] = {
      {"noise half", 1000, 40, noise(0.5, 1)},
      {"noise sparse", 1500, 60, noise(0.03, 2)},
      {"noise dense", 1500, 60, noise(0.97, 3)},
      {"width 1", 1, 300, noise(0.5, 5)},
      {"width 7", 7, 200, noise(0.4, 6)},
      {"width 8", 8, 200, noise(0.5, 7)},
      {"width 9", 9, 200, noise(0.6, 8)},
      {"width 63", 63, 100, noise(0.2, 9)},
      {"width 64", 64, 100, noise(0.5, 10)},
      {"width 65", 65, 100, noise(0.8, 11)},
      {"width 40000", 40000, 30, noise(0.001, 12)},
      {"width 40000 one black row", 40000, 1, [](int, int) { return true; }},
      {"all white", 3000, 50, [](int, int) { return false; }},
      {"all black", 3001, 50, [](int, int) { return true; }},
      {"alternating pixels", 1001, 20, [](int i, int j) { return (i + j) % 2 == 0; }},
      {"alternating rows", 777, 21, [](int, int j) { return j % 2 == 1; }},
      {"ladder of runs", ladder_width, 3, [&](int i, int j) { return period(ladder_row, i + j % 2); }},
      {"long runs", long_width, 2, [&](int i, int) { return period(long_row, i); }},
      {"long runs back", long_width, 3, [&](int i, int j) { return period(long_row, long_width - i + 7 * j); }},
      {"moving edges", 2000, 120, jitter},
      {"ring of a disc", 700, 700, ring},
      {"ring of a disc one row", 700, 1, [ring](int i, int) { return ring(i, 300); }},
  };
  for (const Picture& p : pictures) {
    SCOPED_TRACE(p.name);
    const std::size_t bytes = packed_row_bytes(p.width);
    std::vector<std::uint8_t> rows(bytes * p.rows);
    for (int j = 0; j < p.rows; ++j) {
      for (int i = 0; i < p.width; ++i)
        if (p.black(i, j)) rows[bytes * j + i / 8] |= static_cast<std::uint8_t>(0x80 >> (i % 8));
      if (p.width % 8)  // random bits past the width, to be ignored
        rows[bytes * j + bytes - 1] |= static_cast<std::uint8_t>(unit(0, j, 99) * 256) & (0xFF >> (p.width % 8));
    }
    const std::vector<std::uint8_t> expected = libtiff_strip(rows, p.rows, p.width);
    ASSERT_FALSE(expected.empty());
    const std::vector<std::uint8_t> coded = code_g4_strip(rows.data(), p.rows, p.width);
    const auto wrong = std::mismatch(coded.begin(), coded.end(), expected.begin(), expected.end());
    EXPECT_TRUE(coded == expected) << "from byte " << wrong.first - coded.begin() << " of " << expected.size();
  }
}

}  // namespace
}  // namespace vantor
