#include "geometry/disc_geometry.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>

namespace vantor {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// The union of the sectors' intervals, as AngleInterval describes it; empty
// when the sectors have no width.
std::vector<AngleInterval> union_of(const std::vector<AngleInterval>& arcs) {
  std::vector<AngleInterval> pieces;
  for (const AngleInterval& a : arcs) {
    if (a.start <= a.end) {
      pieces.push_back(a);
    } else {
      pieces.push_back({a.start, kTwoPi});
      pieces.push_back({0.0, a.end});
    }
  }
  std::sort(pieces.begin(), pieces.end(), [](const AngleInterval& a, const AngleInterval& b) {
    return a.start < b.start || (a.start == b.start && a.end < b.end);
  });
  std::vector<AngleInterval> merged;
  for (const AngleInterval& p : pieces) {
    if (!merged.empty() && p.start <= merged.back().end)
      merged.back().end = std::max(merged.back().end, p.end);
    else
      merged.push_back(p);
  }
  // A bare ray (start == end) is a radius line, not an open area.
  std::erase_if(merged, [](const AngleInterval& p) { return !(p.end > p.start); });
  if (merged.size() >= 2 && merged.front().start <= 0.0 && merged.back().end >= kTwoPi) {
    const AngleInterval through_zero{merged.back().start, merged.front().end};
    merged.erase(merged.begin());
    merged.back() = through_zero;
  }
  return merged;
}

// The slots of one track as drawn so far: their circle (pixels) and arcs.
struct Slots {
  double pr = 0;
  std::vector<AngleInterval> arcs;
};

class Reader {
 public:
  Reader(double dpi, Unit unit) : dpi_(dpi), unit_(unit) {}

  DiscGeometry read(const std::vector<Figure>& log) {
    if (log.empty()) return fail("the drawing is empty");
    const auto disc = std::find_if(log.begin(), log.end(), [](const Figure& f) { return f.part.part == DiscPart::Disc; });
    if (disc == log.end() || disc->kind != FigureKind::Circle || !disc->filled())
      return fail("the drawing does not start with the filled disc");
    out_.has_disc = true;
    out_.centre_px = disc->px1;
    out_.centre_py = disc->py1;
    out_.rim_px = disc->pr;
    if (!(disc->pr > 0) || !std::isfinite(disc->pr) || !std::isfinite(disc->px1) || !std::isfinite(disc->py1))
      return fail("the disc has no area");
    out_.problem.clear();
    out_.rim_radius = radius(disc->pr);
    out_.inverse = disc->fill_colour == Colour::White;

    std::map<int, Slots> slots;  // by track, until the track's mask closes it
    double shaft_pr = 0;
    for (std::size_t i = 0; i < log.size(); ++i) {
      const Figure& f = log[i];
      switch (f.part.part) {
        case DiscPart::Slot:
          if (f.pr > 0) {
            slots[f.part.track].pr = f.pr;
            slots[f.part.track].arcs.push_back({f.start, f.end});
          }
          break;
        case DiscPart::TrackMask:
          close_track(slots[f.part.track], f.pr);
          slots.erase(f.part.track);
          break;
        case DiscPart::ShaftHole:
          shaft_pr = std::max(0.0, f.pr);
          out_.shaft_radius = radius(f.pr);
          break;
        case DiscPart::CentreMark:
          if (!inside_shaft(f, shaft_pr))
            return fail("figure " + std::to_string(i + 1) + " lies outside the shaft hole after it is drawn");
          break;
        case DiscPart::Disc:
        case DiscPart::Aid:
        case DiscPart::Other:
          break;
      }
    }
    find_collisions();
    return std::move(out_);
  }

 private:
  DiscGeometry fail(std::string why) {
    DiscGeometry failed;
    failed.has_disc = out_.has_disc;
    failed.centre_px = out_.centre_px;
    failed.centre_py = out_.centre_py;
    failed.rim_px = out_.rim_px;
    failed.problem = std::move(why);
    return failed;
  }

  // Canvas pixels to the unit, never below 0.
  double radius(double pr) const {
    return std::max(0.0, pr / dpi_ * (unit_ == Unit::Millimetre ? kMillimetresPerInch : 1.0));
  }

