// DXF outlines read back with ezdxf and filled here, compared with Vantor's
// raster away from edges; refusals; the design report's numbers against the
// design formulas.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <sstream>

#include "export/design_report.h"
#include "export/dxf.h"
#include "export_support.h"

namespace vantor::test {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr const char* kPython = "/usr/bin/python3";

// Prints the audit's error count and the header, then every modelspace
// entity: a POLYLINE as its layer, flags, the sum of all its widths and its
// vertex count, then the points of its path as ezdxf reads it (bulges as
// arcs), flattened to within argv[2].
constexpr const char* kReadDxf = R"PY(
import sys, ezdxf
from ezdxf import path
doc = ezdxf.readfile(sys.argv[1])
print("HEADER", len(doc.audit().errors), doc.dxfversion, doc.header.get("$INSUNITS", -1),
      doc.header.get("$MEASUREMENT", -1))
for e in doc.modelspace():
    if e.dxftype() != "POLYLINE":
        print("OTHER", e.dxftype())
        continue
    vs = list(e.vertices)
    w = abs(e.dxf.default_start_width) + abs(e.dxf.default_end_width)
    w += sum(abs(v.dxf.start_width) + abs(v.dxf.end_width) for v in vs)
    print("POLYLINE", e.dxf.layer, e.dxf.flags, w, len(vs))
    for p in path.make_path(e).flattening(float(sys.argv[2])):
        print("P", repr(p.x), repr(p.y))
)PY";

struct Outline {
  std::string layer;
  int flags = 0, vertices = 0;
  double widths = 0;
  QPolygonF points;
};
struct DxfRead {
  bool ok = false;
  int audit_errors = -1, insunits = -1, measurement = -1;
  std::string version, other_entities;
  std::vector<Outline> outlines;
};

// The file read by ezdxf, its paths flattened to within 0.05 pixels.
DxfRead read_dxf(const std::string& text, const Artwork& art) {
  DxfRead r;
  std::string out;
  if (run_on(text, kPython, {"-c", kReadDxf, "@IN", std::to_string(art.length(0.05))}, &out)) {
    ADD_FAILURE() << "ezdxf could not read the file:\n" << out;
    return r;
  }
  std::istringstream lines(out);
  for (std::string line, tag; std::getline(lines, line);) {
    std::istringstream w(line);
    w >> tag;
    if (tag == "HEADER") w >> r.audit_errors >> r.version >> r.insunits >> r.measurement;
    if (tag == "OTHER") r.other_entities += line.substr(6) + " ";
    if (tag == "POLYLINE") {
      Outline& o = r.outlines.emplace_back();
      w >> o.layer >> o.flags >> o.widths >> o.vertices;
    }
    double x = 0, y = 0;
    if (tag == "P" && !r.outlines.empty() && w >> x >> y) r.outlines.back().points << QPointF(x, y);
  }
  r.ok = true;
  return r;
}

// The region's pixels whose centres the outlines of one layer hold an odd
// number of times: 0 there, else 255.  The file's origin is the disc
// centre, y up.
QImage layer_image(const DxfRead& dxf, const Artwork& art, const std::string& layer) {
  QPainterPath path;
  path.setFillRule(Qt::OddEvenFill);
  for (const Outline& o : dxf.outlines)
    if (o.layer == layer) path.addPolygon(o.points), path.closeSubpath();
  QImage image(art.region.width, art.region.height, QImage::Format_Grayscale8);
  image.fill(255);
  QPainter painter(&image);
  painter.translate(art.figures.at(1).px1 - art.region.left, art.figures.at(1).py1 - art.region.top);
  painter.scale(1 / art.length(1.0), -1 / art.length(1.0));
  painter.fillPath(path, Qt::black);
  return image;
}

class DxfGeometry : public ::testing::TestWithParam<Design> {};

