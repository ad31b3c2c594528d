// Fuzzes the drawing surface with a small byte-code program: a raster of up
// to 300 x 300 pixels at any density, then a sequence of state changes and
// figures with arbitrary floats (NaN, infinities, huge, tiny, negative,
// angles around the full turn).
//
// Checked for every call: a call is refused exactly when the surface's
// rules refuse it, and a refused call changes neither the pixels nor the
// state; a figure only paints pixels inside its bounding box; PSet and
// touch-up paint exactly their one pixel; every pixel stays black or white;
// the picture size at the density is not negative.
// On a raster of at most 64 x 64 pixels whose unit stays fixed (at a
// density up to 1e100), every figure is also compared, pixel for pixel,
// with the per-pixel reference rasteriser of the tests.
//
// A program may run in batch, reading no pixel between calls so that arcs
// and sectors stay pending and are drawn together (the per-call pixel
// checks are then left out and the reference is compared at read points and
// at the end), and may drive a window of the same canvas alongside, whose
// pixels must be those of the whole canvas there.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "surface_args.h"
#include "pixel_checks.h"
#include "reference_raster.h"
#include "surface/surface.h"

namespace {

using vantor::Colour;
using vantor::FillStyle;
using vantor::ScaleMode;
using vantor::Surface;
using vantor::test::ReferenceRaster;

constexpr int kMaxSide = 300;
constexpr int kMaxReferencePixels = 64 * 64;
constexpr int kMaxOps = 64;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

std::string fmt(double v) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%.9g", v);
  return buffer;
}

struct State {
  ScaleMode mode;
  Colour fill_colour;
  FillStyle fill_style;
  int draw_width;
  bool operator==(const State&) const = default;
};

State state_of(const Surface& s) { return {s.scale_mode(), s.fill_colour(), s.fill_style(), s.draw_width()}; }

class Program {
 public:
  explicit Program(vantor::fuzz::Input& in) : in_(in), surface_(make_surface(in)) {
    const std::uint8_t mode = in_.byte();
    surface_.set_scale_mode(scale_mode(mode));
    // Batch: no pixel is read between calls, so that arcs and sectors stay
    // pending and are drawn together; the pixels are compared at read
    // points and at the end only.
    batch_ = mode & 0x40;
    if ((mode & 0x20) && surface_.width() > 0) {
      // A window of the same canvas, receiving every call as well.
      const int w = surface_.width(), h = surface_.height();
      win_left_ = in_.byte() % w;
      win_top_ = in_.byte() % h;
      const int ww = 1 + in_.byte() % (w - win_left_), wh = 1 + in_.byte() % (h - win_top_);
      window_.emplace(Surface::window_of(w, h, surface_.pixels_per_inch(), win_left_, win_top_, ww, wh));
      window_->set_scale_mode(surface_.scale_mode());
    }
    // Beyond about 1e115 pixels per unit the squares in the pixel rules
    // overflow to infinity, where the literal rules cover far-away pixels
    // (kept as a regression test); the comparison stays below that.
    if (surface_.width() > 0 && surface_.width() * surface_.height() <= kMaxReferencePixels && (mode & 0x80) == 0 &&
        surface_.pixels_per_inch() <= 1e100)
      reference_ = std::make_unique<ReferenceRaster>(surface_.width(), surface_.height(), surface_.pixels_per_unit());
  }

  void run() {
    for (int op = 0; op < kMaxOps && !in_.empty(); ++op) step();
    read_point("the end");
    if (vantor::fuzz::first_grey(surface_.data(), size())) fail("a pixel is neither black nor white");
  }

 private:
  static Surface make_surface(vantor::fuzz::Input& in) {
    const int w = in.raw<std::int16_t>() % (kMaxSide + 1);
    const int h = in.raw<std::int16_t>() % (kMaxSide + 1);
    static constexpr double kDensities[] = {96, 72, 1, 0.5, 300, 600, 1200, 2400, 1440, 25.4, 1e-3, 7.3};
    const std::uint8_t pick = in.byte();
    const double ppi = pick < 240 ? kDensities[pick % std::size(kDensities)] : in.raw<double>();
    // The picture's client size at that density, without allocating it.
    const int pw = Surface::picture_width(ppi), ph = Surface::picture_height(ppi);
    FUZZ_CHECK(pw >= 0 && ph >= 0, "picture size " + std::to_string(pw) + " x " + std::to_string(ph) + " at " +
                                       fmt(ppi) + " ppi");
    return Surface(w, h, ppi);
  }

