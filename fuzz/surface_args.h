// Programs of surface calls read from bytes, shared by the fuzz target
// fuzz_surface and the random differential test of the surface
// (tests/core/surface_test.cpp), which feeds it random bytes.
//
// A program: a raster of up to 300 x 300 pixels at some density, perhaps a
// window of the same canvas that receives every call too, perhaps batch
// mode (no pixel read between calls, so that arcs and sectors wait and are
// drawn together), then up to 64 state changes, figures with arbitrary
// floats (NaN, infinities, huge, tiny, angles around the full turn).  On a raster of at most 64 x 64
// pixels whose unit stays fixed the reference rasteriser draws every call
// as well and must agree on every refusal and every pixel; the window must
// hold the canvas's pixels.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <limits>
#include <memory>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "reference_raster.h"
#include "surface/surface.h"

namespace vantor::fuzz {

inline ScaleMode scale_mode(std::uint8_t b) {
  return b % 3 == 0 ? ScaleMode::Twip : b % 3 == 1 ? ScaleMode::Inch : ScaleMode::Millimetre;
}

inline Colour colour(Input& in) { return in.byte() & 1 ? Colour::White : Colour::Black; }

// NaN, infinities, the float limits, denormals, signed zeros and the sizes
// around the surface's far-point bound.
inline float special_float(Input& in) {
  using L = std::numeric_limits<float>;
  static constexpr float kSpecial[] = {L::quiet_NaN(), -L::quiet_NaN(), L::infinity(), -L::infinity(), L::max(),
                                       -L::max(), L::min(), L::denorm_min(), -0.0f, 0.0f, 1e30f, -1e30f, 3e8f, -3e8f,
                                       2.68435456e8f, 1e10f, 0.5f, 1.0f, -1.0f, 1e-30f};
  return kSpecial[in.byte() % std::size(kSpecial)];
}

// An angle in radians: raw bits, a special value, around the full turn and
// the edges of its slack, a landmark, or anywhere on the turn; either sign.
inline float angle(Input& in) {
  constexpr double kTwoPi = 2 * std::numbers::pi;
  constexpr float kPi = std::numbers::pi_v<float>;
  static constexpr double kOffsets[] = {0, 1e-7, -1e-7, 1.7e-7, 2e-6, -2e-6, 3.99e-6, 4e-6,
                                        -4e-6, 4.01e-6, -4.01e-6, 4.5e-6, -4.5e-6, 1e-5, -1e-5, 1e-3};
  static constexpr float kAngles[] = {0.0f, 6.2831855f, kPi, kPi / 2, 3 * kPi / 2, kPi / 4, 0.001f, 1e-7f, 1e-30f,
                                      std::numeric_limits<float>::denorm_min()};
  const std::uint8_t kind = in.byte();
  const float sign = kind & 0x80 ? -1.0f : 1.0f;
  switch (kind % 8) {
    case 0: return in.raw<float>();
    case 1: return special_float(in);
    case 2: return sign * static_cast<float>(kTwoPi + kOffsets[in.byte() % std::size(kOffsets)]);
    case 3: return sign * kAngles[in.byte() % std::size(kAngles)];
  }
  return sign * static_cast<float>(in.raw<std::uint16_t>() / 65535.0 * kTwoPi);
}

class SurfaceProgram {
 public:
  explicit SurfaceProgram(Input& in) : in_(in), surface_(make_surface(in, ppi_)) {
    const std::uint8_t mode = in_.byte();
    surface_.set_scale_mode(scale_mode(mode));
    batch_ = mode & 0x40;
    const int w = surface_.width(), h = surface_.height();
    if ((mode & 0x20) && w > 0) {
      left_ = in_.byte() % w, top_ = in_.byte() % h;
      const int ww = 1 + in_.byte() % (w - left_), wh = 1 + in_.byte() % (h - top_);
      window_.emplace(Surface::window_of(w, h, ppi_, left_, top_, ww, wh));
      window_->set_scale_mode(surface_.scale_mode());
    }
    // Beyond about 1e115 pixels per unit the squares of the pixel rules
    // overflow, and the literal rules cover far-away pixels (a named
    // regression in surface_test.cpp): the comparison stays below that.
    if (w > 0 && w * h <= 64 * 64 && !(mode & 0x80) && surface_.pixels_per_inch() <= 1e100)
      reference_ = std::make_unique<test::ReferenceRaster>(w, h, surface_.pixels_per_unit());
    cx_ = surface_.scale_width() / 2, cy_ = surface_.scale_height() / 2;
  }

