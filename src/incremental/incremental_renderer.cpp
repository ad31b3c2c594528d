#include "incremental/incremental_renderer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <string_view>

#include "common/first_slot.h"
#include "common/numtext.h"
#include "incremental/sensor_mask.h"

namespace vantor {

namespace {

// The colours of one polarity.  An outline of nullopt is a figure drawn
// without a colour, i.e. in the surface's foreground colour (black).
struct Palette {
  bool zoomed;                         // the slider's zoom applies; zoom_diam is written
  Colour disc_fill;
  Colour slot;                         // fill and outline of every slot
  Colour mask_fill;                    // the disc inside each track
  std::optional<Colour> mask_outline;
  Colour shaft_fill;
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

// The number of slots that the slot loop draws on an A or B track for the
// resolution n: the first slot and one for each i = 2, 4, ... <= 2n - 1.
double slot_count(double n) {
  const double last = 2 * n - 1;
  return last >= 2 ? 1 + std::floor(last / 2) : 1;
}

// One drawing, step by step.  Each step converts the fields it needs and
// draws what it can; the first failure is kept and ends the drawing after
// the step that met it, before that step draws anything more.
class Drawing {
 public:
  Drawing(const IncrementalDesign& design, const Palette& pal, Surface& surface, IncDrawing drawing)
      : design_(design), pal_(pal), surface_(surface), drawing_(drawing) {}

  DrawOutcome run() {
    surface_.set_part({});
    (void)(scale() && slot_lengths() && radii() && disc() && track_radii() && fit() && pitch() && balances() &&
           mask() && channels() && shaft_and_centre_mark());
    surface_.set_part({});
    return outcome_;
  }

 private:
  // --- the failure path: the first failure is the one shown ---
  bool ok() const { return outcome_.message == Message::None; }
  double fail(Message m = Message::InvalidEntry) {
    if (ok()) outcome_.message = m;
    return std::numeric_limits<double>::quiet_NaN();
  }
  // A finite double, or the failure path (overflow, 0/0, ...).
  double checked(double v) { return std::isfinite(v) ? v : fail(); }
  double number(std::string_view text) {
    const std::optional<double> v = parse_number(text);
    return v ? *v : fail();
  }
  double quotient(double a, double b) { return b == 0.0 ? fail() : checked(a / b); }
  // The single-precision hand-over; a value beyond the float range is an
  // overflow, like any other.
  float single(double v) {
    if (!(std::fabs(v) <= std::numeric_limits<float>::max())) return static_cast<float>(fail());
    return static_cast<float>(v);
  }
  // A refused drawing call takes the failure path.
  bool drawn(bool accepted) {
    if (!accepted) fail();
    return ok();
  }
  bool circle(float r, std::optional<Colour> outline) {
    return drawn(outline ? surface_.circle(cx_, cy_, r, *outline) : surface_.circle(cx_, cy_, r));
  }
  bool line(float x1, float y1, float x2, float y2, std::optional<Colour> colour) {
    return drawn(colour ? surface_.line(x1, y1, x2, y2, *colour) : surface_.line(x1, y1, x2, y2));
  }
  void fill(Colour c) {
    surface_.set_fill_colour(c);
    surface_.set_fill_style(FillStyle::Solid);
  }

  // --- the steps, in the order they run ---

  // The unit, and k: the length factor, S1 / S2, times zoom / 100 on the
  // normal drawing (the inverse one is always at 100 %).
  bool scale() {
    surface_.set_scale_mode(design_.unit == Unit::Inch ? ScaleMode::Inch : ScaleMode::Millimetre);
    s1_ = number(design_.scale_num);
    s2_ = number(design_.scale_den);
    zoom_ = pal_.zoomed ? design_.zoom / 100.0 : 1.0;
    k_ = pal_.zoomed ? checked(zoom_ * quotient(s1_, s2_)) : quotient(s1_, s2_);
    return ok();
  }

  bool slot_lengths() {
    for (int n = 0; n < 3; ++n) slot_[n] = checked(number(design_.channels[n].slot_length) * k_);
    return ok();
  }