  static ScaleMode scale_mode(std::uint8_t b) { return vantor::fuzz::scale_mode(b); }
  Colour colour() { return vantor::fuzz::colour(in_); }
  float special() { return vantor::fuzz::special_float(in_); }

  // A coordinate: mostly somewhere around the raster, in the current unit.
  float coordinate(int pixels) {
    const std::uint8_t kind = in_.byte();
    if (kind % 8 == 0) return in_.raw<float>();
    if (kind % 8 == 1) return special();
    const double t = in_.raw<std::uint16_t>() / 65535.0;
    const double px = (t * 1.5 - 0.25) * std::max(pixels, 1);
    return static_cast<float>(px / surface_.pixels_per_unit());
  }

  float radius() {
    const std::uint8_t kind = in_.byte();
    if (kind % 8 == 0) return in_.raw<float>();
    if (kind % 8 == 1) return special();
    const double t = in_.raw<std::uint16_t>() / 65535.0;
    const double px = kind % 8 == 2 ? t * 3.0 : t * 1.2 * std::max({surface_.width(), surface_.height(), 1});
    return static_cast<float>(px / surface_.pixels_per_unit());
  }

  float angle() { return vantor::fuzz::angle(in_); }

  // The surface's refusal rules, restated.
  static bool finite_pixels(std::initializer_list<float> values, double u) {
    for (float v : values)
      if (!std::isfinite(static_cast<double>(v) * u)) return false;
    return true;
  }
  static bool angle_accepted(float a) { return std::fabs(static_cast<double>(a)) <= kTwoPi + vantor::kFullTurnSlack; }

  void fail(const std::string& what) {
    FUZZ_CHECK(false, what + " [" + std::to_string(surface_.width()) + "x" + std::to_string(surface_.height()) +
                          " ppi " + fmt(surface_.pixels_per_inch()) + " u " + fmt(surface_.pixels_per_unit()) + "]");
  }

  std::size_t size() const { return static_cast<std::size_t>(surface_.width()) * surface_.height(); }
  // Copies the pixels into before_, which is kept across calls.
  void snapshot() {
    if (!batch_) before_.assign(surface_.data(), surface_.data() + size());
  }
  bool unchanged() const { return std::equal(before_.begin(), before_.end(), surface_.data()); }

  // After a figure call: the refusal, and the pixels it may touch.
  template <class Describe>
  void check_figure(const Describe& call, bool accepted, bool expected, const State& state_before, double x0, double y0,
                    double x1, double y1) {
    if (accepted != expected) fail(call() + (accepted ? " was accepted" : " was refused"));
    if (!(state_of(surface_) == state_before)) fail(call() + " changed the drawing state");
    if (batch_) return;
    if (!accepted) {
      if (!unchanged()) fail(call() + " was refused but changed pixels");
      return;
    }
    // The pixel rules are evaluated in double: far from the origin their
    // rounding (ulps of the coordinates' magnitude) widens the box.  From
    // about 1e154 pixels the squares overflow and the rules cover pixels
    // arbitrarily far away, so there is no box to check.
    const double magnitude = std::max({std::fabs(x0), std::fabs(y0), std::fabs(x1), std::fabs(y1)});
    if (magnitude > 1e150) return;
    const double slack = 1 + 8 * std::numeric_limits<double>::epsilon() * magnitude;
    if (const auto p = vantor::fuzz::first_change_outside(before_.data(), surface_.data(), surface_.width(),
                                                          surface_.height(), std::floor(x0 - slack),
                                                          std::floor(y0 - slack), std::ceil(x1 + slack),
                                                          std::ceil(y1 + slack)))
      fail(call() + " painted pixel (" + std::to_string(p->first) + ", " + std::to_string(p->second) +
           ") outside its bounding box");
  }

