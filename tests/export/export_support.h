// Shared pieces of the export tests: requests for a few designs, Vantor's
// own raster of a request, hand-drawn figure sets, and the vector files
// rendered back by outside programs and compared with Vantor's raster.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "export/artwork.h"
#include "render/render_args.h"
#include "surface/surface.h"

namespace vantor::test {

// A request as vantor-render would make it from these words ("-o
// unused.bmp" is added when no -o is given).  Fails the test on a usage
// error.
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

// Writes `input` to a fresh temporary file, runs the program with the
// file's path in place of every "@IN" and a path beside it for "@OUT", and
// gives the exit status (-1 when it could not be run) with standard output
// and error in `output` and the bytes left at "@OUT" in `result`.
int run_on(const std::string& input, const std::string& program, std::vector<std::string> args, std::string* output,
           std::string* result = nullptr);

// Expects `theirs` (black below 128) to match `ours` at every pixel whose
// neighbourhood of 2 pixels in every direction has one colour in `ours`, and
// more than `min_checked` such pixels.  Rasters of different sizes fail.
void expect_same_inner_pixels(const Grey& ours, const Grey& theirs, long min_checked);

// The designs that every writer's file is read back for: incremental and
// absolute, normal and inverse, inch and mm, crop and whole.
struct Design {
  const char* name;
  std::vector<std::string> words;
  int slot_outlines;  // slots of all tracks
};
const std::vector<Design>& designs();
inline void PrintTo(const Design& d, std::ostream* os) { *os << d.name; }

// Hand-drawn figures that the designs draw only in some places, or never,
// on a 2 x 2 in canvas at 120 dpi (240 x 240 pixels) in the set's unit; the
// file covers kFigureRegion of it.
struct FigureSet {
  const char* name;
  Unit unit;
  void (*draw)(Surface&);
  // Only outlines, fills and radii along pixel rows or columns, so that a
  // pixel is set exactly when its centre lies in the file's area; at most
  // grey_share of the pixels that differ from their left neighbour have
  // their centre within a tenth of a pixel of an edge.
  bool centres_exact = false;
  double grey_share = 0;
};
inline constexpr PixelRect kFigureRegion{12, 18, 216, 210};
const std::vector<FigureSet>& figure_sets();
inline void PrintTo(const FigureSet& f, std::ostream* os) { *os << f.name; }

// A set's figure log as Artwork and the surface's pixels of the region.
struct Drawn {
  Artwork art;
  Grey pixels;
};
Drawn draw(const FigureSet& set);

enum class Format { Svg, Pdf, Gerber };
const char* format_name(Format f);
std::string file_of(Format f, const Artwork& art);

// The file rendered by its outside program (rsvg-convert, pdftoppm, gerbv)
// at `scale` times the artwork's density: the region's pixels, with
// `margin` more on every side (Gerber only).  A page one pixel larger or
// smaller (the rounding of its size in points) is cropped or padded with
// white.  Fails the test and gives nullopt when the program fails.
std::optional<Grey> render_back(Format f, const Artwork& art, int scale = 1, int margin = 0);

}  // namespace vantor::test
