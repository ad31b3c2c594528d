#include "reference_raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <numbers>

#include "surface/raster.h"

namespace vantor::test {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Magnitude after the full-turn rule; -1 when refused.
double magnitude(float a) {
  double m = std::fabs(static_cast<double>(a));
  if (std::isnan(m) || m > kTwoPi + kFullTurnSlack) return -1.0;
  if (std::fabs(m - kTwoPi) <= kFullTurnSlack) m = kTwoPi;
  return m;
}

struct Geometry {
  double X, Y, Rp;

  double dist2(long long i, long long j) const { return (i + 0.5 - X) * (i + 0.5 - X) + (j + 0.5 - Y) * (j + 0.5 - Y); }
  bool disc(long long i, long long j) const { return dist2(i, j) <= Rp * Rp; }
  bool ring(long long i, long long j) const { return disc(i, j) && (Rp <= 1.0 || dist2(i, j) > (Rp - 1.0) * (Rp - 1.0)); }
  double angle(long long i, long long j) const {
    const double t = std::atan2(Y - (j + 0.5), (i + 0.5) - X);
    return t < 0.0 ? t + kTwoPi : t;
  }
};

bool on_arc(double t, double s, double e) { return s <= e ? (s <= t && t <= e) : (t >= s || t <= e); }

// The Sector rule's pixels: the disc's whose angle lies on the arc.
bool in_sector(const Geometry& g, double s, double e, long long i, long long j) {
  return g.disc(i, j) && on_arc(g.angle(i, j), s, e);
}

// The pixels that close a sector's fill to its radii: not in the sector,
// with a pixel of a radius's line on one side along that line's minor axis
// and, on the other, a pixel of the sector or of either radius.
bool closes_gap(const Geometry& g, double s, double e, const RuleLine (&radii)[2], long long i, long long j) {
  if (in_sector(g, s, e, i, j)) return false;
  auto radius = [&](long long a, long long b) { return radii[0].covers(a, b) || radii[1].covers(a, b); };
  for (const auto& [di, dj] : {std::pair{1LL, 0LL}, std::pair{-1LL, 0LL}, std::pair{0LL, 1LL}, std::pair{0LL, -1LL}})
    if (radius(i - di, j - dj) && (in_sector(g, s, e, i + di, j + dj) || radius(i + di, j + dj))) return true;
  return false;
}

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// A column bound as an index, kept within [lo, hi] so that far figures do
// not overflow.
long long column(double v, long long lo, long long hi) {
  if (!(v > static_cast<double>(lo))) return lo;
  if (v >= static_cast<double>(hi)) return hi;
  return static_cast<long long>(std::floor(v));
}

struct Interval {
  double lo, hi;
};

// The x extent of the pixel centres at height dy_up above the centre (dy_up
// of at least two pixels) whose angle lies in [a, b] (a <= b), widened by
// two pixels and a millionth of the distance for the rounding of angles.
// False when no angle of the piece lies in the row's half plane.
bool piece_columns(double X, double dy_up, double a, double b, Interval& out) {
  const double pi = std::numbers::pi, h0 = dy_up > 0 ? 0.0 : pi;  // the row's half plane of angles, h0 ... h0 + pi
  const double lo = std::max(a, h0), hi = std::min(b, h0 + pi);
  if (lo > hi) return false;
  // Along the row x = X + dy_up cot t, monotonic in t within the half plane.
  const double left = dy_up > 0 ? hi : lo, right = dy_up > 0 ? lo : hi;
  auto at = [&](double t, double sign) {
    const double dx = dy_up * std::cos(t) / std::sin(t);
    return X + dx + sign * (2.0 + 1e-6 * std::fabs(dx));
  };
  out.lo = left == pi ? -kInfinity : at(left, -1);
  out.hi = right == (dy_up > 0 ? 0.0 : kTwoPi) ? kInfinity : at(right, +1);
  return true;
}

}  // namespace

