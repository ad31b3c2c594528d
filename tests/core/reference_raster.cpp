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

bool all_finite(std::initializer_list<double> values) {
  for (double v : values) {
    if (!std::isfinite(v)) return false;
  }
  return true;
}

// Magnitude after the full-turn rule; -1 when refused.
double magnitude(float a) {
  double m = std::fabs(static_cast<double>(a));
  if (std::isnan(m) || m > kTwoPi + kFullTurnSlack) return -1.0;
  if (std::fabs(m - kTwoPi) <= kFullTurnSlack) m = kTwoPi;
  return m;
}

struct Geometry {
  double X, Y, Rp;

  double dist2(long long i, long long j) const {
    const double dx = (static_cast<double>(i) + 0.5) - X;
    const double dy = (static_cast<double>(j) + 0.5) - Y;
    return dx * dx + dy * dy;
  }
  bool disc(long long i, long long j) const { return dist2(i, j) <= Rp * Rp; }
  bool ring(long long i, long long j) const {
    return disc(i, j) && (Rp <= 1.0 || dist2(i, j) > (Rp - 1.0) * (Rp - 1.0));
  }
  double angle(long long i, long long j) const {
    double t = std::atan2(Y - (static_cast<double>(j) + 0.5), (static_cast<double>(i) + 0.5) - X);
    if (t < 0.0) t += kTwoPi;
    return t;
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
  for (const auto& [di, dj] : {std::pair{1LL, 0LL}, std::pair{-1LL, 0LL}, std::pair{0LL, 1LL}, std::pair{0LL, -1LL}}) {
    if (radius(i - di, j - dj) && (in_sector(g, s, e, i + di, j + dj) || radius(i + di, j + dj))) return true;
  }
  return false;
}

}  // namespace

RuleLine RuleLine::between(double x1, double y1, double x2, double y2) {
  RuleLine g;
  const double limit = raster::kFarLimit;
  if (std::fabs(x1) > limit || std::fabs(y1) > limit || std::fabs(x2) > limit || std::fabs(y2) > limit) {
    if (!raster::clip_to_far_square(x1, y1, x2, y2)) return g;
  }
  g.drawn = true;
  g.ax = static_cast<long long>(std::floor(x1));
  g.ay = static_cast<long long>(std::floor(y1));
  const long long bx = static_cast<long long>(std::floor(x2)), by = static_cast<long long>(std::floor(y2));
  const long long adx = std::llabs(bx - g.ax), ady = std::llabs(by - g.ay);
  g.x_major = adx >= ady;
  g.n = g.x_major ? adx : ady;
  g.m = g.x_major ? ady : adx;
  g.s_major = (g.x_major ? bx - g.ax : by - g.ay) < 0 ? -1 : 1;
  g.s_minor = (g.x_major ? by - g.ay : bx - g.ax) < 0 ? -1 : 1;
  return g;
}

bool RuleLine::covers(long long i, long long j) const {
  if (!drawn) return false;
  const long long major = x_major ? i - ax : j - ay;
  const long long minor = x_major ? j - ay : i - ax;
  const long long k = major * s_major;
  if (k < 0 || k > n) return false;
  if (n == 0) return minor == 0;
  long long q = k * m / n;
  if (2 * (k * m % n) > n) ++q;  // halves stay toward the first point
  return minor == s_minor * q;
}

ReferenceRaster::ReferenceRaster(int width, int height, double pixels_per_unit)
    : width_(width),
      height_(height),
      u_(pixels_per_unit),
      pixels_(static_cast<std::size_t>(width) * height, static_cast<std::uint8_t>(Colour::White)) {}

template <class Covered>
void ReferenceRaster::paint(Colour c, Covered covered) {
  for (int j = 0; j < height_; ++j) {
    for (int i = 0; i < width_; ++i) {
      if (covered(i, j)) pixels_[static_cast<std::size_t>(j) * width_ + i] = static_cast<std::uint8_t>(c);
    }
  }
}

void ReferenceRaster::cls() {
  paint(Colour::White, [](int, int) { return true; });
}

