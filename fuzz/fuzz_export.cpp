// Fuzzes the export writers (SVG, PDF, Gerber, DXF, the design report) with
// figure logs: a program of surface calls from surface_args.h (arbitrary
// floats, angles around the full turn) or
// a design of design_args.h drawn by its renderer, every way against the
// log reference.  The file covers the
// whole canvas, a rectangle within it or one far away.  It runs under a
// decimal-comma locale when one is installed: the files' numbers must not
// follow the locale.  How the files render is the export tests' business;
// here every file must be whole and plain text for any log:
//
// no crash, undefined behaviour or runaway size; no "nan" or "inf"; no comma
// in SVG or PDF and no decimal comma in Gerber or DXF; the file's end once,
// at its end; a DXF refused with a sentence exactly when the disc reading
// has a problem, an overlap, a track in the shaft hole or at the rim, and
// written otherwise; the report from the reading.
#include <array>
#include <clocale>

#include "design_args.h"
#include "export/artwork.h"
#include "export/design_report.h"
#include "export/dxf.h"
#include "export/gerber.h"
#include "export/svg_pdf.h"
#include "request/request.h"
#include "surface_args.h"

namespace {

using namespace vantor;

// All of the canvas, a rectangle within it (bytes as fractions of it), or
// one of up to 64 x 64 pixels far away on either side.
PixelRect region(const std::array<std::uint8_t, 5>& b, int width, int height) {
  static constexpr int kFar[] = {-(1 << 30), -1000000, 1000000, 1 << 30};
  if (b[0] % 3 == 0) return {0, 0, width, height};
  if (b[0] % 3 == 2) return {kFar[b[1] % 4], kFar[b[2] % 4], 1 + b[3] % 64, 1 + b[4] % 64};
  const int left = b[1] * width / 256, top = b[2] * height / 256;
  return {left, top, std::max(1, b[3] * (width - left) / 255), std::max(1, b[4] * (height - top) / 255)};
}

bool has(std::string_view text, std::string_view word) {  // word in lower case
  return std::search(text.begin(), text.end(), word.begin(), word.end(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == b;
         }) != text.end();
}

void check_file(const std::string& file, std::size_t figures, bool any_comma, std::string_view end) {
  const std::string what(end);
  FUZZ_CHECK(!file.empty() && file.size() < 65536 + (figures << 16), "the size of the file ending " + what);
  FUZZ_CHECK(!has(file, "nan") && !has(file, "inf"), what);
  for (std::size_t i = 1; i + 1 < file.size(); ++i)
    FUZZ_CHECK(file[i] != ',' || (!any_comma && !(std::isdigit(file[i - 1]) && std::isdigit(file[i + 1]))),
               "a comma in the file ending " + what);
  FUZZ_CHECK(file.find(end) == file.size() - end.size(), what);
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
  const bool design = in.byte() & 1;
  const auto where = in.raw<std::array<std::uint8_t, 5>>();
  Artwork art;
  if (design) {
    const fuzz::DesignCase d = fuzz::design_case(in);
    const std::string error = fuzz::check_ways(d, art.figures);
    FUZZ_CHECK(error.empty(), error);
    art.dpi = d.ppi, art.canvas_width = d.width, art.canvas_height = d.height;
    art.unit = d.absolute ? d.abs.unit : d.inc.unit;
  } else {
    fuzz::SurfaceProgram program(in);
    Surface& s = program.surface();
    // Artworks come from requests, whose densities are whole numbers up
    // to kMaxDpi; the generator's raw doubles go far beyond.
    if (!(s.pixels_per_inch() >= 1e-3 && s.pixels_per_inch() <= kMaxDpi)) return 0;
    s.set_recorder(&art.figures);
    (void)program.run();  // fuzz_surface checks its pixels
    art.dpi = s.pixels_per_inch(), art.canvas_width = s.canvas_width(), art.canvas_height = s.canvas_height();
    art.unit = s.scale_mode() == ScaleMode::Millimetre ? Unit::Millimetre : Unit::Inch;
  }
  art.region = region(where, art.canvas_width, art.canvas_height);
  art.mirror = where[0] & 8, art.negative = where[0] & 16;  // the film options, apart from the region's kind
  art.geometry = disc_geometry(art.figures, art.dpi, art.unit);

  check_file(svg_file(art), art.figures.size(), true, "</svg>\n");
  check_file(pdf_file(art), art.figures.size(), true, "%%EOF\n");
  check_file(gerber_file(art), art.figures.size(), false, "M02*\n");
  const DiscGeometry& disc = art.geometry;
  const bool refuse = !disc.analysed() || !disc.overlaps.empty() || !disc.into_shaft.empty() || !disc.beyond_rim.empty();
  const DxfOutcome dxf = dxf_file(art);
  FUZZ_CHECK(dxf.file.empty() != dxf.refusal.empty() && refuse == !dxf.refusal.empty(), "DXF: " + dxf.refusal);
  if (refuse)
    FUZZ_CHECK(dxf.refusal.back() == '.' && !has(dxf.refusal, "nan") && !has(dxf.refusal, "inf"), dxf.refusal);
  else
    check_file(dxf.file, art.figures.size(), false, "  0\nEOF\n");
  for (const DiscTrack& t : disc.tracks)  // the DXF writer's premises
    for (std::size_t k = 0; k < t.slot_arcs.size(); ++k) {  // ordered and disjoint; only the last through 0
      const AngleInterval& a = t.slot_arcs[k];
      FUZZ_CHECK(0 <= t.inner && t.inner < t.outer && a.start >= 0 && a.end <= 2 * std::numbers::pi && a.start != a.end &&
                     (k + 1 == t.slot_arcs.size() || (a.start < a.end && a.end < t.slot_arcs[k + 1].start)),
                 "a track's slots");
    }
  const std::string report = design_report(art);
  FUZZ_CHECK(report.ends_with('\n') && report.size() < 65536 + 4096 * art.figures.size(), "the report's size");
  return 0;
}
