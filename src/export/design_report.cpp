#include "export/design_report.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>

#include "export/code_table.h"
#include "geometry/bias.h"
#include "geometry/disc_geometry.h"

namespace vantor {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
// The share by which a first slot narrower than the others is worth a word.
constexpr double kNarrowFirstSlot = 0.05;

// Fixed-point text without the locale, with four significant digits and at
// least `min_decimals` decimals.
std::string fmt(double v, int min_decimals) {
  if (!std::isfinite(v)) return "?";
  if (v == 0) v = 0;
  int decimals = min_decimals;
  if (v != 0) decimals = std::max(decimals, 3 - static_cast<int>(std::floor(std::log10(std::fabs(v)))));
  decimals = std::min(decimals, 15);
  char buf[400];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  return std::string(buf, r.ptr);
}

std::string whole(long long v) {
  char buf[32];
  return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

std::string density(double dpi) {
  return dpi == std::floor(dpi) && std::fabs(dpi) < 1e15 ? whole(static_cast<long long>(dpi)) : fmt(dpi, 1);
}

double per_inch(Unit u) { return u == Unit::Millimetre ? kMillimetresPerInch : 1.0; }
double micrometres(double v, Unit u) { return v * (u == Unit::Millimetre ? 1000.0 : kMicrometresPerInch); }
const char* unit_name(Unit u) { return u == Unit::Millimetre ? "mm" : "in"; }

// "0.1250 in (3175.0 µm)"
std::string length(double v, Unit u) {
  return fmt(v, 4) + " " + unit_name(u) + " (" + fmt(micrometres(v, u), 1) + " \u00b5m)";
}
// "0.1587 to 0.1595 in (4031.6 to 4051.9 µm)", or one value when equal at
// the precision shown.
std::string range(double lo, double hi, Unit u) {
  if (fmt(lo, 4) == fmt(hi, 4) && fmt(micrometres(lo, u), 1) == fmt(micrometres(hi, u), 1)) return length(lo, u);
  return fmt(lo, 4) + " to " + fmt(hi, 4) + " " + unit_name(u) + " (" + fmt(micrometres(lo, u), 1) + " to " +
         fmt(micrometres(hi, u), 1) + " \u00b5m)";
}

TrackNumbers numbers_of(const DiscTrack& t, Unit unit) {
  TrackNumbers n;
  n.inner = t.inner;
  n.outer = t.outer;
  n.middle = (t.inner + t.outer) / 2;
  n.width = t.outer - t.inner;
  n.slot_count = static_cast<int>(t.slot_arcs.size());
  n.slots_open = t.slots_open;
  n.slot_min = n.slot_max = t.slot_arcs.front().sweep() * n.middle;
  for (const AngleInterval& s : t.slot_arcs) {
    n.slot_min = std::min(n.slot_min, s.sweep() * n.middle);
    n.slot_max = std::max(n.slot_max, s.sweep() * n.middle);
  }
  if (!t.slot_arcs.front().full_turn()) {
    n.bars = n.slot_count;
    for (std::size_t k = 0; k < t.slot_arcs.size(); ++k) {
      const double bar = t.bar_after(k) * n.middle;
      n.bar_min = k == 0 ? bar : std::min(n.bar_min, bar);
      n.bar_max = k == 0 ? bar : std::max(n.bar_max, bar);
    }
  }
  n.lines_per_inch = n.slot_count / (kTwoPi * (n.middle / per_inch(unit)));
  return n;
}

// Whether two tracks of N >= 2 slots each are a quarter cycle apart; the
// second slot's start is compared, since the first may start a little late.
bool in_quadrature(const DiscTrack& a, const DiscTrack& b) {
  const std::size_t n = a.slot_arcs.size();
  if (n < 2 || b.slot_arcs.size() != n) return false;
  const double cycle = kTwoPi / static_cast<double>(n);
  double offset = std::fmod(b.slot_arcs[1].start - a.slot_arcs[1].start, cycle);
  if (offset < 0) offset += cycle;
  const double tolerance = cycle / 16;
  return std::fabs(offset - cycle / 4) <= tolerance || std::fabs(offset - 3 * cycle / 4) <= tolerance;
}

std::string track_label(int i) { return "track " + std::to_string(i + 1); }

// "16.0 µm"
std::string um(double v) {
  char buf[400];
  const auto r = std::to_chars(buf, buf + sizeof buf, v == 0 ? 0.0 : v, std::chars_format::fixed, 1);
  return std::string(buf, r.ptr) + " \u00b5m";
}

// The check of the disc against r.process (set) and two pixels at r.dpi.
void check(const DiscGeometry& disc, DesignNumbers& r) {
  const ProcessRules rules = process_rules(*r.process);
  const double pixels_um = 2 * kMicrometresPerInch / r.dpi;
  const std::string pixel_rule = "two pixels at " + density(r.dpi) + " pixels per inch";
  const auto measure = [&](std::string what, double length, bool open) {
    ++r.checked_features;
    CheckFailure f{what + (open ? " (clear)" : " (dark)"), micrometres(length, r.unit), {}};
    const double minimum = open ? rules.open_um : rules.dark_um;
    if (f.size_um < minimum) f.missed.emplace_back(minimum, open ? rules.open_rule : rules.dark_rule);
    if (f.size_um < pixels_um) f.missed.emplace_back(pixels_um, pixel_rule);
    if (!f.missed.empty()) r.check_failures.push_back(std::move(f));
  };
  // The disc between the tracks is dark on the normal drawing.
  const bool background_open = disc.inverse;
  std::vector<int> by_radius;
  for (int i = 0; i < static_cast<int>(disc.tracks.size()); ++i) {
    const DiscTrack& t = disc.tracks[i];
    by_radius.push_back(i);
    const auto [slot, bar] = t.narrowest();
    const std::string of = " of " + track_label(i);
    if (slot < kTwoPi) measure("the narrowest slot" + of + " at its inner radius", slot * t.inner, t.slots_open);
    if (bar < kTwoPi) measure("the narrowest bar" + of + " at its inner radius", bar * t.inner, !t.slots_open);
    measure("the radial width of the slots" + of, t.outer - t.inner, t.slots_open);
  }
  std::sort(by_radius.begin(), by_radius.end(),
            [&disc](int a, int b) { return disc.tracks[a].outer > disc.tracks[b].outer; });
  for (std::size_t k = 0; k < by_radius.size(); ++k) {
    const DiscTrack& t = disc.tracks[by_radius[k]];
    const std::string name = track_label(by_radius[k]);
    if (k == 0) measure("the gap between the rim and " + name, disc.rim_radius - t.outer, background_open);
    if (k + 1 < by_radius.size())
      measure("the gap between " + name + " and " + track_label(by_radius[k + 1]),
              t.inner - disc.tracks[by_radius[k + 1]].outer, background_open);
    else if (disc.shaft_radius > 0)
      measure("the gap between " + name + " and the shaft hole", t.inner - disc.shaft_radius, background_open);
  }
}

}  // namespace

DesignNumbers design_numbers(const Artwork& artwork) {
  const DiscGeometry& disc = artwork.geometry;
  DesignNumbers r;
  if (!disc.analysed()) {
    r.problem = disc.problem;
    r.process = artwork.process;
    r.dpi = artwork.dpi;
    return r;
  }
  const Unit u = artwork.unit;
  r.unit = u;
  r.dpi = artwork.dpi;
  r.mirror = artwork.mirror;
  r.negative = artwork.negative;
  r.bias_um = artwork.bias_um;
  r.process = artwork.process;
  r.rim_radius = disc.rim_radius;
  r.shaft_radius = disc.shaft_radius;
  r.inverse = disc.inverse;
  r.sensor_mask = artwork.sensor_mask;
  for (const DiscTrack& t : disc.tracks) r.tracks.push_back(numbers_of(t, u));
  const int count = static_cast<int>(r.tracks.size());

  for (int a = 0; a < count && r.quadrature_a < 0; ++a)
    for (int b = a + 1; b < count; ++b)
      if (in_quadrature(disc.tracks[a], disc.tracks[b])) {
        r.quadrature_a = a;
        r.quadrature_b = b;
        r.quadrature_counts = 4LL * r.tracks[a].slot_count;
        break;
      }
  if (count >= 2 && count <= kMaxCodeBits) {
    bool halving = true, full_turn_gray = true;
    for (int k = 0; k < count; ++k) {
      halving = halving && r.tracks[k].slot_count == (1LL << (count - 1 - k));
      full_turn_gray = full_turn_gray && r.tracks[k].slot_count == (k + 1 < count ? 1LL << (count - 2 - k) : 1);
    }
    const CodeTable table = halving || full_turn_gray ? code_table(disc) : CodeTable{};
    if (!table.steps.empty()) {
      r.code_bits = count;
      r.code_positions = 1LL << count;
      r.code_steps = static_cast<long>(table.steps.size());
      r.code_repeated = table.repeated;
      r.code_back_and_forth = table.back_and_forth;
    }
  }

  auto candidate = [&r](double v, std::string what) {
    if (r.smallest_feature_what.empty() || v < r.smallest_feature) {
      r.smallest_feature = v;
      r.smallest_feature_what = std::move(what);
    }
  };
  for (int i = 0; i < count; ++i) {
    const TrackNumbers& t = r.tracks[i];
    candidate(t.slot_min, (r.sensor_mask ? "the windows of " : "the slots of ") + track_label(i));
    if (t.bars > 0) candidate(t.bar_min, (r.sensor_mask ? "the gaps between the windows of " : "the bars of ") + track_label(i));
    candidate(t.width, "the radial width of " + track_label(i));
  }
  if (count > 0) {
    r.smallest_feature_pixels = r.smallest_feature / per_inch(u) * r.dpi;
    r.tiny_feature = r.smallest_feature_pixels < 2;
  }

  if (r.tiny_feature)
    r.warnings.push_back("The smallest feature, " + r.smallest_feature_what + ", is " +
                         fmt(r.smallest_feature_pixels, 2) + " pixels wide at " + density(r.dpi) +
                         " pixels per inch, less than 2 pixels: it may be lost or uneven at this density.");
  // Only the first slot of a track starts late (first_slot.h), so on a
  // track of narrow slots it is the one noticeably narrower.
  for (int i = 0; i < count; ++i) {
    const TrackNumbers& t = r.tracks[i];
    if (t.slot_count >= 2 && t.bars > 0 && t.slot_min < (1 - kNarrowFirstSlot) * t.slot_max)
      r.warnings.push_back("The first slot of " + track_label(i) + " is " + length(t.slot_min, u) +
                           " wide, narrower than the others, " + length(t.slot_max, u) +
                           ": the first slot of a track starts late, 0.001 rad in (halfway in on a narrower slot).");
  }
  for (const auto& [a, b] : disc.overlaps) {
    r.overlap = true;
    r.warnings.push_back("Tracks " + std::to_string(a + 1) + " and " + std::to_string(b + 1) +
                         " overlap or touch: their slots run together.");
  }
  for (const int i : disc.into_shaft) {
    r.into_shaft = true;
    r.warnings.push_back("Track " + std::to_string(i + 1) + " reaches into the shaft hole: its inner radius " +
                         fmt(r.tracks[i].inner, 4) + " " + unit_name(u) + " is not outside the shaft radius " +
                         fmt(r.shaft_radius, 4) + " " + unit_name(u) + ".");
  }
  for (const int i : disc.beyond_rim) {
    r.beyond_rim = true;
    r.warnings.push_back("Track " + std::to_string(i + 1) + " reaches the rim: its outer radius " +
                         fmt(r.tracks[i].outer, 4) + " " + unit_name(u) + " is not inside the rim radius " +
                         fmt(r.rim_radius, 4) + " " + unit_name(u) + ".");
  }
  if (r.process) check(disc, r);
  return r;
}

std::string check_text(const DesignNumbers& r) {
  if (!r.process) return {};
  const ProcessRules rules = process_rules(*r.process);
  std::string s = "Process: " + process_description(*r.process) + "\nMinimums: clear features " + um(rules.open_um) +
                  ", dark features " + um(rules.dark_um) + ", each also 2 pixels (" +
                  um(2 * kMicrometresPerInch / r.dpi) + ")\n";
  if (!r.problem.empty()) return s + "Check: fails, the drawing is not a disc of concentric tracks (" + r.problem + ")\n";
  const std::size_t failed = r.check_failures.size();
  if (failed == 0)
    s += "Check: passes, all " + std::to_string(r.checked_features) +
         " features hold the process's minimums and 2 pixels at " + density(r.dpi) + " pixels per inch\n";
  else
    s += "Check: fails, " + std::to_string(failed) + " of " + std::to_string(r.checked_features) +
         (failed == 1 ? " features misses a minimum\n" : " features miss a minimum\n");
  for (const CheckFailure& f : r.check_failures) {
    s += "Fails: " + f.what + ", " + um(f.size_um);
    for (std::size_t k = 0; k < f.missed.size(); ++k)
      s += std::string(k ? "; " : ": ") + "below " + um(f.missed[k].first) + " (" + f.missed[k].second + ")";
    s += "\n";
  }
  return s;
}

std::string design_report(const DesignNumbers& r) {
  if (!r.problem.empty())
    return "Design report: this drawing cannot be analysed as a disc of concentric tracks (" + r.problem + ").\n" +
           (r.process ? "\n" + check_text(r) : "");
  const Unit u = r.unit;
  const char* un = unit_name(u);
  std::string s = std::string("Design report (lengths in ") + (u == Unit::Millimetre ? "millimetres" : "inches") +
                  "; widths along a track are arc lengths at its middle radius)\n";
  s += "Disc: rim radius " + length(r.rim_radius, u) + ", diameter " + fmt(2 * r.rim_radius, 4) + " " + un + "\n";
  s += r.shaft_radius > 0 ? "Shaft hole: radius " + length(r.shaft_radius, u) + "\n" : "Shaft hole: none\n";
  if (r.sensor_mask)
    s += r.inverse ? "Drawing: sensor mask, inverse (dark windows on a clear plate)\n"
                   : "Drawing: sensor mask (clear windows on a dark plate)\n";
  else
    s += r.inverse ? "Drawing: inverse (dark slots on a clear disc)\n" : "Drawing: normal (clear slots on a dark disc)\n";
  s += "Density: " + density(r.dpi) + " pixels per inch, 1 pixel = " + length(per_inch(u) / r.dpi, u) + "\n";
  s += std::string("Film: ") + (r.mirror ? "mirrored left to right (emulsion side down)" : "not mirrored") + ", " +
       (r.negative ? "negative (black and white exchanged)" : "positive") + "\n";
  if (r.bias_um != 0)
    s += "Bias: " + bias_text(r.bias_um) + " on every edge of the slots and the shaft hole (the numbers below include it)\n";
  if (r.tracks.empty()) s += "Tracks: none\n";
  for (std::size_t i = 0; i < r.tracks.size(); ++i) {
    const TrackNumbers& t = r.tracks[i];
    s += "\nTrack " + std::to_string(i + 1) + (i == 0 ? " (outermost)" : "") + ": radii " + fmt(t.inner, 4) +
         " to " + fmt(t.outer, 4) + " " + un + ", middle " + fmt(t.middle, 4) + " " + un + "\n";
    s += "  radial width: " + length(t.width, u) + "\n";
    if (r.sensor_mask)
      s += "  windows: " + std::to_string(t.slot_count) + "\n";
    else
      s += "  slots: " + std::to_string(t.slot_count) + " (" + std::to_string(t.slot_count) +
           (t.slot_count == 1 ? " cycle" : " cycles") + " per revolution)\n";
    if (r.sensor_mask) {  // the windows' pitch is the disc's
      s += "  window width: " + range(t.slot_min, t.slot_max, u) + "\n";
      continue;
    }
    s += "  slot width: " + range(t.slot_min, t.slot_max, u) + "\n";
    s += t.bars > 0 ? "  bar width: " + range(t.bar_min, t.bar_max, u) + "\n"
                    : "  bar width: none (the slot is the whole ring)\n";
    s += "  lines per inch: " + fmt(t.lines_per_inch, 2) + "\n";
  }
  if (r.quadrature_a >= 0 || r.code_bits > 0 || !r.tracks.empty()) s += "\n";
  if (r.quadrature_a >= 0)
    s += "Quadrature: tracks " + std::to_string(r.quadrature_a + 1) + " and " + std::to_string(r.quadrature_b + 1) +
         " are a quarter cycle apart: 4 x " + std::to_string(r.tracks[r.quadrature_a].slot_count) + " = " +
         whole(r.quadrature_counts) + " counts per revolution\n";
  if (r.code_bits > 0) {
    s += "Absolute code: " + std::to_string(r.code_bits) + " tracks, " + whole(r.code_positions) +
         " positions per revolution\n";
    s += "Code read: " + whole(r.code_steps) + " steps per revolution; ";
    if (r.code_repeated == 0)
      s += "every code is met once per turn\n";
    else if (r.code_back_and_forth)
      s += "each code is met twice per turn (forward over one half-turn, back over the other), so the disc "
           "tells the position within half a turn only\n";
    else
      s += whole(r.code_repeated) + " codes are met more than once per turn: the position is not known there\n";
  }
  if (!r.tracks.empty())
    s += "Smallest feature: " + length(r.smallest_feature, u) + ", " + r.smallest_feature_what + ", " +
         fmt(r.smallest_feature_pixels, 2) + " pixels at " + density(r.dpi) + " pixels per inch\n";
  for (const std::string& w : r.warnings) s += "Warning: " + w + "\n";
  if (r.process) s += "\n" + check_text(r);
  return s;
}

std::string design_report(const Artwork& artwork) { return design_report(design_numbers(artwork)); }

}  // namespace vantor
