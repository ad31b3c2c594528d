// Lines and radii, in canvas pixels (x right, y down).  A line is the
// midpoint (Bresenham) line between the pixels that contain its end points,
// both end pixels included; a zero-length line is its one pixel.  An end
// beyond kFarLimit is first moved along the segment onto the square
// [-kFarLimit, kFarLimit]^2, and a segment that misses that square draws
// nothing.  A radius is the line from a circle's centre less its pixels in
// the hole; the pixels that close a sector's fill to its radii are found
// along the radii, among their pixels' neighbours.  Only the steps inside
// the window are visited, so the work is bounded by the window, not by the
// line's length; an empty window draws nothing.
#include <algorithm>
#include <cassert>
#include <cmath>

#include "surface/raster.h"
#include "surface/raster_search.h"

namespace vantor::raster {

using namespace detail;

namespace {

// a / b rounded up, b > 0.
Index ceil_div(Index a, Index b) { return a >= 0 ? (a + b - 1) / b : -((-a) / b); }

// The pixels k = k_first ... n of the Bresenham line from (a_major,
// a_minor) to (b_major, b_minor), |b_major - a_major| >= |b_minor -
// a_minor|, restricted to majors in [major_lo, major_hi] and minors in
// [minor_lo, minor_hi]: plot(major, minor) for the steps before k_run, then
// run(major, minor, steps, rem, two_m, two_n, s_major, s_minor) once for
// the rest, which are the pixel (major, minor) and each next one a major
// step on, with a minor step whenever rem += two_m reaches two_n (then rem
// -= two_n).  The minor offset at step k is q(k) = floor((2*k*m + n - 1) /
// (2*n)), k*m/n rounded to nearest with ties toward the first point; it
// never decreases, so the steps inside the minor range are found in closed
// form.  Coordinates stay within 2^30 in magnitude, so every product fits
// in 64 bits.
template <class Plot, class Run>
void walk_line(Index a_major, Index a_minor, Index b_major, Index b_minor, Index major_lo, Index major_hi,
               Index minor_lo, Index minor_hi, Index k_first, Index k_run, Plot plot, Run run) {
  const Index d_major = b_major - a_major;
  const Index d_minor = b_minor - a_minor;
  const Index n = d_major < 0 ? -d_major : d_major;
  const Index m = d_minor < 0 ? -d_minor : d_minor;
  const Index s_major = d_major < 0 ? -1 : 1;
  const Index s_minor = d_minor < 0 ? -1 : 1;
  Index k0, k1;
  if (s_major > 0) {
    k0 = std::max<Index>(0, major_lo - a_major);
    k1 = std::min<Index>(n, major_hi - a_major);
  } else {
    k0 = std::max<Index>(0, a_major - major_hi);
    k1 = std::min<Index>(n, a_major - major_lo);
  }
  k0 = std::max(k0, k_first);
  // The offsets q that keep the minor coordinate in range.
  Index q_lo = s_minor > 0 ? minor_lo - a_minor : a_minor - minor_hi;
  Index q_hi = s_minor > 0 ? minor_hi - a_minor : a_minor - minor_lo;
  q_lo = std::max<Index>(q_lo, 0);
  q_hi = std::min<Index>(q_hi, m);
  if (q_lo > q_hi || k0 > k1) return;
  if (n == 0) {
    if (k_run > 0)
      plot(a_major, a_minor);
    else
      run(a_major, a_minor, Index{1}, Index{0}, Index{0}, Index{1}, s_major, s_minor);
    return;
  }
  const Index two_n = 2 * n;
  if (m > 0 && (q_lo > 0 || q_hi < m)) {
    // q(k) >= q_lo  <=>  2*k*m >= 2*n*q_lo - n + 1, and q(k) <= q_hi the
    // same with q_hi + 1, negated.
    k0 = std::max(k0, ceil_div(two_n * q_lo - n + 1, 2 * m));
    k1 = std::min(k1, ceil_div(two_n * (q_hi + 1) - n + 1, 2 * m) - 1);
    if (k0 > k1) return;
  }
  const Index num = 2 * k0 * m + n - 1;
  Index q, rem;
  if (num < (Index{1} << 32) && two_n < (Index{1} << 32)) {
    // The common short line: a 32-bit division is several times faster.
    const auto num32 = static_cast<std::uint32_t>(num), den32 = static_cast<std::uint32_t>(two_n);
    q = num32 / den32;
    rem = num32 % den32;
  } else {
    q = num / two_n;
    rem = num % two_n;
  }
  Index k = k0;
  for (; k <= k1 && k < k_run; ++k) {
    plot(a_major + s_major * k, a_minor + s_minor * q);
    rem += 2 * m;
    if (rem >= two_n) {
      rem -= two_n;
      ++q;
    }
  }
  if (k <= k1) run(a_major + s_major * k, a_minor + s_minor * q, k1 - k + 1, rem, 2 * m, two_n, s_major, s_minor);
}

bool in_far_square(double x, double y) { return std::fabs(x) <= kFarLimit && std::fabs(y) <= kFarLimit; }

// Liang-Barsky: the parameter range [t0, t1] of a + t*(b - a) inside the
// square; false when empty.
bool far_square_range(double ax, double ay, double bx, double by, double& t0, double& t1) {
  const double dx = bx - ax;
  const double dy = by - ay;
  t0 = 0.0;
  t1 = 1.0;
  // Keeps the part of [t0, t1] where p*t <= q.
  auto clip = [&](double p, double q) {
    if (p == 0.0) return q >= 0.0;
    const double r = q / p;
    if (p < 0.0) {
      if (r > t1) return false;
      t0 = std::max(t0, r);
    } else {
      if (r < t0) return false;
      t1 = std::min(t1, r);
    }
    return true;
  };
  return clip(-dx, ax + kFarLimit) && clip(dx, kFarLimit - ax) && clip(-dy, ay + kFarLimit) && clip(dy, kFarLimit - ay);
}

// The point a + t*(b - a), kept inside the square against rounding.
void far_point(double ax, double ay, double bx, double by, double t, double& x, double& y) {
  x = std::clamp(ax + t * (bx - ax), -kFarLimit, kFarLimit);
  y = std::clamp(ay + t * (by - ay), -kFarLimit, kFarLimit);
}

// Moves b, outside the square, to where the segment from a (inside) leaves
// it.  Anchoring at the inner end keeps the direction exact to rounding.
void pull_in(double ax, double ay, double& bx, double& by) {
  double t0, t1;
  far_square_range(ax, ay, bx, by, t0, t1);
  far_point(ax, ay, bx, by, t1, bx, by);
}

}  // namespace

bool clip_to_far_square(double& x0, double& y0, double& x1, double& y1) {
  const bool in0 = in_far_square(x0, y0);
  const bool in1 = in_far_square(x1, y1);
  if (in0 && in1) return true;
  if (in0 || in1) {
    if (in0)
      pull_in(x0, y0, x1, y1);
    else
      pull_in(x1, y1, x0, y0);
    return true;
  }
  // Both ends outside.  Anchor at the segment's point nearest the origin
  // when that is inside; otherwise (the segment at most grazes a corner, far
  // from any raster) clip from the first point.
  const double dx = x1 - x0;
  const double dy = y1 - y0;
  const double d2 = dx * dx + dy * dy;
  const double t = d2 > 0.0 ? std::clamp(-(x0 * dx + y0 * dy) / d2, 0.0, 1.0) : 0.0;
  const double qx = x0 + t * dx;
  const double qy = y0 + t * dy;
  if (in_far_square(qx, qy)) {
    pull_in(qx, qy, x0, y0);
    pull_in(qx, qy, x1, y1);
    return true;
  }
  double t0, t1;
  if (!far_square_range(x0, y0, x1, y1, t0, t1)) return false;
  const double ox = x0;
  const double oy = y0;
  far_point(ox, oy, x1, y1, t0, x0, y0);
  far_point(ox, oy, x1, y1, t1, x1, y1);
  return true;
}

namespace {

// The line between the pixels containing the end points, leaving out its
// first k_first steps and, of the steps before k_tested, the pixels for
// which keep(i, j) is false.  walk_line clips the steps to the window, so
// every pixel it gives lies in it.
template <class Keep>
void line_from_step(const SpanSink& sink, double x0, double y0, double x1, double y1, Index k_first, Index k_tested,
                    Keep keep) {
  // The coordinates lie within kFarLimit.
  constexpr Index kFar = static_cast<Index>(kFarLimit);
  const Index ax = floor_index(x0, -kFar - 1, kFar);
  const Index ay = floor_index(y0, -kFar - 1, kFar);
  const Index bx = floor_index(x1, -kFar - 1, kFar);
  const Index by = floor_index(y1, -kFar - 1, kFar);
  const Index adx = bx > ax ? bx - ax : ax - bx;
  const Index ady = by > ay ? by - ay : ay - by;
  const bool x_major = adx >= ady;
  // The untested steps: a pointer walk through the raster.
  auto run = [&](Index major, Index minor, Index steps, Index rem, Index two_m, Index two_n, Index s_major,
                 Index s_minor) {
    const Index i = x_major ? major : minor, j = x_major ? minor : major;
    Index at = (j - sink.top) * sink.width + (i - sink.left);
    const Index row = sink.width;
    const Index major_step = x_major ? s_major : s_major * row;
    const Index minor_step = x_major ? s_minor * row : s_minor;
    for (Index k = 0; k < steps; ++k) {
      assert(at >= 0 && at < row * sink.height);
      sink.pixels[at] = sink.value;
      at += major_step;
      rem += two_m;
      if (rem >= two_n) {
        rem -= two_n;
        at += minor_step;
      }
    }
  };
  if (x_major) {
    walk_line(ax, ay, bx, by, sink.first_column(), sink.last_column(), sink.first_row(), sink.last_row(), k_first,
              k_tested, [&](Index i, Index j) {
                if (keep(i, j)) sink.put(i, j);
              }, run);
  } else {
    walk_line(ay, ax, by, bx, sink.first_row(), sink.last_row(), sink.first_column(), sink.last_column(), k_first,
              k_tested, [&](Index j, Index i) {
                if (keep(i, j)) sink.put(i, j);
              }, run);
  }
}

// More steps than any clipped line has.
constexpr Index kWholeLine = Index{1} << 40;

bool beyond_far_limit(double x0, double y0, double x1, double y1) {
  return std::fabs(x0) > kFarLimit || std::fabs(y0) > kFarLimit || std::fabs(x1) > kFarLimit ||
         std::fabs(y1) > kFarLimit;
}

}  // namespace

void draw_line(const SpanSink& sink, double x0, double y0, double x1, double y1) {
  if (sink.empty()) return;
  if (beyond_far_limit(x0, y0, x1, y1) && !clip_to_far_square(x0, y0, x1, y1)) return;
  line_from_step(sink, x0, y0, x1, y1, 0, 0, [](Index, Index) { return true; });
}

namespace {

// The steps of the line from the circle's centre to (x1, y1) (within the
// far limit) whose pixels, and the pixels within `reach` of them, lie in the
// hole: the steps before k_first.  Steps from k_tested on lie outside it
// with the pixels within reach_tested of them (by default reach).  With n and m the major and minor extent and length =
// sqrt(1 + (m/n)^2) the distance of a step, the centre of the pixel at step
// k lies within sqrt(1/4 + 1) < 1.2 of the point k * length from the
// centre (half a pixel from the first pixel's centre on each axis, and half
// a step of minor rounding).  So the steps with k * length <= sqrt(hole2) -
// 1.2 - reach lie in the hole, those with k * length >= sqrt(hole2) + 1.2 +
// reach outside it; the margins cover the rounding of coordinates below
// 2^28 and of the length.
void steps_in_hole(const PixelCircle& c, double x1, double y1, double hole2, double reach, Index& k_first,
                   Index& k_tested, double reach_tested = -1.0) {
  if (reach_tested < 0.0) reach_tested = reach;
  const double dx = std::fabs(static_cast<double>(floor_pixel(x1) - floor_pixel(c.cx)));
  const double dy = std::fabs(static_cast<double>(floor_pixel(y1) - floor_pixel(c.cy)));
  const double n = std::max(dx, dy);
  const double m = std::min(dx, dy);
  k_first = 0;
  k_tested = 1;  // a line of one pixel: that pixel is tested
  if (n > 0.0) {
    const double hole_r = std::sqrt(hole2);
    const double margin = 1.2 + 1e-9 * (std::fabs(c.cx) + std::fabs(c.cy) + hole_r);
    const double length = std::sqrt(n * n + m * m) / n;
    const double inside = (hole_r - margin - reach) / (length * (1 + 1e-12));
    const double outside = (hole_r + margin + reach_tested) / (length * (1 - 1e-12));
    if (inside > 0.0) k_first = static_cast<Index>(std::min(inside, n + 1));
    k_tested = static_cast<Index>(std::min(std::ceil(outside), n + 1)) + 1;
  }
}

bool in_hole(const PixelCircle& c, double hole2, Index i, Index j) {
  const double px = (static_cast<double>(i) + 0.5) - c.cx;
  const double py = (static_cast<double>(j) + 0.5) - c.cy;
  return px * px + py * py <= hole2;
}

}  // namespace

void draw_radius(const SpanSink& sink, const PixelCircle& c, double x1, double y1, double hole2) {
  if (sink.empty()) return;
  if (!(hole2 > 0.0)) {
    draw_line(sink, c.cx, c.cy, x1, y1);
    return;
  }
  if (beyond_far_limit(c.cx, c.cy, x1, y1)) {
    // The clipped line's steps no longer count from the centre: every pixel
    // in the window is tested.
    double x0 = c.cx, y0 = c.cy;
    if (clip_to_far_square(x0, y0, x1, y1))
      line_from_step(sink, x0, y0, x1, y1, 0, kWholeLine, [&](Index i, Index j) { return !in_hole(c, hole2, i, j); });
    return;
  }
  // The steps in the hole are left out untested, those outside it are drawn
  // untested, and only the few between are tested.
  Index k_first, k_tested;
  steps_in_hole(c, x1, y1, hole2, 0.0, k_first, k_tested);
  line_from_step(sink, c.cx, c.cy, x1, y1, k_first, k_tested,
                 [&](Index i, Index j) { return !in_hole(c, hole2, i, j); });
}

namespace {

struct Pixel {
  Index i, j;
};

// The pixels of a Line, as the rule states them, for any pixel: its first
// pixel (ax, ay), the major axis, and the n steps along it, the minor offset
// at step k being floor((2*k*m + n - 1) / (2*n)).
struct LinePixels {
  bool drawn = false;  // false when the segment misses the far square
  bool x_major = true;
  Index ax = 0, ay = 0, n = 0, m = 0, s_major = 1, s_minor = 1;

