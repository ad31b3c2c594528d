// Fuzzes the export writers (SVG, PDF, Gerber, DXF, the disc reading and the
// design report) with figure logs: recorded from surface calls on a small
// raster or a window of a large canvas (arbitrary floats, angles around the
// full turn, figures on a shared disc centre), or from vantor-render's
// command line (parse_render_args, then record_artwork).  The file covers
// the whole canvas, a part of it or a rectangle far away.  It runs under a
// decimal-comma locale when one is installed: the files' numbers must not
// follow the locale.
//
// Checked: no crash, undefined behaviour or runaway size (a bound per
// figure); no "nan" or "inf" in any file, no comma in SVG or PDF and no
// decimal comma in Gerber or DXF; each file's proper end; a DXF either
// refused with a sentence or written, refused exactly when the disc reading
// finds a problem, an overlap, a track in the shaft hole or at the rim; an
// analysed disc's tracks and slots ordered and within range; the design
// numbers agree with the reading.
#include <clocale>
#include <cmath>
#include <numbers>
#include <set>
#include <variant>

#include "absolute/absolute_fields.h"
#include "export/artwork.h"
#include "export/design_report.h"
#include "export/dxf.h"
#include "export/gerber.h"
#include "export/svg_pdf.h"
#include "incremental/incremental_fields.h"
#include "render/render_args.h"
#include "surface_args.h"

namespace {

using namespace vantor;

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// A log of surface calls on a raster of at most 64 x 64 pixels, or on a
// window of at most 8 x 8 pixels of the picture or of a canvas of up to
// 200,000 pixels a side.
class SurfaceProgram {
 public:
  SurfaceProgram(fuzz::Input& in, Artwork& art) : in_(in), surface_(make_surface(in)) {
    art.dpi = surface_.pixels_per_inch();
    art.canvas_width = surface_.canvas_width();
    art.canvas_height = surface_.canvas_height();
    surface_.set_scale_mode(fuzz::scale_mode(in_.byte()));
    cx_ = position(surface_.canvas_width());
    cy_ = position(surface_.canvas_height());
  }

  void run(Artwork& art) {
    surface_.set_recorder(&art.figures);
    for (int call = 0; call < 64 && !in_.empty(); ++call) step();
    surface_.set_recorder(nullptr);
  }

 private:
  static Surface make_surface(fuzz::Input& in) {
    static constexpr double kDensities[] = {96, 1, 2400, 20000, 300, 600, 72, 1440, 25.4, 7.3, 0.37, 12345.67};
    const std::uint8_t kind = in.byte();
    const double ppi = kDensities[in.byte() % std::size(kDensities)];
    if (kind % 4 == 0) {
      const int w = in.byte() % 65;
      return Surface(w, in.byte() % 65, ppi);
    }
    constexpr int kMax = 200000;
    int cw = Surface::picture_width(ppi), ch = Surface::picture_height(ppi);
    if (kind % 4 != 1) cw = 1 + in.raw<std::uint32_t>() % kMax, ch = 1 + in.raw<std::uint32_t>() % kMax;
    cw = std::clamp(cw, 1, kMax), ch = std::clamp(ch, 1, kMax);
    const int ww = 1 + in.byte() % std::min(8, cw), wh = 1 + in.byte() % std::min(8, ch);
    const int left = static_cast<int>(in.raw<std::uint32_t>() % static_cast<std::uint32_t>(cw - ww + 1));
    const int top = static_cast<int>(in.raw<std::uint32_t>() % static_cast<std::uint32_t>(ch - wh + 1));
    return Surface::window_of(cw, ch, ppi, left, top, ww, wh);
  }

  double position(int pixels) { return (in_.raw<std::uint16_t>() / 65535.0 * 1.5 - 0.25) * std::max(pixels, 1); }
  float unit(double pixels) const { return static_cast<float>(pixels / surface_.pixels_per_unit()); }

  float coordinate(int pixels, double centre) {
    switch (in_.byte() % 8) {
      case 0:
        return in_.raw<float>();
      case 1:
        return fuzz::special_float(in_);
      case 2:
      case 3:
      case 4:
        return unit(centre);
    }
    return unit(position(pixels));
  }

  float radius() {
    const std::uint8_t kind = in_.byte();
    const double side = std::max({surface_.canvas_width(), surface_.canvas_height(), 1});
    if (kind % 8 == 0) return in_.raw<float>();
    if (kind % 8 == 1) return fuzz::special_float(in_);
    const double t = in_.raw<std::uint16_t>() / 65535.0;
    return kind % 8 == 2 ? unit(t * 3.0) : kind % 8 == 3 ? -unit(t * side) : unit(t * 0.6 * side);
  }

