#include "export/dxf.h"

#include <charconv>
#include <cmath>
#include <numbers>

#include "geometry/disc_geometry.h"

namespace vantor {

namespace {

constexpr double kPi = std::numbers::pi;

// Fixed-point text without the locale, trailing zeros trimmed, at least one
// decimal ("1.0", "-0.0625").
std::string number(double v, int decimals) {
  if (v == 0 || !std::isfinite(v)) v = 0;  // no "-0.0"
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  std::string s(buf, r.ptr);
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.push_back('0');
  }
  if (s == "-0.0") s = "0.0";
  return s;
}

const char* unit_name(Unit u) { return u == Unit::Millimetre ? "mm" : "in"; }

class Writer {
 public:
  explicit Writer(Unit unit) : decimals_(unit == Unit::Millimetre ? 7 : 9) {}

  void group(int code, const std::string& value) {
    char buf[8];
    const int n = code < 10 ? 2 : code < 100 ? 1 : 0;
    std::string c(static_cast<std::size_t>(n), ' ');
    c += std::string(buf, std::to_chars(buf, buf + sizeof buf, code).ptr);
    text_ += c;
    text_ += '\n';
    text_ += value;
    text_ += '\n';
  }
  void group(int code, int value) {
    char buf[16];
    group(code, std::string(buf, std::to_chars(buf, buf + sizeof buf, value).ptr));
  }
  void real(int code, double value) { group(code, number(value, decimals_)); }

  // A closed zero-width polyline through (x, y) points; each vertex's bulge
  // bends the segment to the next one (positive: counter-clockwise).
  struct Vertex {
    double x, y, bulge;
  };
  void polyline(const std::string& layer, const std::vector<Vertex>& vertices) {
    group(0, "POLYLINE");
    group(8, layer);
    group(66, 1);
    real(10, 0);
    real(20, 0);
    real(30, 0);
    group(70, 1);
    real(40, 0);
    real(41, 0);
    for (const Vertex& v : vertices) {
      group(0, "VERTEX");
      group(8, layer);
      real(10, v.x);
      real(20, v.y);
      real(30, 0);
      if (v.bulge != 0) group(42, number(v.bulge, 12));
    }
    group(0, "SEQEND");
    group(8, layer);
  }

  std::string& text() { return text_; }

 private:
  int decimals_;
  std::string text_;
};

using Vertex = Writer::Vertex;

std::vector<Vertex> circle(double r) { return {{r, 0, 1.0}, {-r, 0, 1.0}}; }

// The arc of radius r from angle a over `sweep` (negative: clockwise) as
// vertices with bulges, in pieces of at most a half turn; the arc's last
// point is not included.
void arc(std::vector<Vertex>& out, double r, double a, double sweep) {
  const int pieces = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / kPi - 1e-9)));
  const double step = sweep / pieces;
  const double bulge = std::tan(step / 4);
  for (int k = 0; k < pieces; ++k) {
    const double t = a + k * step;
    out.push_back({r * std::cos(t), r * std::sin(t), bulge});
  }
}

void slot_outlines(Writer& w, const DiscTrack& track, const AngleInterval& slot) {
  const double sweep = slot.sweep();
  if (slot.full_turn()) {
    w.polyline("SLOTS", circle(track.outer));
    if (track.inner > 0) w.polyline("SLOTS", circle(track.inner));
    return;
  }
  std::vector<Vertex> v;
  arc(v, track.outer, slot.start, sweep);
  v.push_back({track.outer * std::cos(slot.end), track.outer * std::sin(slot.end), 0});
  if (track.inner > 0) {
    arc(v, track.inner, slot.end, -sweep);
    v.push_back({track.inner * std::cos(slot.start), track.inner * std::sin(slot.start), 0});
  } else {
    v.push_back({0, 0, 0});
  }
  w.polyline("SLOTS", v);
}

std::string length_text(double v, Unit unit) { return number(v, 4) + " " + unit_name(unit); }

constexpr const char* kOtherFormats = "export the disc as SVG, PDF or Gerber instead.";

