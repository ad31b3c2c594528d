// 1-bit raster files written as they are drawn: BMP, PNG and TIFF with CCITT
// Group 4 compression, row by row, in memory that does not grow with the
// picture (a TIFF's strips of about 1 MiB are coded each on its own, the
// strips that a band completes on threads of their own).  The file appears
// complete or not at all: it is written to a temporary file beside it that
// replaces it on commit, and removed on any failure, so an existing file is
// untouched.
//
// Rows are handed over as bands of one-byte pixels (0x80 or more white), top
// row first within a band, and packed here, 8 pixels a byte.  BMP stores its
// rows from the bottom up: its bands must be handed over from the bottom
// band up (rows_bottom_up).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace vantor {

enum class RasterFormat { Bmp, Png, Tiff };

struct RasterFileSpec {
  RasterFormat format = RasterFormat::Bmp;
  int width = 0, height = 0;  // pixels, both > 0
  double dpi = 96;            // written to the file's resolution fields
  // Film: the picture mirrored left to right (emulsion side down), black and
  // white exchanged.
  bool mirror = false, negative = false;
};

// Whether the rows go from the bottom of the picture up.
bool rows_bottom_up(RasterFormat format);

// Why the format cannot hold a picture of this size (a BMP of 4 GiB or
// more), or nullopt.
std::optional<std::string> raster_size_refusal(const RasterFileSpec& spec);

// The bytes of one packed row.
inline std::size_t packed_row_bytes(int width) { return (static_cast<std::size_t>(width) + 7) / 8; }

// Packs a row of one-byte pixels (0x80 or more is white) into out,
// packed_row_bytes(width) bytes; `mirror` takes the pixels from right to
// left, `negative` exchanges black and white.
void pack_row(const std::uint8_t* pixels, int width, bool mirror, bool negative, std::uint8_t* out);

class RasterFile {
 public:
  // Creates the temporary file and writes the header; the reason of a
  // failure (the folder missing or not writable, a size the format cannot
  // hold).
  static std::variant<std::unique_ptr<RasterFile>, std::string> create(const std::string& path,
                                                                       const RasterFileSpec& spec);
  // Removes the temporary file unless committed.
  ~RasterFile();
  RasterFile(const RasterFile&) = delete;
  RasterFile& operator=(const RasterFile&) = delete;

  // The next band of `rows` rows of `width` one-byte pixels each, its top
  // row first.  The reason of a failure (a full disk); after one, nothing
  // more is written and commit fails, as after a band of more rows than
  // are left.
  std::optional<std::string> write_band(const std::uint8_t* pixels, int rows);
  // write_band in two steps, so that bands are packed on several threads
  // while one writes: pack_band gives a band's rows as the file stores them
  // (packed and padded, mirrored, exchanged, in the file's order of rows) and reads
  // nothing else of the file; write_packed writes the next band so packed.
  void pack_band(const std::uint8_t* pixels, int rows, std::vector<std::uint8_t>& packed) const;
  std::optional<std::string> write_packed(const std::uint8_t* packed, int rows);
  const RasterFileSpec& spec() const;
  // Completes the file once every row is written and puts it in place.
  std::optional<std::string> commit();

  struct Impl;

 private:
  explicit RasterFile(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace vantor
