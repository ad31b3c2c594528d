// Fuzzes the export writers (SVG, PDF, Gerber, DXF, the disc reading and the
// design report) with the artwork the program makes: a figure log recorded
// from a surface.  The log comes either from a small byte-code program of
// surface calls on a canvas at some density (a small raster or a window of a
// large canvas, arbitrary floats, NaN and infinities that the surface
// refuses, angles around the full turn, a disc centre that later figures
// may share so that disc-like logs are common), or from vantor-render's
// command line (parse_render_args with a few entries, then
// record_artwork).  The file covers the whole canvas, a part of it or a
// rectangle far away.
//
// Checked: no crash, no undefined behaviour, bounded time and memory; every
// recorded figure has finite pixel fields; every file is non-empty and no
// longer than kFixedBytes plus, per figure, the most numbers its format
// writes for one figure times the longest number that the artwork's
// magnitudes allow (number_chars); the design report at most
// kReportBytesPerFigure a figure more; SVG and PDF hold no "nan", "inf" or
// comma, the Gerber file no "nan" or "inf" and no comma between digits (a
// decimal comma of the locale); the Gerber file ends with M02*, the PDF with
// %%EOF; a DXF is either refused with a sentence or a file ending in the EOF
// group, never both, never neither, and it is refused exactly when the disc
// reading finds a problem, an overlap, a track in the shaft hole or one
// reaching the rim; an analysed disc has finite radii, tracks with
// 0 <= inner < outer and disjoint, ordered slot intervals within [0, 2pi];
// the design numbers agree with the reading.
//
// The numbers of the files must not depend on the locale: at start-up the
// fuzzer takes the environment's locale as the program's Qt application
// does and, when its decimal point is '.', a decimal-comma locale if one is
// installed.
#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <numbers>
#include <set>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "absolute/absolute_fields.h"
#include "export/artwork.h"
#include "export/design_report.h"
#include "geometry/disc_geometry.h"
#include "export/dxf.h"
#include "export/gerber.h"
#include "export/svg_pdf.h"
#include "fuzz_input.h"
#include "surface_args.h"
#include "incremental/incremental_fields.h"
#include "render/render_args.h"
#include "surface/figures.h"
#include "surface/surface.h"

namespace {

using namespace vantor;

constexpr int kMaxCalls = 64;
constexpr int kMaxSmallSide = 64;
constexpr int kMaxWindowSide = 8;
constexpr int kMaxCanvasSide = 200000;  // the picture at 20000 ppi is 180,553 wide
constexpr int kMaxEntries = 6;
constexpr std::size_t kFixedBytes = 64 * 1024;
constexpr std::size_t kReportBytesPerFigure = 4096;
// The most numbers one figure adds to a file.  PDF: a filled circle with an
// outline in another colour is three circles of 32 Bezier curves of three
// points each (576 numbers), and two radii are two quadrilaterals.  SVG:
// the same as arcs of at most half a turn.  Gerber: a disc and a stroke of
// four quarter arcs (X, Y, I, J each), the sector's edges and two radius
// strokes.  DXF: a slot outline has at most six vertices of four numbers,
// and every vertex and polyline brings its group codes.
constexpr std::size_t kPdfNumbers = 640, kSvgNumbers = 96, kGerberNumbers = 96, kDxfNumbers = 96;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// With VANTOR_FUZZ_STATS set, how far the inputs got, printed at exit; with
// VANTOR_FUZZ_DUMP set, each artwork and what the disc reading made of it.
struct Stats {
  long surface_logs = 0, requests = 0, usage_errors = 0, refused_designs = 0;
  long analysed = 0, dxf_files = 0, figures = 0;
  ~Stats() {
    if (!std::getenv("VANTOR_FUZZ_STATS")) return;
    std::fprintf(stderr,
                 "surface logs %ld, requests %ld (usage errors %ld, refused %ld); discs analysed %ld, DXF files "
                 "%ld; figures %ld\n",
                 surface_logs, requests, usage_errors, refused_designs, analysed, dxf_files, figures);
  }
} stats;

std::string fmt(double v) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%.9g", v);
  return buffer;
}