  // The disc's and the shaft's radius, and the zoomed diameter for the window.
  bool radii() {
    const auto radius = [this](std::string_view diameter) {
      const double scaled = checked(quotient(number(diameter), 2) * quotient(s1_, s2_));
      return pal_.zoomed ? checked(zoom_ * scaled) : scaled;
    };
    disc_ = radius(design_.encoder_diameter);
    shaft_ = radius(design_.shaft_diameter);
    if (!ok() || !pal_.zoomed) return ok();
    const double diameter = checked(2 * disc_);
    if (ok()) outcome_.zoom_diam = general_text(diameter);
    return ok();
  }

  // Clears the picture and draws the disc, centred on it.
  bool disc() {
    cx_ = surface_.scale_width() / 2;
    cy_ = surface_.scale_height() / 2;
    surface_.cls();
    fill(pal_.disc_fill);
    surface_.set_part({DiscPart::Disc});
    const float r = single(disc_);
    return ok() && drawn(surface_.circle(cx_, cy_, r));
  }

  // From the rim inwards every track takes its edge distance and its slot
  // length, whether it is on or not.
  bool track_radii() {
    double inner_edge = disc_;  // the inner edge of the track before, the rim for track 1
    lowest_edge_ = disc_;
    for (int n = 0; n < 3; ++n) {
      const ChannelTrack& ch = design_.channels[n];
      const double edge = ch.edge_mode == IncEdgeMode::Default ? slot_[n] : checked(number(ch.edge_distance) * k_);
      outer_[n] = checked(inner_edge - edge);
      inner_edge = checked(outer_[n] - slot_[n]);
      lowest_edge_ = std::min(lowest_edge_, inner_edge);
    }
    return ok();
  }

  // Every track must lie outside the centre: a negative edge distance can
  // move a later track outwards while an earlier one runs past the centre.
  bool fit() {
    if (lowest_edge_ < 0) fail(Message::SlotsTooLong);
    return ok();
  }

  // d, half a cycle: negative for a positive resolution.
  bool pitch() {
    res_ = number(design_.resolution);
    if (!ok()) return false;
    const bool slot_loop = std::any_of(design_.channels.begin(), design_.channels.end(),
                                       [](const ChannelTrack& ch) { return ch.on && ch.type != ChannelType::Index; });
    if (slot_loop && slot_count(res_) > kMaxSlotsPerTrack) fail(Message::ResolutionTooHigh);
    if (!ok()) return false;
    d_ = quotient(-1 * (2 * kPi), checked(2 * res_));
    return ok();
  }

  // Each track's balance: the angle added to every slot's end.
  bool balances() {
    for (int n = 0; n < 3; ++n) balance_[n] = checked(checked(number(design_.channels[n].balance) * d_) / 90);
    return ok();
  }

  // The sensor mask's entries, and whether its windows fit: no more windows
  // than cycles on a turn, and no two channels that are on sharing a ring.
  bool mask() {
    if (drawing_ != IncDrawing::SensorMask) return true;
    const std::optional<double> angle = mask_angle_degrees(design_.mask_angle);
    const std::optional<int> windows = mask_window_count(design_.mask_windows);
    if (!angle || !windows) fail(Message::MaskEntryInvalid);
    if (!ok()) return false;
    mask_angle_ = *angle;
    mask_windows_ = *windows;
    const auto on = [this](int n) { return design_.channels[n].on; };
    for (int n = 0; n < 3; ++n)
      if (on(n) && design_.channels[n].type != ChannelType::Index && !(mask_windows_ <= res_))
        fail(Message::MaskWindowsDoNotFit);
    // A ring from outer - slot length to outer, either way round.
    const auto low = [this](int n) { return std::min(outer_[n], outer_[n] - slot_[n]); };
    const auto high = [this](int n) { return std::max(outer_[n], outer_[n] - slot_[n]); };
    for (int n = 0; n < 3; ++n)
      for (int m = n + 1; m < 3; ++m)
        if (on(n) && on(m) && std::max(low(n), low(m)) < std::min(high(n), high(m))) fail(Message::MaskWindowsOverlap);
    return ok();
  }