TEST_P(DxfGeometry, OutlinesBoundTheOpenAreasOfTheRaster) {
  const RenderRequest req = request(GetParam().words);
  const ArtworkOutcome rec = record_artwork(req);
  ASSERT_EQ(rec.message, Message::None);
  const Artwork& art = rec.artwork;
  const DxfOutcome dxf = dxf_file(art);
  ASSERT_EQ(dxf.refusal, "");
  const DxfRead read = read_dxf(dxf.file, art);
  ASSERT_TRUE(read.ok);
  const bool mm = art.unit == Unit::Millimetre;
  EXPECT_EQ(std::tuple(read.audit_errors, read.version, read.insunits, read.measurement, read.other_entities),
            std::tuple(0, std::string("AC1009"), mm ? 4 : 1, mm ? 1 : 0, std::string()));
  std::map<std::string, int> per_layer;
  for (const Outline& o : read.outlines) {
    EXPECT_TRUE((o.flags & 1) && o.widths == 0.0 && o.vertices >= 2) << "an open or wide polyline on " << o.layer;
    ++per_layer[o.layer];
  }
  EXPECT_EQ(per_layer, (std::map<std::string, int>{{"RIM", 1}, {"SHAFT", 1}, {"SLOTS", GetParam().slot_outlines}}))
      << "a slot through angle 0 is one outline";

  // Open (white) inside a slot or the shaft hole and off the disc; in the
  // inverse drawing open on the disc outside the slots and the shaft hole.
  // The centre mark is not in the file: the shaft hole is taken from
  // Vantor's raster.
  const Grey ours = vantor_raster(req);
  const QImage rim = layer_image(read, art, "RIM"), shaft = layer_image(read, art, "SHAFT"),
               slot_layer = layer_image(read, art, "SLOTS");
  Grey theirs = ours;
  long slot_pixels = 0;
  for (int j = 0; j < ours.height; ++j)
    for (int i = 0; i < ours.width; ++i) {
      const bool on_disc = rim.pixel(i, j) == 0xff000000, in_slot = slot_layer.pixel(i, j) == 0xff000000;
      slot_pixels += in_slot;
      if (shaft.pixel(i, j) != 0xff000000)
        theirs.pixels[static_cast<std::size_t>(j) * ours.width + i] = !on_disc || (in_slot != req.inverse) ? 255 : 0;
    }
  expect_same_inner_pixels(ours, theirs, static_cast<long>(ours.pixels.size()) * 3 / 5);
  EXPECT_GT(slot_pixels, 1000);
}

INSTANTIATE_TEST_SUITE_P(Designs, DxfGeometry, ::testing::ValuesIn(designs()),
                         [](const auto& info) { return std::string(info.param.name); });

// A log whose disc cannot be read is refused, not misread.
TEST(DxfRefusal, DiscsThatAreNotAnalysedAreRefused) {
  const Artwork good = record_artwork(request({"incremental"})).artwork;
  ASSERT_TRUE(good.geometry.analysed());
  const std::vector<std::pair<const char*, void (*)(std::vector<Figure>&)>> mutations{
      {"empty", [](std::vector<Figure>& f) { f.clear(); }},
      {"no part said", [](std::vector<Figure>& f) { for (Figure& x : f) x.part = {}; }},
      {"unfilled disc", [](std::vector<Figure>& f) { f[1].fill_style = FillStyle::Transparent; }},
      {"disc without area", [](std::vector<Figure>& f) { f[1].pr = 0; }},
      {"centre mark outside the hole", [](std::vector<Figure>& f) { f.back().pr *= 50; }},
  };
  for (const auto& [what, apply] : mutations) {
    Artwork art = good;
    apply(art.figures);
    art.geometry = disc_geometry(art.figures, art.dpi, art.unit);
    const DxfOutcome dxf = dxf_file(art);
    EXPECT_EQ(dxf.file, "") << what;
    EXPECT_NE(dxf.refusal.find("not a disc of separate concentric tracks"), std::string::npos) << what;
    EXPECT_NE(design_numbers(art).problem, "") << what;
    EXPECT_EQ(design_report(art).rfind("Design report: this drawing cannot be analysed", 0), 0u) << what;
  }
}

// Design-time discs whose track k (0 = outermost) lies between
// rim - pitch (2k + 1) and that less pitch, each slot `slot_angle` rad
// (0: pi / its slot count) wide, one per cycle, the first starting 0.001 rad
// late as both renderers draw them (so it is 0.001 narrower and the bar
// before it 0.001 wider).
struct ReportCase {
  std::vector<std::string> words;
  Unit unit;
  double rim, shaft, pitch;
  std::vector<int> track_slots;
  double slot_angle;
  long long quadrature_counts;
  int code_bits;
  std::vector<std::string> says;  // lines of the text
};