RuleLine RuleLine::between(double x1, double y1, double x2, double y2) {
  RuleLine g;
  const double limit = raster::kFarLimit;
  if (std::max({std::fabs(x1), std::fabs(y1), std::fabs(x2), std::fabs(y2)}) > limit && !raster::clip_to_far_square(x1, y1, x2, y2))
    return g;
  g.drawn = true;
  g.ax = static_cast<long long>(std::floor(x1)), g.ay = static_cast<long long>(std::floor(y1));
  const long long bx = static_cast<long long>(std::floor(x2)), by = static_cast<long long>(std::floor(y2));
  const long long adx = std::llabs(bx - g.ax), ady = std::llabs(by - g.ay);
  g.x_major = adx >= ady;
  g.n = g.x_major ? adx : ady, g.m = g.x_major ? ady : adx;
  g.s_major = (g.x_major ? bx - g.ax : by - g.ay) < 0 ? -1 : 1;
  g.s_minor = (g.x_major ? by - g.ay : bx - g.ax) < 0 ? -1 : 1;
  return g;
}

bool RuleLine::covers(long long i, long long j) const {
  if (!drawn) return false;
  const long long k = (x_major ? i - ax : j - ay) * s_major, minor = x_major ? j - ay : i - ax;
  if (k < 0 || k > n) return false;
  if (n == 0) return minor == 0;
  long long q = k * m / n;
  if (2 * (k * m % n) > n) ++q;  // halves stay toward the first point
  return minor == s_minor * q;
}

bool ReferenceRaster::circle(float x, float y, float r, Colour c, float a1, float a2) {
  if (magnitude(a1) < 0.0 || magnitude(a2) < 0.0) return false;
  return draw({.kind = FigureKind::Arc, .x1 = x, .y1 = y, .r = r, .a1 = a1, .a2 = a2, .colour = c, .part = {}}, {x, y, r});
}

bool ReferenceRaster::draw(Figure f, std::initializer_list<float> coordinates) {
  for (float v : coordinates)
    if (!std::isfinite(v * u_)) return false;
  f.pixels_per_unit = u_, f.fill_style = fill_style_, f.fill_colour = fill_colour_;
  const LogReference one({f});
  for (int j = 0; j < height_; ++j)
    for (int i = 0; i < width_; ++i)
      if (const int c = one.last_colour(i, j); c >= 0) pixels_[static_cast<std::size_t>(j) * width_ + i] = std::uint8_t(c);
  return true;
}

bool LogReference::line_columns(const RuleLine& g, long long j, long long& lo, long long& hi) {
  if (!g.drawn) return false;
  if (!g.x_major) {  // one pixel a row, within a pixel of the exact line
    const long long k = (j - g.ay) * g.s_major;
    if (k < 0 || k > g.n) return false;
    const long long x = g.ax + g.s_minor * (g.n == 0 ? 0 : k * g.m / g.n);
    lo = x - 1;
    hi = x + 1;
    return true;
  }
  const long long q = (j - g.ay) * g.s_minor;
  if (q < 0 || q > g.m) return false;
  long long k_lo = 0, k_hi = g.n;
  if (g.m > 0) {  // the steps whose k*m/n rounds to q
    k_lo = std::max(0LL, static_cast<long long>(std::floor((q - 0.5) * g.n / g.m)) - 1);
    k_hi = std::min(g.n, static_cast<long long>(std::ceil((q + 0.5) * g.n / g.m)) + 1);
  }
  lo = std::min(g.ax + g.s_major * k_lo, g.ax + g.s_major * k_hi);
  hi = std::max(g.ax + g.s_major * k_lo, g.ax + g.s_major * k_hi);
  return true;
}

LogReference::LogReference(const std::vector<Figure>& log) {
  figures_.reserve(log.size());
  for (const Figure& f : log) {
    const double u = f.pixels_per_unit;
    Prepared p{f.kind, f.x1 * u, f.y1 * u, f.r * u};
    p.colour = static_cast<std::uint8_t>(f.colour), p.fill = static_cast<std::uint8_t>(f.fill_colour);
    p.filled = f.filled();
    if (f.kind == FigureKind::Line) p.line[0] = RuleLine::between(p.X, p.Y, f.x2 * u, f.y2 * u);
    if ((f.kind == FigureKind::Circle || f.kind == FigureKind::Arc) && !(p.Rp > 0.0)) continue;
    if (f.kind == FigureKind::Arc) {
      p.s = magnitude(f.a1), p.e = magnitude(f.a2);
      if (p.s == kTwoPi) p.s = 0.0;
      for (int k = 0; k < 2; ++k)
        if ((k ? f.a2 : f.a1) < 0) {
          const double a = k ? p.e : p.s;
          p.line[k] = RuleLine::between(p.X, p.Y, p.X + p.Rp * std::cos(a), p.Y - p.Rp * std::sin(a));
        }
    }
    figures_.push_back(p);
  }
}

