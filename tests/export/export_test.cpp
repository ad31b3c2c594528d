// Every export file read back by its usual reader (rsvg-convert, pdftoppm,
// gerbv, ezdxf) has the pixels that Vantor draws: the designs' files away
// from edges (DXF outlines filled here), mirrored and negative as asked,
// each written as the disc's outlines (counted in the file), hand-drawn
// figures also at pixel centres, and nothing outside the region.  What the readers forgive is
// checked in the files: the PDF's curves, the Gerber file's arcs, regions
// and line strokes.  The design report's numbers against the design
// formulas, its warnings, and the DXF refusals of discs with those flags.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <optional>
#include <sstream>

#include "export/design_report.h"
#include "export/dxf.h"
#include "export/gerber.h"
#include "export/svg_pdf.h"
#include "output/export_file.h"
#include "render/render_args.h"
#include "test_support.h"

namespace vantor {
namespace {

constexpr double kPi = std::numbers::pi;

// A picture's grey level at (x, y), 0 black, 255 white.
int at(const QImage& grey, int x, int y) { return grey.constScanLine(y)[x]; }

QImage image_of(const Surface& s) {
  return QImage(s.data(), s.width(), s.height(), s.width(), QImage::Format_Grayscale8).copy();
}

RenderRequest request(std::vector<std::string> words) {
  words.insert(words.end(), {"-o", "unused.bmp"});
  return test::render_request(words);
}

Artwork artwork(const RenderRequest& req) {
  const ArtworkOutcome out = record_artwork(req);
  EXPECT_EQ(out.message, Message::None);
  return out.artwork;
}

// Runs the program on `input` written to a file, with that file's path for
// "@IN" and a path beside it for "@OUT"; `out` is what it left at "@OUT",
// or its standard output when it left nothing there.
test::Run run_on(const std::string& input, const std::string& program, const std::vector<std::string>& args) {
  QTemporaryDir dir;
  const QString in = dir.filePath(QStringLiteral("in")), out = dir.filePath(QStringLiteral("out"));
  QStringList a;
  for (const std::string& s : args) a << (s == "@IN" ? in : s == "@OUT" ? out : QString::fromStdString(s));
  test::Run r = test::write_file(in, QByteArray::fromStdString(input)) ? test::run(QString::fromStdString(program), a) : test::Run{};
  for (const QString& produced : {out, out + QStringLiteral(".pgm")})  // pdftoppm adds its extension
    if (QFile::exists(produced)) r.out = test::file_bytes(produced);
  return r;
}

// `theirs` (black below 128) matches `ours` at every pixel whose
// neighbourhood of 2 pixels each way has one colour in `ours`, and those
// are more than a quarter of the pixels.
void expect_same_inner_pixels(const QImage& ours, const std::optional<QImage>& theirs) {
  ASSERT_TRUE(theirs);
  ASSERT_EQ(theirs->size(), ours.size());
  long differ = 0, checked = 0;
  for (int y = 2; y + 2 < ours.height(); ++y)
    for (int x = 2; x + 2 < ours.width(); ++x) {
      bool uniform = true;
      for (int d = 0; d < 25 && uniform; ++d) uniform = at(ours, x + d % 5 - 2, y + d / 5 - 2) == at(ours, x, y);
      if (!uniform) continue;
      ++checked;
      differ += (at(*theirs, x, y) < 128) != (at(ours, x, y) == 0);
    }
  EXPECT_EQ(differ, 0) << checked << " compared";
  EXPECT_GT(checked, ours.width() * ours.height() / 4);
}

// A design drawn by the command: incremental and absolute, normal and
// inverse, inch and mm, crop and whole.  Or figures that the designs draw
// only in some places or never, on a 2 x 2 in canvas at 120 dpi in `unit`.
struct Row {
  const char* name;
  std::vector<std::string> words;
  int slot_outlines = 0;  // of all tracks, in every vector file
  Unit unit = Unit::Inch;
  void (*draw)(Surface&) = nullptr;
  // When >= 0, also checked at five times the density: the subpixel at each
  // pixel's centre is dark exactly when the pixel is, but for at most this
  // share of the edge pixels, grey there (centre within a tenth of a pixel of
  // an edge).  0: all pixel squares (axis lines, points), so that SVG and
  // PDF match at every subpixel (Gerber's strokes have round ends).
  double grey_share = -1;
};
const Row kDesigns[] = {
    {"IncrementalDefault", {"incremental", "--dpi", "300", "--crop"}, 33},
    {"IncrementalInverse", {"incremental", "--inverse", "RES=50", "--dpi", "300", "--crop"}, 101},
    {"AbsoluteGray", {"absolute", "Res_exp=8", "--dpi", "500", "--crop"}, 255},
    {"AbsoluteMillimetresWholeCanvas", {"absolute", "Unit_mm", "ED=50", "DD=6", "Res_exp=5", "--dpi", "96"}, 31},
    // Bit 1.5 of 2.5 bits with full balance ends its last slot past a turn,
    // so that slot runs through angle 0.
    {"AbsoluteSlotThroughZero", {"absolute", "Res_exp=2.5", "abs_bal=45", "--dpi", "300", "--crop"}, 4},
    // Against the picture mirrored and inverted; slots wide enough that an
    // arc bent the wrong way shows.
    {"MirroredNegative", {"incremental", "RES=6", "--mirror", "--negative", "--dpi", "300", "--crop"}, 13},
    {"AbsoluteBiased", {"absolute", "Res_exp=6", "--bias", "-60", "--dpi", "500", "--crop"}, 63},
};
// Touching tracks have no separate outlines: the figures painted in order
// (no DXF; gerbv's chords of the track's mask and of the slots touching it
// leave dark pixels on their common circle).
const Row kPainted[] = {{"TouchingTracksPainted", {"incremental", "CH2_ED_U", "CH2_ED=0", "--negative", "--dpi", "300", "--crop"}}};
// The aids for assembly follow the outlines as drawn (DXF holds none).
const Row kMarked[] = {{"IncrementalMarks", {"incremental", "--marks", "--target-in-hole", "--dpi", "300", "--crop"}, 33}};

void solid(Surface& s, Colour c) {
  s.set_fill_style(FillStyle::Solid);
  s.set_fill_colour(c);
}

const Row kFigureSets[] = {
    {"SectorsAndBeyondTheRegion", {}, 0, Unit::Inch,
     [](Surface& s) {
       solid(s, Colour::Black);
       (void)s.circle(1.0f, 1.0f, 0.8f);
       s.cls();
       (void)s.circle(0.55f, 0.55f, 0.4f, Colour::Black, -5.2f, -0.9f);      // through angle 0
       (void)s.circle(1.45f, 0.55f, 0.4f, Colour::Black, -0.4f, -4.6f);      // over half a turn
       (void)s.circle(0.56f, 1.43f, 0.35f, Colour::Black, -1e-9f, -2 * kPi);  // a whole turn
       (void)s.circle(1.0f, 1.0f, 0.1f, Colour::Black, -0.0f, -6.2831855f);  // -0: only the end radius
       (void)s.circle(1.45f, 1.45f, 0.42f);
       solid(s, Colour::White);
       for (int k = 0; k < 12; ++k)
         (void)s.circle(1.45f, 1.45f, 0.4f, Colour::White, -(0.001f + k * kPi / 6), -(0.3f + k * kPi / 6));
       solid(s, Colour::Black);
       (void)s.circle(1.45f, 1.45f, 0.22f);
       (void)s.circle(1.85f, 1.85f, 0.3f, Colour::White);
       (void)s.circle(0.15f, 0.2f, 0.4f);
       (void)s.circle(1.0f, 1.0f, 40.0f, Colour::Black, -0.1f, -0.3f);
       (void)s.line(-3.0f, 1.0f, 5.0f, 1.1f);
       (void)s.circle(8.0f, 8.0f, 0.5f);
       (void)s.circle(-1e4f, 1.0f, 100.0f);
     }},
    {"OutlinesAndAxisRadii", {}, 0, Unit::Inch,
     [](Surface& s) {
       s.cls();
       (void)s.circle(1, 1, 0.95f);
       (void)s.circle(1, 1, 0.8f, Colour::Black, 5.0f, 1.2f);
       (void)s.circle(1, 1, 0.7f, Colour::Black, 0.5f, 4.5f);
       (void)s.circle(1.003f, 0.998f, 0.55f, Colour::Black, 0.0f, 2 * kPi);
       solid(s, Colour::White);
       (void)s.circle(1, 1, 0.4f, Colour::Black);
       solid(s, Colour::Black);
       (void)s.circle(1, 1, 0.25f, Colour::White);
       (void)s.circle(1.6f, 0.4f, 0.005f);
       (void)s.circle(1.7f, 0.3f, 0.01f, Colour::Black, 1.0f, 4.0f);
       // Centres off the pixel grid, so that float pi/2 and pi keep the
       // radii along rows and columns.
       (void)s.circle(1.554f, 1.554f, 0.3f, Colour::Black, -kPi / 2, -kPi);
       (void)s.circle(0.454f, 1.554f, 0.3f, Colour::Black, 0.0f, -kPi / 2);
     },
     0.1},
    {"SlantedLinesAndRadii", {}, 0, Unit::Millimetre,
     [](Surface& s) {
       s.cls();
       (void)s.circle(25.4f, 25.4f, 15.2f, Colour::Black, 5.5f, -1.0f);
       (void)s.circle(25.4f, 25.4f, 7.6f, Colour::Black, -2.0f, 4.0f);
       (void)s.circle(25.4f, 25.4f, 5.0f, Colour::Black, -5.5f, -0.7f);
       (void)s.line(2.5f, 2.5f, 48.3f, 33.0f);
       (void)s.line(48.3f, 5.1f, 7.6f, 48.3f);
       (void)s.line(-1270, -1016, 1524, 1778);
       solid(s, Colour::Black);
       (void)s.circle(38.0f, 14.0f, 4.0f);
       (void)s.line(34.0f, 13.0f, 42.0f, 15.0f, Colour::White);
       s.pset(38.0f, 16.0f, Colour::White);
     }},
    {"AxisLinesAndPoints", {}, 0, Unit::Inch,
     [](Surface& s) {
       s.cls();
       (void)s.line(1, 0.05f, 1, 1.95f);
       (void)s.line(0.05f, 1.5f, 1.95f, 1.5f);
       (void)s.line(1.9f, 0.3f, 0.1f, 0.3f);
       (void)s.line(-80, 0.7f, 90, 0.7f);
       (void)s.line(-1e30f, 1.2f, 1e30f, 1.2f);
       (void)s.line(0.5f, 0.5f, 0.5f, 0.5f);
       for (int k = 0; k < 20; ++k) s.pset(0.2f + k * 0.05f, 1.8f, Colour::Black);
       for (int k = 0; k < 20; ++k) s.pset(1.2f + k * 0.009f, 1.1f, Colour::Black);
     },
     0},
};

enum class Format { Svg, Pdf, Gerber, Dxf };

std::string file_of(Format f, const Artwork& art) {
  return f == Format::Svg ? svg_file(art) : f == Format::Pdf ? pdf_file(art) : gerber_file(art);
}

// The file rendered by its reader at `scale` times the artwork's density:
// the region's pixels, with `margin` more on every side (Gerber only).  A
// page one pixel larger or smaller (its size rounded in points) is cropped
// or padded with white.
std::optional<QImage> render_back(Format f, const Artwork& art, int scale, int margin = 0) {
  const std::string dpi = std::to_string(std::lround(art.dpi * scale));
  const int width = art.region.width * scale + 2 * margin, height = art.region.height * scale + 2 * margin;
  // gerbv puts the file's origin at the picture's bottom-left corner and
  // reads at most 20 characters of --origin.
  const std::string origin = std::to_string(-margin / (art.dpi * scale));
  const std::string program = f == Format::Svg ? "rsvg-convert" : f == Format::Pdf ? "pdftoppm" : "gerbv";
  const std::vector<std::string> args =
      f == Format::Svg   ? std::vector<std::string>{"--dpi-x", dpi, "--dpi-y", dpi, "-b", "white", "-o", "@OUT", "@IN"}
      : f == Format::Pdf ? std::vector<std::string>{"-r", dpi, "-gray", "-singlefile", "@IN", "@OUT"}
                         : std::vector<std::string>{"-x", "png", "-D", dpi, "-B", "0",
                                                    std::string("--origin=") + origin + "x" + origin, "-w",
                                                    std::to_string(width) + "x" + std::to_string(height), "-b",
                                                    "#FFFFFF", "-f", "#000000FF", "-o", "@OUT", "@IN"};
  const test::Run r = run_on(file_of(f, art), program, args);
  const QImage image = QImage::fromData(r.out);
  if (r.status != 0 || std::abs(image.width() - width) > 1 || std::abs(image.height() - height) > 1) {
    ADD_FAILURE() << program << " drew " << image.width() << " x " << image.height() << ": " << r.err.toStdString();
    return std::nullopt;
  }
  QImage page(width, height, QImage::Format_RGB32);  // transparent pixels are the white page
  page.fill(Qt::white);
  QPainter(&page).drawImage(0, 0, image);
  return page.convertToFormat(QImage::Format_Grayscale8);
}

// The Gerber file's line strokes (D01 in linear mode outside a region) and
// its regions with arcs both ways (a slot: outer arc counter-clockwise,
// inner arc clockwise); a failure for each fault that gerbv forgives: an
// arc whose end lies off the circle through its start about its centre by
// more than the rounding of the points (2 sqrt 2 units of the last digit),
// a region not closed, no M02 at the end.
struct GerberCounts {
  long line_strokes = 0, two_way_regions = 0;
};
GerberCounts gerber_counts(const std::string& file) {
  std::istringstream in(file);
  GerberCounts n;
  std::int64_t x = 0, y = 0, start_x = 0, start_y = 0;
  int mode = 1, ways = 0;  // G01, G02, G03; arcs in the region: bit 0 G02, bit 1 G03
  bool in_region = false;
  for (std::string c; std::getline(in, c, '*');) {
    std::erase_if(c, [](char ch) { return ch == '%' || ch == '\n'; });
    if (c == "G01" || c == "G02" || c == "G03") mode = c[2] - '0';
    if (c == "G36") in_region = true, start_x = x, start_y = y, ways = 0;
    if (c == "G37" && (x != start_x || y != start_y)) ADD_FAILURE() << "region not closed";
    if (c == "G37") in_region = false, n.two_way_regions += ways == 3;
    if (c.empty() || (c[0] != 'X' && c[0] != 'Y' && c[0] != 'I')) continue;
    auto field = [&c](char letter, std::int64_t otherwise) {
      const std::size_t p = c.find(letter);
      return p == std::string::npos ? otherwise : std::strtoll(c.c_str() + p + 1, nullptr, 10);
    };
    const std::int64_t nx = field('X', x), ny = field('Y', y);
    if (c.ends_with("D02") && in_region) start_x = nx, start_y = ny;
    if (c.ends_with("D01") && mode == 1 && !in_region) ++n.line_strokes;
    if (c.ends_with("D01") && mode > 1) {
      ways |= mode - 1;
      const double cx = static_cast<double>(x + field('I', 0)), cy = static_cast<double>(y + field('J', 0));
      if (std::fabs(std::hypot(x - cx, y - cy) - std::hypot(nx - cx, ny - cy)) > 2 * std::sqrt(2.0))
        ADD_FAILURE() << "arc ends off its circle: " << c;
    }
    x = nx, y = ny;
  }
  if (in_region || !file.ends_with("M02*\n")) ADD_FAILURE() << "a region left open or no M02* at the end";
  return n;
}

// A design's outlines in its file: the closed subpaths before the centre
// mark (SVG, PDF: the rim, the shaft hole, the slots; painted figures close
// far more), the Gerber regions traced both ways (the slots).
long outlines_in(Format f, const std::string& file) {
  if (f == Format::Gerber) return gerber_counts(file).two_way_regions;
  const std::string head = file.substr(0, file.find(f == Format::Svg ? "<g id=\"centre-mark\">" : "/CentreMark BMC"));
  const std::string close = f == Format::Svg ? "Z" : "\nh\n";
  long n = 0;
  for (std::size_t at = head.find(close); at != std::string::npos; at = head.find(close, at + 1)) ++n;
  return n;
}

// The file read back at the artwork's density.  Gerber, which has no page,
// is read with a margin that must stay white beyond a pixel, and must
// stroke every line of the log after its last cls that lies in the region
// (they are all edge, and the comparison is away from edges).
std::optional<QImage> read_back(Format format, const Artwork& art) {
  if (format != Format::Gerber) return render_back(format, art, 1);
  const PixelRect& g = art.region;
  const long strokes = gerber_counts(gerber_file(art)).line_strokes;
  long lines = 0;
  const auto inside = [&](double px, double py) { return px >= g.left && py >= g.top && px < g.left + g.width && py < g.top + g.height; };
  for (const Figure& f : art.figures) {
    if (f.kind == FigureKind::Cls) lines = 0;
    const bool one_pixel = std::floor(f.px1) == std::floor(f.px2) && std::floor(f.py1) == std::floor(f.py2);
    lines += f.kind == FigureKind::Line && !one_pixel && inside(f.px1, f.py1) && inside(f.px2, f.py2);
  }
  EXPECT_GE(strokes, lines) << "line strokes in the Gerber file";
  constexpr int m = 12;
  const auto wide = render_back(format, art, 1, m);
  if (!wide) return wide;
  long dark_outside = 0;
  for (int y = 0; y < wide->height(); ++y)
    for (int x = 0; x < wide->width(); ++x)
      dark_outside += (x < m - 1 || x > g.width + m || y < m - 1 || y > g.height + m) && at(*wide, x, y) < 128;
  EXPECT_EQ(dark_outside, 0);
  return wide->copy(m, m, g.width, g.height);
}

// Prints the audit's error count, the version, $INSUNITS, $MEASUREMENT and
// the types of all entities but polylines; then a line for each POLYLINE:
// its layer, 1 when it is closed, of no width and of 2 vertices or more,
// and the points of its path as ezdxf reads it (bulges as arcs), flattened
// to within argv[2].
constexpr const char* kReadDxf = R"PY(
import sys, ezdxf
from ezdxf import path
doc = ezdxf.readfile(sys.argv[1])
msp = doc.modelspace()
print(len(doc.audit().errors), doc.dxfversion, doc.header.get("$INSUNITS", -1), doc.header.get("$MEASUREMENT", -1),
      *[e.dxftype() for e in msp if e.dxftype() != "POLYLINE"])
for e in msp.query("POLYLINE"):
    vs = list(e.vertices)
    wide = e.dxf.default_start_width or e.dxf.default_end_width or any(v.dxf.start_width or v.dxf.end_width for v in vs)
    print(e.dxf.layer, int(e.is_closed and not wide and len(vs) >= 2),
          *(f"{p.x!r} {p.y!r}" for p in path.make_path(e).flattening(float(sys.argv[2]))))
)PY";

// The DXF file read by ezdxf (paths flattened to within 0.05 pixels) and
// filled here: open (white) inside a slot or the shaft hole and off the
// disc, in the inverse drawing on the disc outside the slots.  The centre
// mark is not in the file: the shaft hole is taken from Vantor's raster.
std::optional<QImage> dxf_back(const Artwork& art, const QImage& ours, int slot_outlines, bool inverse) {
  const double centre_x = art.figures.at(1).px1 - art.region.left;
  const DxfOutcome dxf = dxf_file(art);
  const test::Run r = run_on(dxf.file, "/usr/bin/python3", {"-c", kReadDxf, "@IN", std::to_string(art.length(0.05))});
  if (!dxf.refusal.empty() || r.status != 0) {
    ADD_FAILURE() << dxf.refusal << r.err.toStdString();
    return std::nullopt;
  }
  std::string line;
  std::istringstream lines(r.out.toStdString());
  std::getline(lines, line);
  EXPECT_EQ(line, art.unit == Unit::Millimetre ? "0 AC1009 4 1" : "0 AC1009 1 0") << "audit errors, version, units";
  std::map<std::string, QPainterPath> layers;
  std::map<std::string, int> per_layer;
  while (std::getline(lines, line)) {
    std::istringstream w(line);
    std::string layer;
    int proper = 0;
    QPolygonF points;
    w >> layer >> proper;
    for (double x, y; w >> x >> y;) points << QPointF(x, y);
    EXPECT_EQ(proper, 1) << "an open or wide polyline on " << layer;
    ++per_layer[layer];
    layers[layer].addPolygon(points);
  }
  if (per_layer != std::map<std::string, int>{{"RIM", 1}, {"SHAFT", 1}, {"SLOTS", slot_outlines}}) {
    ADD_FAILURE() << "outlines of each layer (a slot through angle 0 is one): " << ::testing::PrintToString(per_layer);
    return std::nullopt;
  }
  std::map<std::string, QImage> image;  // each layer filled odd-even
  for (auto& [layer, path] : layers) {
    path.setFillRule(Qt::OddEvenFill);
    QImage& im = image[layer] = QImage(art.region.width, art.region.height, QImage::Format_Grayscale8);
    im.fill(255);
    QPainter painter(&im);  // the file's origin is the disc centre, y up
    painter.translate(art.mirror ? art.region.width - centre_x : centre_x, art.figures.at(1).py1 - art.region.top);
    painter.scale(1 / art.length(1.0), -1 / art.length(1.0));
    painter.fillPath(path, Qt::black);
  }
  QImage theirs = ours;
  long slot_pixels = 0;
  for (int j = 0; j < ours.height(); ++j)
    for (int i = 0; i < ours.width(); ++i) {
      const bool on_disc = at(image["RIM"], i, j) == 0, in_slot = at(image["SLOTS"], i, j) == 0;
      slot_pixels += in_slot;
      if (at(image["SHAFT"], i, j) != 0) theirs.scanLine(j)[i] = (on_disc && in_slot == inverse) != art.negative ? 0 : 255;
    }
  EXPECT_GT(slot_pixels, 1000);
  return theirs;
}

class ReadBack : public ::testing::TestWithParam<std::tuple<Row, Format>> {};

TEST_P(ReadBack, RendersAsVantorsRaster) {
  const auto& [row, format] = GetParam();
  Artwork art{.figures = {}, .geometry = {}, .dpi = 120, .canvas_width = 240, .canvas_height = 240, .region = {12, 18, 216, 210}, .unit = row.unit};
  QImage ours;
  bool inverse = false, marks = false;
  if (row.draw) {
    Surface s = Surface::window_of(240, 240, 120, art.region.left, art.region.top, art.region.width, art.region.height);
    s.set_recorder(&art.figures);
    s.set_scale_mode(row.unit == Unit::Millimetre ? ScaleMode::Millimetre : ScaleMode::Inch);
    row.draw(s);
    ours = image_of(s);
  } else {
    const RenderRequest req = request(row.words);
    art = artwork(req), ours = image_of(test::drawn_region(req)).mirrored(req.mirror, false), inverse = req.inverse, marks = req.marks;
    if (req.negative) ours.invertPixels();
    if (format != Format::Dxf && row.slot_outlines > 0) {
      EXPECT_EQ(outlines_in(format, file_of(format, art)), row.slot_outlines + (format == Format::Gerber ? 0 : 2));
    }
  }
  const std::optional<QImage> theirs = format == Format::Dxf ? dxf_back(art, ours, row.slot_outlines, inverse) : read_back(format, art);
  expect_same_inner_pixels(ours, theirs);
  // The aids for assembly are one-pixel lines, which the inner pixels pass
  // over: below the rim (rings, cross hair, scale bar, title) the file is
  // as dark as the picture, within a tenth.
  if (marks && theirs) {
    long mine = 0, read = 0;
    for (int y = static_cast<int>(art.geometry.centre_py + art.geometry.rim_px) - art.region.top + 1; y < ours.height(); ++y)
      for (int x = 0; x < ours.width(); ++x) mine += at(ours, x, y) == 0, read += at(*theirs, x, y) < 128;
    EXPECT_GT(mine, 1000);
    EXPECT_NEAR(read, mine, mine / 10);
  }
  // gerbv draws arcs as chords, too coarse for this check.
  if (row.grey_share < 0 || (format == Format::Gerber && row.grey_share > 0)) return;

  // At five times the density subpixel (2, 2) of pixel (i, j) is centred on
  // the pixel's centre.
  const auto big = render_back(format, art, 5);
  ASSERT_TRUE(big);
  const bool every_subpixel = row.grey_share == 0 && format != Format::Gerber;
  long wrong = 0, grey = 0, edges = 0;
  for (int j = 0; j < ours.height(); ++j)
    for (int i = 0; i < ours.width(); ++i) {
      if (i > 0 && at(ours, i - 1, j) != at(ours, i, j)) ++edges;
      for (int k = every_subpixel ? 0 : 12; k < (every_subpixel ? 25 : 13); ++k) {
        const int v = at(*big, 5 * i + k % 5, 5 * j + k / 5);
        if (v > 80 && v < 176)
          ++grey;
        else
          wrong += (at(ours, i, j) == 0) != (v <= 80);
      }
    }
  EXPECT_EQ(wrong, 0);
  EXPECT_LE(grey, row.grey_share * edges);
  EXPECT_GT(edges, 200);
}

std::string row_name(const ::testing::TestParamInfo<std::tuple<Row, Format>>& i) {
  return std::string(std::get<0>(i.param).name) + std::array{"Svg", "Pdf", "Gerber", "Dxf"}[int(std::get<1>(i.param))];
}
INSTANTIATE_TEST_SUITE_P(Designs, ReadBack, ::testing::Combine(::testing::ValuesIn(kDesigns), ::testing::Values(Format::Svg, Format::Pdf, Format::Gerber, Format::Dxf)), row_name);
INSTANTIATE_TEST_SUITE_P(Marked, ReadBack, ::testing::Combine(::testing::ValuesIn(kMarked), ::testing::Values(Format::Svg, Format::Pdf, Format::Gerber)), row_name);
INSTANTIATE_TEST_SUITE_P(Painted, ReadBack, ::testing::Combine(::testing::ValuesIn(kPainted), ::testing::Values(Format::Svg, Format::Pdf)), row_name);
INSTANTIATE_TEST_SUITE_P(Figures, ReadBack, ::testing::Combine(::testing::ValuesIn(kFigureSets), ::testing::Values(Format::Svg, Format::Pdf, Format::Gerber)), row_name);

// The 16-bit absolute disc's SVG: 65535 slots, more than one path holds for
// rsvg-convert (an attribute of at most 10,000,000 bytes), so the dark disc
// goes on in clear paths; coordinates no finer than 7 decimals of an inch.
TEST(Svg, LongPathsGoOnForTheReader) {
  const std::string svg = svg_file(artwork(request({"absolute", "Res_exp=16", "--dpi", "2000", "--crop"})));
  std::vector<std::string> fills;
  for (std::size_t at = svg.find("<path fill=\""); at < svg.find("<g id="); at = svg.find("<path fill=\"", at + 1)) {
    fills.push_back(svg.substr(at + 12, 7));
    EXPECT_LT(svg.find("\"/>", at) - at, 10000000u);
  }
  EXPECT_EQ(fills, (std::vector<std::string>{"#000000", "#FFFFFF"}));
  EXPECT_EQ(outlines_in(Format::Svg, svg), 65535 + 2);
  int decimals = -1, most = 0;  // digits after the point so far, -1 outside a number's fraction
  for (char c : svg.substr(svg.find("<path")))
    most = std::max(most, decimals = c == '.' ? 0 : decimals >= 0 && std::isdigit(static_cast<unsigned char>(c)) ? decimals + 1 : -1);
  EXPECT_EQ(most, 7) << "decimals";
  const test::Run r = run_on(svg, "rsvg-convert", {"--dpi-x", "10", "--dpi-y", "10", "-o", "@OUT", "@IN"});
  EXPECT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_FALSE(QImage::fromData(r.out).isNull());
}

// The Bezier curves of a 9.5 in circle at 20000 dpi stay within a
// thousandth of a pixel of it (the page holds a piece of the rim; all of
// the circle is written).
TEST(Pdf, CurvesFollowALargeCircle) {
  Artwork art{.figures = {}, .geometry = {}, .dpi = 20000, .canvas_width = 400, .canvas_height = 400, .region = {0, 0, 400, 400}};
  Figure& f = art.figures.emplace_back();
  f.kind = FigureKind::Circle;
  f.pr = 190000.0;
  f.px1 = 200.25 - f.pr + 100, f.py1 = 199.75;
  f.fill_style = FillStyle::Solid;
  const std::string pdf = pdf_file(art);
  const std::size_t from = pdf.find("stream\n") + 7;
  std::istringstream in(pdf.substr(from, pdf.find("endstream") - from));
  std::vector<double> n;
  double x0 = 0, y0 = 0, worst = 0;
  int curves = 0;
  for (std::string tok; in >> tok;) {
    if (!std::isalpha(static_cast<unsigned char>(tok[0]))) {
      n.push_back(std::stod(tok));
      continue;
    }
    curves += tok == "c" && n.size() == 6;
    for (int k = 0; tok == "c" && n.size() == 6 && k <= 16; ++k) {
      const double t = k / 16.0, u = 1 - t, a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, e = t * t * t;
      const double x = a * x0 + b * n[0] + c * n[2] + e * n[4], y = a * y0 + b * n[1] + c * n[3] + e * n[5];
      worst = std::max(worst, std::abs(std::hypot(x - f.px1, y - f.py1) - f.pr));
    }
    if (n.size() >= 2) x0 = n[n.size() - 2], y0 = n.back();
    n.clear();
  }
  EXPECT_GE(curves, 4);
  EXPECT_LT(worst, 1e-3) << "pixels off the circle";
}

// Discs whose track k (0 = outermost) lies between rim - pitch (2k + 1) and
// that less pitch, each slot `slot_angle` rad (0: pi / its slot count)
// wide, one per cycle, the first starting 0.001 rad late as both renderers
// draw them (so it is 0.001 narrower and the bar before it 0.001 wider).
struct ReportCase {
  std::vector<std::string> words;
  double inch;  // the unit's length of an inch
  double rim, shaft, pitch;
  std::vector<int> track_slots;
  double slot_angle;
  long long quadrature_counts;
  int code_bits;
  const char* says;  // a line of the text
};
const ReportCase kReports[] = {
    // ED 2, DD 0.1875, RES 16, every slot length and edge 0.125; the index
    // is one slot as wide as those of A and B.
    {{"incremental", "--dpi", "300"}, 1, 1, 0.09375, 0.125, {16, 16, 1}, kPi / 16, 64, 0, "4 x 16 = 64 counts per revolution"},
    // Two A channels are in phase, not a quarter cycle apart.
    {{"incremental", "CH2_A", "--mirror", "--negative"}, 1, 1, 0.09375, 0.125, {16, 16, 1}, kPi / 16, 0, 0,
     "Film: mirrored left to right (emulsion side down), negative (black and white exchanged)"},
    {{"incremental", "Unit_mm", "ED=40", "DD=5", "RES=24", "CH1_SL=2.5", "CH2_SL=2.5", "CH3_SL=2.5"}, 25.4, 20, 2.5, 2.5,
     {24, 24, 1}, kPi / 24, 96, 0, "radii 15.0000 to 17.5000 mm"},
    // Res_exp 6, Gray, Auto edge: pitch (R - 2 Rs) / (2 N), track k has
    // 2^(N - 1 - k) slots.
    {{"absolute", "--dpi", "300"}, 1, 1, 0.09375, (1 - 0.1875) / 12, {32, 16, 8, 4, 2, 1}, 0, 0, 6,
     "Code read: 126 steps per revolution; each code is met twice per turn"},
    // The Gray code over the whole turn: the innermost track's one slot is
    // half a turn, each other track is the Grey disc's next one in.
    {{"absolute", "gray_full_type", "--dpi", "300"}, 1, 1, 0.09375, (1 - 0.1875) / 12, {16, 8, 4, 2, 1, 1}, 0, 0, 6,
     "Code read: 64 steps per revolution; every code is met once per turn"},
};

TEST(DesignReport, NumbersFollowTheDesignFormulas) {
  for (const ReportCase& c : kReports) {
    SCOPED_TRACE(c.says);
    const RenderRequest req = request(c.words);
    const DesignNumbers n = design_numbers(artwork(req));
    ASSERT_EQ(n.problem, "");
    const double tol = c.inch * 2e-6;
    for (const auto& [got, want] : {std::pair{n.rim_radius, c.rim}, {n.shaft_radius, c.shaft}}) EXPECT_NEAR(got, want, tol);
    ASSERT_EQ(n.tracks.size(), c.track_slots.size());
    double smallest = INFINITY;
    for (std::size_t k = 0; k < c.track_slots.size(); ++k) {
      SCOPED_TRACE("track " + std::to_string(k + 1));
      const TrackNumbers& t = n.tracks[k];
      const int count = c.track_slots[k];
      const double outer = c.rim - c.pitch * (2 * k + 1), inner = outer - c.pitch, middle = (outer + inner) / 2;
      const double w = c.slot_angle > 0 ? c.slot_angle : kPi / count, bar = 2 * kPi / count - w;
      EXPECT_EQ(t.slot_count, count);
      const std::pair<double, double> lengths[] = {  // outer, inner radius, slot and bar from ... to
          {t.outer, outer}, {t.inner, inner}, {t.slot_min, (w - 0.001) * middle}, {t.slot_max, (count > 1 ? w : w - 0.001) * middle},
          {t.bar_min, (count > 1 ? bar : bar + 0.001) * middle}, {t.bar_max, (bar + 0.001) * middle}};
      for (const auto& [got, want] : lengths) EXPECT_NEAR(got, want, tol);
      EXPECT_NEAR(t.lines_per_inch, count * c.inch / (2 * kPi * middle), 1e-5 * t.lines_per_inch);
      smallest = std::min({smallest, (w - 0.001) * middle, bar * middle, c.pitch});
    }
    const int a = c.quadrature_counts > 0 ? 0 : -1, b = a < 0 ? -1 : 1;
    EXPECT_EQ(std::tuple(n.quadrature_counts, n.quadrature_a, n.quadrature_b, n.code_bits, n.code_positions),
              std::tuple(c.quadrature_counts, a, b, c.code_bits, c.code_bits ? 1LL << c.code_bits : 0));
    EXPECT_NEAR(n.smallest_feature_pixels, smallest * req.dpi / c.inch, 1e-3);
    EXPECT_FALSE(n.tiny_feature || n.into_shaft || n.overlap || n.beyond_rim || !n.warnings.empty());
    EXPECT_NE(design_report(n).find(c.says), std::string::npos) << design_report(n);
  }
}

// Flags and warnings of the report, and the DXF refusal of the same disc.
struct FlagCase {
  std::vector<std::string> words;
  bool tiny, into_shaft, overlap, beyond_rim;
  const char* warning;  // in the text
  const char* refusal;  // in the DXF refusal; "" when the DXF is written
};
const FlagCase kFlags[] = {
    // The index slot, (pi/16 - 0.001) rad at 0.3125 in = 0.061 in, is 1.5
    // pixels at 24 dpi.
    {{"incremental", "--dpi", "24"}, true, false, false, false, "The smallest feature, the slots of track 3", ""},
    // Shaft radius 0.6 in: tracks 2 (inner 0.5) and 3 reach into it.
    {{"incremental", "DD=1.2"}, false, true, false, false, "Track 2 reaches into the shaft hole",
     "Track 2 of this disc (counted from the rim) reaches into the shaft hole"},
    // Track 2 starts just where track 1 ends.
    {{"incremental", "CH2_ED_U", "CH2_ED=0"}, false, false, true, false, "Tracks 1 and 2", "overlap or touch"},
    {{"incremental", "CH1_ED_U", "CH1_ED=0"}, false, false, false, true, "Track 1", "reaches the rim"},
    // pi / 2000 rad slots at 0.8125 in, the first 0.001 rad narrower.
    {{"incremental", "RES=2000", "--dpi", "20000"}, false, false, false, false,
     "The first slot of track 1 is 0.0004638 in (11.78 \u00b5m) wide, narrower than the others, 0.001277 in (32.43 \u00b5m)", ""},
};

TEST(ReportFlags, WarnedAndRefused) {
  for (const FlagCase& c : kFlags) {
    SCOPED_TRACE(c.warning);
    const Artwork art = artwork(request(c.words));
    const DesignNumbers n = design_numbers(art);
    ASSERT_EQ(n.problem, "");
    EXPECT_EQ(std::tuple(n.tiny_feature, n.into_shaft, n.overlap, n.beyond_rim),
              std::tuple(c.tiny, c.into_shaft, c.overlap, c.beyond_rim));
    EXPECT_NE(design_report(n).find(std::string("Warning: ") + c.warning), std::string::npos) << design_report(n);
    const DxfOutcome dxf = dxf_file(art);
    EXPECT_EQ(dxf.file.empty(), *c.refusal != 0);
    EXPECT_NE(dxf.refusal.find(c.refusal), std::string::npos) << dxf.refusal;
  }
}

// Track 1 of the picture an export wrote (PNG at 2000 per inch, cropped),
// measured by counting its clear pixels in each slot's window of angle (the
// plain drawing's bars' middles bound them): `along` is the slot's length
// at the middle radius (the pixels within h of it over 2 h), `across` its
// extent across the track (all its pixels over `along`: an annular sector
// of angle a between ri and ro has a m (ro - ri) of them, m the middle);
// `shaft` is the shaft hole's clear radius, from its clear pixels' area.
struct Slots {
  std::vector<double> along, across;
  double shaft = 0;
};
Slots track_one(std::vector<std::string> words, const char* bias) {
  QTemporaryDir dir;
  const std::string path = dir.filePath(QStringLiteral("disc.png")).toStdString();
  words.insert(words.end(), {"--dpi", "2000", "--crop", "-o", path});
  const DiscTrack t = artwork(test::render_request(words)).geometry.tracks.at(0);
  words.insert(words.end(), {"--bias", bias});
  const RenderRequest req = test::render_request(words);
  const Artwork art = artwork(req);
  EXPECT_EQ(export_file(req).kind, ExportOutcome::Kind::Written);
  const QImage im = QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_Grayscale8);
  const double cx = art.geometry.centre_px - art.region.left, cy = art.geometry.centre_py - art.region.top;
  const double inner = t.inner * art.dpi, outer = t.outer * art.dpi, middle = (inner + outer) / 2, h = 30, margin = 20;
  std::vector<double> bounds;  // the bars' middles, increasing from the first slot's start
  for (std::size_t k = 0; k < t.slot_arcs.size(); ++k) {
    const double end = t.slot_arcs[k].end, next = t.slot_arcs[(k + 1) % t.slot_arcs.size()].start;
    bounds.push_back(std::fmod((end + next + (next < end ? 2 * kPi : 0)) / 2, 2 * kPi));
  }
  std::sort(bounds.begin(), bounds.end());
  std::vector<long> all(bounds.size()), band(bounds.size());
  long shaft = 0;  // clear pixels within 1.5 shaft radii: the hole less its centre mark
  for (int y = 0; y < im.height(); ++y)
    for (int x = 0; x < im.width(); ++x) {
      const double dx = x + 0.5 - cx, dy = cy - (y + 0.5);
      const double r = std::hypot(dx, dy);
      shaft += r < 1.5 * art.geometry.shaft_radius * art.dpi && at(im, x, y) > 128;
      if (r < inner - margin || r > outer + margin || at(im, x, y) < 128) continue;
      double angle = std::atan2(dy, dx);
      if (angle < 0) angle += 2 * kPi;
      const std::size_t k = (std::upper_bound(bounds.begin(), bounds.end(), angle) - bounds.begin()) % bounds.size();
      ++all[k];
      band[k] += std::fabs(r - middle) <= h;
    }
  Slots s{.along = {}, .across = {}, .shaft = std::sqrt(shaft / kPi)};
  for (std::size_t k = 0; k < bounds.size(); ++k) {
    s.along.push_back(band[k] / (2 * h));
    s.across.push_back(all[k] / s.along.back());
  }
  return s;
}

