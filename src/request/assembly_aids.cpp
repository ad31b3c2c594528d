#include "request/assembly_aids.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <map>

#include "request/request.h"
#include "surface/figures.h"

namespace vantor {

namespace {

// A stroke font on a grid 4 wide and 6 high, y downwards from the top of a
// capital to the baseline: each glyph is polylines of digit pairs (x y),
// separated by blanks.  A character outside the font is drawn as '?'.
const std::map<char, const char*>& font() {
  static const std::map<char, const char*> glyphs = {
      {'A', "0602204246 0343"}, {'B', "06003041423303 3344453606"}, {'C', "4130100105163645"},
      {'D', "00063645413000"}, {'E', "40000646 0333"}, {'F', "400006 0333"}, {'G', "41301001051636454323"},
      {'H', "0006 4046 0343"}, {'I', "1030 2026 1636"}, {'J', "4045361605"}, {'K', "0006 4004 1346"},
      {'L', "000646"}, {'M', "0600224046"}, {'N', "06004640"}, {'O', "103041453616050110"},
      {'P', "06003041423303"}, {'Q', "103041453616050110 2446"}, {'R', "06003041423303 2346"},
      {'S', "413010010213334445361605"}, {'T', "0040 2026"}, {'U', "000516364540"}, {'V', "002640"},
      {'W', "0016233640"}, {'X', "0046 4006"}, {'Y', "0023 4023 2326"}, {'Z', "00400646"},
      {'0', "103041453616050110 4105"}, {'1', "1120 2026 1636"}, {'2', "01103041420646"},
      {'3', "01103041423323 334445361605"}, {'4', "36300444"}, {'5', "4000033344453606"},
      {'6', "30100105163645443303"}, {'7', "004016"}, {'8', "10304142331304051636454433 13020110"},
      {'9', "43130201103041453616"}, {'.', "2625"}, {'-', "0343"}, {':', "2122 2526"}, {'/', "0640"},
      {'^', "022042"}, {'=', "0242 0444"}, {'?', "0110304142332324 2625"}, {' ', ""}};
  return glyphs;
}
constexpr double kAdvance = 6;  // grid units from one character to the next

// A field's text as the title shows it: capitals, at most 16 characters.
std::string shown(const std::string& text) {
  std::string out;
  for (const char c : text.substr(0, 16))
    out += font().count(static_cast<char>(std::toupper(static_cast<unsigned char>(c))))
               ? static_cast<char>(std::toupper(static_cast<unsigned char>(c)))
               : '?';
  return out;
}

std::vector<std::string> title_of(const ExportRequest& r) {
  const char* unit = r.unit() == Unit::Inch ? " IN" : " MM";
  std::vector<std::string> lines;
  if (r.kind == DiscKind::Absolute) {
    const AbsoluteEntries& a = r.absolute;
    const char* code = a.code_type == CodeType::Binary ? "BINARY" : a.code_type == CodeType::Grey ? "GREY" : "GRAY FULL TURN";
    lines.push_back("VANTOR ABSOLUTE DISC " + std::string(code));
    lines.push_back("ED " + shown(a.encoder_diameter) + " DD " + shown(a.shaft_diameter) + unit + " RES 2^" +
                    shown(a.resolution_exp) + " S " + shown(a.scale_num) + ":" + shown(a.scale_den));
  } else {
    const IncrementalDesign& d = r.incremental.design;
    const bool mask = r.drawing == IncDrawing::SensorMask;
    lines.push_back(std::string("VANTOR INCREMENTAL ") + (mask ? "SENSOR MASK" : "DISC") + (r.inverse ? " INVERSE" : ""));
    lines.push_back("ED " + shown(d.encoder_diameter) + " DD " + shown(d.shaft_diameter) + unit + " RES " +
                    shown(d.resolution) + " S " + shown(d.scale_num) + ":" + shown(d.scale_den) + " ZOOM " +
                    (r.inverse ? "100" : std::to_string(d.zoom)));
    if (mask) lines.push_back("MASK ANGLE " + shown(d.mask_angle) + " WINDOWS " + shown(d.mask_windows));
  }
  lines.push_back(std::to_string(r.dpi) + " PIXELS PER INCH  SCALE BAR " + (r.unit() == Unit::Inch ? "2 IN" : "50 MM") +
                  (r.mirror ? "  MIRRORED" : "") + (r.negative ? "  NEGATIVE" : ""));
  return lines;
}

}  // namespace

AssemblyAids assembly_aids(const DiscGeometry& g, const ExportRequest& request) {
  AssemblyAids a;
  if (!g.has_disc || !g.analysed() || !(g.rim_radius > 0)) return a;
  a.drawn = true;
  a.unit = request.unit();
  const double inch = a.unit == Unit::Inch ? 1.0 : kMillimetresPerInch;  // the unit's length of an inch
  const double u = request.dpi / inch;                                   // pixels per unit
  a.cx = g.centre_px / u, a.cy = g.centre_py / u, a.rim = g.rim_radius, a.shaft = g.shaft_radius;
  a.target_in_hole = request.target_in_hole && a.shaft > 0;
  a.dark = !g.inverse;
  a.bar_length = a.unit == Unit::Inch ? 2 : 50;
  a.tick_step = a.unit == Unit::Inch ? 0.1 : 1;
  a.tick_height = a.unit == Unit::Inch ? 0.04 : 1;
  a.ticks = static_cast<int>(std::lround(a.bar_length / a.tick_step));
  a.bar_left = a.cx - a.bar_length / 2;
  a.bar_y = a.cy + a.rim + 0.45 * inch;
  a.text_height = 0.1 * inch;
  a.text_top = a.bar_y + 0.15 * inch;
  a.title = title_of(request);
  std::size_t longest = 0;
  for (const std::string& line : a.title) longest = std::max(longest, line.size());
  const double reach = a.rim + 0.15 * inch;  // the target's cross hairs
  const double left = std::min(a.cx - reach, a.bar_left);
  const double right = std::max({a.cx + reach, a.bar_left + a.bar_length, a.bar_left + longest * a.text_height});
  const double bottom = a.text_top + (a.title.size() * 1.6) * a.text_height;
  a.left_px = std::floor(left * u) - 1, a.right_px = std::ceil(right * u) + 1;
  a.top_px = std::floor((a.cy - reach) * u) - 1, a.bottom_px = std::ceil(bottom * u) + 1;
  return a;
}

void draw_assembly_aids(const AssemblyAids& a, Surface& s) {
  if (!a.drawn) return;
  s.set_scale_mode(a.unit == Unit::Inch ? ScaleMode::Inch : ScaleMode::Millimetre);
  s.set_part({DiscPart::Aid});
  s.set_fill_style(FillStyle::Transparent);
  const double inch = a.unit == Unit::Inch ? 1.0 : kMillimetresPerInch;
  // Beyond single precision: NaN, which the surface refuses.
  const auto f = [](double v) {
    return std::fabs(v) <= std::numeric_limits<float>::max() ? static_cast<float>(v) : std::numeric_limits<float>::quiet_NaN();
  };
  const auto line = [&](double x1, double y1, double x2, double y2, Colour c) {
    (void)s.line(f(x1), f(y1), f(x2), f(y2), c);
  };
  const auto ring = [&](double r, Colour c) { (void)s.circle(f(a.cx), f(a.cy), f(r), c); };
  // The cut line, then the target round the rim: two rings and the cross hairs.
  ring(a.rim, Colour::Black);
  for (double r : {a.rim + 0.05 * inch, a.rim + 0.1 * inch}) ring(r, Colour::Black);
  const double from = a.rim + 0.02 * inch, to = a.rim + 0.15 * inch;
  for (int side : {-1, 1}) {
    line(a.cx + side * from, a.cy, a.cx + side * to, a.cy, Colour::Black);
    line(a.cx, a.cy + side * from, a.cx, a.cy + side * to, Colour::Black);
  }
  if (a.target_in_hole) {
    const Colour c = a.dark ? Colour::Black : Colour::White;
    for (double r : {0.45 * a.shaft, 0.7 * a.shaft}) ring(r, c);
    line(a.cx - 0.9 * a.shaft, a.cy, a.cx + 0.9 * a.shaft, a.cy, c);
    line(a.cx, a.cy - 0.9 * a.shaft, a.cx, a.cy + 0.9 * a.shaft, c);
  }
  // The scale bar: its baseline and a tick every step.
  line(a.bar_left, a.bar_y, a.bar_left + a.bar_length, a.bar_y, Colour::Black);
  for (int k = 0; k <= a.ticks; ++k) {
    const double x = a.bar_left + k * a.tick_step, h = a.tick_height * (k % 10 == 0 ? 3 : k % 5 == 0 ? 2 : 1);
    line(x, a.bar_y, x, a.bar_y - h, Colour::Black);
  }
  // The title block.
  const double g = a.text_height / 6;
  for (std::size_t n = 0; n < a.title.size(); ++n) {
    const double top = a.text_top + n * 1.6 * a.text_height;
    for (std::size_t i = 0; i < a.title[n].size(); ++i) {
      const auto glyph = font().find(a.title[n][i]);
      const std::string strokes = glyph == font().end() ? font().at('?') : glyph->second;
      // Each stroke: its points' digit pairs, joined by lines.
      const double left = a.bar_left + i * kAdvance * g;
      std::size_t start = 0;
      while (start < strokes.size()) {
        std::size_t end = strokes.find(' ', start);
        if (end == std::string::npos) end = strokes.size();
        for (std::size_t p = start; p + 3 < end; p += 2)
          line(left + (strokes[p] - '0') * g, top + (strokes[p + 1] - '0') * g, left + (strokes[p + 2] - '0') * g,
               top + (strokes[p + 3] - '0') * g, Colour::Black);
        start = end + 1;
      }
    }
  }
}

}  // namespace vantor