class DesignReport : public ::testing::TestWithParam<ReportCase> {};

TEST_P(DesignReport, NumbersFollowTheDesignFormulas) {
  const ReportCase& c = GetParam();
  const RenderRequest req = request(c.words);
  const ArtworkOutcome rec = record_artwork(req);
  ASSERT_EQ(rec.message, Message::None);
  const DesignNumbers n = design_numbers(rec.artwork);
  ASSERT_EQ(n.problem, "");
  const double kTol = c.unit == Unit::Millimetre ? 5e-5 : 2e-6;
  EXPECT_NEAR(n.rim_radius, c.rim, kTol);
  EXPECT_NEAR(n.shaft_radius, c.shaft, kTol);
  ASSERT_EQ(n.tracks.size(), c.track_slots.size());
  double smallest = INFINITY;
  for (std::size_t k = 0; k < c.track_slots.size(); ++k) {
    SCOPED_TRACE("track " + std::to_string(k + 1));
    const TrackNumbers& t = n.tracks[k];
    const int count = c.track_slots[k];
    const double outer = c.rim - c.pitch * (2 * k + 1), inner = outer - c.pitch, middle = (outer + inner) / 2;
    const double w = c.slot_angle > 0 ? c.slot_angle : kPi / count, bar = 2 * kPi / count - w;
    EXPECT_NEAR(t.outer, outer, kTol);
    EXPECT_NEAR(t.inner, inner, kTol);
    EXPECT_EQ(t.slot_count, count);
    EXPECT_NEAR(t.slot_min, (w - 0.001) * middle, kTol);
    EXPECT_NEAR(t.slot_max, (count > 1 ? w : w - 0.001) * middle, kTol);
    EXPECT_NEAR(t.bar_min, (count > 1 ? bar : bar + 0.001) * middle, kTol);
    EXPECT_NEAR(t.bar_max, (bar + 0.001) * middle, kTol);
    const double lpi = count / (2 * kPi * middle / (c.unit == Unit::Millimetre ? 25.4 : 1.0));
    EXPECT_NEAR(t.lines_per_inch, lpi, 1e-5 * lpi);
    smallest = std::min({smallest, (w - 0.001) * middle, bar * middle, c.pitch});
  }
  EXPECT_EQ(std::tuple(n.quadrature_counts, n.quadrature_a, n.quadrature_b, n.code_bits, n.code_positions),
            std::tuple(c.quadrature_counts, c.quadrature_counts ? 0 : -1, c.quadrature_counts ? 1 : -1, c.code_bits,
                       c.code_bits ? 1LL << c.code_bits : 0));
  EXPECT_NEAR(n.smallest_feature_pixels, smallest * req.dpi / (c.unit == Unit::Millimetre ? 25.4 : 1.0), 1e-3);
  EXPECT_FALSE(n.tiny_feature || n.into_shaft || n.overlap || n.beyond_rim || !n.warnings.empty());
  const std::string text = design_report(n);
  for (const std::string& line : c.says) EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
}

INSTANTIATE_TEST_SUITE_P(
    Designs, DesignReport,
    ::testing::Values(
        // ED 2, DD 0.1875, RES 16, every slot length and edge 0.125; the
        // index is one slot as wide as those of A and B.
        ReportCase{{"incremental", "--dpi", "300"}, Unit::Inch, 1, 0.09375, 0.125, {16, 16, 1}, kPi / 16, 64, 0,
                   {"Track 1 (outermost): radii 0.7500 to 0.8750 in", "slots: 16 (16 cycles per revolution)",
                    "slots: 1 (1 cycle per revolution)", "4 x 16 = 64 counts per revolution", "lines per inch: 3.134",
                    "300 pixels per inch"}},
        ReportCase{{"incremental", "Unit_mm", "ED=40", "DD=5", "RES=24", "CH1_SL=2.5", "CH2_SL=2.5", "CH3_SL=2.5"},
                   Unit::Millimetre, 20, 2.5, 2.5, {24, 24, 1}, kPi / 24, 96, 0,
                   {"radii 15.0000 to 17.5000 mm", "radial width: 2.5000 mm (2500.0 \u00b5m)"}},
        // Res_exp 6, Gray, Auto edge: pitch (R - 2 Rs) / (2 N), track k has
        // 2^(N - 1 - k) slots.
        ReportCase{{"absolute", "--dpi", "300"}, Unit::Inch, 1, 0.09375, (1 - 0.1875) / 12, {32, 16, 8, 4, 2, 1}, 0,
                   0, 6, {"Absolute code: 6 tracks, 64 positions per revolution"}}));

