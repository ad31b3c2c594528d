#include "export/dxf.h"

#include <algorithm>
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

// The outline as vertices with bulges, x mirrored when asked (a bulge's
// sign follows the sense of its arc).  An arc is in pieces of at most half
// a turn; each arc's end is a vertex whose straight segment leads to the
// next arc.  An outline of full circles (the rim, the shaft hole, a slot
// that is the whole ring) is one polyline per circle.
std::vector<std::vector<Vertex>> polylines(const DiscOutline& o, bool mirror) {
  const double sx = mirror ? -1.0 : 1.0;
  std::vector<std::vector<Vertex>> out;
  const bool circles = std::all_of(o.arcs.begin(), o.arcs.end(),
                                   [](const OutlineArc& a) { return std::fabs(a.sweep) >= 2 * kPi; });
  if (circles) {
    for (const OutlineArc& a : o.arcs) out.push_back({{a.radius, 0, 1.0}, {-a.radius, 0, 1.0}});
    return out;
  }
  std::vector<Vertex>& v = out.emplace_back();
  for (const OutlineArc& a : o.arcs) {
    if (a.radius > 0) {
      const int pieces = std::max(1, static_cast<int>(std::ceil(std::fabs(a.sweep) / kPi - 1e-9)));
      const double step = a.sweep / pieces;
      for (int k = 0; k < pieces; ++k) {
        const double t = a.start + k * step;
        v.push_back({sx * a.radius * std::cos(t), a.radius * std::sin(t), sx * std::tan(step / 4)});
      }
    }
    v.push_back({sx * a.radius * std::cos(a.end()), a.radius * std::sin(a.end()), 0});
  }
  return out;
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
                   ", origin at the disc centre, y up" +
                   (artwork.mirror ? ", mirrored left to right (emulsion side down)" : ""));
  w.group(999, "Layers: RIM the disc's outer edge, SHAFT the shaft hole, SLOTS one closed outline per slot");
  // The slots and the shaft hole are dark on a clear disc when exactly one
  // of the inverse drawing and the negative holds; the negative darkens
  // what lies outside RIM too.
  const bool dark_slots = disc.inverse != artwork.negative;
  w.group(999, std::string(disc.inverse ? "Inverse drawing" : "Normal drawing") +
                   (artwork.negative ? ", negative: " : ": ") +
                   (dark_slots ? "the slots and the shaft hole are dark, the rest of the disc inside RIM is clear"
                               : "the slots and the shaft hole are clear, the rest of the disc inside RIM is dark") +
                   (artwork.negative ? "; outside RIM is dark" : "; outside RIM is clear"));

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
  for (const DiscOutline& o : disc_outlines(disc).outlines)
    for (const std::vector<Vertex>& v : polylines(o, artwork.mirror))
      w.polyline(o.part == DiscPart::Disc ? "RIM" : o.part == DiscPart::ShaftHole ? "SHAFT" : "SLOTS", v);
  w.group(0, "ENDSEC");
  w.group(0, "EOF");
  out.file = std::move(w.text());
  return out;
}

}  // namespace vantor