int LogReference::colour_at(const Prepared& f, long long i, long long j) {
  const Geometry g{f.X, f.Y, f.Rp};
  const int fill = f.filled ? f.fill : -1;
  switch (f.kind) {
    case FigureKind::Cls: return static_cast<int>(Colour::White);
    case FigureKind::PSet: return std::floor(f.X) == double(i) && std::floor(f.Y) == double(j) ? f.colour : -1;
    case FigureKind::Line: return f.line[0].covers(i, j) ? f.colour : -1;
    case FigureKind::Circle: return g.ring(i, j) ? f.colour : g.disc(i, j) ? fill : -1;
    case FigureKind::Arc:
      if (f.line[1].covers(i, j) || f.line[0].covers(i, j)) return f.colour;
      if (!in_sector(g, f.s, f.e, i, j)) return closes_gap(g, f.s, f.e, f.line, i, j) ? fill : -1;
      return g.ring(i, j) ? f.colour : fill;
  }
  return -1;
}

void LogReference::row(std::int64_t j, std::int64_t i0, std::vector<std::uint8_t>& out) const {
  const long long width = static_cast<long long>(out.size()), first = i0, last = i0 + width - 1;
  std::vector<char> decided(out.size(), 0);
  long long open = width;
  auto visit = [&](const Prepared& f, long long lo, long long hi) {
    for (long long i = std::max(lo, first); i <= std::min(hi, last) && open > 0; ++i)
      if (int c; !decided[i - first] && (c = colour_at(f, i, j)) >= 0)
        out[i - first] = static_cast<std::uint8_t>(c), decided[i - first] = 1, --open;
  };
  auto visit_range = [&](const Prepared& f, double lo, double hi) {
    visit(f, column(lo, first - 1, last + 1), column(hi, first - 1, last + 1) + 1);
  };
  const double y = static_cast<double>(j) + 0.5;
  for (auto f = figures_.rbegin(); f != figures_.rend() && open > 0; ++f) {
    switch (f->kind) {
      case FigureKind::Cls: visit(*f, first, last); break;
      case FigureKind::PSet: visit_range(*f, f->X, f->X - 1); break;
      case FigureKind::Line:
        if (long long lo, hi; line_columns(f->line[0], j, lo, hi)) visit(*f, lo, hi);
        break;
      case FigureKind::Circle:
      case FigureKind::Arc: {
        // The radii, and the pixels next to them that close a fill to them.
        for (const RuleLine& g : f->line)
          for (long long row = j - 1; row <= j + 1; ++row)
            if (long long lo, hi; line_columns(g, row, lo, hi)) visit(*f, lo - 1, hi + 1);
        // The disc's columns: centres within Rp + 2 of the centre.
        const double dy = y - f->Y;
        Interval disc{-kInfinity, kInfinity};
        if (f->Rp * f->Rp < kInfinity) {
          const double reach = f->Rp + 2.0;
          if (std::fabs(dy) > reach) break;
          const double h = std::sqrt(reach * reach - dy * dy);
          disc = {f->X - h - 1.0, f->X + h + 1.0};
        }
        const double dy_up = f->Y - y;
        if (f->kind == FigureKind::Circle || std::fabs(dy_up) < 2.0 || (f->s == 0.0 && f->e == kTwoPi)) {
          visit_range(*f, disc.lo, disc.hi);
          break;
        }
        const Interval pieces[2] = {{f->s, f->s <= f->e ? f->e : kTwoPi}, {0.0, f->e}};
        for (int k = 0; k < (f->s <= f->e ? 1 : 2); ++k) {
          Interval cols;
          if (piece_columns(f->X, dy_up, pieces[k].lo, pieces[k].hi, cols))
            visit_range(*f, std::max(cols.lo, disc.lo), std::min(cols.hi, disc.hi));
        }
        break;
      }
    }
  }
  for (long long i = 0; i < width; ++i) out[i] = decided[i] ? out[i] : 0xFF;
}

}  // namespace vantor::test
