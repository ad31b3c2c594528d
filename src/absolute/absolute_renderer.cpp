#include "absolute/absolute_renderer.h"

#include <cmath>
#include <limits>
#include <numbers>

#include "common/first_slot.h"

namespace vantor {

namespace {

constexpr double kPi = std::numbers::pi;

// The single-precision hand-over.  A value beyond the float range becomes
// an infinity, which the surface refuses, rather than an undefined cast.
float to_surface(double v) {
  constexpr double kMax = std::numeric_limits<float>::max();
  if (v > kMax) return std::numeric_limits<float>::infinity();
  if (v < -kMax) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(v);
}

// A slot angle in the surface's range.  Whole resolutions never pass a full
// turn by more than a rounding step, which the surface takes as the full
// turn; a fractional resolution with a balance can end a slot up to one
// sector beyond it, and that end is brought back by one turn so the sector
// covers the angles its formula gives.
float to_surface_angle(double a) {
  if (std::fabs(a) > 2 * kPi + kFullTurnSlack / 2) a -= std::copysign(2 * kPi, a);
  return to_surface(a);
}

// The disc, every track's slots and mask, the shaft hole and the centre
// cross; false when the surface refuses a figure.
bool draw(const AbsoluteDesign& design, Surface& surface) {
  const AbsoluteGeometry g = absolute_geometry(design);
  const float cx = surface.scale_width() / 2;
  const float cy = surface.scale_height() / 2;

  surface.cls();
  surface.set_fill_colour(Colour::Black);
  surface.set_fill_style(FillStyle::Solid);
  surface.set_part({DiscPart::Disc});
  if (!surface.circle(cx, cy, to_surface(g.outer_radius))) return false;

  const double sl = g.slot_length;
  double e = g.first_track_outer;
  int track = 0;
  for (double i = design.resolution_exp - 1; i >= 0; i -= 1, ++track) {
    // The track's sector (negative: the slots are filled sectors), its
    // turn and its number of slots.
    double slots = std::pow(2.0, i);
    double theta = -2 * kPi / (2 * slots), d = 0.0;
    if (design.code_type == CodeType::Grey) d = theta / 2;
    if (design.code_type == CodeType::GrayFull) {
      const bool innermost = i < 1;
      slots = innermost ? 1.0 : slots / 2;
      theta = innermost ? -kPi : 2 * theta;
      d = innermost ? theta : theta / 2;
    }
    const double beta = design.balance * theta / 90;
    surface.set_draw_width(1);
    surface.set_fill_colour(Colour::White);
    surface.set_fill_style(FillStyle::Solid);
    surface.set_part({DiscPart::Slot, track});
    const float r = to_surface(e);
    const double lead = first_slot_lead(std::fabs(theta + beta));
    if (!surface.circle(cx, cy, r, Colour::White, to_surface_angle(d - lead), to_surface_angle(theta + d + beta)))
      return false;
    const double last_j = 2 * slots - 1;
    for (double j = 2; j <= last_j; j += 2) {
      if (!surface.circle(cx, cy, r, Colour::White, to_surface_angle(theta * j + d),
                          to_surface_angle(theta * (j + 1) + d + beta)))
        return false;
    }
    surface.set_fill_colour(Colour::Black);
    surface.set_fill_style(FillStyle::Solid);
    surface.set_part({DiscPart::TrackMask, track});
    if (!surface.circle(cx, cy, to_surface(e - sl))) return false;
    e -= 2 * sl;
  }

  surface.set_fill_colour(Colour::White);
  surface.set_fill_style(FillStyle::Solid);
  surface.set_part({DiscPart::ShaftHole});
  if (!surface.circle(cx, cy, to_surface(g.shaft_radius))) return false;
  surface.set_fill_colour(Colour::Black);
  surface.set_part({DiscPart::CentreMark});
  const double arm = g.shaft_radius / 4;
  const double x = cx, y = cy;
  return surface.line(to_surface(x + arm), cy, to_surface(x - arm), cy) &&
         surface.line(cx, to_surface(y + arm), cx, to_surface(y - arm));
}

}  // namespace

DrawOutcome render_absolute(const AbsoluteDesign& design, Surface& surface) {
  if (!(design.resolution_exp <= kMaxDrawableResolutionExp)) return {.message = Message::InvalidEntry, .zoom_diam = {}};
  surface.set_scale_mode(design.unit == Unit::Inch ? ScaleMode::Inch : ScaleMode::Millimetre);
  surface.set_part({});
  const bool drawn = draw(design, surface);
  surface.set_part({});
  return {.message = drawn ? Message::None : Message::InvalidEntry, .zoom_diam = {}};
}

}  // namespace vantor