bool ReferenceRaster::circle(float x, float y, float r, Colour c) {
  const Geometry g{x * u_, y * u_, r * u_};
  if (!all_finite({g.X, g.Y, g.Rp})) return false;
  if (g.Rp <= 0.0) return true;
  if (fill_style_ == FillStyle::Solid) paint(fill_colour_, [&](int i, int j) { return g.disc(i, j); });
  paint(c, [&](int i, int j) { return g.ring(i, j); });
  return true;
}

bool ReferenceRaster::circle(float x, float y, float r, Colour c, float a1, float a2) {
  const Geometry g{x * u_, y * u_, r * u_};
  double s = magnitude(a1);
  const double e = magnitude(a2);
  if (!all_finite({g.X, g.Y, g.Rp}) || s < 0.0 || e < 0.0) return false;
  if (g.Rp <= 0.0) return true;
  if (s == kTwoPi) s = 0.0;
  RuleLine radii[2];
  if (a1 < 0) radii[0] = RuleLine::between(g.X, g.Y, g.X + g.Rp * std::cos(s), g.Y - g.Rp * std::sin(s));
  if (a2 < 0) radii[1] = RuleLine::between(g.X, g.Y, g.X + g.Rp * std::cos(e), g.Y - g.Rp * std::sin(e));
  if (a1 < 0 && a2 < 0 && fill_style_ == FillStyle::Solid) {
    paint(fill_colour_, [&](int i, int j) {
      return in_sector(g, s, e, i, j) || closes_gap(g, s, e, radii, i, j);
    });
  }
  paint(c, [&](int i, int j) { return g.ring(i, j) && on_arc(g.angle(i, j), s, e); });
  for (const RuleLine& radius : radii) {
    if (radius.drawn) pixel_line(radius, c);
  }
  return true;
}

bool ReferenceRaster::line(float x1, float y1, float x2, float y2, Colour c) {
  const double px1 = x1 * u_, py1 = y1 * u_, px2 = x2 * u_, py2 = y2 * u_;
  if (!all_finite({px1, py1, px2, py2})) return false;
  pixel_line(RuleLine::between(px1, py1, px2, py2), c);
  return true;
}

void ReferenceRaster::pixel_line(const RuleLine& line, Colour c) {
  paint(c, [&](int i, int j) { return line.covers(i, j); });
}

void ReferenceRaster::pset(float x, float y, Colour c) {
  const double X = x * u_, Y = y * u_;
  paint(c, [&](int i, int j) { return i <= X && X < i + 1 && j <= Y && Y < j + 1; });
}

}  // namespace vantor::test

namespace vantor::test {
namespace {

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
  const double pi = std::numbers::pi;
  auto offset = [&](double t) { return dy_up * std::cos(t) / std::sin(t); };
  auto widen = [](double dx, double sign) { return dx + sign * (2.0 + 1e-6 * std::fabs(dx)); };
  if (dy_up > 0) {  // angles in (0, pi), x falling as the angle grows
    const double lo = std::max(a, 0.0), hi = std::min(b, pi);
    if (lo > hi) return false;
    out.lo = hi >= pi ? -kInfinity : X + widen(offset(hi), -1);
    out.hi = lo <= 0.0 ? kInfinity : X + widen(offset(lo), +1);
  } else {  // angles in (pi, 2pi), x growing with the angle
    const double lo = std::max(a, pi), hi = std::min(b, kTwoPi);
    if (lo > hi) return false;
    out.lo = lo <= pi ? -kInfinity : X + widen(offset(lo), -1);
    out.hi = hi >= kTwoPi ? kInfinity : X + widen(offset(hi), +1);
  }
  return true;
}

}  // namespace

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
    Prepared p{};
    p.kind = f.kind;
    p.colour = static_cast<std::uint8_t>(f.colour);
    p.fill = static_cast<std::uint8_t>(f.fill_colour);
    p.X = f.x1 * u;
    p.Y = f.y1 * u;
    switch (f.kind) {
      case FigureKind::Cls:
      case FigureKind::PSet:
        break;
      case FigureKind::Line:
        p.line[0] = RuleLine::between(f.x1 * u, f.y1 * u, f.x2 * u, f.y2 * u);
        break;
      case FigureKind::Circle:
        p.Rp = f.r * u;
        p.filled = f.fill_style == FillStyle::Solid;
        if (!(p.Rp > 0.0)) continue;
        break;
      case FigureKind::Arc: {
        p.Rp = f.r * u;
        if (!(p.Rp > 0.0)) continue;
        p.s = magnitude(f.a1);
        p.e = magnitude(f.a2);
        if (p.s == kTwoPi) p.s = 0.0;
        p.filled = f.a1 < 0 && f.a2 < 0 && f.fill_style == FillStyle::Solid;
        if (f.a1 < 0) p.line[0] = RuleLine::between(p.X, p.Y, p.X + p.Rp * std::cos(p.s), p.Y - p.Rp * std::sin(p.s));
        if (f.a2 < 0) p.line[1] = RuleLine::between(p.X, p.Y, p.X + p.Rp * std::cos(p.e), p.Y - p.Rp * std::sin(p.e));
        break;
      }
    }
    figures_.push_back(p);
  }
}