  bool compared() const { return reference_ != nullptr; }
  Surface& surface() { return surface_; }

  // The first disagreement, or "".
  std::string run() {
    if (Surface::picture_width(ppi_) < 0 || Surface::picture_height(ppi_) < 0)
      return "negative picture size at " + fmt(ppi_) + " ppi";
    for (int k = 0; k < 64 && !in_.empty() && error_.empty(); ++k) step();
    if (error_.empty()) read_point();
    const std::uint8_t* p = surface_.data();
    if (error_.empty() && std::any_of(p, p + surface_.width() * surface_.height(), [](auto v) { return v != 0 && v != 0xFF; }))
      error_ = "a pixel is neither black nor white";
    if (error_.empty()) return "";
    return error_ + " [" + std::to_string(surface_.width()) + " x " + std::to_string(surface_.height()) + " at " +
           fmt(ppi_) + " ppi, u " + fmt(surface_.pixels_per_unit()) + (batch_ ? ", batch" : "") + "]";
  }

 private:
  static std::string fmt(double v) {
    char buffer[32];
    return std::string(buffer, std::snprintf(buffer, sizeof buffer, "%.9g", v));
  }

  static Surface make_surface(Input& in, double& ppi) {
    const int w = in.raw<std::int16_t>() % 301, h = in.raw<std::int16_t>() % 301;
    static constexpr double kDensities[] = {96, 72, 1, 0.5, 300, 600, 1200, 2400, 1440, 25.4, 1e-3, 7.3};
    const std::uint8_t pick = in.byte();
    ppi = pick < 240 ? kDensities[pick % std::size(kDensities)] : in.raw<double>();
    return Surface(w, h, ppi);
  }

  // A coordinate (pixels: the raster's size in that direction) or a radius
  // (pixels 0) in the current unit: raw bits, a special value, the centre
  // of the last circle, up to three pixels, or somewhere around the raster.
  float length(int pixels, float centre) {
    const std::uint8_t kind = in_.byte();
    if (kind % 8 == 0) return in_.raw<float>();
    if (kind % 8 == 1) return special_float(in_);
    const double t = in_.raw<std::uint16_t>() / 65535.0, u = surface_.pixels_per_unit();
    if (kind % 8 == 2) return pixels > 0 ? centre : static_cast<float>(t * 3.0 / u);
    if (pixels > 0) return static_cast<float>((t * 1.5 - 0.25) * pixels / u);
    return static_cast<float>(t * 1.2 * std::max({surface_.width(), surface_.height(), 1}) / u);
  }
  float x() { return length(std::max(surface_.width(), 1), cx_); }
  float y() { return length(std::max(surface_.height(), 1), cy_); }

  void fail(const std::string& what) {
    if (error_.empty()) error_ = call_ + ": " + what;
  }

  // The call's text, for the report; coordinates in the current unit, of
  // which pixels from 2^52 on are beyond the window's exactness.
  void describe(const std::string& name, std::initializer_list<float> values, int coordinates) {
    call_ = name + "(";
    for (float v : values) {
      call_ += (call_.back() == '(' ? "" : ", ") + fmt(v);
      if (coordinates-- > 0 && !(std::fabs(v * surface_.pixels_per_unit()) < 4503599627370496.0)) window_exact_ = false;
    }
    call_ += ")";
  }

  void compare_reference() {
    if (!reference_) return;
    const auto& ref = reference_->pixels();
    const auto k = std::mismatch(ref.begin(), ref.end(), surface_.data()).first - ref.begin();
    if (k < static_cast<std::ptrdiff_t>(ref.size()))
      fail("pixel (" + std::to_string(k % surface_.width()) + ", " + std::to_string(k / surface_.width()) + ") is " +
           (ref[k] ? "black" : "white") + ", the reference has it " + (ref[k] ? "white" : "black"));
  }

  void read_point() {
    if (window_ && window_exact_)
      for (int j = 0; j < window_->height(); ++j)
        for (int i = 0; i < window_->width(); ++i)
          if (window_->pixel(i, j) != surface_.pixel(left_ + i, top_ + j))
            return fail("window pixel (" + std::to_string(i) + ", " + std::to_string(j) + ") differs from the canvas");
    compare_reference();
  }

  // A call made alike on the surface, the window and the reference; in
  // batch mode the pixels are read only at a read point.
  template <class Draw, class Reference>
  void issue(const Draw& draw, const Reference& reference) {
    const bool accepted = draw(surface_);
    if (window_ && draw(*window_) != accepted) return fail("the window disagrees on refusal");
    if (reference_ && reference(*reference_) != accepted)
      return fail(accepted ? "accepted; the reference refuses it" : "refused; the reference draws it");
    if (!batch_) compare_reference();
  }