  // A track's slots closed by its mask of radius `mask_pr` (pixels).  Paints
  // as the surface does: the mask narrows every earlier track to outside
  // its radius.
  void close_track(const Slots& s, double mask_pr) {
    const double m = radius(mask_pr);
    for (DiscTrack& t : out_.tracks) t.inner = std::max(t.inner, m);
    std::erase_if(out_.tracks, [](const DiscTrack& t) { return !(t.inner < t.outer); });
    const double r = radius(s.pr);
    if (s.arcs.empty() || !(m < r)) return;
    DiscTrack track{.inner = m, .outer = r, .slot_arcs = union_of(s.arcs), .slots_open = !out_.inverse};
    if (!track.slot_arcs.empty()) out_.tracks.push_back(std::move(track));
  }

  bool inside_shaft(const Figure& f, double shaft_pr) const {
    const auto within = [&](double px, double py) {
      const double dx = px - out_.centre_px, dy = py - out_.centre_py;
      return std::sqrt(dx * dx + dy * dy) <= shaft_pr + 1.0;
    };
    switch (f.kind) {
      case FigureKind::Line: return within(f.px1, f.py1) && within(f.px2, f.py2);
      case FigureKind::PSet: return within(f.px1, f.py1);
      case FigureKind::Circle:
        return f.px1 == out_.centre_px && f.py1 == out_.centre_py && f.pr <= shaft_pr + 1.0;
      default: return false;
    }
  }

  void find_collisions() {
    const int n = static_cast<int>(out_.tracks.size());
    for (int a = 0; a < n; ++a) {
      const DiscTrack& t = out_.tracks[a];
      for (int b = a + 1; b < n; ++b) {
        const DiscTrack& u = out_.tracks[b];
        if (std::max(t.inner, u.inner) <= std::min(t.outer, u.outer)) out_.overlaps.emplace_back(a, b);
      }
      if (out_.shaft_radius > 0 && t.inner <= out_.shaft_radius) out_.into_shaft.push_back(a);
      if (t.outer >= out_.rim_radius) out_.beyond_rim.push_back(a);
    }
  }

  double dpi_;
  Unit unit_;
  DiscGeometry out_;
};

}  // namespace

double AngleInterval::sweep() const { return start <= end ? end - start : end + kTwoPi - start; }
bool AngleInterval::full_turn() const { return sweep() >= kTwoPi; }

DiscTrack::Narrowest DiscTrack::narrowest() const {
  Narrowest n{kTwoPi, kTwoPi};
  for (std::size_t k = 0; k < slot_arcs.size(); ++k) {
    n.slot = std::min(n.slot, slot_arcs[k].sweep());
    if (!slot_arcs[k].full_turn()) n.bar = std::min(n.bar, bar_after(k));
  }
  return n;
}

double DiscTrack::bar_after(std::size_t k) const {
  const double gap = slot_arcs[(k + 1) % slot_arcs.size()].start - slot_arcs[k].end;
  return gap <= 0 ? gap + kTwoPi : gap;
}

DiscGeometry disc_geometry(const std::vector<Figure>& log, double dpi, Unit unit) {
  return Reader(dpi, unit).read(log);
}

DiscOutlines disc_outlines(const DiscGeometry& disc) {
  DiscOutlines out;
  if (!disc.analysed()) out.problem = disc.problem;
  else if (!disc.overlaps.empty()) out.problem = "tracks overlap or touch";
  else if (!disc.into_shaft.empty()) out.problem = "a track reaches into the shaft hole";
  else if (!disc.beyond_rim.empty()) out.problem = "a track reaches the rim";
  if (!out.separate()) return out;

  out.outlines.push_back({DiscPart::Disc, -1, {{disc.rim_radius, 0, kTwoPi}}});
  if (disc.shaft_radius > 0) out.outlines.push_back({DiscPart::ShaftHole, -1, {{disc.shaft_radius, 0, kTwoPi}}});
  for (std::size_t k = 0; k < disc.tracks.size(); ++k) {
    const DiscTrack& t = disc.tracks[k];
    for (const AngleInterval& slot : t.slot_arcs) {
      DiscOutline& o = out.outlines.emplace_back(DiscOutline{DiscPart::Slot, static_cast<int>(k), {}});
      if (slot.full_turn()) {
        o.arcs.push_back({t.outer, 0, kTwoPi});
        if (t.inner > 0) o.arcs.push_back({t.inner, kTwoPi, -kTwoPi});
        continue;
      }
      const double sweep = slot.sweep();
      o.arcs.push_back({t.outer, slot.start, sweep});
      o.arcs.push_back({t.inner, slot.start + sweep, t.inner > 0 ? -sweep : 0});
    }
  }
  return out;
}

}  // namespace vantor
