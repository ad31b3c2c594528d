// Span rasterisation of the surface's figures.  Every figure is given in
// pixel coordinates (double, x right, y down) and emitted as horizontal
// spans into a SpanSink, which clips to the raster.  The pixel sets are the
// ones stated in surface.h; the functions below only find them quickly.
//
// Work per figure is bounded by the raster's size, never by the figure's:
// rows are restricted to the raster (and to the figure's bounding box), and
// each span end is found from an analytic guess by a galloping search with
// the exact per-pixel predicate, so a bad guess costs O(log width).
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>

namespace vantor::raster {

inline constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Line end points with a pixel coordinate beyond this magnitude are first
// moved along the segment into the square [-kFarLimit, kFarLimit]^2, so that
// all integer line arithmetic fits in 64 bits.
inline constexpr double kFarLimit = 268435456.0;  // 2^28

// Angle of the vector (dx, dy_up) (dy_up positive upward on screen), in
// [0, 2pi], counter-clockwise from +x.  (0, 0) has angle 0.  A negative
// atan2 result is lifted by 2pi; a tiny negative one can round to exactly
// 2pi, which is why the range is closed.
inline double pixel_angle(double dx, double dy_up) {
  const double t = std::atan2(dy_up, dx);
  return t < 0.0 ? t + kTwoPi : t;
}

// Clips the segment (x0, y0)-(x1, y1) to the square [-kFarLimit,
// kFarLimit]^2 in double: an end point outside is moved along the segment
// to the square's edge, computed from the end inside (or, with both ends
// outside, from the segment's point nearest the origin when that is inside).
// An end point already inside is left bit-for-bit unchanged.  Returns false
// when the segment misses the square.  All inputs must be finite.  With
// both ends far outside, double rounding of the input can shift the result
// by ulps of the input's magnitude.
bool clip_to_far_square(double& x0, double& y0, double& x1, double& y1);

// Receives spans and single pixels; clips them to the raster and paints
// them with `value`.  Ends are inclusive; any int64 range is accepted.
struct SpanSink {
  std::uint8_t* pixels;
  int width;
  int height;
  std::uint8_t value;

  void span(std::int64_t j, std::int64_t i0, std::int64_t i1) const;
  void plot(std::int64_t i, std::int64_t j) const;
};

// A circle in pixel coordinates: centre (cx, cy), radius r > 0.  All three
// must be finite.
struct PixelCircle {
  double cx;
  double cy;
  double r;
};

// The arc from start to end, both in [0, 2pi]; start > end runs through 0.
// start == 0 with end == 2pi is the full turn.
struct ArcRange {
  double start;
  double end;
};

void fill_disc(const SpanSink& sink, const PixelCircle& c);
void draw_ring(const SpanSink& sink, const PixelCircle& c);
void fill_sector(const SpanSink& sink, const PixelCircle& c, ArcRange arc);
void draw_arc(const SpanSink& sink, const PixelCircle& c, ArcRange arc);

// The line between the pixels containing (x0, y0) and (x1, y1), pixel
// coordinates, finite; see Line in surface.h.
void draw_line(const SpanSink& sink, double x0, double y0, double x1, double y1);

}  // namespace vantor::raster