bool contains_ci(std::string_view text, std::string_view word) {
  return std::search(text.begin(), text.end(), word.begin(), word.end(), [](char a, char b) {
           return (a >= 'A' && a <= 'Z' ? a + 32 : a) == b;
         }) != text.end();
}

bool digit(char c) { return c >= '0' && c <= '9'; }

bool comma_between_digits(std::string_view text) {
  for (std::size_t i = 1; i + 1 < text.size(); ++i)
    if (text[i] == ',' && digit(text[i - 1]) && digit(text[i + 1])) return true;
  return false;
}

bool ends_with(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

std::string describe(const Artwork& art) {
  return std::to_string(art.figures.size()) + " figures, " + fmt(art.dpi) + " ppi, canvas " +
         std::to_string(art.canvas_width) + " x " + std::to_string(art.canvas_height) + ", region (" +
         std::to_string(art.region.left) + ", " + std::to_string(art.region.top) + ") " +
         std::to_string(art.region.width) + " x " + std::to_string(art.region.height) +
         (art.unit == Unit::Millimetre ? " mm" : " in");
}

// --- the log from surface calls --------------------------------------------

class SurfaceProgram {
 public:
  // Sets the artwork's density and canvas.
  SurfaceProgram(fuzz::Input& in, Artwork& art) : in_(in), surface_(make_surface(in)) {
    art.dpi = surface_.pixels_per_inch();
    art.canvas_width = surface_.canvas_width();
    art.canvas_height = surface_.canvas_height();
    surface_.set_scale_mode(scale_mode(in_.byte()));
    // The disc centre, canvas pixels: some figures are placed there.
    centre_x_ = pixel_position(surface_.canvas_width());
    centre_y_ = pixel_position(surface_.canvas_height());
  }

  // Runs the calls with the recorder on; the log goes into art.
  void run(Artwork& art) {
    surface_.set_recorder(&art.figures);
    for (int call = 0; call < kMaxCalls && !in_.empty(); ++call) step();
    surface_.set_recorder(nullptr);
  }

 private:
  static double density(fuzz::Input& in) {
    static constexpr double kDensities[] = {96, 1, 2400, 20000, 300, 600, 72, 1440, 25.4, 7.3, 0.37, 12345.67};
    return kDensities[in.byte() % std::size(kDensities)];
  }

  // A small raster, or a window of at most 8 x 8 pixels of the picture or
  // of another large canvas: drawing costs at most the raster's size.
  static Surface make_surface(fuzz::Input& in) {
    const std::uint8_t kind = in.byte();
    const double ppi = density(in);
    if (kind % 4 == 0) {
      const int w = in.byte() % (kMaxSmallSide + 1), h = in.byte() % (kMaxSmallSide + 1);
      return Surface(w, h, ppi);
    }
    int cw, ch;
    if (kind % 4 == 1) {
      cw = Surface::picture_width(ppi);
      ch = Surface::picture_height(ppi);
    } else {
      cw = 1 + in.raw<std::uint32_t>() % kMaxCanvasSide;
      ch = 1 + in.raw<std::uint32_t>() % kMaxCanvasSide;
    }
    cw = std::clamp(cw, 1, kMaxCanvasSide);
    ch = std::clamp(ch, 1, kMaxCanvasSide);
    const int ww = 1 + in.byte() % std::min(kMaxWindowSide, cw), wh = 1 + in.byte() % std::min(kMaxWindowSide, ch);
    const int left = static_cast<int>(in.raw<std::uint32_t>() % static_cast<std::uint32_t>(cw - ww + 1));
    const int top = static_cast<int>(in.raw<std::uint32_t>() % static_cast<std::uint32_t>(ch - wh + 1));
    return Surface::window_of(cw, ch, ppi, left, top, ww, wh);
  }

  static ScaleMode scale_mode(std::uint8_t b) { return vantor::fuzz::scale_mode(b); }
  Colour colour() { return vantor::fuzz::colour(in_); }
  float special() { return vantor::fuzz::special_float(in_); }

  double pixel_position(int pixels) {
    const double t = in_.raw<std::uint16_t>() / 65535.0;
    return (t * 1.5 - 0.25) * std::max(pixels, 1);
  }

  float in_unit(double pixels) const { return static_cast<float>(pixels / surface_.pixels_per_unit()); }

  float coordinate(int pixels, double centre) {
    const std::uint8_t kind = in_.byte();
    switch (kind % 8) {
      case 0:
        return in_.raw<float>();
      case 1:
        return special();
      case 2:
      case 3:
      case 4:
        return in_unit(centre);
    }
    return in_unit(pixel_position(pixels));
  }

  float radius() {
    const std::uint8_t kind = in_.byte();
    const int side = std::max({surface_.canvas_width(), surface_.canvas_height(), 1});
    switch (kind % 8) {
      case 0:
        return in_.raw<float>();
      case 1:
        return special();
      case 2:
        return in_unit(in_.raw<std::uint16_t>() / 65535.0 * 3.0);
      case 3:
        return -in_unit(in_.raw<std::uint16_t>() / 65535.0 * side);
    }
    return in_unit(in_.raw<std::uint16_t>() / 65535.0 * 0.6 * side);
  }

  float angle() { return vantor::fuzz::angle(in_); }

  void step() {
    const std::uint8_t op = in_.byte();
    const int w = surface_.canvas_width(), h = surface_.canvas_height();
    switch (op % 16) {
      case 0:
        surface_.set_scale_mode(scale_mode(in_.byte()));
        break;
      case 1:
        surface_.set_fill_colour(colour());
        break;
      case 2:
        surface_.set_fill_style(in_.byte() & 1 ? FillStyle::Solid : FillStyle::Transparent);
        break;
      case 3:
        surface_.cls();
        break;
      case 4: {
        const float x = coordinate(w, centre_x_), y = coordinate(h, centre_y_), r = radius();
        (void)surface_.circle(x, y, r);
        break;
      }
      case 5: {
        const float x = coordinate(w, centre_x_), y = coordinate(h, centre_y_), r = radius();
        (void)surface_.circle(x, y, r, colour());
        break;
      }
      case 6:
      case 7:
      case 8: {
        const float x = coordinate(w, centre_x_), y = coordinate(h, centre_y_), r = radius();
        const Colour c = colour();
        const float a1 = angle(), a2 = angle();
        (void)surface_.circle(x, y, r, c, a1, a2);
        break;
      }
      case 9: {
        // A disc or a slot as the renderers draw them: filled and outlined
        // in one colour, on the centre.
        const Colour c = colour();
        surface_.set_fill_style(FillStyle::Solid);
        surface_.set_fill_colour(c);
        const float r = radius();
        if (in_.byte() & 1) {
          (void)surface_.circle(in_unit(centre_x_), in_unit(centre_y_), r, c);
        } else {
          const float a1 = angle(), a2 = angle();
          (void)surface_.circle(in_unit(centre_x_), in_unit(centre_y_), r, c, -std::fabs(a1), -std::fabs(a2));
        }
        break;
      }
      case 10:
      case 11: {
        const float x1 = coordinate(w, centre_x_), y1 = coordinate(h, centre_y_);
        const float x2 = coordinate(w, centre_x_), y2 = coordinate(h, centre_y_);
        if (op % 16 == 10)
          (void)surface_.line(x1, y1, x2, y2);
        else
          (void)surface_.line(x1, y1, x2, y2, colour());
        break;
      }
      case 12: {
        const float x = coordinate(w, centre_x_), y = coordinate(h, centre_y_);
        surface_.pset(x, y, colour());
        break;
      }
      case 13: {
        // Reading a pixel draws the pending figures.
        if (surface_.width() > 0) (void)surface_.pixel(0, 0);
        break;
      }
      default: {
        // A new centre.
        centre_x_ = pixel_position(w);
        centre_y_ = pixel_position(h);
        break;
      }
    }
  }

  fuzz::Input& in_;
  Surface surface_;
  double centre_x_ = 0, centre_y_ = 0;
};

// --- the log from vantor-render's command line ----------------------------

// A short field text, mostly a number.  Res_exp stays at most 10 and RES at
// most 2000 so that a drawing has at most a few thousand figures.
std::string field_text(fuzz::Input& in, const std::string& name) {
  static const char* const kEdges[] = {"",     "0",     "-1",    "0.5",  "1",      "2",    "3",   "1e30", "1e-30",
                                       "3e38", "-3e38", "1e-45", "45",   "-45",    "46",   "x",   ".",    "1,5",
                                       "20",   "0.001", "100",   "1e6",  "0.0625", "12.7", "-0", " 2 "};
  const std::uint8_t kind = in.byte();
  if (name == "Res_exp") {
    if (kind % 4 == 0) return kEdges[in.byte() % 4];
    return std::to_string(in.byte() % 11);
  }
  if (name == "RES") {
    if (kind % 4 == 0) return kEdges[in.byte() % 8];
    return std::to_string(in.raw<std::uint16_t>() % 2001);
  }
  if (kind % 4 == 0) return kEdges[in.byte() % std::size(kEdges)];
  std::string digits = std::to_string(in.raw<std::uint16_t>());
  const std::size_t point = in.byte() % 6;
  if (point > 0 && point < digits.size()) digits.insert(digits.size() - point, ".");
  return (kind & 0x80 ? "-" : "") + digits;
}

template <class Values>
void add_entries(fuzz::Input& in, const ControlTable<Values>& table, std::vector<std::string>& args) {
  std::set<std::string> named, groups;
  const int n = in.byte() % (kMaxEntries + 1);
  for (int k = 0; k < n; ++k) {
    const ControlField<Values>& f = table[in.byte() % table.size()];
    if (f.kind == ControlKind::Display || !named.insert(f.name).second) continue;
    switch (f.kind) {
      case ControlKind::TextBox:
        args.push_back(f.name + "=" + field_text(in, f.name));
        break;
      case ControlKind::CheckBox:
        args.push_back(f.name + (in.byte() & 1 ? "=1" : "=0"));
        break;
      case ControlKind::Position:
        args.push_back(f.name + "=" + std::to_string(f.min + in.byte() % (f.max - f.min + 1)));
        break;
      case ControlKind::Option:
        if (groups.insert(f.group).second) args.push_back(f.name);
        break;
      case ControlKind::Display:
        break;
    }
  }
}

// The artwork of a request, or false when the command line or the design is
// refused.
bool request_artwork(fuzz::Input& in, Artwork& art) {
  const std::uint8_t flags = in.byte();
  const bool absolute = flags & 1;
  std::vector<std::string> args{absolute ? "absolute" : "incremental"};
  if (absolute)
    add_entries(in, absolute_fields(), args);
  else
    add_entries(in, incremental_fields(), args);
  if (!absolute && (flags & 2)) args.push_back("--inverse");
  if (flags & 4) args.push_back("--crop");
  static const char* const kDpi[] = {"96", "1", "2400", "20000", "300", "7", "601", "1999", "100000"};
  args.push_back("--dpi");
  args.push_back(kDpi[in.byte() % std::size(kDpi)]);
  args.push_back("-o");
  args.push_back("unused.svg");
  ++stats.requests;
  const auto parsed = parse_render_args(args);
  const RenderRequest* request = std::get_if<RenderRequest>(&parsed);
  if (!request) {
    ++stats.usage_errors;
    return false;
  }
  ArtworkOutcome outcome = record_artwork(*request);
  if (outcome.message != Message::None) {
    ++stats.refused_designs;
    FUZZ_CHECK(outcome.artwork.figures.empty(), "a refused design left figures");
    return false;
  }
  art = std::move(outcome.artwork);
  return true;
}

// --- the region and the checks ---------------------------------------------

void choose_region(fuzz::Input& in, Artwork& art, bool keep_allowed) {
  const std::uint8_t kind = in.byte();
  const int cw = art.canvas_width, ch = art.canvas_height;
  switch (kind % 4) {
    case 0:
      if (keep_allowed) return;  // the request's own region
      [[fallthrough]];
    case 1:
      art.region = {0, 0, cw, ch};
      return;
    case 2: {
      if (cw <= 0 || ch <= 0) break;
      const int left = static_cast<int>(in.raw<std::uint32_t>() % static_cast<std::uint32_t>(cw));
      const int top = static_cast<int>(in.raw<std::uint32_t>() % static_cast<std::uint32_t>(ch));
      const int width = 1 + static_cast<int>(in.raw<std::uint32_t>() % static_cast<std::uint32_t>(cw - left));
      const int height = 1 + static_cast<int>(in.raw<std::uint32_t>() % static_cast<std::uint32_t>(ch - top));
      art.region = {left, top, width, height};
      return;
    }
  }
  // Far away from the canvas, on either side.
  static constexpr int kFar[] = {-(1 << 30), -1000000, 1000000, 1 << 30};
  art.region = {kFar[in.byte() % 4], kFar[in.byte() % 4], 1 + in.byte() % 64, 1 + in.byte() % 64};
}

void check_figures(const Artwork& art) {
  for (std::size_t i = 0; i < art.figures.size(); ++i) {
    const Figure& f = art.figures[i];
    FUZZ_CHECK(std::isfinite(f.px1) && std::isfinite(f.py1) && std::isfinite(f.px2) && std::isfinite(f.py2) &&
                   std::isfinite(f.pr) && std::isfinite(f.start) && std::isfinite(f.end),
               "figure " + std::to_string(i) + " has a pixel field that is not finite");
    if (f.kind == FigureKind::Arc)
      FUZZ_CHECK(f.start >= 0 && f.start <= kTwoPi && f.end >= 0 && f.end <= kTwoPi,
                 "figure " + std::to_string(i) + " arc " + fmt(f.start) + " ... " + fmt(f.end));
  }
}

// The longest number a file of the artwork may write: the digits of the
// largest pixel magnitude from the region's corner, four more for a unit
// larger than a pixel (25.4 mm at 1 ppi), up to 17 decimals, the sign, the
// point and the separators and codes around it.
std::size_t number_chars(const Artwork& art) {
  double m = std::max(art.region.width, art.region.height);
  for (const Figure& f : art.figures)
    m = std::max({m, std::fabs(f.px1 - art.region.left), std::fabs(f.py1 - art.region.top),
                  std::fabs(f.px2 - art.region.left), std::fabs(f.py2 - art.region.top), f.pr});
  return static_cast<std::size_t>(std::ceil(std::log10(m + 1.0))) + 4 + 17 + 16;
}

void check_size(const std::string& file, const char* what, const Artwork& art, std::size_t numbers) {
  const std::size_t bound = kFixedBytes + art.figures.size() * numbers * number_chars(art);
  FUZZ_CHECK(!file.empty(), std::string(what) + " is empty; " + describe(art));
  FUZZ_CHECK(file.size() < bound, std::string(what) + " has " + std::to_string(file.size()) + " bytes; " +
                                      describe(art));
}

void check_numbers_text(const std::string& file, const char* what, const Artwork& art, bool no_comma) {
  FUZZ_CHECK(!contains_ci(file, "nan"), std::string(what) + " holds \"nan\"; " + describe(art));
  FUZZ_CHECK(!contains_ci(file, "inf"), std::string(what) + " holds \"inf\"; " + describe(art));
  if (no_comma)
    FUZZ_CHECK(file.find(',') == std::string::npos, std::string(what) + " holds a comma; " + describe(art));
  else
    FUZZ_CHECK(!comma_between_digits(file), std::string(what) + " holds a decimal comma; " + describe(art));
}

bool finite_non_negative(double v) { return std::isfinite(v) && v >= 0; }

void check_disc(const Artwork& art) {
  const DiscGeometry& disc = art.geometry;
  const DxfOutcome dxf = dxf_file(art);
  FUZZ_CHECK(dxf.file.empty() != dxf.refusal.empty(), "the DXF has both or neither of file and refusal; " +
                                                          describe(art));
  const bool should_refuse = !disc.analysed() || !disc.overlaps.empty() || !disc.into_shaft.empty() ||
                             !disc.beyond_rim.empty();
  FUZZ_CHECK(should_refuse == !dxf.refusal.empty(),
             std::string("the DXF is ") + (should_refuse ? "written" : "refused") + " for this disc; " +
                 describe(art));
  if (!dxf.refusal.empty()) {
    FUZZ_CHECK(dxf.refusal.back() == '.', "the DXF refusal is no sentence: " + dxf.refusal);
    FUZZ_CHECK(!contains_ci(dxf.refusal, "nan") && !contains_ci(dxf.refusal, "inf"),
               "the DXF refusal holds a number that is not finite: " + dxf.refusal);
  } else {
    ++stats.dxf_files;
    FUZZ_CHECK(ends_with(dxf.file, "  0\nEOF\n"), "the DXF does not end with the EOF group; " + describe(art));
    check_size(dxf.file, "the DXF", art, kDxfNumbers);
    check_numbers_text(dxf.file, "the DXF", art, false);
  }

  const DesignNumbers numbers = design_numbers(art);
  FUZZ_CHECK(numbers.problem == disc.problem, "the design numbers and the disc reading disagree on the problem");
  const std::string report = design_report(numbers);
  FUZZ_CHECK(!report.empty() && report.back() == '\n', "the design report does not end a line");
  FUZZ_CHECK(report.size() < kReportBytesPerFigure * art.figures.size() + kFixedBytes,
             "the design report has " + std::to_string(report.size()) + " bytes");
  FUZZ_CHECK(report == design_report(art), "the design report of the artwork differs from that of its numbers");
  if (!disc.analysed()) return;
  ++stats.analysed;

  FUZZ_CHECK(std::isfinite(disc.centre_px) && std::isfinite(disc.centre_py), "the disc centre is not finite");
  FUZZ_CHECK(finite_non_negative(disc.rim_radius) && finite_non_negative(disc.shaft_radius),
             "rim " + fmt(disc.rim_radius) + ", shaft " + fmt(disc.shaft_radius));
  for (std::size_t i = 0; i < disc.tracks.size(); ++i) {
    const DiscTrack& t = disc.tracks[i];
    const std::string which = "track " + std::to_string(i + 1) + " ";
    FUZZ_CHECK(finite_non_negative(t.inner) && std::isfinite(t.outer) && t.inner < t.outer,
               which + "radii " + fmt(t.inner) + " ... " + fmt(t.outer));
    FUZZ_CHECK(!t.slot_arcs.empty(), which + "has no slots");
    for (std::size_t k = 0; k < t.slot_arcs.size(); ++k) {
      const AngleInterval& a = t.slot_arcs[k];
      FUZZ_CHECK(a.start >= 0 && a.start <= kTwoPi && a.end >= 0 && a.end <= kTwoPi && a.start != a.end,
                 which + "slot " + fmt(a.start) + " ... " + fmt(a.end));
      // Disjoint and by increasing start; only the last may run through 0.
      if (k + 1 < t.slot_arcs.size()) {
        FUZZ_CHECK(a.start < a.end && a.end < t.slot_arcs[k + 1].start,
                   which + "slots " + fmt(a.start) + " ... " + fmt(a.end) + " and " +
                       fmt(t.slot_arcs[k + 1].start) + " ... " + fmt(t.slot_arcs[k + 1].end));
      }
    }
  }
  FUZZ_CHECK(numbers.tracks.size() == disc.tracks.size(), "the design numbers have another track count");
  for (std::size_t i = 0; i < numbers.tracks.size(); ++i) {
    const TrackNumbers& n = numbers.tracks[i];
    FUZZ_CHECK(n.slot_count == static_cast<int>(disc.tracks[i].slot_arcs.size()),
               "track " + std::to_string(i + 1) + " slot count");
    FUZZ_CHECK(n.slot_min <= n.slot_max && n.bar_min <= n.bar_max && n.slot_min >= 0 && n.bar_min >= 0,
               "track " + std::to_string(i + 1) + " slot " + fmt(n.slot_min) + " ... " + fmt(n.slot_max) +
                   ", bar " + fmt(n.bar_min) + " ... " + fmt(n.bar_max));
  }
  FUZZ_CHECK(numbers.code_bits == 0 || numbers.code_positions == (1ll << numbers.code_bits),
             "code of " + std::to_string(numbers.code_bits) + " bits with " +
                 std::to_string(numbers.code_positions) + " positions");
  FUZZ_CHECK(numbers.overlap == !disc.overlaps.empty() && numbers.into_shaft == !disc.into_shaft.empty() &&
                 numbers.beyond_rim == !disc.beyond_rim.empty(),
             "the design numbers' warnings disagree with the disc reading");
}

void check_artwork(const Artwork& art) {
  stats.figures += static_cast<long>(art.figures.size());
  if (std::getenv("VANTOR_FUZZ_DUMP")) {
    const DiscGeometry& disc = art.geometry;
    std::fprintf(stderr, "%s; disc: %s, %zu tracks\n", describe(art).c_str(),
                 disc.analysed() ? "analysed" : disc.problem.c_str(), disc.tracks.size());
  }
  check_figures(art);

  const std::string svg = svg_file(art);
  check_size(svg, "the SVG", art, kSvgNumbers);
  check_numbers_text(svg, "the SVG", art, true);
  FUZZ_CHECK(ends_with(svg, "</svg>\n"), "the SVG does not end with </svg>");

  const std::string pdf = pdf_file(art);
  check_size(pdf, "the PDF", art, kPdfNumbers);
  check_numbers_text(pdf, "the PDF", art, true);
  FUZZ_CHECK(ends_with(pdf, "%%EOF\n"), "the PDF does not end with %%EOF");

  const std::string gerber = gerber_file(art);
  check_size(gerber, "the Gerber file", art, kGerberNumbers);
  check_numbers_text(gerber, "the Gerber file", art, false);
  FUZZ_CHECK(ends_with(gerber, "M02*\n"), "the Gerber file does not end with M02*; " + describe(art));
  FUZZ_CHECK(gerber.find("M02*") == gerber.size() - 5, "the Gerber file has M02* before its end");

  check_disc(art);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // As the Qt application does; then a decimal-comma locale, if installed.
  std::setlocale(LC_ALL, "");
  if (std::localeconv()->decimal_point[0] == '.') {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "nl_NL.UTF-8", "de_DE"})
      if (std::setlocale(LC_ALL, name)) break;
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  Artwork art;
  const std::uint8_t source = in.byte();
  bool from_request = false;
  if (source % 4 == 3) {
    if (!request_artwork(in, art)) return 0;
    from_request = true;
  } else {
    ++stats.surface_logs;
    SurfaceProgram program(in, art);
    art.unit = in.byte() & 1 ? Unit::Millimetre : Unit::Inch;
    choose_region(in, art, false);
    program.run(art);
    art.geometry = disc_geometry(art.figures, art.dpi, art.unit);
  }
  if (from_request) choose_region(in, art, true);
  check_artwork(art);
  return 0;
}