  void circle_call(int overload) {
    const float x = coordinate(surface_.width()), y = coordinate(surface_.height()), r = radius();
    const Colour c = overload >= 1 ? colour() : Colour::Black;
    const float a1 = overload == 2 ? angle() : 0.0f, a2 = overload == 2 ? angle() : 0.0f;
    const double u = surface_.pixels_per_unit();
    const bool expected = finite_pixels({x, y, r}, u) && (overload < 2 || (angle_accepted(a1) && angle_accepted(a2)));
    snapshot();
    const State state = state_of(surface_);
    bool accepted;
    std::optional<bool> ref;
    const auto draw = [&](Surface& s) {
      switch (overload) {
        case 0:
          return s.circle(x, y, r);
        case 1:
          return s.circle(x, y, r, c);
      }
      return s.circle(x, y, r, c, a1, a2);
    };
    accepted = draw(surface_);
    if (window_ && draw(*window_) != accepted) fail("the window disagrees on refusal");
    if (reference_)
      ref = overload == 2 ? reference_->circle(x, y, r, c, a1, a2) : reference_->circle(x, y, r, c);
    const auto call = [&] {
      return "circle(" + fmt(x) + ", " + fmt(y) + ", " + fmt(r) +
             (overload >= 1 ? std::string(c == Colour::White ? ", white" : ", black") : "") +
             (overload == 2 ? ", " + fmt(a1) + ", " + fmt(a2) : "") + ")" +
             (state.fill_style == FillStyle::Solid ? " solid" : " transparent") +
             (state.fill_colour == Colour::White ? " white fill" : " black fill");
    };
    const double X = x * u, Y = y * u, R = std::fabs(r * u);
    if (accepted) note_magnitude({X, Y, R});
    check_figure(call, accepted, expected, state, X - R, Y - R, X + R, Y + R);
    if (ref && *ref != accepted) fail(call() + ": the reference disagrees on refusal");
    compare_reference(call);
  }

  void line_call(bool with_colour) {
    const float x1 = coordinate(surface_.width()), y1 = coordinate(surface_.height());
    const float x2 = coordinate(surface_.width()), y2 = coordinate(surface_.height());
    const Colour c = with_colour ? colour() : Colour::Black;
    const double u = surface_.pixels_per_unit();
    const bool expected = finite_pixels({x1, y1, x2, y2}, u);
    snapshot();
    const State state = state_of(surface_);
    const auto draw = [&](Surface& s) { return with_colour ? s.line(x1, y1, x2, y2, c) : s.line(x1, y1, x2, y2); };
    const bool accepted = draw(surface_);
    if (window_ && draw(*window_) != accepted) fail("the window disagrees on refusal");
    std::optional<bool> ref;
    if (reference_) ref = reference_->line(x1, y1, x2, y2, c);
    const auto call = [&] {
      return "line(" + fmt(x1) + ", " + fmt(y1) + ", " + fmt(x2) + ", " + fmt(y2) +
             (c == Colour::White ? ", white)" : ")");
    };
    const double px1 = x1 * u, py1 = y1 * u, px2 = x2 * u, py2 = y2 * u;
    if (accepted) note_magnitude({px1, py1, px2, py2});
    check_figure(call, accepted, expected, state, std::min(px1, px2), std::min(py1, py2), std::max(px1, px2),
                 std::max(py1, py2));
    if (ref && *ref != accepted) fail(call() + ": the reference disagrees on refusal");
    compare_reference(call);
  }

  // PSet and touch-up: exactly the pixel that contains the point, or none.
  void point_call(bool touch) {
    const float x = coordinate(surface_.width()), y = coordinate(surface_.height());
    const int buttons = touch ? in_.byte() % 8 : 0;
    const Colour c = touch ? (buttons == 2 ? Colour::White : Colour::Black) : colour();
    const bool paints = !touch || buttons == 1 || buttons == 2;
    snapshot();
    const State state = state_of(surface_);
    for (Surface* s : {&surface_, window_ ? &*window_ : nullptr}) {
      if (!s) continue;
      if (touch) {
        vantor::touch_up(*s, buttons, x, y);
      } else {
        s->pset(x, y, c);
      }
    }
    if (reference_ && paints) reference_->pset(x, y, c);
    const auto call = [&] {
      return (touch ? "touch_up(" + std::to_string(buttons) + ", " : std::string("pset(")) + fmt(x) + ", " + fmt(y) +
             ")";
    };
    if (!(state_of(surface_) == state)) fail(call() + " changed the drawing state");
    if (batch_) return;
    const double u = surface_.pixels_per_unit();
    const double px = std::floor(static_cast<double>(x) * u), py = std::floor(static_cast<double>(y) * u);
    if (paints && px >= 0 && px < surface_.width() && py >= 0 && py < surface_.height())
      before_[static_cast<std::size_t>(py) * surface_.width() + static_cast<std::size_t>(px)] =
          static_cast<std::uint8_t>(c);
    if (!unchanged()) fail(call() + " did not paint exactly its pixel");
    compare_reference(call);
  }

  // Pixel coordinates from 2^52 on are beyond the window's exactness.
  void note_magnitude(std::initializer_list<double> values) {
    for (double v : values)
      if (!(std::fabs(v) < 4503599627370496.0)) window_exact_ = false;
  }