// Flags and warnings of the report, and the DXF refusal of the same disc.
struct FlagCase {
  std::vector<std::string> words;
  bool tiny, into_shaft, overlap, beyond_rim;
  std::string warning;  // in the text
  std::string refusal;  // in the DXF refusal, or "" when not refused
};

class ReportFlags : public ::testing::TestWithParam<FlagCase> {};

TEST_P(ReportFlags, WarnedAndRefused) {
  const FlagCase& c = GetParam();
  const Artwork art = record_artwork(request(c.words)).artwork;
  const DesignNumbers n = design_numbers(art);
  ASSERT_EQ(n.problem, "");
  EXPECT_EQ(n.tiny_feature, c.tiny);
  EXPECT_EQ(n.into_shaft, c.into_shaft);
  EXPECT_EQ(n.overlap, c.overlap);
  EXPECT_EQ(n.beyond_rim, c.beyond_rim);
  const std::string text = design_report(n);
  EXPECT_NE(text.find("Warning: " + c.warning), std::string::npos) << text;
  if (c.refusal.empty()) return;
  const DxfOutcome dxf = dxf_file(art);
  EXPECT_EQ(dxf.file, "");
  EXPECT_NE(dxf.refusal.find(c.refusal), std::string::npos) << dxf.refusal;
  EXPECT_NE(dxf.refusal.find("SVG, PDF or Gerber"), std::string::npos) << dxf.refusal;
}

INSTANTIATE_TEST_SUITE_P(
    Designs, ReportFlags,
    ::testing::Values(
        // The index slot, (pi/16 - 0.001) rad at 0.3125 in = 0.061 in, is
        // 1.5 pixels at 24 dpi.
        FlagCase{{"incremental", "--dpi", "24"}, true, false, false, false,
                 "The smallest feature, the slots of track 3", ""},
        // 2^17 slots at 0.97 in are 0.06 pixels wide at 2400 dpi.
        FlagCase{{"absolute", "Res_exp=18", "--dpi", "2400"}, true, false, false, false, "The smallest feature", ""},
        // Shaft radius 0.6 in: tracks 2 (inner 0.5) and 3 reach into it.
        FlagCase{{"incremental", "DD=1.2"}, false, true, false, false, "Track 2 reaches into the shaft hole",
                 "Track 2 of this disc (counted from the rim) reaches into the shaft hole"},
        // Track 2 starts 0.05 in inside track 1, or just where it ends.
        FlagCase{{"incremental", "CH2_ED_U", "CH2_ED=-0.05"}, false, false, true, false, "Tracks 1 and 2 overlap",
                 "Tracks 1 and 2 of this disc (counted from the rim) overlap"},
        FlagCase{{"incremental", "CH2_ED_U", "CH2_ED=0"}, false, false, true, false, "Tracks 1 and 2",
                 "overlap or touch"},
        FlagCase{{"incremental", "CH1_ED_U", "CH1_ED=0"}, false, false, false, true, "Track 1",
                 "Track 1 of this disc (counted from the rim) reaches the rim"},
        // pi / 2000 rad slots at 0.8125 in, the first 0.001 rad narrower.
        FlagCase{{"incremental", "RES=2000", "--dpi", "20000"}, false, false, false, false,
                 "The first slot of track 1 is 0.0004638 in (11.78 \u00b5m) wide, narrower than the others, "
                 "0.001277 in (32.43 \u00b5m)", ""}));

}  // namespace
}  // namespace vantor::test