// Along the track and across it, the slots of track 1 grow by twice the
// bias and the shaft hole's radius by the bias, outward and inward, on both
// kinds of disc: each slot across the track within a pixel, along it on
// average within half a pixel and each within two (its one-pixel radius
// outlines fall on either side of an edge as the edge's phase in the pixel
// grid has it, worst near the diagonals).
TEST(Bias, SlotsGrowByTwiceTheBias) {
  const std::pair<std::vector<std::string>, const char*> rows[] = {
      {{"incremental"}, "50"}, {{"incremental"}, "-50"}, {{"absolute", "Res_exp=8"}, "60"}, {{"absolute", "Res_exp=8"}, "-60"}};
  for (const auto& [words, bias] : rows) {
    SCOPED_TRACE(words[0] + " " + bias);
    const Slots plain = track_one(words, "0"), biased = track_one(words, bias);
    const double grown = 2 * std::stod(bias) / 25400 * 2000;
    ASSERT_EQ(plain.along.size(), words[0] == "incremental" ? 16u : 128u);
    ASSERT_EQ(biased.along.size(), plain.along.size());
    double mean_along = 0;
    for (std::size_t k = 0; k < plain.along.size(); ++k) {
      mean_along += (biased.along[k] - plain.along[k] - grown) / plain.along.size();
      EXPECT_NEAR(biased.along[k] - plain.along[k], grown, 2.0) << "slot " << k;  // its radius outlines: a pixel a side
      EXPECT_NEAR(biased.across[k] - plain.across[k], grown, 1.0) << "slot " << k;
    }
    EXPECT_NEAR(mean_along, 0, 0.5);
    EXPECT_NEAR(biased.shaft - plain.shaft, grown / 2, 1.0);
  }
}

}  // namespace
}  // namespace vantor