  void step() {
    const std::uint8_t op = in_.byte() % 16;
    const int w = surface_.canvas_width(), h = surface_.canvas_height();
    const auto x = [&] { return coordinate(w, cx_); };
    const auto y = [&] { return coordinate(h, cy_); };
    if (op == 0) surface_.set_scale_mode(fuzz::scale_mode(in_.byte()));
    if (op == 1) surface_.set_fill_colour(fuzz::colour(in_));
    if (op == 2) surface_.set_fill_style(in_.byte() & 1 ? FillStyle::Solid : FillStyle::Transparent);
    if (op == 3) surface_.cls();
    if (op == 4 || op == 5) {
      const float px = x(), py = y(), r = radius();
      (void)(op == 4 ? surface_.circle(px, py, r) : surface_.circle(px, py, r, fuzz::colour(in_)));
    }
    if (op >= 6 && op <= 8) {
      const float px = x(), py = y(), r = radius();
      const Colour c = fuzz::colour(in_);
      const float a1 = fuzz::angle(in_), a2 = fuzz::angle(in_);
      (void)surface_.circle(px, py, r, c, a1, a2);
    }
    if (op == 9) {  // a disc or a slot as the renderers draw them
      const Colour c = fuzz::colour(in_);
      surface_.set_fill_style(FillStyle::Solid);
      surface_.set_fill_colour(c);
      const float r = radius();
      if (in_.byte() & 1) {
        (void)surface_.circle(unit(cx_), unit(cy_), r, c);
      } else {
        const float a1 = fuzz::angle(in_), a2 = fuzz::angle(in_);
        (void)surface_.circle(unit(cx_), unit(cy_), r, c, -std::fabs(a1), -std::fabs(a2));
      }
    }
    if (op == 10 || op == 11) {
      const float x1 = x(), y1 = y(), x2 = x(), y2 = y();
      (void)(op == 10 ? surface_.line(x1, y1, x2, y2) : surface_.line(x1, y1, x2, y2, fuzz::colour(in_)));
    }
    if (op == 12) {
      const float px = x(), py = y();
      surface_.pset(px, py, fuzz::colour(in_));
    }
    if (op == 13 && surface_.width() > 0) (void)surface_.pixel(0, 0);  // draws what waits
    if (op >= 14) cx_ = position(w), cy_ = position(h);
  }

