#include "surface/surface.h"

#include <algorithm>
#include <cmath>

#include "surface/raster.h"

namespace vantor {
namespace {

constexpr double kPictureWidthTwips = 13000.0;
constexpr double kPictureHeightTwips = 9000.0;
constexpr double kBorderPixelsAt96 = 4.0;  // two on each side

double valid_ppi(double ppi) { return std::isfinite(ppi) && ppi > 0.0 ? ppi : 96.0; }

int client_pixels(double twips, double ppi) {
  ppi = valid_ppi(ppi);
  const long size = std::lround(twips * ppi / kTwipsPerInch) - std::lround(kBorderPixelsAt96 * ppi / 96.0);
  return static_cast<int>(std::max(size, 0L));
}

bool finite(std::initializer_list<double> values) {
  return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

// The magnitude of an angle on the arc, or a negative value when the angle
// is refused.
double arc_magnitude(float angle) {
  const double m = std::fabs(static_cast<double>(angle));
  if (!(m <= raster::kTwoPi + kFullTurnSlack)) return -1.0;
  return m >= raster::kTwoPi - kFullTurnSlack ? raster::kTwoPi : m;
}

}  // namespace

Surface::Surface(int width, int height, double pixels_per_inch)
    : width_(width > 0 && height > 0 ? width : 0),
      height_(width > 0 && height > 0 ? height : 0),
      ppi_(valid_ppi(pixels_per_inch)),
      canvas_width_(width_),
      canvas_height_(height_),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_),
              static_cast<std::uint8_t>(Colour::White)) {}

Surface Surface::for_picture(double pixels_per_inch) {
  return Surface(picture_width(pixels_per_inch), picture_height(pixels_per_inch), pixels_per_inch);
}

Surface Surface::window_of(int canvas_width, int canvas_height, double pixels_per_inch, int left, int top,
                           int width, int height) {
  Surface s(width, height, pixels_per_inch);
  s.canvas_width_ = std::max(canvas_width, 0);
  s.canvas_height_ = std::max(canvas_height, 0);
  s.left_ = left;
  s.top_ = top;
  return s;
}

int Surface::picture_width(double pixels_per_inch) { return client_pixels(kPictureWidthTwips, pixels_per_inch); }

int Surface::picture_height(double pixels_per_inch) { return client_pixels(kPictureHeightTwips, pixels_per_inch); }

double Surface::pixels_per_unit() const {
  switch (scale_mode_) {
    case ScaleMode::Inch:
      return ppi_;
    case ScaleMode::Millimetre:
      return ppi_ / kMillimetresPerInch;
    case ScaleMode::Twip:
      break;
  }
  return ppi_ / kTwipsPerInch;
}

float Surface::scale_width() const { return static_cast<float>(canvas_width_ / pixels_per_unit()); }

float Surface::scale_height() const { return static_cast<float>(canvas_height_ / pixels_per_unit()); }

bool Surface::set_draw_width(int width) { return width == 1; }

void Surface::cls() { std::fill(pixels_.begin(), pixels_.end(), static_cast<std::uint8_t>(back_colour())); }

bool Surface::circle(float x, float y, float r) { return circle(x, y, r, fore_colour()); }

bool Surface::circle(float x, float y, float r, Colour c) {
  const double u = pixels_per_unit();
  const raster::PixelCircle pc{x * u - left_, y * u - top_, r * u};
  if (!finite({pc.cx, pc.cy, pc.r})) return false;
  if (!(pc.r > 0.0)) return true;
  if (fill_style_ == FillStyle::Solid) {
    raster::fill_disc({pixels_.data(), width_, height_, static_cast<std::uint8_t>(fill_colour_)}, pc);
  }
  raster::draw_ring({pixels_.data(), width_, height_, static_cast<std::uint8_t>(c)}, pc);
  return true;
}

bool Surface::circle(float x, float y, float r, Colour c, float a1, float a2) {
  const double u = pixels_per_unit();
  const raster::PixelCircle pc{x * u - left_, y * u - top_, r * u};
  const double m1 = arc_magnitude(a1);
  const double m2 = arc_magnitude(a2);
  if (!finite({pc.cx, pc.cy, pc.r}) || m1 < 0.0 || m2 < 0.0) return false;
  if (!(pc.r > 0.0)) return true;
  const raster::ArcRange arc{m1 == raster::kTwoPi ? 0.0 : m1, m2};
  const raster::SpanSink outline{pixels_.data(), width_, height_, static_cast<std::uint8_t>(c)};
  if (a1 < 0.0f && a2 < 0.0f && fill_style_ == FillStyle::Solid) {
    raster::fill_sector({pixels_.data(), width_, height_, static_cast<std::uint8_t>(fill_colour_)}, pc, arc);
  }
  raster::draw_arc(outline, pc, arc);
  for (const auto& [angle, m] : {std::pair{a1, arc.start}, std::pair{a2, arc.end}}) {
    if (angle < 0.0f) {
      // The arc's end on the canvas, then moved into the window, so that a
      // window gets the same end pixel as the whole canvas.
      const double X = x * u, Y = y * u;
      raster::draw_line(outline, pc.cx, pc.cy, (X + pc.r * std::cos(m)) - left_, (Y - pc.r * std::sin(m)) - top_);
    }
  }
  return true;
}

bool Surface::line(float x1, float y1, float x2, float y2) { return line(x1, y1, x2, y2, fore_colour()); }

bool Surface::line(float x1, float y1, float x2, float y2, Colour c) {
  const double u = pixels_per_unit();
  const double px1 = x1 * u - left_, py1 = y1 * u - top_, px2 = x2 * u - left_, py2 = y2 * u - top_;
  if (!finite({px1, py1, px2, py2})) return false;
  raster::draw_line({pixels_.data(), width_, height_, static_cast<std::uint8_t>(c)}, px1, py1, px2, py2);
  return true;
}

void Surface::pset(float x, float y, Colour c) {
  const double u = pixels_per_unit();
  const double px = std::floor(x * u) - left_;
  const double py = std::floor(y * u) - top_;
  if (!(px >= 0.0 && px < width_ && py >= 0.0 && py < height_)) return;
  pixels_[index(static_cast<int>(px), static_cast<int>(py))] = static_cast<std::uint8_t>(c);
}

bool Surface::operator==(const Surface& other) const {
  return width_ == other.width_ && height_ == other.height_ && pixels_ == other.pixels_;
}

void touch_up(Surface& surface, int buttons, float x, float y) {
  if (buttons == 1) surface.pset(x, y, Colour::Black);
  if (buttons == 2) surface.pset(x, y, Colour::White);
}

}  // namespace vantor
