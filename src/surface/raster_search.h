// Internal to the rasteriser: what its figure families share.  Galloping
// searches for the ends of a pixel run, the window's rows of a figure, and
// the spans of a disc's row and of a row less a hole.  Pixel indices are
// canvas pixels (int64), pixel i's centre at i + 1/2; spans and index
// ranges are inclusive at both ends, and one with first > last is empty.
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>

#include "surface/raster.h"

namespace vantor::raster::detail {

inline constexpr double kInf = std::numeric_limits<double>::infinity();

// v converted to an index, saturated to [lo, hi]; NaN gives lo.  v is
// expected to be integral already (floor/ceil), or infinite.
inline Index to_index(double v, Index lo, Index hi) {
  if (!(v > static_cast<double>(lo))) return lo;
  if (v >= static_cast<double>(hi)) return hi;
  return static_cast<Index>(v);
}

// floor(v) and ceil(v) saturated to [lo, hi] like to_index, without a libm
// call: v is truncated only once it is known to lie strictly inside.
inline Index floor_index(double v, Index lo, Index hi) {
  if (!(v > static_cast<double>(lo))) return lo;
  if (v >= static_cast<double>(hi)) return hi;
  const Index t = static_cast<Index>(v);
  return static_cast<double>(t) > v ? t - 1 : t;
}
inline Index ceil_index(double v, Index lo, Index hi) {
  if (!(v > static_cast<double>(lo))) return lo;
  if (v >= static_cast<double>(hi)) return hi;
  const Index t = static_cast<Index>(v);
  return static_cast<double>(t) < v ? t + 1 : t;
}

// First i in [a, b] for which pred holds, b + 1 when none.  pred must be
// false ... false true ... true over [a, b].  Gallops from guess, so a guess
// that is off by d costs O(log d) evaluations.
template <class Pred>
Index first_true(Index a, Index b, Index guess, Pred pred) {
  auto holds = [&](Index i) { return i > b || pred(i); };
  const Index g = std::clamp(guess, a, b + 1);
  Index lo;  // holds(lo) is false, or lo == a - 1
  Index hi;  // holds(hi) is true
  Index step = 1;
  if (holds(g)) {
    hi = g;
    for (;;) {
      const Index p = hi - step;
      if (p < a) {
        lo = a - 1;
        break;
      }
      if (!holds(p)) {
        lo = p;
        break;
      }
      hi = p;
      step *= 2;
    }
  } else {
    lo = g;
    for (;;) {
      const Index p = lo + step;
      if (p > b) {
        hi = b + 1;
        break;
      }
      if (holds(p)) {
        hi = p;
        break;
      }
      lo = p;
      step *= 2;
    }
  }
  while (hi - lo > 1) {
    const Index m = lo + (hi - lo) / 2;
    if (holds(m))
      hi = m;
    else
      lo = m;
  }
  return hi;
}

// Last i in [a, b] for which pred holds, a - 1 when none.  pred must be
// true ... true false ... false over [a, b].
template <class Pred>
Index last_true(Index a, Index b, Index guess, Pred pred) {
  return first_true(a, b, guess + 1, [&](Index i) { return !pred(i); }) - 1;
}

// Slack, in pixels, added around a figure's row range.  A covered pixel
// centre lies in the figure's continuous region up to the rounding of the
// rules' double arithmetic and of atan2, a few ulps of the coordinates'
// magnitude; the slack is a million times that.
inline double row_slack(const PixelCircle& c) { return 1e-6 + 1e-9 * (std::fabs(c.cx) + std::fabs(c.cy) + c.r); }

// The window's rows whose centre y lies in [y0 - slack, y1 + slack].  False
// when none.
inline bool row_range(const SpanSink& sink, double y0, double y1, double slack, Index& j0, Index& j1) {
  const double first = std::ceil(y0 - slack - 0.5);
  const double last = std::floor(y1 + slack - 0.5);
  const Index top = sink.first_row();
  const Index bottom = sink.last_row();
  if (!(first <= static_cast<double>(bottom)) || !(last >= static_cast<double>(top)) || first > last) return false;
  j0 = to_index(first, top, bottom);
  j1 = to_index(last, top, bottom);
  return true;
}

// The squared radius of a ring's hole: the ring is the disc less the pixels
// within r - 1, or the whole disc when r <= 1.
inline double ring_hole(const PixelCircle& c) { return c.r > 1.0 ? (c.r - 1.0) * (c.r - 1.0) : kNoHole; }

// The pixels i in [lo_limit, hi_limit] of a row with dx*dx + dy2 <= r2,
// where dx = (i + 0.5) - cx and dy2 = dy*dy for the row.  They form one
// interval: the rounded squared distance is monotone on either side of the
// centre, and the pixel of the range nearest the centre's column minimises
// it.
inline bool disc_span(double cx, double dy2, double r2, Index lo_limit, Index hi_limit, Index& lo, Index& hi) {
  if (dy2 > r2) return false;
  auto inside = [&](Index i) {
    const double dx = (static_cast<double>(i) + 0.5) - cx;
    return dx * dx + dy2 <= r2;
  };
  const Index c = floor_index(cx, lo_limit, hi_limit);
  if (!inside(c)) return false;
  const double h = std::sqrt(r2 - dy2);
  lo = first_true(lo_limit, c, ceil_index(cx - h - 0.5, lo_limit - 1, hi_limit + 1), inside);
  hi = last_true(c, hi_limit, floor_index(cx + h - 0.5, lo_limit - 1, hi_limit + 1), inside);
  return true;
}

// The pixels [a, b] of row j outside the hole when the hole holds pixel c,
// the pixel of [a, b] nearest the centre's column.  The hole's pixels in the
// row are one interval around c.
inline void span_around_hole(const SpanSink& sink, Index j, Index a, Index b, Index c, double cx, double dy2,
                             double hole2) {
  auto in_hole = [&](Index i) {
    const double dx = (static_cast<double>(i) + 0.5) - cx;
    return dx * dx + dy2 <= hole2;
  };
  const double h = std::sqrt(hole2 - dy2);
  const Index hole_lo = first_true(a, c, ceil_index(cx - h - 0.5, a - 1, c + 1), in_hole);
  const Index hole_hi = last_true(c, b, floor_index(cx + h - 0.5, c - 1, b + 1), in_hole);
  if (a < hole_lo) sink.span(j, a, hole_lo - 1);
  if (hole_hi < b) sink.span(j, hole_hi + 1, b);
}

// Paints the pixels [a, b] of row j that lie outside the hole (dx*dx + dy2
// <= hole2).  Only a span whose pixel nearest the centre's column is in the
// hole loses pixels to it.
inline void span_outside_hole(const SpanSink& sink, Index j, Index a, Index b, double cx, double dy2, double hole2) {
  if (dy2 <= hole2) {
    const Index c = floor_index(cx, a, b);
    const double dx = (static_cast<double>(c) + 0.5) - cx;
    if (dx * dx + dy2 <= hole2) {
      span_around_hole(sink, j, a, b, c, cx, dy2, hole2);
      return;
    }
  }
  sink.span(j, a, b);
}

}  // namespace vantor::raster::detail
