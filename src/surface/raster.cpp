#include "surface/raster.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace vantor::raster {
namespace {

using Index = std::int64_t;

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

// Slack, in pixels, added around a figure's row range: one pixel plus the
// rounding of coordinates of the figure's magnitude.
double row_slack(const PixelCircle& c) { return 1.0 + 1e-12 * (std::fabs(c.cx) + std::fabs(c.cy) + c.r); }

// Rows whose centre y lies in [y0 - slack, y1 + slack], clipped to
// [0, height - 1].  False when none.
bool row_range(double y0, double y1, double slack, int height, Index& j0, Index& j1) {
  const double first = std::ceil(y0 - slack - 0.5);
  const double last = std::floor(y1 + slack - 0.5);
  if (!(first <= height - 1.0) || !(last >= 0.0) || first > last) return false;
  j0 = to_index(first, 0, height - 1);
  j1 = to_index(last, 0, height - 1);
  return true;
}

// The pixels i in [0, width - 1] of a row with dx*dx + dy*dy <= r2, where
// dx = (i + 0.5) - cx and dy = (j + 0.5) - cy.  They form one interval: the
// rounded squared distance is monotone on either side of the centre.
bool disc_span(double cx, double dy, double r2, int width, Index& lo, Index& hi) {
  const double dy2 = dy * dy;
  if (dy2 > r2) return false;
  auto inside = [&](Index i) {
    const double dx = (static_cast<double>(i) + 0.5) - cx;
    return dx * dx + dy2 <= r2;
  };
  // The pixel nearest to the centre within the row minimises the distance.
  const Index c = to_index(std::floor(cx), 0, width - 1);
  if (!inside(c)) return false;
  const double h = std::sqrt(r2 - dy2);
  lo = first_true(0, c, to_index(std::ceil(cx - h - 0.5), -1, width), inside);
  hi = last_true(c, width - 1, to_index(std::floor(cx + h - 0.5), -1, width), inside);
  return true;
}

// One bounding ray of an arc piece.
struct Ray {
  double angle;
  double cos;
  double sin;
  double cot;  // cos/sin, for the row crossing
};

struct Piece {
  Ray start;
  Ray end;
};

Ray make_ray(double angle) {
  const double c = std::cos(angle);
  const double s = std::sin(angle);
  return {angle, c, s, s != 0.0 ? c / s : kInf};
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

// An arc as at most two pieces with start <= end, each within [0, 2pi].
int split_arc(ArcRange arc, Piece out[2]) {
  if (arc.start <= arc.end) {
    out[0] = {make_ray(arc.start), make_ray(arc.end)};
    return 1;
  }
  out[0] = {make_ray(arc.start), make_ray(kTwoPi)};
  out[1] = {make_ray(0.0), make_ray(arc.end)};
  return 2;
}

// Range of sin over the union of the pieces.
void sin_range(const Piece* pieces, int n, double& lo, double& hi) {
  lo = 1.0;
  hi = -1.0;
  for (int k = 0; k < n; ++k) {
    const double s = pieces[k].start.angle;
    const double e = pieces[k].end.angle;
    const double ss = pieces[k].start.sin;
    const double se = pieces[k].end.sin;
    hi = std::max(hi, (s <= kHalfPi && kHalfPi <= e) ? 1.0 : std::max(ss, se));
    lo = std::min(lo, (s <= kThreeHalfPi && kThreeHalfPi <= e) ? -1.0 : std::min(ss, se));
  }
}

// Calls emit(lo, hi) for the pixels of [a, b] on a row whose angle lies in
// the piece.  Along a row the pixel angle is monotone (non-increasing in
// [0, pi] on and above the centre row, non-decreasing in [pi, 2pi] below),
// so they form one interval; its ends are searched from the rays' crossings.
template <class Emit>
void piece_span(double cx, double dy_up, Index a, Index b, const Piece& p, Emit emit) {
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
    return to_index(low ? std::ceil(x) : std::floor(x), a - 1, b + 1);
  };
  const double s = p.start.angle;
  const double e = p.end.angle;
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

bool drawable(const SpanSink& sink) { return sink.width > 0 && sink.height > 0; }

// Calls emit(j, lo, hi) for the one or two ring spans of each row in
// [j0, j1].
template <class Emit>
void ring_rows(const SpanSink& sink, const PixelCircle& c, Index j0, Index j1, Emit emit) {
  const double r2 = c.r * c.r;
  const bool has_hole = c.r > 1.0;
  const double hole2 = (c.r - 1.0) * (c.r - 1.0);
  for (Index j = j0; j <= j1; ++j) {
    const double dy = (static_cast<double>(j) + 0.5) - c.cy;
    Index lo, hi;
    if (!disc_span(c.cx, dy, r2, sink.width, lo, hi)) continue;
    Index hole_lo, hole_hi;
    if (has_hole && disc_span(c.cx, dy, hole2, sink.width, hole_lo, hole_hi)) {
      if (lo < hole_lo) emit(j, lo, hole_lo - 1);
      if (hole_hi < hi) emit(j, hole_hi + 1, hi);
    } else {
      emit(j, lo, hi);
    }
  }
}

// Calls plot(major, minor) for the pixels of the Bresenham line from
// (a_major, a_minor) to (b_major, b_minor), |b_major - a_major| >=
// |b_minor - a_minor| > 0 or both zero, restricted to majors in [0, limit).
template <class Plot>
void walk_line(Index a_major, Index a_minor, Index b_major, Index b_minor, Index limit, Plot plot) {
  const Index d_major = b_major - a_major;
  const Index d_minor = b_minor - a_minor;
  const Index n = d_major < 0 ? -d_major : d_major;
  const Index m = d_minor < 0 ? -d_minor : d_minor;
  const Index s_major = d_major < 0 ? -1 : 1;
  const Index s_minor = d_minor < 0 ? -1 : 1;
  // Steps k in [0, n] whose major coordinate a_major + s_major*k is in range.
  Index k0, k1;
  if (s_major > 0) {
    k0 = std::max<Index>(0, -a_major);
    k1 = std::min<Index>(n, limit - 1 - a_major);
  } else {
    k0 = std::max<Index>(0, a_major - (limit - 1));
    k1 = std::min<Index>(n, a_major);
  }
  if (k0 > k1) return;
  if (n == 0) {
    plot(a_major, a_minor);
    return;
  }
  // Minor offset at step k: floor((2*k*m + n - 1) / (2*n)), i.e. k*m/n
  // rounded to nearest with ties toward the first point.
  const Index two_n = 2 * n;
  const Index num = 2 * k0 * m + n - 1;
  Index q = num / two_n;
  Index rem = num % two_n;
  for (Index k = k0; k <= k1; ++k) {
    plot(a_major + s_major * k, a_minor + s_minor * q);
    rem += 2 * m;
    if (rem >= two_n) {
      rem -= two_n;
      ++q;
    }
  }
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

void SpanSink::span(std::int64_t j, std::int64_t i0, std::int64_t i1) const {
  if (j < 0 || j >= height) return;
  i0 = std::max<std::int64_t>(i0, 0);
  i1 = std::min<std::int64_t>(i1, width - 1);
  if (i0 > i1) return;
  std::memset(pixels + j * width + i0, value, static_cast<std::size_t>(i1 - i0 + 1));
}

void SpanSink::plot(std::int64_t i, std::int64_t j) const {
  if (i < 0 || i >= width || j < 0 || j >= height) return;
  pixels[j * width + i] = value;
}

void fill_disc(const SpanSink& sink, const PixelCircle& c) {
  Index j0, j1;
  if (!drawable(sink) || !row_range(c.cy - c.r, c.cy + c.r, row_slack(c), sink.height, j0, j1)) return;
  const double r2 = c.r * c.r;
  for (Index j = j0; j <= j1; ++j) {
    Index lo, hi;
    if (disc_span(c.cx, (static_cast<double>(j) + 0.5) - c.cy, r2, sink.width, lo, hi)) sink.span(j, lo, hi);
  }
}

void draw_ring(const SpanSink& sink, const PixelCircle& c) {
  Index j0, j1;
  if (!drawable(sink) || !row_range(c.cy - c.r, c.cy + c.r, row_slack(c), sink.height, j0, j1)) return;
  ring_rows(sink, c, j0, j1, [&](Index j, Index lo, Index hi) { sink.span(j, lo, hi); });
}

void fill_sector(const SpanSink& sink, const PixelCircle& c, ArcRange arc) {
  if (full_turn(arc)) {
    fill_disc(sink, c);
    return;
  }
  if (!drawable(sink)) return;
  Piece pieces[2];
  const int n = split_arc(arc, pieces);
  double sin_lo, sin_hi;
  sin_range(pieces, n, sin_lo, sin_hi);
  // dy_up spans [min(0, r*sin_lo), max(0, r*sin_hi)]; y grows downward.
  const double up_max = std::max(0.0, c.r * sin_hi);
  const double up_min = std::min(0.0, c.r * sin_lo);
  Index j0, j1;
  if (!row_range(c.cy - up_max, c.cy - up_min, row_slack(c), sink.height, j0, j1)) return;
  const double r2 = c.r * c.r;
  for (Index j = j0; j <= j1; ++j) {
    const double y = static_cast<double>(j) + 0.5;
    const double dy = y - c.cy;
    if (dy * dy > r2) continue;
    // Both the disc's and the arc's pixels form one interval in the row, so
    // an arc span whose ends lie in the disc lies in it entirely; only one
    // that reaches the circle needs the disc's span.
    auto inside = [&](Index i) {
      const double dx = (static_cast<double>(i) + 0.5) - c.cx;
      return dx * dx + dy * dy <= r2;
    };
    bool have_disc = false;
    Index disc_lo = 0, disc_hi = -1;
    for (int k = 0; k < n; ++k) {
      piece_span(c.cx, c.cy - y, 0, sink.width - 1, pieces[k], [&](Index a, Index b) {
        if (!inside(a) || !inside(b)) {
          if (!have_disc && !disc_span(c.cx, dy, r2, sink.width, disc_lo, disc_hi)) disc_hi = -1;
          have_disc = true;
          a = std::max(a, disc_lo);
          b = std::min(b, disc_hi);
        }
        sink.span(j, a, b);
      });
    }
  }
}

void draw_arc(const SpanSink& sink, const PixelCircle& c, ArcRange arc) {
  if (full_turn(arc)) {
    draw_ring(sink, c);
    return;
  }
  if (!drawable(sink)) return;
  Piece pieces[2];
  const int n = split_arc(arc, pieces);
  double sin_lo, sin_hi;
  sin_range(pieces, n, sin_lo, sin_hi);
  // The ring lies between radii max(r - 1, 0) and r.
  const double inner = std::max(c.r - 1.0, 0.0);
  const double up_max = std::max(c.r * sin_hi, inner * sin_hi);
  const double up_min = std::min(c.r * sin_lo, inner * sin_lo);
  Index j0, j1;
  if (!row_range(c.cy - up_max, c.cy - up_min, row_slack(c), sink.height, j0, j1)) return;
  ring_rows(sink, c, j0, j1, [&](Index j, Index lo, Index hi) {
    const double dy_up = c.cy - (static_cast<double>(j) + 0.5);
    for (int k = 0; k < n; ++k) {
      piece_span(c.cx, dy_up, lo, hi, pieces[k], [&](Index a, Index b) { sink.span(j, a, b); });
    }
  });
}

void draw_line(const SpanSink& sink, double x0, double y0, double x1, double y1) {
  if (!drawable(sink)) return;
  const bool far =
      std::fabs(x0) > kFarLimit || std::fabs(y0) > kFarLimit || std::fabs(x1) > kFarLimit || std::fabs(y1) > kFarLimit;
  if (far && !clip_to_far_square(x0, y0, x1, y1)) return;
  const Index ax = static_cast<Index>(std::floor(x0));
  const Index ay = static_cast<Index>(std::floor(y0));
  const Index bx = static_cast<Index>(std::floor(x1));
  const Index by = static_cast<Index>(std::floor(y1));
  const Index adx = bx > ax ? bx - ax : ax - bx;
  const Index ady = by > ay ? by - ay : ay - by;
  if (adx >= ady) {
    walk_line(ax, ay, bx, by, sink.width, [&](Index i, Index j) { sink.plot(i, j); });
  } else {
    walk_line(ay, ax, by, bx, sink.height, [&](Index j, Index i) { sink.plot(i, j); });
  }
}

}  // namespace vantor::raster