  fuzz::Input& in_;
  Surface surface_;
  double cx_ = 0, cy_ = 0;
};

// A short field text, mostly a number; Res_exp at most 10 and RES at most
// 2000, so that a drawing has a few thousand figures at most.
std::string field_text(fuzz::Input& in, const std::string& name) {
  static const char* const kEdges[] = {"",     "0",     "-1",    "0.5", "1",      "2",    "3",  "1e30", "1e-30",
                                       "3e38", "-3e38", "1e-45", "45",  "-45",    "46",   "x",  ".",    "1,5",
                                       "20",   "0.001", "100",   "1e6", "0.0625", "12.7", "-0", " 2 "};
  const std::uint8_t kind = in.byte();
  if (name == "Res_exp") return kind % 4 == 0 ? kEdges[in.byte() % 4] : std::to_string(in.byte() % 11);
  if (name == "RES") return kind % 4 == 0 ? kEdges[in.byte() % 8] : std::to_string(in.raw<std::uint16_t>() % 2001);
  if (kind % 4 == 0) return kEdges[in.byte() % std::size(kEdges)];
  std::string digits = std::to_string(in.raw<std::uint16_t>());
  const std::size_t point = in.byte() % 6;
  if (point > 0 && point < digits.size()) digits.insert(digits.size() - point, ".");
  return (kind & 0x80 ? "-" : "") + digits;
}

template <class Values>
void add_entries(fuzz::Input& in, const ControlTable<Values>& table, std::vector<std::string>& args) {
  std::set<std::string> named, groups;
  const int n = in.byte() % 7;
  for (int k = 0; k < n; ++k) {
    const ControlField<Values>& f = table[in.byte() % table.size()];
    if (f.kind == ControlKind::Display || !named.insert(f.name).second) continue;
    if (f.kind == ControlKind::TextBox) args.push_back(f.name + "=" + field_text(in, f.name));
    if (f.kind == ControlKind::CheckBox) args.push_back(f.name + (in.byte() & 1 ? "=1" : "=0"));
    if (f.kind == ControlKind::Position) args.push_back(f.name + "=" + std::to_string(f.min + in.byte() % (f.max - f.min + 1)));
    if (f.kind == ControlKind::Option && groups.insert(f.group).second) args.push_back(f.name);
  }
}

// The artwork of a request, or false when the command line or the design is
// refused.
bool request_artwork(fuzz::Input& in, Artwork& art) {
  const std::uint8_t flags = in.byte();
  std::vector<std::string> args{flags & 1 ? "absolute" : "incremental"};
  if (flags & 1)
    add_entries(in, absolute_fields(), args);
  else
    add_entries(in, incremental_fields(), args);
  if (!(flags & 1) && (flags & 2)) args.push_back("--inverse");
  if (flags & 4) args.push_back("--crop");
  static const char* const kDpi[] = {"96", "1", "2400", "20000", "300", "7", "601", "1999", "100000"};
  args.insert(args.end(), {"--dpi", kDpi[in.byte() % std::size(kDpi)], "-o", "unused.svg"});
  const auto parsed = parse_render_args(args);
  if (!std::holds_alternative<RenderRequest>(parsed)) return false;
  ArtworkOutcome outcome = record_artwork(std::get<RenderRequest>(parsed));
  FUZZ_CHECK(outcome.message == Message::None || outcome.artwork.figures.empty(), "a refused design left figures");
  art = std::move(outcome.artwork);
  return outcome.message == Message::None;
}

void choose_region(fuzz::Input& in, Artwork& art, bool keep_allowed) {
  const std::uint8_t kind = in.byte() % 4;
  const int cw = art.canvas_width, ch = art.canvas_height;
  if (kind == 0 && keep_allowed) return;  // the request's own region
  if (kind <= 1) return void(art.region = {0, 0, cw, ch});
  if (kind == 2 && cw > 0 && ch > 0) {
    const int left = static_cast<int>(in.raw<std::uint32_t>() % static_cast<std::uint32_t>(cw));
    const int top = static_cast<int>(in.raw<std::uint32_t>() % static_cast<std::uint32_t>(ch));
    const int width = 1 + static_cast<int>(in.raw<std::uint32_t>() % static_cast<std::uint32_t>(cw - left));
    art.region = {left, top, width, 1 + static_cast<int>(in.raw<std::uint32_t>() % static_cast<std::uint32_t>(ch - top))};
    return;
  }
  static constexpr int kFar[] = {-(1 << 30), -1000000, 1000000, 1 << 30};  // far away, on either side
  art.region = {kFar[in.byte() % 4], kFar[in.byte() % 4], 1 + in.byte() % 64, 1 + in.byte() % 64};
}

bool has(const std::string& text, std::string_view word) {  // case-insensitive
  return std::search(text.begin(), text.end(), word.begin(), word.end(),
                     [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; }) != text.end();
}

// A file of the artwork: not empty, at most 64 KiB and `numbers` numbers of
// the longest length the artwork's magnitudes allow a figure; no "nan" or
// "inf"; no comma (SVG and PDF) or no comma between digits; its end.
void check_file(const std::string& file, const Artwork& art, std::size_t numbers, bool any_comma,
                std::string_view end) {
  double m = std::max(art.region.width, art.region.height);
  for (const Figure& f : art.figures)
    m = std::max({m, std::fabs(f.px1 - art.region.left), std::fabs(f.py1 - art.region.top),
                  std::fabs(f.px2 - art.region.left), std::fabs(f.py2 - art.region.top), f.pr});
  const std::size_t chars = static_cast<std::size_t>(std::ceil(std::log10(m + 1.0))) + 37;
  FUZZ_CHECK(!file.empty() && file.size() < 65536 + art.figures.size() * numbers * chars, std::string(end));
  FUZZ_CHECK(!has(file, "nan") && !has(file, "inf"), std::string(end));
  for (std::size_t i = 1; i + 1 < file.size(); ++i)
    FUZZ_CHECK(file[i] != ',' || (!any_comma && !(std::isdigit(file[i - 1]) && std::isdigit(file[i + 1]))),
               "a comma in " + std::string(end));
  FUZZ_CHECK(file.ends_with(end) && file.find(end) == file.size() - end.size(), std::string(end));
}

void check_artwork(const Artwork& art) {
  for (const Figure& f : art.figures) {
    FUZZ_CHECK(std::isfinite(f.px1 + f.py1 + f.px2 + f.py2 + f.pr + f.start + f.end), "a figure is not finite");
    FUZZ_CHECK(f.kind != FigureKind::Arc || (f.start >= 0 && f.start <= kTwoPi && f.end >= 0 && f.end <= kTwoPi),
               "an arc beyond a turn");
  }
  // The most numbers a figure adds: in PDF three circles of 32 Bezier
  // curves and two quadrilaterals, in SVG arcs of at most half a turn, in
  // Gerber a disc, a stroke of four quarter arcs and three strokes, in DXF
  // six vertices and their group codes.
  check_file(svg_file(art), art, 96, true, "</svg>\n");
  check_file(pdf_file(art), art, 640, true, "%%EOF\n");
  check_file(gerber_file(art), art, 96, false, "M02*\n");

  const DiscGeometry& disc = art.geometry;
  const DxfOutcome dxf = dxf_file(art);
  const bool refuse = !disc.analysed() || !disc.overlaps.empty() || !disc.into_shaft.empty() || !disc.beyond_rim.empty();
  FUZZ_CHECK(dxf.file.empty() != dxf.refusal.empty() && refuse == !dxf.refusal.empty(), "DXF: " + dxf.refusal);
  if (refuse)
    FUZZ_CHECK(dxf.refusal.back() == '.' && !has(dxf.refusal, "nan") && !has(dxf.refusal, "inf"), dxf.refusal);
  else
    check_file(dxf.file, art, 96, false, "  0\nEOF\n");
  const DesignNumbers numbers = design_numbers(art);
  const std::string report = design_report(numbers);
  FUZZ_CHECK(numbers.problem == disc.problem && report == design_report(art), "the report and the reading disagree");
  FUZZ_CHECK(report.ends_with('\n') && report.size() < 65536 + 4096 * art.figures.size(), "the report's size");
  if (!disc.analysed()) return;
  FUZZ_CHECK(std::isfinite(disc.centre_px + disc.centre_py) && disc.rim_radius >= 0 && disc.shaft_radius >= 0 &&
                 std::isfinite(disc.rim_radius + disc.shaft_radius) && numbers.tracks.size() == disc.tracks.size(),
             "the disc's centre and radii");
  for (std::size_t i = 0; i < disc.tracks.size(); ++i) {
    const DiscTrack& t = disc.tracks[i];
    const TrackNumbers& n = numbers.tracks[i];
    FUZZ_CHECK(t.inner >= 0 && std::isfinite(t.outer) && t.inner < t.outer && !t.slot_arcs.empty(), "a track");
    for (std::size_t k = 0; k < t.slot_arcs.size(); ++k) {  // disjoint, ordered; only the last through 0
      const AngleInterval& a = t.slot_arcs[k];
      FUZZ_CHECK(a.start >= 0 && a.start <= kTwoPi && a.end >= 0 && a.end <= kTwoPi && a.start != a.end, "a slot");
      FUZZ_CHECK(k + 1 == t.slot_arcs.size() || (a.start < a.end && a.end < t.slot_arcs[k + 1].start), "slots");
    }
    FUZZ_CHECK(n.slot_count == static_cast<int>(t.slot_arcs.size()) && 0 <= n.slot_min && n.slot_min <= n.slot_max &&
                   0 <= n.bar_min && n.bar_min <= n.bar_max,
               "a track's numbers");
  }
  FUZZ_CHECK(numbers.code_bits == 0 || numbers.code_positions == (1ll << numbers.code_bits), "the code's positions");
  FUZZ_CHECK(numbers.overlap == !disc.overlaps.empty() && numbers.into_shaft == !disc.into_shaft.empty() &&
                 numbers.beyond_rim == !disc.beyond_rim.empty(),
             "the report's warnings and the reading disagree");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // As the Qt application does; then a decimal-comma locale, if installed.
  std::setlocale(LC_ALL, "");
  if (std::localeconv()->decimal_point[0] == '.')
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "nl_NL.UTF-8", "de_DE"})
      if (std::setlocale(LC_ALL, name)) break;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  Artwork art;
  if (in.byte() % 4 == 3) {
    if (!request_artwork(in, art)) return 0;
    choose_region(in, art, true);
  } else {
    SurfaceProgram program(in, art);
    art.unit = in.byte() & 1 ? Unit::Millimetre : Unit::Inch;
    choose_region(in, art, false);
    program.run(art);
    art.geometry = disc_geometry(art.figures, art.dpi, art.unit);
  }
  check_artwork(art);
  return 0;
}
