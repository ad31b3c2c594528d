// Lines and radii, in canvas pixels (x right, y down).  A line is the
// midpoint (Bresenham) line between the pixels that contain its end points,
// both end pixels included; a zero-length line is its one pixel.  An end
// beyond kFarLimit is first moved along the segment onto the square
// [-kFarLimit, kFarLimit]^2, and a segment that misses that square draws
// nothing.  A radius is the line from a circle's centre less its pixels in
// the hole.  Only the steps inside the window are visited, so the work is
// bounded by the window, not by the line's length; an empty window draws
// nothing.
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

void draw_radius(const SpanSink& sink, const PixelCircle& c, double x1, double y1, double hole2) {
  if (sink.empty()) return;
  if (!(hole2 > 0.0)) {
    draw_line(sink, c.cx, c.cy, x1, y1);
    return;
  }
  auto outside = [&](Index i, Index j) {
    const double px = (static_cast<double>(i) + 0.5) - c.cx;
    const double py = (static_cast<double>(j) + 0.5) - c.cy;
    return !(px * px + py * py <= hole2);
  };
  if (beyond_far_limit(c.cx, c.cy, x1, y1)) {
    // The clipped line's steps no longer count from the centre: every pixel
    // in the window is tested.
    double x0 = c.cx, y0 = c.cy;
    if (clip_to_far_square(x0, y0, x1, y1)) line_from_step(sink, x0, y0, x1, y1, 0, kWholeLine, outside);
    return;
  }
  // With n and m the major and minor extent and length = sqrt(1 + (m/n)^2)
  // the distance of a step, the centre of the pixel at step k lies within
  // sqrt(1/4 + 1) < 1.2 of the point k * length from the centre (half a
  // pixel from the first pixel's centre on each axis, and half a step of
  // minor rounding).  So the steps with k * length <= sqrt(hole2) - 1.2 lie
  // in the hole and are left out untested, those with k * length >=
  // sqrt(hole2) + 1.2 lie outside it and are drawn untested, and only the
  // few between are tested; the margins cover the rounding of coordinates
  // below 2^28 and of the length.
  const double dx = std::fabs(static_cast<double>(floor_pixel(x1) - floor_pixel(c.cx)));
  const double dy = std::fabs(static_cast<double>(floor_pixel(y1) - floor_pixel(c.cy)));
  const double n = std::max(dx, dy);
  const double m = std::min(dx, dy);
  Index k_first = 0;
  Index k_tested = 1;  // a line of one pixel: that pixel is tested
  if (n > 0.0) {
    const double hole_r = std::sqrt(hole2);
    const double margin = 1.2 + 1e-9 * (std::fabs(c.cx) + std::fabs(c.cy) + hole_r);
    const double length = std::sqrt(n * n + m * m) / n;
    const double inside = (hole_r - margin) / (length * (1 + 1e-12));
    const double outside = (hole_r + margin) / (length * (1 - 1e-12));
    if (inside > 0.0) k_first = static_cast<Index>(std::min(inside, n + 1));
    k_tested = static_cast<Index>(std::min(std::ceil(outside), n + 1)) + 1;
  }
  line_from_step(sink, c.cx, c.cy, x1, y1, k_first, k_tested, outside);
}

}  // namespace vantor::raster
