// Shared pieces of the export tests: requests for a few designs, Vantor's
// own raster of a request, running an outside program, reading its raster
// back and comparing the two away from edges.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "export/artwork.h"
#include "render/render_args.h"

namespace vantor::test {

// A request as vantor-render would make it from these words (kind first,
// then NAME=TEXT, BUTTON and options; "-o" and a file name are added when
// missing, a .bmp one, so that the arguments parse).  Fails the test on a
// usage error.
RenderRequest request(const std::vector<std::string>& words);

// A grey raster, one byte a pixel, 0 black, 255 white.
struct Grey {
  int width = 0, height = 0;
  std::vector<std::uint8_t> pixels;
  std::uint8_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// Vantor's pixels of the request's region at its density, as vantor-render
// writes them.
Grey vantor_raster(const RenderRequest& request);

// Reads a PNG, PGM or PPM file into grey; nullopt when it cannot be read.
std::optional<Grey> read_grey(const std::string& path);

// Runs the program with the arguments; its exit status, -1 when it could
// not be started or was killed.  Standard output and error go to `output`.
int run_program(const std::string& program, const std::vector<std::string>& args, std::string* output = nullptr);

// Writes bytes to a file; false when it cannot.
bool write_bytes(const std::string& path, const std::string& bytes);

// A fresh directory under the system's temporary folder, removed with the
// object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string path(const std::string& name) const { return dir_ + "/" + name; }

 private:
  std::string dir_;
};

// Compares two rasters of one size at the pixels whose whole neighbourhood
// of `margin` pixels in every direction has one colour in `ours`; a pixel of
// `theirs` counts as black below 128.  Returns the number of such pixels
// that differ and, through `checked`, how many were compared.  Rasters of
// different sizes differ everywhere (returns -1).
long differing_inner_pixels(const Grey& ours, const Grey& theirs, int margin, long* checked = nullptr);

}  // namespace vantor::test
