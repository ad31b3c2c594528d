#include "export/disc_tracks.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vantor {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

Colour other(Colour c) { return c == Colour::Black ? Colour::White : Colour::Black; }

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

struct Reader {
  const Artwork& art;
  DiscTracks out;
  double cx = 0, cy = 0;  // canvas pixels
  Colour disc = Colour::Black;

  bool centred(const Figure& f) const { return f.px1 == cx && f.py1 == cy; }
  double radius(double pr) const { return std::max(0.0, art.length(pr)); }
  bool fail(std::string why) {
    out.problem = std::move(why);
    return false;
  }

  // One track's sectors (radius `outer_pr`, pixels) closed by a mask of
  // radius `mask_pr`.  Paints as the surface does: the mask narrows every
  // earlier track to outside its radius.
  void close_track(double outer_pr, const std::vector<AngleInterval>& arcs, Colour slot_colour, double mask_pr) {
    const double m = radius(mask_pr);
    for (DiscTrack& t : out.tracks) t.inner = std::max(t.inner, m);
    std::erase_if(out.tracks, [](const DiscTrack& t) { return !(t.inner < t.outer); });
    const double r = radius(outer_pr);
    if (arcs.empty() || !(m < r)) return;
    DiscTrack track{.inner = m, .outer = r, .slot_arcs = union_of(arcs), .slots_open = slot_colour == Colour::White};
    if (!track.slot_arcs.empty()) out.tracks.push_back(std::move(track));
  }

  bool inside_shaft(double px, double py, double shaft_pr) const {
    const double dx = px - cx, dy = py - cy;
    return std::sqrt(dx * dx + dy * dy) <= shaft_pr + 1.0;
  }

  bool read() {
    const std::vector<Figure>& log = art.figures;
    if (log.empty()) return fail("the drawing is empty");
    if (log[0].kind != FigureKind::Cls) return fail("the drawing does not start by clearing the picture");
    if (log.size() < 2 || log[1].kind != FigureKind::Circle || !log[1].filled())
      return fail("the drawing does not start with the filled disc");
    const Figure& d = log[1];
    cx = d.px1;
    cy = d.py1;
    disc = d.fill_colour;
    if (!(d.pr > 0) || !std::isfinite(d.pr) || !std::isfinite(cx) || !std::isfinite(cy))
      return fail("the disc has no area");
    out.centre_x = art.x(cx);
    out.centre_y = art.y(cy);
    out.rim_radius = radius(d.pr);
    out.inverse = disc == Colour::White;

    std::vector<AngleInterval> arcs;
    double arcs_pr = 0;
    Colour slot_colour = other(disc);
    bool have_arcs = false;  // sectors wait for their mask
    bool shaft = false;
    double shaft_pr = 0;
    for (std::size_t i = 2; i < log.size(); ++i) {
      const Figure& f = log[i];
      if (shaft) {
        // The centre mark: lines and small circles inside the shaft hole.
        const bool mark = (f.kind == FigureKind::Line && inside_shaft(f.px1, f.py1, shaft_pr) &&
                           inside_shaft(f.px2, f.py2, shaft_pr)) ||
                          (f.kind == FigureKind::PSet && inside_shaft(f.px1, f.py1, shaft_pr)) ||
                          (f.kind == FigureKind::Circle && centred(f) && f.pr <= shaft_pr + 1.0);
        if (!mark) return fail("figure " + std::to_string(i + 1) + " lies outside the shaft hole after it is drawn");
        continue;
      }
      switch (f.kind) {
        case FigureKind::Arc: {
          if (!centred(f)) return fail("a slot is not centred on the disc");
          if (!f.filled()) return fail("an arc of the drawing is not a filled slot sector");
          if (f.fill_colour != other(disc) || f.colour != f.fill_colour)
            return fail("a slot is drawn in the colour of the disc");
          if (!(f.pr > 0)) break;  // draws nothing
          if (have_arcs && f.pr != arcs_pr) return fail("the slots of one track lie on different circles");
          have_arcs = true;
          arcs_pr = f.pr;
          slot_colour = f.fill_colour;
          arcs.push_back({f.start, f.end});
          break;
        }
        case FigureKind::Circle: {
          if (!centred(f)) return fail("a circle is not centred on the disc");
          if (!f.filled()) return fail("an unfilled circle is drawn over the tracks");
          if (f.fill_colour == disc) {
            close_track(arcs_pr, arcs, slot_colour, f.pr);
            arcs.clear();
            have_arcs = false;
          } else {
            if (have_arcs) return fail("a track's slots are not closed by its inner disc");
            shaft = true;
            shaft_pr = std::max(0.0, f.pr);
            out.shaft_radius = radius(f.pr);
          }
          break;
        }
        case FigureKind::Line:
        case FigureKind::PSet:
          return fail("a line or point is drawn before the shaft hole");
        case FigureKind::Cls:
          return fail("the picture is cleared again");
      }
    }
    if (have_arcs) return fail("a track's slots are not closed by its inner disc");

    const int n = static_cast<int>(out.tracks.size());
    for (int a = 0; a < n; ++a) {
      const DiscTrack& t = out.tracks[a];
      for (int b = a + 1; b < n; ++b) {
        const DiscTrack& u = out.tracks[b];
        if (std::max(t.inner, u.inner) <= std::min(t.outer, u.outer)) out.overlaps.emplace_back(a, b);
      }
      if (out.shaft_radius > 0 && t.inner <= out.shaft_radius) out.into_shaft.push_back(a);
      if (t.outer >= out.rim_radius) out.beyond_rim.push_back(a);
    }
    return true;
  }
};

}  // namespace

double AngleInterval::sweep() const { return start <= end ? end - start : end + kTwoPi - start; }
bool AngleInterval::full_turn() const { return sweep() >= kTwoPi; }

DiscTracks disc_tracks(const Artwork& artwork) {
  Reader reader{artwork, {}};
  if (!reader.read()) {
    DiscTracks failed;
    failed.problem = std::move(reader.out.problem);
    return failed;
  }
  return std::move(reader.out);
}

}  // namespace vantor
