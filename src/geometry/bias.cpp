#include "geometry/bias.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>

namespace vantor {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

std::string fixed(double v, int decimals, bool sign) {
  char buf[64];
  std::snprintf(buf, sizeof buf, sign ? "%+.*f" : "%.*f", decimals, v == 0 ? 0.0 : v);
  return buf;
}

std::string track_name(std::size_t i) { return "track " + std::to_string(i + 1) + " (counted from the rim)"; }

// The first thing the bias closes or joins, or empty.  Lengths in the unit;
// b is the bias there.  A gap already closed in the design is not the
// bias's doing and is left to the report.
std::string refusal(const DiscGeometry& disc, double b, double bias_um) {
  const std::string lead = "A bias of " + fixed(bias_um, 1, false) + " \u00b5m ";
  const auto& tracks = disc.tracks;
  const auto closes = [](double before, double after) { return before > 0 && !(after > 0); };
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    const DiscTrack& t = tracks[i];
    const double middle = (t.inner + t.outer) / 2;
    const auto [slot, bar] = t.narrowest();
    if (closes(t.outer - t.inner, t.outer - t.inner + 2 * b) || closes(slot * middle, slot * middle + 2 * b))
      return lead + "closes the slots of " + track_name(i) + ".";
    if (bar < kTwoPi && closes(bar * middle, bar * middle - 2 * b))
      return lead + "joins the slots of " + track_name(i) + " to each other.";
    if (closes(disc.rim_radius - t.outer, disc.rim_radius - t.outer - b))
      return lead + "joins the slots of " + track_name(i) + " to the rim.";
    for (std::size_t j = 0; j < i; ++j) {
      const DiscTrack& u = tracks[j];
      const double gap = u.inner >= t.outer ? u.inner - t.outer : t.inner - u.outer;
      if (closes(gap, gap - 2 * b))
        return lead + "joins the slots of " + track_name(i) + " to those of track " + std::to_string(j + 1) + ".";
    }
  }
  if (closes(disc.shaft_radius, disc.shaft_radius + b)) return lead + "closes the shaft hole.";
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    const double shaft = disc.shaft_radius > 0 ? disc.shaft_radius + b : 0.0;
    if (closes(tracks[i].inner - disc.shaft_radius, tracks[i].inner - b - shaft))
      return lead + "joins the slots of " + track_name(i) + (disc.shaft_radius > 0 ? " to the shaft hole." : " at the centre.");
  }
  return {};
}

// An angle magnitude in (0, 2pi]: one turn added or taken away, and 0 given
// as 2pi, so that its sign still marks a radius (-0 marks none).
double turn_angle(double a) {
  a = std::fmod(a, kTwoPi);
  if (a < 0) a += kTwoPi;
  return a == 0 ? kTwoPi : a;
}

float with_sign_of(double magnitude, float original) {
  return static_cast<float>(original < 0.0f ? -magnitude : magnitude);
}

}  // namespace

std::string bias_text(double bias_um) { return fixed(bias_um, 2, true) + " \u00b5m"; }

BiasOutcome apply_bias(const std::vector<Figure>& log, const DiscGeometry& disc, double bias_um, Unit unit,
                       Surface& probe) {
  BiasOutcome out;
  if (bias_um == 0) {
    out.figures = log;
    return out;
  }
  if (!disc.analysed()) {
    out.refusal = "A bias applies to a disc of concentric tracks only, and this drawing is not one (" + disc.problem + ").";
    return out;
  }
  const double per_um = (unit == Unit::Millimetre ? 1000.0 : kMicrometresPerInch);
  if (std::string why = refusal(disc, bias_um / per_um, bias_um); !why.empty()) {
    out.refusal = std::move(why);
    return out;
  }

  // Each track's slot and mask radius, and the shaft hole's, as called.
  std::map<int, double> slot_r, mask_r;
  double shaft_r = 0, cx = 0, cy = 0;
  for (const Figure& f : log) {
    if (f.part.part == DiscPart::Slot) slot_r[f.part.track] = std::max(slot_r[f.part.track], double(f.r));
    if (f.part.part == DiscPart::TrackMask) mask_r[f.part.track] = f.r;
    if (f.part.part == DiscPart::ShaftHole) shaft_r = std::max(0.0, double(f.r));
    if (f.part.part == DiscPart::Disc) cx = f.x1, cy = f.y1;
  }
  std::vector<Figure> changed = log;
  for (Figure& f : changed) {
    // The bias in the figure's own unit.
    const double b = bias_um / kMicrometresPerInch * probe.pixels_per_inch() / f.pixels_per_unit;
    switch (f.part.part) {
      case DiscPart::Slot: {
        const double middle = (slot_r[f.part.track] + mask_r[f.part.track]) / 2;
        f.r = static_cast<float>(f.r + b);
        const double sweep = f.start <= f.end ? f.end - f.start : f.end + kTwoPi - f.start;
        if (f.kind != FigureKind::Arc || sweep >= kTwoPi - kFullTurnSlack || !(middle > 0)) break;
        const double turn = b / middle;
        f.a1 = with_sign_of(turn_angle(f.start - turn), f.a1);
        f.a2 = with_sign_of(turn_angle(f.end + turn), f.a2);
        break;
      }
      case DiscPart::TrackMask:
        f.r = static_cast<float>(f.r - b);
        break;
      case DiscPart::ShaftHole:
        if (f.r > 0) f.r = static_cast<float>(f.r + b);
        break;
      case DiscPart::CentreMark: {
        if (!(shaft_r > 0)) break;
        const double k = (shaft_r + b) / shaft_r;
        const auto scale = [k](float& v, double about) { v = static_cast<float>(about + (v - about) * k); };
        scale(f.x1, cx), scale(f.y1, cy), scale(f.x2, cx), scale(f.y2, cy);
        if (f.kind == FigureKind::Circle) f.r = static_cast<float>(f.r * k);
        break;
      }
      case DiscPart::Disc:
      case DiscPart::Aid:
      case DiscPart::Other:
        break;
    }
  }
  probe.set_recorder(&out.figures);
  replay(changed, probe);
  probe.set_recorder(nullptr);
  return out;
}

}  // namespace vantor
