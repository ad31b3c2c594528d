#include "reference_raster.h"

#include <cmath>
#include <cstdlib>
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

  double dist2(int i, int j) const {
    const double dx = (i + 0.5) - X;
    const double dy = (j + 0.5) - Y;
    return dx * dx + dy * dy;
  }
  bool disc(int i, int j) const { return dist2(i, j) <= Rp * Rp; }
  bool ring(int i, int j) const { return disc(i, j) && (Rp <= 1.0 || dist2(i, j) > (Rp - 1.0) * (Rp - 1.0)); }
  double angle(int i, int j) const {
    double t = std::atan2(Y - (j + 0.5), (i + 0.5) - X);
    if (t < 0.0) t += kTwoPi;
    return t;
  }
};

bool on_arc(double t, double s, double e) { return s <= e ? (s <= t && t <= e) : (t >= s || t <= e); }

}  // namespace

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
  if (a1 < 0 && a2 < 0 && fill_style_ == FillStyle::Solid) {
    paint(fill_colour_, [&](int i, int j) { return g.disc(i, j) && on_arc(g.angle(i, j), s, e); });
  }
  paint(c, [&](int i, int j) { return g.ring(i, j) && on_arc(g.angle(i, j), s, e); });
  if (a1 < 0) pixel_line(g.X, g.Y, g.X + g.Rp * std::cos(s), g.Y - g.Rp * std::sin(s), c);
  if (a2 < 0) pixel_line(g.X, g.Y, g.X + g.Rp * std::cos(e), g.Y - g.Rp * std::sin(e), c);
  return true;
}

bool ReferenceRaster::line(float x1, float y1, float x2, float y2, Colour c) {
  const double px1 = x1 * u_, py1 = y1 * u_, px2 = x2 * u_, py2 = y2 * u_;
  if (!all_finite({px1, py1, px2, py2})) return false;
  pixel_line(px1, py1, px2, py2, c);
  return true;
}

void ReferenceRaster::pixel_line(double x1, double y1, double x2, double y2, Colour c) {
  const double limit = raster::kFarLimit;
  if (std::fabs(x1) > limit || std::fabs(y1) > limit || std::fabs(x2) > limit || std::fabs(y2) > limit) {
    if (!raster::clip_to_far_square(x1, y1, x2, y2)) return;
  }
  const long long ax = static_cast<long long>(std::floor(x1)), ay = static_cast<long long>(std::floor(y1));
  const long long bx = static_cast<long long>(std::floor(x2)), by = static_cast<long long>(std::floor(y2));
  const long long adx = std::llabs(bx - ax), ady = std::llabs(by - ay);
  const bool x_major = adx >= ady;
  const long long n = x_major ? adx : ady, m = x_major ? ady : adx;
  const long long s_major = (x_major ? bx - ax : by - ay) < 0 ? -1 : 1;
  const long long s_minor = (x_major ? by - ay : bx - ax) < 0 ? -1 : 1;
  paint(c, [&](int i, int j) {
    const long long major = x_major ? i - ax : j - ay;
    const long long minor = x_major ? j - ay : i - ax;
    const long long k = major * s_major;
    if (k < 0 || k > n) return false;
    if (n == 0) return minor == 0;
    long long q = k * m / n;
    if (2 * (k * m % n) > n) ++q;  // halves stay toward the first point
    return minor == s_minor * q;
  });
}

void ReferenceRaster::pset(float x, float y, Colour c) {
  const double X = x * u_, Y = y * u_;
  paint(c, [&](int i, int j) { return i <= X && X < i + 1 && j <= Y && Y < j + 1; });
}

}  // namespace vantor::test
