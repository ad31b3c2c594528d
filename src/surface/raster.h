// Span rasterisation of the surface's figures.  Every figure is given in
// canvas pixel coordinates (double, x right, y down) and emitted as
// horizontal spans of canvas pixels into a SpanSink, which holds a window of
// the canvas and clips to it.  The pixel sets are the ones stated in
// surface.h, evaluated with canvas indices, so a window receives exactly the
// canvas's pixels; the functions below only find them quickly.
//
// Work per figure is bounded by the window's size, never by the figure's:
// rows are restricted to the window (and to the figure's bounding box), and
// each span end is found from an analytic guess by a galloping search with
// the exact per-pixel predicate, so a bad guess costs O(log width).
//
// Holes.  The disc, ring, sector and arc functions take hole2, the square
// of a radius in pixels (kNoHole for none): the pixels of the figure with
// dx*dx + dy*dy <= hole2, dx and dy taken from the figure's own centre as in
// the Disc rule, are left unchanged.  A caller that paints that whole disc
// in one colour afterwards gets the same pixels as without the hole, and
// the work inside it is not done.
#pragma once

#include <cassert>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <span>
#include <vector>

namespace vantor::raster {

using Index = std::int64_t;

inline constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Line end points with a pixel coordinate beyond this magnitude are first
// moved along the segment into the square [-kFarLimit, kFarLimit]^2, so that
// all integer line arithmetic fits in 64 bits.
inline constexpr double kFarLimit = 268435456.0;  // 2^28

// No pixel has a negative squared distance.
inline constexpr double kNoHole = -1.0;

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

// A raster of width x height bytes holding the canvas pixels [left, left +
// width) x [top, top + height).  Spans and pixels are given in canvas
// indices, ends inclusive, any int64 range; what lies outside the window is
// dropped.  Painting writes `value`.
struct SpanSink {
  std::uint8_t* pixels;
  int width;
  int height;
  Index left;
  Index top;
  std::uint8_t value;

  Index first_column() const { return left; }
  Index last_column() const { return left + width - 1; }
  Index first_row() const { return top; }
  Index last_row() const { return top + height - 1; }
  bool empty() const { return width <= 0 || height <= 0; }

  void span(Index j, Index i0, Index i1) const {
    if (j < top || j > last_row()) return;
    i0 = i0 > left ? i0 : left;
    i1 = i1 < last_column() ? i1 : last_column();
    if (i0 > i1) return;
    std::uint8_t* p = pixels + (j - top) * width + (i0 - left);
    const Index n = i1 - i0 + 1;
    if (n > 16) {
      fill(p, n);
      return;
    }
    for (Index k = 0; k < n; ++k) p[k] = value;  // a thin sector's: cheaper than a call
  }
  void plot(Index i, Index j) const {
    if (i >= left && i <= last_column() && j >= top && j <= last_row()) put(i, j);
  }
  // A pixel known to lie in the window.
  void put(Index i, Index j) const {
    assert(i >= left && i <= last_column() && j >= top && j <= last_row());
    pixels[(j - top) * width + (i - left)] = value;
  }

 private:
  void fill(std::uint8_t* p, Index n) const;
};

// A circle in canvas pixel coordinates: centre (cx, cy), radius r > 0.
// All three must be finite.
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

// floor(v) for |v| < 2^62, without a library call.
inline Index floor_pixel(double v) {
  const Index t = static_cast<Index>(v);
  return static_cast<double>(t) > v ? t - 1 : t;
}

// One end of an arc piece: an angle, its cosine and sine to within 1e-15
// (not necessarily std::cos and std::sin), cos/sin for the crossing with a
// row and 1 + |cot| + cot^2, which bounds how far a change of the angle moves
// that crossing.
struct Ray {
  double angle;
  double cos;
  double sin;
  double cot;
  double spread;
};

struct ArcPiece {
  Ray start;
  Ray end;
};

// An arc prepared for drawing: one or two pieces with start <= end (an arc
// through 0 is split there) and the range of sin over it, computed once for
// the fill and the arc line of one figure.
struct Arc {
  explicit Arc(ArcRange range);

  ArcRange range;
  ArcPiece piece[2];
  int pieces;
  double sin_lo;
  double sin_hi;
};

// Disc and Ring of surface.h.
void fill_disc(const SpanSink& sink, const PixelCircle& c, double hole2 = kNoHole);
void draw_ring(const SpanSink& sink, const PixelCircle& c, double hole2 = kNoHole);
// Every pixel of the window: the disc's in the sink's value, the others in
// background.
void fill_disc_over(const SpanSink& sink, const PixelCircle& c, std::uint8_t background);
// Sector (the fill) and Arc line of surface.h.
void fill_sector(const SpanSink& sink, const PixelCircle& c, const Arc& arc, double hole2 = kNoHole);
void draw_arc(const SpanSink& sink, const PixelCircle& c, const Arc& arc, double hole2 = kNoHole);

// The union of the fills of sectors of one circle, all painted in the
// sink's value: the same pixels as fill_sector for each arc, in any order.
// Where the ring outside the hole is small for the number of arcs (the fine
// tracks of a disc), each of its pixels is tested once against the union of
// the arcs instead of each arc being searched row by row.
void fill_sectors(const SpanSink& sink, const PixelCircle& c, const std::vector<ArcRange>& arcs,
                  double hole2 = kNoHole);
// That union pixel by pixel when fill_sectors would fill it so; otherwise
// nothing, and false: the arcs are better filled one by one.
bool fill_sectors_by_pixel(const SpanSink& sink, const PixelCircle& c, const std::vector<ArcRange>& arcs,
                           double hole2 = kNoHole);

// The Line between the pixels containing (x0, y0) and (x1, y1), canvas
// pixel coordinates, finite.
void draw_line(const SpanSink& sink, double x0, double y0, double x1, double y1);

// The end of the radius at the angle m in [0, 2pi]: (cx + r cos(m), cy -
// r sin(m)) with std::cos and std::sin, or a point of the same pixel found
// without them (the Line rule reads only the pixel of an end that lies
// within the far limit).
void radius_end(const PixelCircle& c, double m, double& x, double& y);

// The Line from the circle's centre to (x1, y1) less its pixels in the hole
// (dx*dx + dy*dy <= hole2 from the centre): the radius of a sector drawn
// around a disc that is painted afterwards.  The steps that lie in the hole
// by the line's geometry are skipped without testing.
void draw_radius(const SpanSink& sink, const PixelCircle& c, double x1, double y1, double hole2);

// The pixels that close sectors' fills to their radii (the Sector rule of
// surface.h), less those in the hole, painted in the sink's value: arcs[k]
// has its radii ending at ends[k] (radius_end), the one at the arc's start
// first.  Pixels that already have the sink's value are not tested, so the
// fills must be painted in it first.  With radii_painted the radii must be
// too, in the same colour, and every sector drawn so since its pixels were
// last painted over (sectors of one circle in one colour, as a track's): a
// pixel whose neighbours in the window lack the value then needs no test.
// The neighbours of a radius are searched once for all the sectors that
// share it.
struct RadiusEnds {
  double x[2];
  double y[2];
};
void close_to_radii(const SpanSink& sink, const PixelCircle& c, std::span<const ArcRange> arcs,
                    std::span<const RadiusEnds> ends, double hole2, bool radii_painted);

}  // namespace vantor::raster
