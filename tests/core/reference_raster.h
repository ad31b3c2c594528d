// Two references for the pixel rules of surface.h, both evaluating the
// rules per pixel and sharing no code with the surface's rasteriser.
//   LogReference: the pixels a figure log leaves, found pixel by pixel as
//   "the last figure that covers the pixel decides", so that large logs on
//   large rasters can be checked row by row.
//   ReferenceRaster: a slow rasteriser, every call testing every pixel.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "surface/figures.h"
#include "surface/surface.h"

namespace vantor::test {

// A Line of surface.h as the rule states it, after the far clip: the pixel
// (ax, ay) and the steps of the major axis, n of them, with the minor
// offset k*m/n rounded to nearest, ties toward the first point.
struct RuleLine {
  bool drawn = false;  // false when the segment misses the far square
  long long ax = 0, ay = 0, n = 0, m = 0, s_major = 1, s_minor = 1;
  bool x_major = true;

  static RuleLine between(double x1, double y1, double x2, double y2);
  bool covers(long long i, long long j) const;
};

// The final pixels of a figure log (surface/figures.h) on its canvas.  A
// pixel takes the colour of the last figure in the log that covers it, and
// within that figure the colour of its last part that covers it (fill, with
// the pixels that close it to the radii, then outline, then the radius at
// a1, then the one at a2); a pixel that no figure after the last cls covers
// is white.  Coverage is the rule of
// surface.h evaluated for that pixel.  Each figure is tested only on a
// superset of its pixels in the row: its rows and its columns from its
// geometry, widened by two pixels.
class LogReference {
 public:
  explicit LogReference(const std::vector<Figure>& log);

  // Canvas row j, columns i0 .. i0 + out.size() - 1, as colour bytes.
  void row(std::int64_t j, std::int64_t i0, std::vector<std::uint8_t>& out) const;
  // The colour the log's last figure gives pixel (i, j), or -1 when it
  // does not cover it.
  int last_colour(long long i, long long j) const { return figures_.empty() ? -1 : colour_at(figures_.back(), i, j); }

 private:
  struct Prepared {
    FigureKind kind;
    double X, Y, Rp;  // centre or point, radius, canvas pixels
    double s = 0, e = 0;  // Arc: start and end on the arc
    bool filled = false;
    std::uint8_t colour = 0, fill = 0;
    RuleLine line[2] = {};  // Line: line[0]; Arc: the radii at a1 and a2
  };

  // Columns [lo, hi] of row j that may hold pixels of the line.
  static bool line_columns(const RuleLine& g, long long j, long long& lo, long long& hi);
  // The colour the figure gives pixel (i, j), or -1 when it does not cover
  // it.
  static int colour_at(const Prepared& f, long long i, long long j);

  std::vector<Prepared> figures_;
};

// A slow rasteriser that applies the rules literally: each call tests every
// pixel of the raster with the log reference's rule for its one figure.
class ReferenceRaster {
 public:
  // A white raster; u is pixels per unit.
  ReferenceRaster(int width, int height, double pixels_per_unit)
      : width_(width), height_(height), u_(pixels_per_unit), pixels_(std::size_t(width) * height, 0xFF) {}

  void set_fill(FillStyle style, Colour colour) { fill_style_ = style, fill_colour_ = colour; }
  // Each refuses what the surface refuses: a coordinate not finite in
  // pixels, an angle beyond a full turn and its slack.
  void cls() { draw({.kind = FigureKind::Cls, .part = {}}, {}); }
  bool circle(float x, float y, float r, Colour c) {
    return draw({.kind = FigureKind::Circle, .x1 = x, .y1 = y, .r = r, .colour = c, .part = {}}, {x, y, r});
  }
  bool circle(float x, float y, float r, Colour c, float a1, float a2);
  bool line(float x1, float y1, float x2, float y2, Colour c) {
    return draw({.kind = FigureKind::Line, .x1 = x1, .y1 = y1, .x2 = x2, .y2 = y2, .colour = c, .part = {}}, {x1, y1, x2, y2});
  }
  void pset(float x, float y, Colour c) { draw({.kind = FigureKind::PSet, .x1 = x, .y1 = y, .colour = c, .part = {}}, {}); }

  const std::vector<std::uint8_t>& pixels() const { return pixels_; }
  Colour pixel(int i, int j) const { return static_cast<Colour>(pixels_[static_cast<std::size_t>(j) * width_ + i]); }

 private:
  bool draw(Figure f, std::initializer_list<float> coordinates);

  int width_, height_;
  double u_;
  std::vector<std::uint8_t> pixels_;
  FillStyle fill_style_ = FillStyle::Transparent;
  Colour fill_colour_ = Colour::Black;
};

}  // namespace vantor::test