int LogReference::colour_at(const Prepared& f, long long i, long long j) {
  const Geometry g{f.X, f.Y, f.Rp};
  switch (f.kind) {
    case FigureKind::Cls:
      return static_cast<int>(Colour::White);
    case FigureKind::PSet:
      return std::floor(f.X) == static_cast<double>(i) && std::floor(f.Y) == static_cast<double>(j) ? f.colour : -1;
    case FigureKind::Line:
      return f.line[0].covers(i, j) ? f.colour : -1;
    case FigureKind::Circle:
      if (g.ring(i, j)) return f.colour;
      return f.filled && g.disc(i, j) ? f.fill : -1;
    case FigureKind::Arc:
      if (f.line[1].covers(i, j) || f.line[0].covers(i, j)) return f.colour;
      if (!in_sector(g, f.s, f.e, i, j)) {
        return f.filled && closes_gap(g, f.s, f.e, f.line, i, j) ? f.fill : -1;
      }
      if (g.ring(i, j)) return f.colour;
      return f.filled ? f.fill : -1;
  }
  return -1;
}

void LogReference::row(std::int64_t j, std::int64_t i0, std::vector<std::uint8_t>& out) const {
  const long long width = static_cast<long long>(out.size());
  const long long first = i0, last = i0 + width - 1;
  std::vector<char> decided(out.size(), 0);
  long long open = width;
  auto visit = [&](const Prepared& f, long long lo, long long hi) {
    lo = std::max(lo, first);
    hi = std::min(hi, last);
    for (long long i = lo; i <= hi && open > 0; ++i) {
      char& d = decided[i - first];
      if (d) continue;
      const int c = colour_at(f, i, j);
      if (c >= 0) {
        out[i - first] = static_cast<std::uint8_t>(c);
        d = 1;
        --open;
      }
    }
  };
  auto visit_range = [&](const Prepared& f, double lo, double hi) {
    visit(f, column(lo, first - 1, last + 1), column(hi, first - 1, last + 1) + 1);
  };
  const double y = static_cast<double>(j) + 0.5;
  for (auto f = figures_.rbegin(); f != figures_.rend() && open > 0; ++f) {
    switch (f->kind) {
      case FigureKind::Cls:
        visit(*f, first, last);
        break;
      case FigureKind::PSet:
        visit(*f, column(f->X, first - 1, last + 1), column(f->X, first - 1, last + 1));
        break;
      case FigureKind::Line: {
        long long lo, hi;
        if (line_columns(f->line[0], j, lo, hi)) visit(*f, lo, hi);
        break;
      }
      case FigureKind::Circle:
      case FigureKind::Arc: {
        // The radii, and the pixels next to them that close a fill to them.
        for (const RuleLine& g : f->line) {
          for (long long row = j - 1; row <= j + 1; ++row) {
            long long lo, hi;
            if (line_columns(g, row, lo, hi)) visit(*f, lo - 1, hi + 1);
          }
        }
        // The disc's columns: centres within Rp + 2 of the centre.
        const double dy = y - f->Y;
        Interval disc{-kInfinity, kInfinity};
        const bool bounded = f->Rp * f->Rp < kInfinity;
        if (bounded) {
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
  for (long long i = 0; i < width; ++i)
    if (!decided[i]) out[i] = static_cast<std::uint8_t>(Colour::White);
}

}  // namespace vantor::test
