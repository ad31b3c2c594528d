#include "incremental/incremental_renderer.h"

#include <cmath>
#include <limits>
#include <optional>
#include <string_view>

#include "common/first_slot.h"
#include "common/numtext.h"

namespace vantor {

namespace {

// The colours of one polarity.  An outline of nullopt is a figure drawn
// without a colour, i.e. in the surface's foreground colour (black).
struct Palette {
  bool zoomed;                         // the slider's zoom applies; zoom_diam is written
  Colour disc_fill;                    // step 12
  Colour slot;                         // fill and outline of every slot
  Colour mask_fill;                    // the disc inside each track
  std::optional<Colour> mask_outline;
  Colour shaft_fill;                   // step 20
  Colour cross_fill;                   // FillColor set before the centre cross
  std::optional<Colour> cross_line;
  Colour centre_fill;                  // the small circle of the centre mark
  std::optional<Colour> centre_outline;
};

constexpr Palette kNormal{.zoomed = true,
                          .disc_fill = Colour::Black,
                          .slot = Colour::White,
                          .mask_fill = Colour::Black,
                          .mask_outline = std::nullopt,
                          .shaft_fill = Colour::White,
                          .cross_fill = Colour::Black,
                          .cross_line = std::nullopt,
                          .centre_fill = Colour::White,
                          .centre_outline = std::nullopt};
// Black and white exchanged; the masks and the centre mark get an explicit
// white where the normal drawing leaves them in the foreground colour, so
// only the rims of the disc and of the shaft hole keep a black outline.
constexpr Palette kInverse{.zoomed = false,
                           .disc_fill = Colour::White,
                           .slot = Colour::Black,
                           .mask_fill = Colour::White,
                           .mask_outline = Colour::White,
                           .shaft_fill = Colour::Black,
                           .cross_fill = Colour::White,
                           .cross_line = Colour::White,
                           .centre_fill = Colour::Black,
                           .centre_outline = Colour::White};

// Ends the drawing with a message; caught in render_incremental.
struct Stop {
  Message message;
};

// A finite double, or the failure path (overflow, 0/0, ...).
double checked(double v) {
  if (!std::isfinite(v)) throw Stop{Message::InvalidEntry};
  return v;
}

double number(std::string_view text) {
  const std::optional<double> v = parse_number(text);
  if (!v) throw Stop{Message::InvalidEntry};
  return *v;
}

double quotient(double a, double b) {
  if (b == 0.0) throw Stop{Message::InvalidEntry};
  return checked(a / b);
}

// The single-precision hand-over; a value beyond the float range is an
// overflow, like any other.
float single(double v) {
  if (!(std::fabs(v) <= std::numeric_limits<float>::max())) throw Stop{Message::InvalidEntry};
  return static_cast<float>(v);
}

// A refused drawing call takes the failure path.
void drawn(bool accepted) {
  if (!accepted) throw Stop{Message::InvalidEntry};
}

bool circle(Surface& s, float x, float y, float r, std::optional<Colour> outline) {
  return outline ? s.circle(x, y, r, *outline) : s.circle(x, y, r);
}

bool line(Surface& s, float x1, float y1, float x2, float y2, std::optional<Colour> colour) {
  return colour ? s.line(x1, y1, x2, y2, *colour) : s.line(x1, y1, x2, y2);
}

// The number of slots that the slot loop draws on an A or B track for the
// resolution n: the first slot and one for each i = 2, 4, ... <= 2n - 1.
double slot_count(double n) {
  const double last = 2 * n - 1;
  return last >= 2 ? 1 + std::floor(last / 2) : 1;
}

void draw(const IncrementalDesign& design, const Palette& pal, Surface& surface,
          IncrementalOutcome& outcome) {
  // 3. Pi.
  const double pi = 4 * std::atan(1.0);

  // 5. Unit.
  surface.set_scale_mode(design.unit == Unit::Inch ? ScaleMode::Inch : ScaleMode::Millimetre);

  // 6. Length factor.  The inverse drawing is always at 100 %.
  const double s1 = number(design.scale_num);
  const double s2 = number(design.scale_den);
  const double zoom = pal.zoomed ? design.zoom / 100.0 : 1.0;
  const double k = pal.zoomed ? checked(zoom * quotient(s1, s2)) : quotient(s1, s2);

  // 7. Scaled slot lengths.
  double slot[3];
  for (int n = 0; n < 3; ++n) slot[n] = checked(number(design.channels[n].slot_length) * k);

  // 8. Disc and shaft radii.
  const auto radius = [&](std::string_view diameter) {
    const double scaled = checked(quotient(number(diameter), 2) * quotient(s1, s2));
    return pal.zoomed ? checked(zoom * scaled) : scaled;
  };
  const double disc = radius(design.encoder_diameter);
  const double shaft = radius(design.shaft_diameter);

  // 9. Zoomed diameter.
  if (pal.zoomed) outcome.zoom_diam = general_text(checked(2 * disc));

  // 10. Centre.
  const float cx = surface.scale_width() / 2;
  const float cy = surface.scale_height() / 2;

  // 11, 12. The disc.
  surface.cls();
  surface.set_fill_colour(pal.disc_fill);
  surface.set_fill_style(FillStyle::Solid);
  drawn(surface.circle(cx, cy, single(disc)));

  // 13. Track radii, from the rim inwards; every track takes its room.
  double outer[3];
  double inner_edge = disc;  // the inner edge of the track before, the rim for track 1
  for (int n = 0; n < 3; ++n) {
    const ChannelTrack& ch = design.channels[n];
    const double edge = ch.edge_mode == IncEdgeMode::Default ? slot[n] : checked(number(ch.edge_distance) * k);
    outer[n] = checked(inner_edge - edge);
    inner_edge = checked(outer[n] - slot[n]);
  }

  // 14. Fit check: every track must lie outside the centre.
  if (inner_edge < 0) throw Stop{Message::SlotsTooLong};

  // 15. Pitch: d is half a cycle, negative for a positive resolution.
  const double res = number(design.resolution);
  if (slot_count(res) > kMaxSlotsPerTrack) throw Stop{Message::ResolutionTooHigh};
  const double d = quotient(-1 * (2 * pi), checked(2 * res));

  // 16. Balance offsets.
  double balance[3];
  for (int n = 0; n < 3; ++n) balance[n] = checked(checked(number(design.channels[n].balance) * d) / 90);

  // 17-19. The channels.  The phase carries over from one channel to the
  // next, so an Index channel keeps the phase the channel before it set.
  double phase = 0;
  const double last_i = checked(2 * res - 1);
  for (int n = 0; n < 3; ++n) {
    const ChannelTrack& ch = design.channels[n];
    if (ch.type == ChannelType::A) phase = 0;
    if (ch.type == ChannelType::B) phase = d / 2;
    if (ch.on) {
      const float r = single(outer[n]);
      drawn(surface.set_draw_width(1));
      surface.set_fill_colour(pal.slot);
      surface.set_fill_style(FillStyle::Solid);
      const double lead = first_slot_lead(std::fabs(d + balance[n]));
      drawn(surface.circle(cx, cy, r, pal.slot, single(-lead + phase), single((d + phase) + balance[n])));
      if (ch.type != ChannelType::Index)
        for (double i = 2; i <= last_i; i += 2)
          drawn(surface.circle(cx, cy, r, pal.slot, single((i * d) + phase),
                               single((((i * d) + d) + phase) + balance[n])));
    }
    // Channel 3's mask is drawn only when it is on.
    if (n < 2 || ch.on) {
      surface.set_fill_colour(pal.mask_fill);
      surface.set_fill_style(FillStyle::Solid);
      drawn(circle(surface, cx, cy, single(outer[n] - slot[n]), pal.mask_outline));
    }
  }

  // 20. Shaft hole.
  surface.set_fill_colour(pal.shaft_fill);
  surface.set_fill_style(FillStyle::Solid);
  drawn(surface.circle(cx, cy, single(shaft)));

  // 21. Centre mark: a cross to half the shaft radius and a small circle.
  surface.set_fill_colour(pal.cross_fill);
  const double arm = 0.5 * shaft;
  drawn(line(surface, single(cx + arm), cy, single(cx - arm), cy, pal.cross_line));
  drawn(line(surface, cx, single(cy + arm), cx, single(cy - arm), pal.cross_line));
  surface.set_fill_colour(pal.centre_fill);
  drawn(circle(surface, cx, cy, single(0.2 * shaft), pal.centre_outline));
}

}  // namespace

IncrementalOutcome render_incremental(const IncrementalDesign& design, Polarity polarity, Surface& surface) {
  IncrementalOutcome outcome;
  try {
    draw(design, polarity == Polarity::Normal ? kNormal : kInverse, surface, outcome);
  } catch (const Stop& stop) {
    outcome.message = stop.message;
  }
  return outcome;
}

}  // namespace vantor
