// Sectors and arc lines, and the trigonometry of their rays.  Canvas pixels,
// x right and y down; angles in radians in [0, 2pi], counter-clockwise from
// 3 o'clock as seen on screen, so a pixel's angle is taken with dy_up =
// cy - (j + 1/2).  A sector is the disc's pixels whose angle lies on the
// closed arc [start, end] (through 0 when start > end); an arc line is the
// ring's.  Along a row the angle is monotone, so each piece of the arc gives
// at most one span a row, its ends found by search from the rays' crossings;
// the union of many thin sectors of one circle may instead be tested pixel
// by pixel.  radius_end places a radius's far end for raster_line.cpp.  An
// empty window, an empty list of arcs, or a hole that holds the whole figure
// draws nothing.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "surface/raster.h"
#include "surface/raster_search.h"

namespace vantor::raster {

using namespace detail;

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kHalfPi = kPi / 2.0;
constexpr double kThreeHalfPi = 1.5 * kPi;

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

namespace {

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

}  // namespace

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

// The last of `count` ascending keys (key(m), m = 0 ... count - 1) at or
// before v, -1 when none; v is not NaN.  Walked to from k when that lies a
// few keys away (the next pixel of a row is a few pieces on), else found by
// bisection.
template <class Key>
Index last_at_or_before(Key key, Index count, double v, Index k) {
  constexpr int kWalk = 8;
  k = std::clamp<Index>(k, -1, count - 1);
  for (int n = 0; n < kWalk; ++n) {
    if (k >= 0 && v < key(k))
      --k;
    else if (k + 1 < count && key(k + 1) <= v)
      ++k;
    else
      return k;
  }
  Index lo = -1, hi = count;  // key(lo) <= v < key(hi), the ends taken as beyond all
  while (hi - lo > 1) {
    const Index mid = lo + (hi - lo) / 2;
    (key(mid) <= v ? lo : hi) = mid;
  }
  return lo;
}

// A number that grows with the angle of (x, y) (y up) over [0, 2pi), in
// [0, 4): y / (|x| + |y|) turned into each quadrant in turn, without atan2.
// Its slope is between 1/2 and 1 per radian; (0, 0) gives NaN.
double diamond_angle(double x, double y) {
  if (y >= 0.0) return x >= 0.0 ? y / (x + y) : 1.0 - x / (y - x);
  return x < 0.0 ? 2.0 - y / (-x - y) : 3.0 + x / (x - y);
}

// The pixels of the disc outside the hole whose angle lies in one of the
// intervals, found pixel by pixel.  Along a row the angle is monotone, so
// the interval found for one pixel is where the search for the next starts.
void fill_pieces_by_pixel(const SpanSink& sink, const PixelCircle& c, const std::vector<ArcRange>& pieces,
                          double hole2, Index j0, Index j1) {
  const double r2 = c.r * c.r;
  const Index count = static_cast<Index>(pieces.size());
  // The pieces' ends as diamond angles.  A pixel whose diamond angle lies
  // farther than kClear from every end (and from 0 and 4, where the pixel
  // angle wraps) lies on the same side of each end as its pixel angle: both
  // are rounded by some 1e-15 at most.  The pixel angle (atan2) is needed
  // only for the few pixels within kClear of an end, and for the centre.
  constexpr double kClear = 1e-9;
  std::vector<double> starts(pieces.size()), ends(pieces.size());
  for (std::size_t k = 0; k < pieces.size(); ++k) {
    starts[k] = diamond_angle(std::cos(pieces[k].start), std::sin(pieces[k].start));
    ends[k] = diamond_angle(std::cos(pieces[k].end), std::sin(pieces[k].end));
  }
  // The index of the last piece starting at or before t, -1 when none, from
  // the previous answer k; by diamond angle -2 for a NaN (the centre).
  auto locate = [&](double t, Index k) {
    return last_at_or_before([&](Index m) { return pieces[m].start; }, count, t, k);
  };
  auto locate_diamond = [&](double d, Index k) {
    return d == d ? last_at_or_before([&](Index m) { return starts[m]; }, count, d, k) : Index{-2};
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
        const double dx = (static_cast<double>(i) + 0.5) - c.cx;
        const double d = diamond_angle(dx, dy_up);
        const Index k = locate_diamond(d, hint);
        bool covered;
        if (k >= -1 && d > kClear && d < 4.0 - kClear && (k < 0 || d - starts[k] > kClear) &&
            (k + 1 >= count || starts[k + 1] - d > kClear) && (k < 0 || std::fabs(d - ends[k]) > kClear)) {
          hint = k;
          covered = k >= 0 && d < ends[k];
        } else {
          const double t = pixel_angle(dx, dy_up);
          hint = locate(t, hint);
          covered = hint >= 0 && t <= pieces[hint].end;
        }
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
  if (fill_sectors_by_pixel(sink, c, arcs, hole2)) return;
  for (const ArcRange& a : arcs) fill_sector(sink, c, Arc(a), hole2);
}

bool fill_sectors_by_pixel(const SpanSink& sink, const PixelCircle& c, const std::vector<ArcRange>& arcs,
                           double hole2) {
  // Nothing to paint: done either way.
  if (sink.empty() || arcs.empty()) return true;
  const double r2 = c.r * c.r;
  if (hole2 >= r2) return true;
  Index j0, j1;
  if (r2 < kInf) {
    if (!row_range(sink, c.cy - c.r, c.cy + c.r, row_slack(c), j0, j1)) return true;
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
  if (!(r2 < kInf && 3.0 * ring_pixels < sector_rows)) return false;
  fill_pieces_by_pixel(sink, c, merged_pieces(arcs), hole2, j0, j1);
  return true;
}

void draw_arc(const SpanSink& sink, const PixelCircle& c, const Arc& arc, double hole2) {
  fill_sector(sink, c, arc, std::max(hole2, ring_hole(c)));
}

}  // namespace vantor::raster