std::string refusal(const DiscGeometry& d, Unit unit) {
  if (!d.analysed())
    return "This drawing is not a disc of separate concentric tracks (" + d.problem +
           "), so it cannot be written as DXF outlines; " + kOtherFormats;
  const auto& tracks = d.tracks;
  if (!d.overlaps.empty()) {
    const auto [a, b] = d.overlaps.front();
    const DiscTrack &ta = tracks[static_cast<std::size_t>(a)], &tb = tracks[static_cast<std::size_t>(b)];
    return "Tracks " + std::to_string(a + 1) + " and " + std::to_string(b + 1) +
           " of this disc (counted from the rim) overlap or touch: track " + std::to_string(a + 1) +
           " lies between radii " + number(ta.inner, 4) + " and " + length_text(ta.outer, unit) + ", track " +
           std::to_string(b + 1) + " between " + number(tb.inner, 4) + " and " + length_text(tb.outer, unit) +
           ".  Their open areas are therefore not separate outlines; " + kOtherFormats;
  }
  if (!d.into_shaft.empty()) {
    const int i = d.into_shaft.front();
    return "Track " + std::to_string(i + 1) + " of this disc (counted from the rim) reaches into the shaft hole: " +
           "its inner radius " + length_text(tracks[static_cast<std::size_t>(i)].inner, unit) +
           " is not outside the hole's radius " + length_text(d.shaft_radius, unit) +
           ".  Its slots run into the hole and are not separate outlines; " + kOtherFormats;
  }
  if (!d.beyond_rim.empty()) {
    const int i = d.beyond_rim.front();
    return "Track " + std::to_string(i + 1) + " of this disc (counted from the rim) reaches the rim: its outer " +
           "radius " + length_text(tracks[static_cast<std::size_t>(i)].outer, unit) +
           " is not inside the rim's radius " + length_text(d.rim_radius, unit) +
           ".  Its slots run off the disc and are not separate outlines; " + kOtherFormats;
  }
  return {};
}

}  // namespace

DxfOutcome dxf_file(const Artwork& artwork) {
  const DiscGeometry& disc = artwork.geometry;
  DxfOutcome out;
  out.refusal = refusal(disc, artwork.unit);
  if (!out.refusal.empty()) return out;

  const bool mm = artwork.unit == Unit::Millimetre;
  Writer w(artwork.unit);
  w.group(999, std::string("Vantor code disc: outlines at true size in ") + (mm ? "millimetres" : "inches") +
                   ", origin at the disc centre, y up");
  w.group(999, "Layers: RIM the disc's outer edge, SHAFT the shaft hole, SLOTS one closed outline per slot");
  w.group(999, disc.inverse ? "Inverse drawing: the disc inside RIM is open (clear) except the slots and the "
                              "shaft hole, which are dark"
                            : "Normal drawing: the slots and the shaft hole are open (clear), the rest of the "
                              "disc inside RIM is dark");

  const double r = disc.rim_radius;
  w.group(0, "SECTION");
  w.group(2, "HEADER");
  w.group(9, "$ACADVER");
  w.group(1, "AC1009");
  w.group(9, "$INSUNITS");
  w.group(70, mm ? 4 : 1);
  w.group(9, "$MEASUREMENT");
  w.group(70, mm ? 1 : 0);
  w.group(9, "$EXTMIN");
  w.real(10, -r);
  w.real(20, -r);
  w.real(30, 0);
  w.group(9, "$EXTMAX");
  w.real(10, r);
  w.real(20, r);
  w.real(30, 0);
  w.group(0, "ENDSEC");

  w.group(0, "SECTION");
  w.group(2, "TABLES");
  w.group(0, "TABLE");
  w.group(2, "LTYPE");
  w.group(70, 1);
  w.group(0, "LTYPE");
  w.group(2, "CONTINUOUS");
  w.group(70, 0);
  w.group(3, "Solid line");
  w.group(72, 65);
  w.group(73, 0);
  w.real(40, 0);
  w.group(0, "ENDTAB");
  w.group(0, "TABLE");
  w.group(2, "LAYER");
  w.group(70, 3);
  for (const char* layer : {"RIM", "SHAFT", "SLOTS"}) {
    w.group(0, "LAYER");
    w.group(2, layer);
    w.group(70, 0);
    w.group(62, 7);
    w.group(6, "CONTINUOUS");
  }
  w.group(0, "ENDTAB");
  w.group(0, "ENDSEC");

  w.group(0, "SECTION");
  w.group(2, "ENTITIES");
  w.polyline("RIM", circle(r));
  if (disc.shaft_radius > 0) w.polyline("SHAFT", circle(disc.shaft_radius));
  for (const DiscTrack& track : disc.tracks)
    for (const AngleInterval& slot : track.slot_arcs) slot_outlines(w, track, slot);
  w.group(0, "ENDSEC");
  w.group(0, "EOF");
  out.file = std::move(w.text());
  return out;
}

}  // namespace vantor
