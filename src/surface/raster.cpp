#include "surface/raster.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <limits>

namespace vantor::raster {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kHalfPi = kPi / 2.0;
constexpr double kThreeHalfPi = 1.5 * kPi;
constexpr double kInf = std::numeric_limits<double>::infinity();

// v converted to an index, saturated to [lo, hi]; NaN gives lo.  v is
// expected to be integral already (floor/ceil), or infinite.
Index to_index(double v, Index lo, Index hi) {
  if (!(v > static_cast<double>(lo))) return lo;
  if (v >= static_cast<double>(hi)) return hi;
  return static_cast<Index>(v);
}

// floor(v) and ceil(v) saturated to [lo, hi] like to_index, without a libm
// call: v is truncated only once it is known to lie strictly inside.
Index floor_index(double v, Index lo, Index hi) {
  if (!(v > static_cast<double>(lo))) return lo;
  if (v >= static_cast<double>(hi)) return hi;
  const Index t = static_cast<Index>(v);
  return static_cast<double>(t) > v ? t - 1 : t;
}
Index ceil_index(double v, Index lo, Index hi) {
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
double row_slack(const PixelCircle& c) { return 1e-6 + 1e-9 * (std::fabs(c.cx) + std::fabs(c.cy) + c.r); }

// The window's rows whose centre y lies in [y0 - slack, y1 + slack].  False
// when none.
bool row_range(const SpanSink& sink, double y0, double y1, double slack, Index& j0, Index& j1) {
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
double ring_hole(const PixelCircle& c) { return c.r > 1.0 ? (c.r - 1.0) * (c.r - 1.0) : kNoHole; }

// The pixels i in [lo_limit, hi_limit] of a row with dx*dx + dy2 <= r2,
// where dx = (i + 0.5) - cx and dy2 = dy*dy for the row.  They form one
// interval: the rounded squared distance is monotone on either side of the
// centre, and the pixel of the range nearest the centre's column minimises
// it.
bool disc_span(double cx, double dy2, double r2, Index lo_limit, Index hi_limit, Index& lo, Index& hi) {
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
void span_around_hole(const SpanSink& sink, Index j, Index a, Index b, Index c, double cx, double dy2,
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

// Compares the angle t = pixel_angle(dx, dy_up) with ray.angle, where the
// ray lies strictly inside the half plane of the row (0 < angle < pi for
// dy_up >= 0, pi < angle < 2pi for dy_up < 0).  Returns -1 when t < angle,
// +1 when t > angle, computed from the sign of the cross product (which is
// |v| sin(t - angle)); that sign decides only when it clears the rounding
// of atan2 and of the ray's cos and sin by orders of magnitude.  Otherwise
// returns 0 and the caller evaluates pixel_angle.
int side_of(const Ray& ray, double dx, double dy_up) {
  const double cross = ray.cos * dy_up - ray.sin * dx;
  const double tolerance = 1e-12 * (std::fabs(dx) + std::fabs(dy_up));
  if (cross > tolerance) return 1;
  if (cross < -tolerance) return -1;
  return 0;
}

// The largest and the smallest rho * s over rho in [rho_lo, rho_hi]
// (rho_hi may be infinite; 0 * infinity is taken as 0).
double largest_product(double rho_lo, double rho_hi, double s) { return s > 0 ? rho_hi * s : s < 0 ? rho_lo * s : 0.0; }
double smallest_product(double rho_lo, double rho_hi, double s) { return s < 0 ? rho_hi * s : s > 0 ? rho_lo * s : 0.0; }

// Calls emit(lo, hi) for the pixels of [a, b] on a row whose angle lies in
// the piece.  Along a row the pixel angle is monotone (non-increasing in
// [0, pi] on and above the centre row, non-decreasing in [pi, 2pi] below),
// so they form one interval; its ends are searched from the rays' crossings.
template <class Emit>
void piece_span(double cx, double dy_up, Index a, Index b, const ArcPiece& p, Emit emit) {
  auto dx_of = [&](Index i) { return (static_cast<double>(i) + 0.5) - cx; };
  auto angle = [&](Index i) { return pixel_angle(dx_of(i), dy_up); };
  // t(i) <= ray.angle and t(i) >= ray.angle for a ray inside the row's half.
  auto at_most = [&](const Ray& r) {
    return [&, r](Index i) {
      const int side = side_of(r, dx_of(i), dy_up);
      return side != 0 ? side < 0 : angle(i) <= r.angle;
    };
  };
  auto at_least = [&](const Ray& r) {
    return [&, r](Index i) {
      const int side = side_of(r, dx_of(i), dy_up);
      return side != 0 ? side > 0 : angle(i) >= r.angle;
    };
  };
  auto guess = [&](const Ray& r, bool low) {
    const double x = cx + dy_up * r.cot - 0.5;
    return low ? ceil_index(x, a - 1, b + 1) : floor_index(x, a - 1, b + 1);
  };
  const double s = p.start.angle;
  const double e = p.end.angle;
  // With both rays strictly inside the row's half plane, the pixels lie
  // between the rays' crossings with the row, widened by the uncertainty of
  // the rule's boundary there: the rounding of atan2, of the rays and of
  // the crossing, which a change of the angle by d moves by d * dy_up /
  // sin^2.  A thin sector's row usually has no pixel centre between them.
  const bool upper = dy_up > 0.0;
  if (upper ? (s > 0.0 && e < kPi) : (dy_up < 0.0 && s > kPi && e < kTwoPi)) {
    // Pixel i lies right of a crossing at x when i > x - 1/2.  The pixels
    // right of the left ray's crossing and left of the right ray's qualify.
    const Ray& left = upper ? p.end : p.start;
    const Ray& right = upper ? p.start : p.end;
    const double base = 1e-6 + 1e-12 * std::fabs(cx);
    const double height = 1e-12 * std::fabs(dy_up);
    const double v = cx + dy_up * left.cot - 0.5, v_slack = base + height * left.spread;
    const double w = cx + dy_up * right.cot - 0.5, w_slack = base + height * right.spread;
    const Index i0 = ceil_index(v - v_slack, a - 1, b + 1);
    const Index i1 = floor_index(w + w_slack, a - 1, b + 1);
    if (i0 > i1 || i0 > b || i1 < a) return;
    a = std::max(a, i0);
    b = std::min(b, i1);
    // Ends beyond the uncertainty are decided without the rule; the pixels
    // before i0 and after i1 are out.
    const bool lo_decided = static_cast<double>(a) > v + v_slack;
    const bool hi_decided = static_cast<double>(b) < w - w_slack;
    if (lo_decided && hi_decided) {
      emit(a, b);
      return;
    }
  }
  Index lo;
  Index hi;
  if (dy_up >= 0.0) {
    if (e >= kPi || e <= 0.0) {
      lo = first_true(a, b, e >= kPi ? a : b + 1, [&](Index i) { return angle(i) <= e; });
    } else {
      lo = first_true(a, b, guess(p.end, true), at_most(p.end));
    }
    if (s >= kPi || s <= 0.0) {
      hi = last_true(a, b, s <= 0.0 ? b : a - 1, [&](Index i) { return angle(i) >= s; });
    } else {
      hi = last_true(a, b, guess(p.start, false), at_least(p.start));
    }
  } else {
    if (s <= kPi || s >= kTwoPi) {
      lo = first_true(a, b, s <= kPi ? a : b + 1, [&](Index i) { return angle(i) >= s; });
    } else {
      lo = first_true(a, b, guess(p.start, true), at_least(p.start));
    }
    if (e <= kPi || e >= kTwoPi) {
      hi = last_true(a, b, e >= kTwoPi ? b : a - 1, [&](Index i) { return angle(i) <= e; });
    } else {
      hi = last_true(a, b, guess(p.end, false), at_most(p.end));
    }
  }
  if (lo <= hi) emit(lo, hi);
}

bool full_turn(ArcRange arc) { return arc.start == 0.0 && arc.end == kTwoPi; }

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

}  // namespace

namespace {

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

// sin and cos of a in [0, 2pi] to within 5e-17 plus a few ulps: a less
// the nearest multiple k of pi/2 (pi/2 in two parts, the first of 33 bits so
// that k times it is exact), then Taylor polynomials on |r| <= pi/4 whose
// first omitted terms are below 5e-17.
void sin_cos(double a, double& sin_a, double& cos_a) {
  constexpr double kTwoOverPi = 0.63661977236758134308;
  constexpr double kHalfPiHigh = 1.57079632673412561417e+00;
  constexpr double kHalfPiLow = 6.07710050650619224932e-11;
  const int k = static_cast<int>(a * kTwoOverPi + 0.5);
  const double r = (a - k * kHalfPiHigh) - k * kHalfPiLow;
  const double r2 = r * r;
  const double sr =
      r + r * r2 *
              (-1.0 / 6 +
               r2 * (1.0 / 120 +
                     r2 * (-1.0 / 5040 +
                           r2 * (1.0 / 362880 +
                                 r2 * (-1.0 / 39916800 + r2 * (1.0 / 6227020800 + r2 * (-1.0 / 1307674368000)))))));
  const double cr =
      1.0 + r2 * (-0.5 + r2 * (1.0 / 24 +
                               r2 * (-1.0 / 720 +
                                     r2 * (1.0 / 40320 +
                                           r2 * (-1.0 / 3628800 +
                                                 r2 * (1.0 / 479001600 +
                                                       r2 * (-1.0 / 87178291200 + r2 * (1.0 / 20922789888000))))))));
  switch (k & 3) {
    case 0:
      sin_a = sr, cos_a = cr;
      break;
    case 1:
      sin_a = cr, cos_a = -sr;
      break;
    case 2:
      sin_a = -sr, cos_a = -cr;
      break;
    default:
      sin_a = -cr, cos_a = sr;
      break;
  }
}

// The ray's cosine and sine need only be close: the cross product that uses
// them decides only far beyond their error, and the row bounds and guesses
// have room to spare.
Ray make_ray(double angle) {
  double s, c;
  sin_cos(angle, s, c);
  const double cot = s != 0.0 ? c / s : kInf;
  return {angle, c, s, cot, 1.0 + std::fabs(cot) + cot * cot};
}

}  // namespace

Arc::Arc(ArcRange r) : range(r) {
  if (r.start <= r.end) {
    piece[0] = {make_ray(r.start), make_ray(r.end)};
    pieces = 1;
  } else {
    static const Ray kTurn = make_ray(kTwoPi);
    static const Ray kZero = make_ray(0.0);
    piece[0] = {make_ray(r.start), kTurn};
    piece[1] = {kZero, make_ray(r.end)};
    pieces = 2;
  }
  sin_lo = 1.0;
  sin_hi = -1.0;
  for (int k = 0; k < pieces; ++k) {
    const double s = piece[k].start.angle;
    const double e = piece[k].end.angle;
    const double ss = piece[k].start.sin;
    const double se = piece[k].end.sin;
    sin_hi = std::max(sin_hi, (s <= kHalfPi && kHalfPi <= e) ? 1.0 : std::max(ss, se));
    sin_lo = std::min(sin_lo, (s <= kThreeHalfPi && kThreeHalfPi <= e) ? -1.0 : std::min(ss, se));
  }
}

void SpanSink::fill(std::uint8_t* p, Index n) const { std::memset(p, value, static_cast<std::size_t>(n)); }

void fill_disc(const SpanSink& sink, const PixelCircle& c, double hole2) {
  if (sink.empty()) return;
  const double r2 = c.r * c.r;
  if (hole2 >= r2) return;  // every pixel of the disc is in the hole
  Index j0, j1;
  if (r2 < kInf) {
    if (!row_range(sink, c.cy - c.r, c.cy + c.r, row_slack(c), j0, j1)) return;
  } else {
    // The square overflows: every pixel's squared distance is <= infinity.
    j0 = sink.first_row();
    j1 = sink.last_row();
  }
  for (Index j = j0; j <= j1; ++j) {
    const double dy = (static_cast<double>(j) + 0.5) - c.cy;
    const double dy2 = dy * dy;
    Index lo, hi;
    if (disc_span(c.cx, dy2, r2, sink.first_column(), sink.last_column(), lo, hi))
      span_outside_hole(sink, j, lo, hi, c.cx, dy2, hole2);
  }
}

void fill_disc_over(const SpanSink& sink, const PixelCircle& c, std::uint8_t background) {
  if (sink.empty()) return;
  const SpanSink rest{sink.pixels, sink.width, sink.height, sink.left, sink.top, background};
  const double r2 = c.r * c.r;
  Index j0 = sink.first_row(), j1 = sink.first_row() - 1;
  if (!(r2 < kInf)) {
    j1 = sink.last_row();
  } else if (!row_range(sink, c.cy - c.r, c.cy + c.r, row_slack(c), j0, j1)) {
    j0 = sink.last_row() + 1;
  }
  for (Index j = sink.first_row(); j <= sink.last_row(); ++j) {
    Index lo = sink.last_column() + 1, hi = sink.last_column();
    if (j >= j0 && j <= j1) {
      const double dy = (static_cast<double>(j) + 0.5) - c.cy;
      if (!disc_span(c.cx, dy * dy, r2, sink.first_column(), sink.last_column(), lo, hi)) {
        lo = sink.last_column() + 1;
        hi = sink.last_column();
      }
    }
    rest.span(j, sink.first_column(), lo - 1);
    sink.span(j, lo, hi);
    rest.span(j, hi + 1, sink.last_column());
  }
}

void draw_ring(const SpanSink& sink, const PixelCircle& c, double hole2) {
  fill_disc(sink, c, std::max(hole2, ring_hole(c)));
}

void fill_sector(const SpanSink& sink, const PixelCircle& c, const Arc& arc, double hole2) {
  if (full_turn(arc.range)) {
    fill_disc(sink, c, hole2);
    return;
  }
  if (sink.empty()) return;
  const double r2 = c.r * c.r;
  if (hole2 >= r2) return;
  const int n = arc.pieces;
  const double sin_lo = arc.sin_lo;
  const double sin_hi = arc.sin_hi;
  // The pixels lie between the hole and the rim (no rim when the square
  // overflows), so dy_up = rho * sin(t) is bounded by both radii.
  const double rho_lo = hole2 > 0.0 ? std::sqrt(hole2) : 0.0;
  const double rho_hi = r2 < kInf ? c.r : kInf;
  const double up_max = largest_product(rho_lo, rho_hi, sin_hi);
  const double up_min = smallest_product(rho_lo, rho_hi, sin_lo);
  Index j0, j1;
  if (!row_range(sink, c.cy - up_max, c.cy - up_min, row_slack(c), j0, j1)) return;
  const Index col0 = sink.first_column();
  const Index col1 = sink.last_column();
  // The disc's span of row j clips [a, b]; false when nothing is left.
  // Both the disc's and the arc's pixels form one interval in the row, so an
  // arc span whose ends lie in the disc lies in it entirely.
  auto clip_to_disc = [&](double dy2, Index& a, Index& b) {
    auto inside = [&](Index i) {
      const double dx = (static_cast<double>(i) + 0.5) - c.cx;
      return dx * dx + dy2 <= r2;
    };
    if (inside(a) && inside(b)) return true;
    Index lo, hi;
    if (!disc_span(c.cx, dy2, r2, col0, col1, lo, hi)) return false;
    a = std::max(a, lo);
    b = std::min(b, hi);
    return a <= b;
  };
  auto any_row = [&](Index j) {
    const double y = static_cast<double>(j) + 0.5;
    const double dy = y - c.cy;
    const double dy2 = dy * dy;
    if (dy2 > r2) return;
    for (int k = 0; k < n; ++k) {
      piece_span(c.cx, c.cy - y, col0, col1, arc.piece[k], [&](Index a, Index b) {
        if (clip_to_disc(dy2, a, b)) span_outside_hole(sink, j, a, b, c.cx, dy2, hole2);
      });
    }
  };
  // A sector within one half plane, as a thin one is: on its side of the
  // centre every row's pixels lie between the rays' crossings (see
  // piece_span), and where both crossings are clear of the pixel centres
  // beyond the rule's uncertainty the row needs no search.
  const ArcPiece& p = arc.piece[0];
  const bool upper = n == 1 && p.start.angle > 0.0 && p.end.angle < kPi;
  const bool lower = n == 1 && p.start.angle > kPi && p.end.angle < kTwoPi;
  if (!upper && !lower) {
    for (Index j = j0; j <= j1; ++j) any_row(j);
    return;
  }
  const Ray& left = upper ? p.end : p.start;
  const Ray& right = upper ? p.start : p.end;
  const double base = 1e-6 + 1e-12 * std::fabs(c.cx);
  const double left_slack = 1e-12 * left.spread, right_slack = 1e-12 * right.spread;
  const double x0 = c.cx - 0.5;
  const double first = static_cast<double>(col0) - 1.0, last = static_cast<double>(col1) + 1.0;
  // A pixel centre between the rays at height h lies at h / sin(t) from the
  // centre, t between the rays' angles, so within [h / sin_most, h /
  // sin_least]: where that lies clear of the rim and of the hole (by a
  // millionth, far beyond the rounding of the rule), the span needs neither.
  const double sin_s = std::fabs(p.start.sin), sin_e = std::fabs(p.end.sin);
  const bool through_top = upper ? (p.start.angle <= kHalfPi && kHalfPi <= p.end.angle)
                                 : (p.start.angle <= kThreeHalfPi && kThreeHalfPi <= p.end.angle);
  const double sin_most = (through_top ? 1.0 : std::max(sin_s, sin_e)) * (1 + 1e-6);
  const double sin_least = std::min(sin_s, sin_e) * (1 - 1e-6);
  const double within_rim = r2 < kInf ? c.r * (1 - 1e-6) - 1e-6 : kInf;
  const double beyond_hole = hole2 > 0.0 ? std::sqrt(hole2) * (1 + 1e-6) + 1e-6 : -1.0;
  for (Index j = j0; j <= j1; ++j) {
    const double y = static_cast<double>(j) + 0.5;
    const double dy = y - c.cy;
    const double dy2 = dy * dy;
    if (dy2 > r2) continue;
    const double dy_up = c.cy - y;
    if (upper ? !(dy_up > 0.0) : !(dy_up < 0.0)) {
      any_row(j);
      continue;
    }
    const double height = std::fabs(dy_up);
    const double v = x0 + dy_up * left.cot, v_slack = base + height * left_slack;
    const double w = x0 + dy_up * right.cot, w_slack = base + height * right_slack;
    const double lo = std::max(v - v_slack, first), hi = std::min(w + w_slack, last);
    if (!(lo <= hi)) continue;
    // lo and hi lie within the window's columns widened by one.
    Index a = static_cast<Index>(lo), b = static_cast<Index>(hi);
    a += static_cast<double>(a) < lo;  // ceil
    b -= static_cast<double>(b) > hi;  // floor
    a = std::max(a, col0);
    b = std::min(b, col1);
    if (a > b) continue;
    if (!(static_cast<double>(a) > v + v_slack && static_cast<double>(b) < w - w_slack)) {
      any_row(j);
      continue;
    }
    if (height < within_rim * sin_least && height > beyond_hole * sin_most) {
      sink.span(j, a, b);
      continue;
    }
    if (clip_to_disc(dy2, a, b)) span_outside_hole(sink, j, a, b, c.cx, dy2, hole2);
  }
}

namespace {

// The arcs as closed angle intervals within [0, 2pi], sorted and disjoint.
// An arc through 0 gives a piece ending at 2pi in its place and one from 0
// kept apart, so that arcs given in order of their start (as a disc's track
// gives them) need no sorting, only a merge.
std::vector<ArcRange> merged_pieces(const std::vector<ArcRange>& arcs) {
  std::vector<ArcRange> pieces, from_zero;
  pieces.reserve(arcs.size());
  for (const ArcRange& a : arcs) {
    if (a.start <= a.end) {
      pieces.push_back(a);
    } else {
      pieces.push_back({a.start, kTwoPi});
      from_zero.push_back({0.0, a.end});
    }
  }
  auto by_start = [](const ArcRange& x, const ArcRange& y) { return x.start < y.start; };
  // Insertion sort while the pieces are nearly in order (a track's first
  // slot starts late, a few places on), a full sort once that costs more.
  const std::size_t budget = 8 * pieces.size();
  std::size_t moves = 0;
  for (std::size_t i = 1; i < pieces.size() && moves <= budget; ++i) {
    for (std::size_t k = i; k > 0 && pieces[k].start < pieces[k - 1].start && moves <= budget; --k, ++moves)
      std::swap(pieces[k], pieces[k - 1]);
  }
  if (moves > budget) std::sort(pieces.begin(), pieces.end(), by_start);
  if (!from_zero.empty()) {
    std::sort(from_zero.begin(), from_zero.end(), by_start);
    std::vector<ArcRange> all(pieces.size() + from_zero.size());
    std::merge(from_zero.begin(), from_zero.end(), pieces.begin(), pieces.end(), all.begin(), by_start);
    pieces.swap(all);
  }
  std::vector<ArcRange> merged;
  merged.reserve(pieces.size());
  for (const ArcRange& p : pieces) {
    if (!merged.empty() && p.start <= merged.back().end)
      merged.back().end = std::max(merged.back().end, p.end);
    else
      merged.push_back(p);
  }
  return merged;
}

// The pixels of the disc outside the hole whose angle lies in one of the
// intervals, found pixel by pixel.  Along a row the angle is monotone, so
// the interval found for one pixel is where the search for the next starts.
void fill_pieces_by_pixel(const SpanSink& sink, const PixelCircle& c, const std::vector<ArcRange>& pieces,
                          double hole2, Index j0, Index j1) {
  const double r2 = c.r * c.r;
  const Index count = static_cast<Index>(pieces.size());
  // The index of the last piece starting at or before t, -1 when none:
  // the previous answer or a neighbour of it, else a bisection.
  auto locate = [&](double t, Index k) {
    auto fits = [&](Index m) {
      return m >= -1 && m < count && (m < 0 || pieces[m].start <= t) && (m + 1 >= count || t < pieces[m + 1].start);
    };
    if (fits(k)) return k;
    if (fits(k + 1)) return k + 1;
    if (fits(k - 1)) return k - 1;
    const auto it =
        std::upper_bound(pieces.begin(), pieces.end(), t, [](double v, const ArcRange& p) { return v < p.start; });
    return static_cast<Index>(it - pieces.begin()) - 1;
  };
  Index hint = 0;
  for (Index j = j0; j <= j1; ++j) {
    const double y = static_cast<double>(j) + 0.5;
    const double dy = y - c.cy;
    const double dy2 = dy * dy;
    const double dy_up = c.cy - y;
    Index lo, hi;
    if (!disc_span(c.cx, dy2, r2, sink.first_column(), sink.last_column(), lo, hi)) continue;
    // The ring's pixels of the row: the disc's span less the hole's.
    Index segments[2][2] = {{lo, hi}, {0, -1}};
    if (dy2 <= hole2) {
      Index hole_lo, hole_hi;
      if (disc_span(c.cx, dy2, hole2, lo, hi, hole_lo, hole_hi)) {
        segments[0][1] = hole_lo - 1;
        segments[1][0] = hole_hi + 1;
        segments[1][1] = hi;
      }
    }
    for (const auto& seg : segments) {
      Index run_start = 0;
      bool in_run = false;
      for (Index i = seg[0]; i <= seg[1]; ++i) {
        const double t = pixel_angle((static_cast<double>(i) + 0.5) - c.cx, dy_up);
        hint = locate(t, hint);
        const bool covered = hint >= 0 && t <= pieces[hint].end;
        if (covered && !in_run) run_start = i;
        if (!covered && in_run) sink.span(j, run_start, i - 1);
        in_run = covered;
      }
      if (in_run) sink.span(j, run_start, seg[1]);
    }
  }
}

}  // namespace

void fill_sectors(const SpanSink& sink, const PixelCircle& c, const std::vector<ArcRange>& arcs, double hole2) {
  if (sink.empty() || arcs.empty()) return;
  const double r2 = c.r * c.r;
  if (hole2 >= r2) return;
  Index j0, j1;
  if (r2 < kInf) {
    if (!row_range(sink, c.cy - c.r, c.cy + c.r, row_slack(c), j0, j1)) return;
  } else {
    j0 = sink.first_row();
    j1 = sink.last_row();
  }
  // The cost of both ways, in the time of a row of a thin sector: a pixel
  // of the ring costs about three (atan2), a sector's row one; a sector
  // spans about (r - rho) * 2/pi + 3 rows of the ring, at most the window's.
  const double rho = hole2 > 0.0 ? std::sqrt(hole2) : 0.0;
  double ring_pixels = 0.0;
  for (Index j = j0; j <= j1 && r2 < kInf; ++j) {
    const double dy = (static_cast<double>(j) + 0.5) - c.cy;
    const double outer = r2 - dy * dy, inner = rho * rho - dy * dy;
    if (outer > 0.0) ring_pixels += 2.0 * (std::sqrt(outer) - (inner > 0.0 ? std::sqrt(inner) : 0.0));
  }
  const double rows = static_cast<double>(j1 - j0 + 1);
  ring_pixels = std::min(ring_pixels, static_cast<double>(sink.width) * rows);
  const double sector_rows = static_cast<double>(arcs.size()) * std::min((c.r - rho) * (2.0 / kPi) + 3.0, rows);
  if (r2 < kInf && 3.0 * ring_pixels < sector_rows) {
    fill_pieces_by_pixel(sink, c, merged_pieces(arcs), hole2, j0, j1);
    return;
  }
  for (const ArcRange& a : arcs) fill_sector(sink, c, Arc(a), hole2);
}

void draw_arc(const SpanSink& sink, const PixelCircle& c, const Arc& arc, double hole2) {
  fill_sector(sink, c, arc, std::max(hole2, ring_hole(c)));
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
  if (!(hole2 > 0.0) || beyond_far_limit(c.cx, c.cy, x1, y1)) {
    draw_line(sink, c.cx, c.cy, x1, y1);
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
  auto outside = [&](Index i, Index j) {
    const double px = (static_cast<double>(i) + 0.5) - c.cx;
    const double py = (static_cast<double>(j) + 0.5) - c.cy;
    return !(px * px + py * py <= hole2);
  };
  line_from_step(sink, c.cx, c.cy, x1, y1, k_first, k_tested, outside);
}

void radius_end(const PixelCircle& c, double angle, double& x, double& y) {
  double sin_m, cos_m;
  sin_cos(angle, sin_m, cos_m);
  const double near_x = c.cx + c.r * cos_m;
  const double near_y = c.cy - c.r * sin_m;
  // sin_cos lies within 1e-15 of std::cos and std::sin, so the two ends
  // differ by less than this, rounding included; an end
  // farther than that from every pixel edge has the exact end's pixel.
  const double margin = 1e-14 * (c.r + std::fabs(c.cx) + std::fabs(c.cy));
  auto decided = [&](double v) {
    if (!(std::fabs(v) < kFarLimit)) return false;
    const double below = static_cast<double>(floor_pixel(v));
    return v - below > margin && below + 1.0 - v > margin;
  };
  if (decided(near_x) && decided(near_y)) {
    x = near_x;
    y = near_y;
    return;
  }
  x = c.cx + c.r * std::cos(angle);
  y = c.cy - c.r * std::sin(angle);
}

}  // namespace vantor::raster