  // The slots of each track that is on, and the mask that closes it.  The
  // phase carries over from one channel to the next, so an Index channel
  // keeps the phase the channel before it set.
  bool channels() {
    double phase = 0;
    const double last_i = checked(2 * res_ - 1);
    if (!ok()) return false;
    for (int n = 0; n < 3; ++n) {
      const ChannelTrack& ch = design_.channels[n];
      if (ch.type == ChannelType::A) phase = 0;
      if (ch.type == ChannelType::B) phase = d_ / 2;
      if (ch.on && !slots(n, phase, last_i)) return false;
      // Channel 3's mask is drawn only when it is on.
      if (n < 2 || ch.on) {
        fill(pal_.mask_fill);
        surface_.set_part({DiscPart::TrackMask, n});
        const float r = single(outer_[n] - slot_[n]);
        if (!ok() || !circle(r, pal_.mask_outline)) return false;
      }
    }
    return true;
  }

  bool slots(int n, double phase, double last_i) {
    const float r = single(outer_[n]);
    if (!ok() || !drawn(surface_.set_draw_width(1))) return false;
    fill(pal_.slot);
    surface_.set_part({DiscPart::Slot, n});
    const auto sector = [&](double a1, double a2) {
      const float from = single(a1), to = single(a2);
      return ok() && drawn(surface_.circle(cx_, cy_, r, pal_.slot, from, to));
    };
    if (drawing_ == IncDrawing::SensorMask) {
      // Half a cycle wide, one cycle apart, at the same angles on every
      // track: the disc's own phase of channel B makes the quadrature.
      const int count = design_.channels[n].type == ChannelType::Index ? 1 : mask_windows_;
      for (const MaskArc& w : mask_window_arcs(mask_angle_, count, 2 * std::fabs(d_), std::fabs(d_)))
        if (!sector(-w.start, -w.end)) return false;
      return true;
    }
    const double lead = first_slot_lead(std::fabs(d_ + balance_[n]));
    if (!sector(-lead + phase, (d_ + phase) + balance_[n])) return false;
    if (design_.channels[n].type != ChannelType::Index)
      for (double i = 2; i <= last_i; i += 2)
        if (!sector((i * d_) + phase, (((i * d_) + d_) + phase) + balance_[n])) return false;
    return true;
  }

  // The shaft hole, then a cross to half the shaft radius and a small circle.
  bool shaft_and_centre_mark() {
    fill(pal_.shaft_fill);
    surface_.set_part({DiscPart::ShaftHole});
    const float shaft = single(shaft_);
    if (!ok() || !drawn(surface_.circle(cx_, cy_, shaft))) return false;
    surface_.set_fill_colour(pal_.cross_fill);
    surface_.set_part({DiscPart::CentreMark});
    const double arm = 0.5 * shaft_;
    const float right = single(cx_ + arm), left = single(cx_ - arm);
    if (!ok() || !line(right, cy_, left, cy_, pal_.cross_line)) return false;
    const float below = single(cy_ + arm), above = single(cy_ - arm);
    if (!ok() || !line(cx_, below, cx_, above, pal_.cross_line)) return false;
    surface_.set_fill_colour(pal_.centre_fill);
    const float dot = single(0.2 * shaft_);
    return ok() && circle(dot, pal_.centre_outline);
  }

  static constexpr double kPi = std::numbers::pi;

  const IncrementalDesign& design_;
  const Palette& pal_;
  Surface& surface_;
  const IncDrawing drawing_;
  DrawOutcome outcome_;
  double mask_angle_ = 0;
  int mask_windows_ = 0;
  double s1_ = 0, s2_ = 0, zoom_ = 1, k_ = 0;
  double slot_[3] = {}, outer_[3] = {}, balance_[3] = {};
  double disc_ = 0, shaft_ = 0, lowest_edge_ = 0;
  double res_ = 0, d_ = 0;
  float cx_ = 0, cy_ = 0;
};

}  // namespace

DrawOutcome render_incremental(const IncrementalDesign& design, Polarity polarity, Surface& surface,
                               IncDrawing drawing) {
  return Drawing(design, polarity == Polarity::Normal ? kNormal : kInverse, surface, drawing).run();
}

}  // namespace vantor