  LinePixels() = default;
  bool operator==(const LinePixels&) const = default;
  LinePixels(double x0, double y0, double x1, double y1) {
    if (beyond_far_limit(x0, y0, x1, y1) && !clip_to_far_square(x0, y0, x1, y1)) return;
    constexpr Index kFar = static_cast<Index>(kFarLimit);
    set(floor_index(x0, -kFar - 1, kFar), floor_index(y0, -kFar - 1, kFar), floor_index(x1, -kFar - 1, kFar),
        floor_index(y1, -kFar - 1, kFar));
  }
  // From the first pixel and the end point (x1, y1), both within the far
  // limit.
  LinePixels(Index first_i, Index first_j, double x1, double y1) {
    set(first_i, first_j, floor_pixel(x1), floor_pixel(y1));
  }
  void set(Index first_i, Index first_j, Index bx, Index by) {
    ax = first_i;
    ay = first_j;
    const Index adx = bx > ax ? bx - ax : ax - bx, ady = by > ay ? by - ay : ay - by;
    drawn = true;
    x_major = adx >= ady;
    n = x_major ? adx : ady;
    m = x_major ? ady : adx;
    s_major = (x_major ? bx - ax : by - ay) < 0 ? -1 : 1;
    s_minor = (x_major ? by - ay : bx - ax) < 0 ? -1 : 1;
  }
  bool covers(Index i, Index j) const {
    if (!drawn) return false;
    const Index k = ((x_major ? i - ax : j - ay)) * s_major;
    if (k < 0 || k > n) return false;
    const Index minor = (x_major ? j - ay : i - ax) * s_minor;
    return minor == (n == 0 ? 0 : (2 * k * m + n - 1) / (2 * n));
  }
};

// Where a sector's radius needs no search for the pixels that close its
// fill to it, from the geometry alone.  On the line's major axis, step k is
// a column (a row when y is major) holding one pixel of the line; delta(k)
// is how far the radius's exact ray lies inward (toward the fill) of that
// pixel's centre along the column.  Along a line of n >= 16 steps the pixel
// lies within half a pixel of the line's ideal centre line, so delta(k) is
// within half a pixel of delta_ideal(k) = a + b*k.  Where every pixel
// examined lies in the disc, clear of the apex, and on the arc exactly when
// it lies inward of both exact rays, a column holds the fill from the ray
// inward; with |delta| < 1 the fill's first pixel is then the line's or the
// one next to it, so the column is covered without a gap from the line on.
// When that holds at steps k - 1, k and k + 1, no pixel next to the line at
// step k has a radius pixel on one side and the figure on the other: not
// along the column, and not along the major axis either, where the line
// would have to step outward toward both neighbouring columns.  Two cases:
//   apart: the other radius over four pixels off (the rays at an angle
//     narrow = min(w, 2pi - w, pi/2), at distance rho >= 8 / sin(narrow)
//     from the centre, each line within 1.6 of its ray);
//   pair: a sector narrower than a quarter turn whose lines share their
//     major axis and direction, the other line inward by 0 to kPairApart
//     pixels along the column and its |delta| < 1 too: each column is then
//     covered from one radius's pixel to the other's without a gap.
// regime_lo ... regime_hi are the steps where the case holds but for the
// deltas and, in a pair, the lines' distance, which are then checked step by
// step; lo ... hi (within them) those where the ideal lines guarantee them.
struct QuietSteps {
  struct Ray {  // on the line's axes
    double c_major = 0, c_minor = 0, slope = 0, sign = 1;
    double delta(Index major, Index minor) const {
      return sign *
             (c_minor + ((static_cast<double>(major) + 0.5) - c_major) * slope - (static_cast<double>(minor) + 0.5));
    }
  };
  Index lo = 1, hi = 0;
  Index regime_lo = 1, regime_hi = 0;
  Ray own;
  // Pair: the other radius's ray and line (same major axis and first pixel).
  bool pair = false;
  Ray other;
  Index other_m = 0, other_n = 1, other_s_minor = 1;
  static constexpr double kSlack = 1e-3;  // far beyond the rounding of delta and of the rule
  static constexpr Index kPairApart = 16;  // the lines' largest distance on the minor axis in a pair
  bool quiet(Index k) const { return k >= lo && k <= hi; }
  bool regime(Index k) const { return k >= regime_lo && k <= regime_hi; }
};

QuietSteps quiet_steps(const PixelCircle& c, const ArcRange& arc, const RadiusEnds& ends, int which,
                       const LinePixels (&lines)[2]) {
  QuietSteps out;
  constexpr double kNear = 67108864.0;  // 2^26: both ends well within the far limit
  if (!lines[0].drawn || !lines[1].drawn || lines[0].n < 16 || lines[1].n < 16) return out;
  if (!(std::fabs(c.cx) < kNear && std::fabs(c.cy) < kNear && c.r < kNear)) return out;
  const double w = arc.start <= arc.end ? arc.end - arc.start : arc.end - arc.start + kTwoPi;
  const double narrow = std::min({w, kTwoPi - w, kTwoPi / 4});
  if (!(narrow > 0.0)) return out;
  struct Ideal {
    double a, b;    // delta_ideal(k) = a + b*k
    double u;       // the ideal minor per step, toward the fill of radius 0
    double length;  // per step
    double c_major, c_minor, slope, sign;
  };
  Ideal ideal[2];
  for (int k = 0; k < 2; ++k) {
    const LinePixels& l = lines[k];
    // Screen coordinates, y down: the ray's direction, from its end (within
    // a few ulps of the coordinates, far below the slack), and its inward
    // normal.
    const double dx = (ends.x[k] - c.cx) / c.r, dy = (ends.y[k] - c.cy) / c.r;
    const double nx = k == 0 ? dy : -dy, ny = k == 0 ? -dx : dx;
    const double d_major = l.x_major ? dx : dy, d_minor = l.x_major ? dy : dx;
    if (!(std::fabs(d_major) >= 0.5)) return out;
    Ideal& d = ideal[k];
    d.sign = (l.x_major ? ny : nx) > 0.0 ? 1.0 : -1.0;
    d.slope = d_minor / d_major;
    d.c_major = l.x_major ? c.cx : c.cy;
    d.c_minor = l.x_major ? c.cy : c.cx;
    const double a_major = static_cast<double>(l.x_major ? l.ax : l.ay) + 0.5;
    const double a_minor = static_cast<double>(l.x_major ? l.ay : l.ax) + 0.5;
    const double per_step = static_cast<double>(l.m) / static_cast<double>(l.n);
    d.a = d.sign * (d.c_minor + (a_major - d.c_major) * d.slope - a_minor);
    d.b = d.sign * (static_cast<double>(l.s_major) * d.slope - static_cast<double>(l.s_minor) * per_step);
    d.length = std::sqrt(1.0 + per_step * per_step);
  }
  for (int k = 0; k < 2; ++k)
    ideal[k].u = ideal[0].sign * static_cast<double>(lines[k].s_minor) * static_cast<double>(lines[k].m) /
                 static_cast<double>(lines[k].n);
  // Steps k within [k_lo, k_hi], kept by each condition.
  double k_lo = 1.0, k_hi = static_cast<double>(lines[which].n - 1);
  auto keep = [&](double from, double to) { k_lo = std::max(k_lo, from), k_hi = std::min(k_hi, to); };
  // |a + b*k| <= 0.5 - |b| - slack: |delta| < 1 at k - 1 ... k + 1.
  auto steady = [&](const Ideal& d) {
    const double h = 0.5 - std::fabs(d.b) - QuietSteps::kSlack;
    if (!(h > 0.0)) return keep(1.0, 0.0);
    if (std::fabs(d.b) < 1e-300) return std::fabs(d.a) <= h ? void() : keep(1.0, 0.0);
    const double p = (-h - d.a) / d.b, q = (h - d.a) / d.b;
    keep(std::min(p, q), std::max(p, q));
  };
  // The pixel at step k lies within 1.2 of k * length from the centre.
  auto radii = [&](const Ideal& d, double rho_lo, double rho_hi) {
    keep((rho_lo + 1.5) / d.length, (rho_hi - 1.5) / d.length);
  };
  const Ideal& own = ideal[which];
  // Every pixel within 2.3 of a step's pixel in the disc; in a pair, of
  // either line's pixel, and the column between them by convexity.
  const double rim = c.r - 2.5;
  radii(own, std::max(5.0, 8.0 / std::sin(narrow)), rim);
  const double apart_lo = k_lo, apart_hi = k_hi;
  k_lo = 1.0, k_hi = static_cast<double>(lines[which].n - 1);
  const LinePixels& l0 = lines[0];
  const LinePixels& l1 = lines[1];
  const double gap = ideal[1].u - ideal[0].u;  // the ideal lines' separation per step
  if (w < kTwoPi / 4 && l0.x_major == l1.x_major && l0.s_major == l1.s_major && gap >= 0.0) {
    keep(1.0, static_cast<double>(std::min(l0.n, l1.n) - 1));
    // The pixels examined lie within the apart limit and two more of the
    // line, so clear of the apex.
    constexpr double kApart = static_cast<double>(QuietSteps::kPairApart);
    for (const Ideal& d : ideal) radii(d, 12.0 + 2.0 * kApart, rim);
    // The lines' pixels, each within half a pixel of its ideal line, at most
    // kPairApart apart at k - 1 ... k + 1 (and checked step by step).
    if (gap > 0.0) keep(1.0, (kApart - 1.0) / gap - 1.0);
  } else {
    keep(1.0, 0.0);
  }
  const double pair_lo = k_lo, pair_hi = k_hi;
  // The one that reaches further out, where a disc's radii are seen.
  const bool pair = pair_lo <= pair_hi && (!(apart_lo <= apart_hi) || pair_hi > apart_hi);
  k_lo = pair ? pair_lo : apart_lo, k_hi = pair ? pair_hi : apart_hi;
  if (!(k_lo <= k_hi)) return out;
  out.regime_lo = static_cast<Index>(std::ceil(k_lo)) + 1;
  out.regime_hi = static_cast<Index>(std::floor(k_hi)) - 1;
  out.own = {own.c_major, own.c_minor, own.slope, own.sign};
  if (pair) {
    const Ideal& o = ideal[1 - which];
    out.pair = true;
    out.other = {o.c_major, o.c_minor, o.slope, o.sign};
    out.other_m = lines[1 - which].m, out.other_n = lines[1 - which].n, out.other_s_minor = lines[1 - which].s_minor;
    steady(o);
    // Not crossed at k - 1 ... k + 1 without a step by step check.
    if (gap > 0.0)
      keep(1.0 / gap + 2.0, k_hi);
    else
      keep(1.0, 0.0);
  }
  steady(own);
  if (k_lo <= k_hi) {
    out.lo = static_cast<Index>(std::ceil(k_lo)) + 1;
    out.hi = static_cast<Index>(std::floor(k_hi)) - 1;
  }
  return out;
}

// Whether ruling steps out is worth its cost: a line with some 32 steps or
// more outside the hole, of a sector at least a pixel wide at the rim.
// (The steps of a narrower sector's lines are searched, and their
// candidates shared with the sectors that end their radii in the same
// pixels.)
bool worth_ruling_out(const PixelCircle& c, const ArcRange& arc, const LinePixels& line, double hole2) {
  if (!line.drawn || line.n < 32) return false;
  const double w = arc.start <= arc.end ? arc.end - arc.start : arc.end - arc.start + kTwoPi;
  if (!(c.r * std::min(w, kTwoPi - w) >= 1.0)) return false;
  return !(hole2 > 0.0) || c.r - std::sqrt(hole2) >= 32.0;
}

}  // namespace

void close_to_radii(const SpanSink& sink, const PixelCircle& c, std::span<const ArcRange> arcs,
                    std::span<const RadiusEnds> ends, double hole2, bool radii_painted) {
  if (sink.empty()) return;
  const double r2 = c.r * c.r;
  auto in_window = [&](Index i, Index j) {
    return i >= sink.first_column() && i <= sink.last_column() && j >= sink.first_row() && j <= sink.last_row();
  };
  auto value = [&](Index i, Index j) { return sink.pixels[(j - sink.top) * sink.width + (i - sink.left)]; };
  // Whether a figure of the call may cover the pixel: one in the window and
  // outside the hole that one covers has the sink's value once fills and
  // radii are painted.
  auto may_cover = [&](Index i, Index j) {
    return !radii_painted || !in_window(i, j) || in_hole(c, hole2, i, j) || value(i, j) == sink.value;
  };
  constexpr Index kSteps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
  // Pixels next to a radius that may close a gap, whatever the sector: in
  // the window, outside the hole, without the value, and between two pixels
  // that may be covered.
  auto candidate = [&](Index i, Index j) {
    if (!in_window(i, j) || value(i, j) == sink.value || in_hole(c, hole2, i, j)) return false;
    for (const auto& [di, dj] : kSteps)
      if (may_cover(i - di, j - dj) && may_cover(i + di, j + dj)) return true;
    return false;
  };
  // The candidates next to a line: every neighbour of a pixel of a line lies
  // next to it along the minor axis of the line, or is a pixel of the line,
  // or lies next to an end of the line along the major axis (the minor
  // neighbour of the next pixel where the line steps on the minor axis).
  // The steps that `quiet` rules out are skipped.
  auto collect = [&](const LinePixels& line, double x1, double y1, const QuietSteps& quiet, std::vector<Pixel>& out) {
    out.clear();
    if (!line.drawn) return;
    auto add = [&](Index i, Index j) {
      if (candidate(i, j)) out.push_back({i, j});
    };
    // The steps before k_first lie in the hole with their neighbours; from
    // k_clear on, none of the pixels within two of them does.
    Index k_first = 0, k_clear = hole2 > 0.0 ? line.n + 1 : 0;
    if (hole2 > 0.0 && !beyond_far_limit(c.cx, c.cy, x1, y1)) steps_in_hole(c, x1, y1, hole2, 1.0, k_first, k_clear, 2.5);
    const Index bx = line.x_major ? line.ax + line.s_major * line.n : line.ax + line.s_minor * line.m;
    const Index by = line.x_major ? line.ay + line.s_minor * line.m : line.ay + line.s_major * line.n;
    const Index mi = line.x_major ? line.s_major : 0, mj = line.x_major ? 0 : line.s_major;
    if (k_first == 0) add(line.ax - mi, line.ay - mj);
    add(bx + mi, by + mj);
    // In (major, minor): the line's ends and the window.  The steps whose
    // pixels within two lie in the window (the inner ones) are read
    // directly; the others, along the window's edges, one by one.
    const Index a_major = line.x_major ? line.ax : line.ay, a_minor = line.x_major ? line.ay : line.ax;
    const Index b_major = line.x_major ? bx : by, b_minor = line.x_major ? by : bx;
    const Index major_lo = line.x_major ? sink.first_column() : sink.first_row();
    const Index major_hi = line.x_major ? sink.last_column() : sink.last_row();
    const Index minor_lo = line.x_major ? sink.first_row() : sink.first_column();
    const Index minor_hi = line.x_major ? sink.last_row() : sink.last_column();
    auto pixel = [&](Index major, Index minor) { return line.x_major ? Pixel{major, minor} : Pixel{minor, major}; };
    // Without branches on the pixels, which follow no pattern along a line.
    const std::uint8_t v = sink.value;
    const Index row = sink.width;
    const Index minor_offset = line.x_major ? row : 1;
    Index k_inner0 = line.n + 1, k_inner1 = line.n;  // none yet
    auto inner = [&](Index major, Index, Index steps, Index, Index, Index, Index, Index) {
      k_inner0 = (major - a_major) * line.s_major;
      k_inner1 = k_inner0 + steps - 1;
      const Index di = line.x_major ? 0 : 1, dj = line.x_major ? 1 : 0;
      auto open = [&](const std::uint8_t* q) {
        const bool between = ((q[-1] == v) & (q[1] == v)) | ((q[-row] == v) & (q[row] == v));
        return (*q != v) & (between | !radii_painted);
      };
      // The same for pixel (i, j) at q, where pixels may lie in the hole.
      auto open_near_hole = [&](const std::uint8_t* q, Index i, Index j) {
        if (*q == v || in_hole(c, hole2, i, j)) return false;
        if (!radii_painted) return true;
        auto may = [&](const std::uint8_t* r, Index a, Index b) { return *r == v || in_hole(c, hole2, a, b); };
        return (may(q - 1, i - 1, j) && may(q + 1, i + 1, j)) || (may(q - row, i, j - 1) && may(q + row, i, j + 1));
      };
      // Steps k0 ... k1, from the pixel of step k0.  In the regime a step is
      // tested once the next is known, only when the ray strays a pixel from
      // it or from a neighbour; an unknown neighbour counts as straying.
      auto run = [&](Index k0, Index k1) {
        if (k0 > k1) return;
        const Index two_m = 2 * line.m, two_n = 2 * line.n;
        const Index num = two_m * k0 + line.n - 1;
        Index rem = two_n > 0 ? num % two_n : 0;
        Index minor = a_minor + line.s_minor * (two_n > 0 ? num / two_n : 0);
        Index major_k = a_major + line.s_major * k0;
        const Pixel first = pixel(major_k, minor);
        const std::uint8_t* at = sink.pixels + (first.j - sink.top) * row + (first.i - sink.left);
        const Index major_step = line.x_major ? line.s_major : line.s_major * row;
        const Index minor_step = line.s_minor * minor_offset;
        auto test = [&](const std::uint8_t* p, Index major_at, Index minor_at) {
          const Pixel q = pixel(major_at, minor_at);
          if ((major_at - a_major) * line.s_major < k_clear) {
            // Near the hole, whose pixels are not painted yet.
            for (const Index d : {Index{-1}, Index{1}})
              if (open_near_hole(p + d * minor_offset, q.i + d * di, q.j + d * dj))
                out.push_back({q.i + d * di, q.j + d * dj});
            return;
          }
          const bool before = open(p - minor_offset), after = open(p + minor_offset);
          if (before | after) {
            if (before) out.push_back({q.i - di, q.j - dj});
            if (after) out.push_back({q.i + di, q.j + dj});
          }
        };
        if (quiet.regime_lo > quiet.regime_hi) {  // every step tested
          for (Index k = k0; k <= k1; ++k) {
            if (k < k_clear) {
              test(at, major_k, minor);
            } else {
              const bool before = open(at - minor_offset), after = open(at + minor_offset);
              if (before | after) {
                const Pixel q = pixel(major_k, minor);
                if (before) out.push_back({q.i - di, q.j - dj});
                if (after) out.push_back({q.i + di, q.j + dj});
              }
            }
            at += major_step;
            major_k += line.s_major;
            rem += two_m;
            if (rem >= two_n) {
              rem -= two_n;
              at += minor_step;
              minor += line.s_minor;
            }
          }
          return;
        }
        // The other line of a pair, step by step alongside.
        const Index other_two_m = 2 * quiet.other_m, other_two_n = 2 * quiet.other_n;
        const Index other_num = other_two_m * k0 + quiet.other_n - 1;
        Index other_rem = other_num % other_two_n;
        Index other_minor = a_minor + quiet.other_s_minor * (other_num / other_two_n);
        const Index inward = quiet.own.sign > 0.0 ? 1 : -1;
        constexpr double kSteady = 1.0 - QuietSteps::kSlack;
        // delta of both lines, step by step (the rounding adds up to far
        // below the slack).
        double delta = quiet.own.delta(major_k, minor);
        const double delta_major = quiet.own.sign * quiet.own.slope * static_cast<double>(line.s_major);
        const double delta_minor = -quiet.own.sign * static_cast<double>(line.s_minor);
        double other_delta = quiet.pair ? quiet.other.delta(major_k, other_minor) : 0.0;
        const double other_major = quiet.other.sign * quiet.other.slope * static_cast<double>(line.s_major);
        const double other_minor_step = -quiet.other.sign * static_cast<double>(quiet.other_s_minor);
        bool steady_before = false, steady_last = false;  // at steps k - 2 and k - 1
        const std::uint8_t* last_at = nullptr;
        Index last_major = 0, last_minor = 0;
        for (Index k = k0; k <= k1; ++k) {
          bool steady = quiet.regime(k) && std::fabs(delta) < kSteady;
          if (quiet.pair) {
            const Index apart = inward * (other_minor - minor);
            steady = steady && std::fabs(other_delta) < kSteady && apart >= 0 && apart <= QuietSteps::kPairApart;
          }
          if (last_at && !(steady_before && steady_last && steady)) test(last_at, last_major, last_minor);
          steady_before = steady_last, steady_last = steady;
          last_at = at, last_major = major_k, last_minor = minor;
          at += major_step;
          major_k += line.s_major;
          delta += delta_major;
          rem += two_m;
          if (rem >= two_n) {
            rem -= two_n;
            at += minor_step;
            minor += line.s_minor;
            delta += delta_minor;
          }
          other_delta += other_major;
          other_rem += other_two_m;
          if (other_rem >= other_two_n) {
            other_rem -= other_two_n;
            other_minor += quiet.other_s_minor;
            other_delta += other_minor_step;
          }
        }
        test(last_at, last_major, last_minor);
      };
      run(k_inner0, std::min(k_inner1, quiet.lo - 1));
      run(std::max(k_inner0, quiet.hi + 1), k_inner1);
    };
    auto no_plot = [](Index, Index) {};
    walk_line(a_major, a_minor, b_major, b_minor, major_lo + 2, major_hi - 2, minor_lo + 2, minor_hi - 2,
              k_first, 0, no_plot, inner);
    // The other steps in the window, tested one by one: those before the
    // inner ones and those after them.
    auto outer = [&](Index major, Index minor) {
      const Index k = (major - a_major) * line.s_major;
      if ((k >= k_inner0 && k <= k_inner1) || quiet.quiet(k)) return;
      const Pixel p = pixel(major, minor);
      const Index di = line.x_major ? 0 : 1, dj = line.x_major ? 1 : 0;
      add(p.i - di, p.j - dj), add(p.i + di, p.j + dj);
    };
    auto no_run = [](Index, Index, Index, Index, Index, Index, Index, Index) {};
    auto steps_between = [&](Index k0, Index k1) {  // k0 <= k1
      const Index m0 = a_major + line.s_major * k0, m1 = a_major + line.s_major * k1;
      walk_line(a_major, a_minor, b_major, b_minor, std::max(major_lo, std::min(m0, m1)),
                std::min(major_hi, std::max(m0, m1)), minor_lo - 1, minor_hi + 1, k_first, line.n + 1, outer, no_run);
    };
    if (k_inner0 > k_inner1) {
      steps_between(k_first, line.n);
    } else {
      if (k_inner0 > k_first) steps_between(k_first, k_inner0 - 1);
      if (k_inner1 < line.n) steps_between(k_inner1 + 1, line.n);
    }
  };
  // The candidates of the lines seen last: the sectors of a fine track share
  // their radii with their neighbours.
  struct Seen {
    LinePixels line;
    std::vector<Pixel> pixels;
  };
  Seen seen[2];
  int next = 0;
  std::vector<Pixel> scratch;
  auto candidates_of = [&](const LinePixels& line, double x1, double y1) -> const std::vector<Pixel>& {
    for (const Seen& s : seen)
      if (s.line == line) return s.pixels;
    Seen& s = seen[next];
    next ^= 1;
    s.line = line;
    collect(line, x1, y1, QuietSteps{}, s.pixels);
    return s.pixels;
  };
  const bool centre_near = std::fabs(c.cx) <= kFarLimit && std::fabs(c.cy) <= kFarLimit;
  const Index centre_i = centre_near ? floor_pixel(c.cx) : 0, centre_j = centre_near ? floor_pixel(c.cy) : 0;
  // A sector of a fine track whose radii are one line, the one of the
  // sector before: the pixels next to that line were found with what their
  // neighbours are (sector-independent), so that for this sector only
  // angles are compared.  For each candidate, the angle of the pixel (-1
  // outside the disc) and of each pixel beyond it from a pixel of the line
  // (-1 outside the disc or when it may not be covered).
  struct Beyond {
    Pixel p;
    double angle;
    double beyond[4];
  };
  Index shared_i = 0, shared_j = 0;  // the line's end pixel
  bool shared = false;
  LinePixels shared_line;
  std::vector<Beyond> beyond;
  auto angle_in_disc = [&](Index i, Index j) {
    const double dx = (static_cast<double>(i) + 0.5) - c.cx;
    const double dy = (static_cast<double>(j) + 0.5) - c.cy;
    return dx * dx + dy * dy <= r2 ? pixel_angle(dx, c.cy - (static_cast<double>(j) + 0.5)) : -1.0;
  };
  auto on_arc = [](const ArcRange& arc, double t) {
    return t >= 0.0 && (arc.start <= arc.end ? (arc.start <= t && t <= arc.end) : (t >= arc.start || t <= arc.end));
  };
  for (std::size_t k = 0; k < arcs.size(); ++k) {
    const ArcRange& arc = arcs[k];
    const RadiusEnds& e = ends[k];
    if (arcs.size() > 1 && centre_near && std::fabs(e.x[0]) <= kFarLimit && std::fabs(e.y[0]) <= kFarLimit) {
      const Index i0 = floor_pixel(e.x[0]), j0 = floor_pixel(e.y[0]);
      if (i0 == floor_pixel(e.x[1]) && j0 == floor_pixel(e.y[1])) {
        if (!shared || i0 != shared_i || j0 != shared_j) {
          shared = true, shared_i = i0, shared_j = j0;
          shared_line = LinePixels(centre_i, centre_j, e.x[0], e.y[0]);
          collect(shared_line, e.x[0], e.y[0], QuietSteps{}, scratch);
          beyond.clear();
          for (const Pixel& p : scratch) {
            Beyond b{p, angle_in_disc(p.i, p.j), {-1.0, -1.0, -1.0, -1.0}};
            for (int d = 0; d < 4; ++d) {
              const Index di = kSteps[d][0], dj = kSteps[d][1];
              if (may_cover(p.i - di, p.j - dj) && may_cover(p.i + di, p.j + dj) &&
                  shared_line.covers(p.i - di, p.j - dj))
                b.beyond[d] = angle_in_disc(p.i + di, p.j + dj);
            }
            beyond.push_back(b);
          }
        }
        for (const Beyond& b : beyond) {
          if (value(b.p.i, b.p.j) == sink.value || on_arc(arc, b.angle)) continue;
          for (const double t : b.beyond)
            if (on_arc(arc, t)) {
              sink.put(b.p.i, b.p.j);
              break;
            }
        }
        continue;
      }
    }
    auto line_to = [&](int n) {
      return centre_near && std::fabs(e.x[n]) <= kFarLimit && std::fabs(e.y[n]) <= kFarLimit
                 ? LinePixels(centre_i, centre_j, e.x[n], e.y[n])
                 : LinePixels(c.cx, c.cy, e.x[n], e.y[n]);
    };
    const LinePixels lines[2] = {line_to(0), line_to(1)};
    auto radius = [&](Index i, Index j) { return lines[0].covers(i, j) || lines[1].covers(i, j); };
    // The rays' directions (y up) from their ends, set at the first use:
    // within a few ulps of the coordinates, so a cross product with a pixel
    // centre's direction decides on which side of a ray it lies unless
    // within a ten-millionth of its length, where the angle itself decides.
    const double w = arc.start <= arc.end ? arc.end - arc.start : arc.end - arc.start + kTwoPi;
    const bool full = arc.start == 0.0 && arc.end == kTwoPi;
    constexpr double kNear = 67108864.0;  // 2^26
    const bool crossed = !full && std::fabs(c.cx) < kNear && std::fabs(c.cy) < kNear && c.r < kNear;
    double ray[2][2] = {};
    bool rays = false;
    auto sector = [&](Index i, Index j) {
      const double dx = (static_cast<double>(i) + 0.5) - c.cx;
      const double dy = (static_cast<double>(j) + 0.5) - c.cy;
      if (!(dx * dx + dy * dy <= r2)) return false;
      if (full) return true;
      const double dy_up = c.cy - (static_cast<double>(j) + 0.5);
      if (crossed) {
        if (!rays) {
          for (int n = 0; n < 2; ++n) ray[n][0] = (e.x[n] - c.cx) / c.r, ray[n][1] = (c.cy - e.y[n]) / c.r;
          rays = true;
        }
        // > 0: counter-clockwise of the ray, within half a turn.
        const double cs = ray[0][0] * dy_up - ray[0][1] * dx, ce = ray[1][0] * dy_up - ray[1][1] * dx;
        const double tolerance = 1e-7 * (std::fabs(dx) + std::fabs(dy_up));
        if (std::fabs(cs) > tolerance && std::fabs(ce) > tolerance)
          return w < kTwoPi / 2 ? cs > 0.0 && ce < 0.0 : !(cs < 0.0 && ce > 0.0);
      }
      const double t = pixel_angle(dx, dy_up);
      return arc.start <= arc.end ? (arc.start <= t && t <= arc.end) : (t >= arc.start || t <= arc.end);
    };
    // One line for both radii has no pixel on both sides of another.
    const bool one_line = lines[0] == lines[1];
    auto close = [&](const Pixel& p) {
      if (value(p.i, p.j) == sink.value) return;  // closed for an earlier sector
      for (const auto& [di, dj] : kSteps) {
        const Index bi = p.i - di, bj = p.j - dj, fi = p.i + di, fj = p.j + dj;
        if (!may_cover(bi, bj) || !may_cover(fi, fj)) continue;
        if (!sector(fi, fj) && (one_line || !radius(fi, fj))) continue;
        if (!radius(bi, bj)) continue;
        if (!sector(p.i, p.j)) sink.put(p.i, p.j);
        return;
      }
    };
    for (int n = 0; n < 2; ++n) {
      if (n == 1 && lines[1] == lines[0]) break;
      // The sector's own edges rule out most steps of a line without reading
      // it, but not for another sector; a line without such steps, as the
      // fine tracks' are, is searched once for the sectors that share it.
      const QuietSteps quiet = worth_ruling_out(c, arc, lines[n], hole2) ? quiet_steps(c, arc, e, n, lines) : QuietSteps{};
      if (quiet.regime_lo > quiet.regime_hi && arcs.size() > 1) {
        for (const Pixel& p : candidates_of(lines[n], e.x[n], e.y[n])) close(p);
        continue;
      }
      collect(lines[n], e.x[n], e.y[n], quiet, scratch);
      for (const Pixel& p : scratch) close(p);
    }
  }
}

}  // namespace vantor::raster