  // Compares the surface with the reference and the window with its part of
  // the surface.  Reads the pixels, so pending figures are drawn.
  template <class Describe>
  void read_point(const Describe& call) {
    const auto describe = [&] { return std::string(call); };
    compare_window(describe);
    const bool batch = batch_;
    batch_ = false;
    compare_reference(describe);
    batch_ = batch;
  }

  template <class Describe>
  void compare_window(const Describe& call) {
    if (!window_ || !window_exact_) return;
    if (const auto p = vantor::fuzz::first_crop_difference(surface_.data(), surface_.width(), surface_.height(),
                                                           window_->data(), window_->width(), window_->height(),
                                                           win_left_, win_top_))
      fail(call() + ": window pixel (" + std::to_string(p->first) + ", " + std::to_string(p->second) + ") at (" +
           std::to_string(win_left_) + ", " + std::to_string(win_top_) + ") of a " + std::to_string(window_->width()) +
           " x " + std::to_string(window_->height()) + " window differs from the whole canvas");
  }

  template <class Describe>
  void compare_reference(const Describe& call) {
    if (!reference_ || batch_) return;
    const std::vector<std::uint8_t>& ref = reference_->pixels();
    const int w = surface_.width();
    if (const auto k = vantor::fuzz::first_difference(ref.data(), surface_.data(), ref.size()))
      fail(call() + ": pixel (" + std::to_string(*k % w) + ", " + std::to_string(*k / w) + ") is " +
           (surface_.data()[*k] ? "white" : "black") + ", the reference has it " + (ref[*k] ? "white" : "black"));
  }

  void step() {
    const std::uint8_t op = in_.byte();
    switch (op % 16) {
      case 0: {
        const std::uint8_t b = in_.byte();
        if (reference_) break;  // the reference keeps one unit
        surface_.set_scale_mode(scale_mode(b));
        if (window_) window_->set_scale_mode(scale_mode(b));
        break;
      }
      case 1:
        surface_.set_fill_colour(colour());
        if (window_) window_->set_fill_colour(surface_.fill_colour());
        if (reference_) reference_->set_fill(surface_.fill_style(), surface_.fill_colour());
        break;
      case 2:
        surface_.set_fill_style(in_.byte() & 1 ? FillStyle::Solid : FillStyle::Transparent);
        if (window_) window_->set_fill_style(surface_.fill_style());
        if (reference_) reference_->set_fill(surface_.fill_style(), surface_.fill_colour());
        break;
      case 3: {
        const std::uint8_t b = in_.byte();
        const int width = b < 128 ? b % 4 : in_.raw<int>();
        snapshot();
        const State state = state_of(surface_);
        const bool accepted = surface_.set_draw_width(width);
        if (accepted != (width == 1)) fail("set_draw_width(" + std::to_string(width) + ")");
        if (!(state_of(surface_) == state) || (!batch_ && !unchanged()))
          fail("set_draw_width(" + std::to_string(width) + ") changed something");
        break;
      }
      case 4:
        cls_all();
        if (batch_) break;
        if (std::any_of(surface_.data(), surface_.data() + surface_.width() * surface_.height(),
                        [](std::uint8_t p) { return p != 0xFF; }))
          fail("cls left a black pixel");
        break;
      case 5:
        circle_call(0);
        break;
      case 6:
        circle_call(1);
        break;
      case 7:
      case 8:
      case 9:
      case 10:
        circle_call(2);
        break;
      case 11:
        line_call(false);
        break;
      case 12:
        line_call(true);
        break;
      case 13:
        point_call(false);
        break;
      case 14:
        point_call(true);
        break;
      default: {
        const std::uint8_t b = in_.byte();
        if (b % 2 == 0 || !window_) {
          read_point("read point");
        } else {
          // The window moves within the canvas; its pixels are stale until
          // the next cls, which follows.
          win_left_ = in_.byte() % (surface_.width() - window_->width() + 1);
          win_top_ = in_.byte() % (surface_.height() - window_->height() + 1);
          window_->move_window(win_left_, win_top_);
          cls_all();
        }
        break;
      }
    }
  }

  void cls_all() {
    surface_.cls();
    if (window_) window_->cls();
    if (reference_) reference_->cls();
    window_exact_ = true;
  }

  vantor::fuzz::Input& in_;
  Surface surface_;
  std::unique_ptr<ReferenceRaster> reference_;
  std::vector<std::uint8_t> before_;
  bool batch_ = false;
  std::optional<Surface> window_;
  int win_left_ = 0, win_top_ = 0;
  bool window_exact_ = true;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vantor::fuzz::Input in(data, size);
  Program program(in);
  program.run();
  return 0;
}