  // overload: 0 circle(x, y, r), 1 with a colour, 2 with angles too.
  void circle_call(int overload) {
    const float x = this->x(), y = this->y(), r = length(0, 0);
    const Colour c = overload >= 1 ? colour(in_) : Colour::Black;
    const float a1 = overload == 2 ? angle(in_) : 0.0f, a2 = overload == 2 ? angle(in_) : 0.0f;
    const std::string name = c == Colour::White ? "white circle" : "circle";
    overload == 2 ? describe(name, {x, y, r, a1, a2}, 3) : describe(name, {x, y, r}, 3);
    cx_ = x, cy_ = y;
    issue(
        [&](Surface& s) {
          return overload == 0 ? s.circle(x, y, r) : overload == 1 ? s.circle(x, y, r, c) : s.circle(x, y, r, c, a1, a2);
        },
        [&](test::ReferenceRaster& ref) { return overload == 2 ? ref.circle(x, y, r, c, a1, a2) : ref.circle(x, y, r, c); });
  }

  void line_call(bool with_colour) {
    const float x1 = x(), y1 = y(), x2 = x(), y2 = y();
    const Colour c = with_colour ? colour(in_) : Colour::Black;
    describe("line", {x1, y1, x2, y2}, 4);
    issue([&](Surface& s) { return with_colour ? s.line(x1, y1, x2, y2, c) : s.line(x1, y1, x2, y2); },
          [&](test::ReferenceRaster& ref) { return ref.line(x1, y1, x2, y2, c); });
  }

  // PSet, or touch-up: buttons 1 paint black, 2 white, others nothing.
  void point_call(bool touch) {
    const float x = this->x(), y = this->y();
    const int buttons = touch ? in_.byte() % 8 : 0;
    const Colour c = touch ? (buttons == 2 ? Colour::White : Colour::Black) : colour(in_);
    describe(touch ? "touch_up " + std::to_string(buttons) : "pset", {x, y}, 0);
    issue([&](Surface& s) { return (touch ? touch_up(s, buttons, x, y) : s.pset(x, y, c)), true; },
          [&](test::ReferenceRaster& ref) { return (!touch || buttons == 1 || buttons == 2 ? ref.pset(x, y, c) : void()), true; });
  }

  std::vector<Surface*> surfaces() { return window_ ? std::vector{&surface_, &*window_} : std::vector{&surface_}; }

  void fill(FillStyle style, Colour c) {
    for (Surface* s : surfaces()) s->set_fill_style(style), s->set_fill_colour(c);
    if (reference_) reference_->set_fill(style, c);
  }

  void cls_all() {
    call_ = "cls", window_exact_ = true;
    issue([](Surface& s) { return s.cls(), true; }, [](test::ReferenceRaster& r) { return r.cls(), true; });
  }

  void step() {
    const std::uint8_t op = in_.byte();
    switch (op % 16) {
      case 0: {
        const ScaleMode mode = scale_mode(in_.byte());
        if (!reference_)  // the reference keeps one unit
          for (Surface* s : surfaces()) s->set_scale_mode(mode);
        return;
      }
      case 1: return fill(surface_.fill_style(), colour(in_));
      case 2: return fill(in_.byte() & 1 ? FillStyle::Solid : FillStyle::Transparent, surface_.fill_colour());
      case 4: return cls_all();
      case 5: case 6: return circle_call(op % 16 - 5);
      case 11: case 12: return line_call(op % 16 == 12);
      case 13: case 14: return point_call(op % 16 == 14);
      case 15:
        if (in_.byte() % 2 == 0 || !window_) return read_point();
        // The window moves; its pixels are stale until the cls that follows.
        left_ = in_.byte() % (surface_.width() - window_->width() + 1);
        top_ = in_.byte() % (surface_.height() - window_->height() + 1);
        window_->move_window(left_, top_);
        return cls_all();
      default: return circle_call(2);
    }
  }

  Input& in_;
  double ppi_ = 96;
  Surface surface_;
  std::unique_ptr<test::ReferenceRaster> reference_;
  std::optional<Surface> window_;
  int left_ = 0, top_ = 0;
  bool batch_ = false, window_exact_ = true;
  float cx_ = 0, cy_ = 0;
  std::string call_, error_;
};

}  // namespace vantor::fuzz
