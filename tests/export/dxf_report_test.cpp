// DXF outlines read back with ezdxf and filled here (bulges expanded to
// arcs), compared pixel for pixel with Vantor's raster; refusals; the design
// report's numbers against the renderers' formulas.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <numbers>
#include <sstream>

#include "export/design_report.h"
#include "export/dxf.h"
#include "export_support.h"

namespace vantor::test {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr const char* kPython = "/usr/bin/python3";

// Prints the header values and every modelspace entity; a POLYLINE as its
// layer, flags, widths and vertex count, then one line per vertex.
constexpr const char* kReadDxf = R"PY(
import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
print("AUDIT", len(doc.audit().errors))
print("VERSION", doc.dxfversion)
print("INSUNITS", doc.header.get("$INSUNITS", -1))
print("MEASUREMENT", doc.header.get("$MEASUREMENT", -1))
for e in doc.modelspace():
    if e.dxftype() != "POLYLINE":
        print("OTHER", e.dxftype())
        continue
    print("POLYLINE", e.dxf.layer, e.dxf.flags, e.dxf.default_start_width, e.dxf.default_end_width)
    for v in e.vertices:
        print("VERTEX", repr(v.dxf.location.x), repr(v.dxf.location.y), repr(v.dxf.bulge),
              v.dxf.start_width, v.dxf.end_width)
)PY";

struct Vertex {
  double x, y, bulge;
};
struct Outline {
  std::string layer;
  int flags = 0;
  double widths = 0;  // sum of all start and end widths
  std::vector<Vertex> vertices;
};
struct DxfRead {
  bool ok = false;
  int audit_errors = -1;
  std::string version;
  int insunits = -1, measurement = -1;
  std::vector<std::string> other_entities;
  std::vector<Outline> outlines;
};

double to_double(const std::string& s) {
  double v = NAN;
  std::from_chars(s.data(), s.data() + s.size(), v);
  return v;
}

DxfRead read_dxf(const std::string& text) {
  TempDir dir;
  const std::string path = dir.path("disc.dxf");
  DxfRead r;
  std::string out;
  if (!write_bytes(path, text) || run_program(kPython, {"-c", kReadDxf, path}, &out) != 0) {
    ADD_FAILURE() << "ezdxf could not read the file:\n" << out;
    return r;
  }
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream w(line);
    std::string tag;
    w >> tag;
    if (tag == "AUDIT") w >> r.audit_errors;
    if (tag == "VERSION") w >> r.version;
    if (tag == "INSUNITS") w >> r.insunits;
    if (tag == "MEASUREMENT") w >> r.measurement;
    if (tag == "OTHER") r.other_entities.emplace_back(line.substr(6));
    if (tag == "POLYLINE") {
      Outline o;
      std::string w0, w1;
      w >> o.layer >> o.flags >> w0 >> w1;
      o.widths = std::fabs(to_double(w0)) + std::fabs(to_double(w1));
      r.outlines.push_back(o);
    }
    if (tag == "VERTEX" && !r.outlines.empty()) {
      std::string x, y, b, w0, w1;
      w >> x >> y >> b >> w0 >> w1;
      r.outlines.back().vertices.push_back({to_double(x), to_double(y), to_double(b)});
      r.outlines.back().widths += std::fabs(to_double(w0)) + std::fabs(to_double(w1));
    }
  }
  r.ok = true;
  return r;
}

// The outline as a polygon in the file's frame, each bulged segment
// replaced by chords of at most `step` along the arc.
std::vector<Vertex> polygon(const Outline& o, double step) {
  std::vector<Vertex> p;
  const std::size_t n = o.vertices.size();
  for (std::size_t k = 0; k < n; ++k) {
    const Vertex a = o.vertices[k], b = o.vertices[(k + 1) % n];
    p.push_back({a.x, a.y, 0});
    if (a.bulge == 0) continue;
    const double dx = b.x - a.x, dy = b.y - a.y, chord = std::hypot(dx, dy);
    const double sweep = 4 * std::atan(a.bulge);
    const double offset = chord / 2 * (1 - a.bulge * a.bulge) / (2 * a.bulge);  // mid-chord to centre, leftwards
    const double cx = (a.x + b.x) / 2 - dy / chord * offset, cy = (a.y + b.y) / 2 + dx / chord * offset;
    const double r = std::hypot(a.x - cx, a.y - cy), t0 = std::atan2(a.y - cy, a.x - cx);
    const int pieces = std::max(2, static_cast<int>(std::ceil(std::fabs(sweep) * r / step)));
    for (int i = 1; i < pieces; ++i) {
      const double t = t0 + sweep * i / pieces;
      p.push_back({cx + r * std::cos(t), cy + r * std::sin(t), 0});
    }
  }
  return p;
}

bool contains(const std::vector<Vertex>& poly, double x, double y) {
  bool in = false;
  for (std::size_t k = 0, j = poly.size() - 1; k < poly.size(); j = k++)
    if ((poly[k].y > y) != (poly[j].y > y) &&
        x < poly[j].x + (y - poly[j].y) * (poly[k].x - poly[j].x) / (poly[k].y - poly[j].y))
      in = !in;
  return in;
}

enum Layer : std::uint8_t { kRim = 1, kShaft = 2, kSlots = 4 };

// For each pixel of the region, the layers whose outlines hold its centre an
// odd number of times.  The file's origin is the disc centre, y up.
std::vector<std::uint8_t> layer_masks(const DxfRead& dxf, const Artwork& art) {
  const PixelRect& g = art.region;
  const double ppu = art.dpi / (art.unit == Unit::Millimetre ? 25.4 : 1.0);
  const double cx = art.figures.at(1).px1 - g.left, cy = art.figures.at(1).py1 - g.top;
  std::vector<std::uint8_t> mask(static_cast<std::size_t>(g.width) * g.height, 0);
  std::vector<std::vector<double>> rows(static_cast<std::size_t>(g.height));
  for (const Outline& o : dxf.outlines) {
    const std::uint8_t bit = o.layer == "RIM" ? kRim : o.layer == "SHAFT" ? kShaft : kSlots;
    std::vector<Vertex> p = polygon(o, 0.2 / ppu);
    for (Vertex& v : p) v = {cx + v.x * ppu, cy - v.y * ppu, 0};
    for (auto& row : rows) row.clear();
    for (std::size_t k = 0; k < p.size(); ++k) {
      const Vertex a = p[k], b = p[(k + 1) % p.size()];
      const int first = std::max(0, static_cast<int>(std::ceil(std::min(a.y, b.y) - 0.5)));
      const int last = std::min(g.height, static_cast<int>(std::ceil(std::max(a.y, b.y) - 0.5)));
      for (int j = first; j < last; ++j) {
        const double y = j + 0.5;
        rows[j].push_back(a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y));
      }
    }
    for (int j = 0; j < g.height; ++j) {
      std::vector<double>& xs = rows[j];
      std::sort(xs.begin(), xs.end());
      for (std::size_t k = 0; k + 1 < xs.size(); k += 2) {
        const int i0 = std::max(0, static_cast<int>(std::ceil(xs[k] - 0.5)));
        const int i1 = std::min(g.width, static_cast<int>(std::ceil(xs[k + 1] - 0.5)));
        for (int i = i0; i < i1; ++i) mask[static_cast<std::size_t>(j) * g.width + i] ^= bit;
      }
    }
  }
  return mask;
}

// A test name from a request's words: their letters and digits.
std::string words_name(const std::vector<std::string>& words) {
  std::string name;
  for (const std::string& w : words) {
    if (w == "--dpi" || w == "--crop") continue;
    if (!name.empty()) name += '_';
    for (char ch : w)
      if (std::isalnum(static_cast<unsigned char>(ch))) name += ch;
  }
  return name;
}
template <class Case>
std::string case_name(const ::testing::TestParamInfo<Case>& info) {
  return words_name(info.param.words) + "_" + std::to_string(info.index);
}

struct DxfCase {
  std::vector<std::string> words;
  int slots;             // slot outlines expected
  int insunits;          // 1 in, 4 mm
  double slot_through_zero = 0;  // a radius at which one slot holds angle 0, or 0
};

class DxfGeometry : public ::testing::TestWithParam<DxfCase> {};

TEST_P(DxfGeometry, OutlinesBoundTheOpenAreasOfTheRaster) {
  const DxfCase& c = GetParam();
  const RenderRequest req = request(c.words);
  const ArtworkOutcome rec = record_artwork(req);
  ASSERT_EQ(rec.message, Message::None);
  const DxfOutcome dxf = dxf_file(rec.artwork);
  ASSERT_EQ(dxf.refusal, "");
  const DxfRead read = read_dxf(dxf.file);
  ASSERT_TRUE(read.ok);
  EXPECT_EQ(read.audit_errors, 0);
  EXPECT_EQ(read.version, "AC1009");
  EXPECT_EQ(read.insunits, c.insunits);
  EXPECT_EQ(read.measurement, c.insunits == 4 ? 1 : 0);
  EXPECT_TRUE(read.other_entities.empty()) << read.other_entities.front();
  int slots = 0, rims = 0, shafts = 0;
  for (const Outline& o : read.outlines) {
    EXPECT_EQ(o.flags & 1, 1) << "open polyline on " << o.layer;
    EXPECT_EQ(o.widths, 0.0);
    EXPECT_GE(o.vertices.size(), 2u);
    slots += o.layer == "SLOTS";
    rims += o.layer == "RIM";
    shafts += o.layer == "SHAFT";
  }
  EXPECT_EQ(slots, c.slots);
  EXPECT_EQ(rims, 1);
  EXPECT_EQ(shafts, 1);

  if (c.slot_through_zero > 0) {
    int holding = 0;
    for (const Outline& o : read.outlines)
      holding += o.layer == "SLOTS" && contains(polygon(o, 1e-4), c.slot_through_zero, 0.0);
    EXPECT_EQ(holding, 1) << "a slot through angle 0 is one outline";
  }

  // The raster the outlines describe: open (white) inside a slot or the
  // shaft hole and off the disc; in the inverse drawing open on the disc
  // outside the slots and the shaft hole.  The centre mark inside the shaft
  // hole is not in the file, so the hole and 3 pixels round it are taken
  // from Vantor's raster.
  const Grey ours = vantor_raster(req);
  const Artwork& art = rec.artwork;
  ASSERT_EQ(ours.width, art.region.width);
  ASSERT_EQ(ours.height, art.region.height);
  const std::vector<std::uint8_t> mask = layer_masks(read, art);
  const double ppu = art.dpi / (art.unit == Unit::Millimetre ? 25.4 : 1.0);
  double shaft_r = 0;
  for (const Outline& o : read.outlines)
    if (o.layer == "SHAFT") shaft_r = std::hypot(o.vertices[0].x, o.vertices[0].y) * ppu;
  const double cx = art.figures.at(1).px1 - art.region.left, cy = art.figures.at(1).py1 - art.region.top;
  Grey theirs{ours.width, ours.height, std::vector<std::uint8_t>(ours.pixels.size())};
  long slot_pixels = 0;
  for (int j = 0; j < ours.height; ++j)
    for (int i = 0; i < ours.width; ++i) {
      const std::size_t k = static_cast<std::size_t>(j) * ours.width + i;
      const bool rim = mask[k] & kRim, shaft = mask[k] & kShaft, slot = mask[k] & kSlots;
      slot_pixels += slot;
      const bool open = req.inverse ? !rim || !(shaft || slot) : !rim || shaft || slot;
      theirs.pixels[k] = open ? 255 : 0;
      if (std::hypot(i + 0.5 - cx, j + 0.5 - cy) <= shaft_r + 3) theirs.pixels[k] = ours.pixels[k];
    }
  long checked = 0;
  EXPECT_EQ(differing_inner_pixels(ours, theirs, 2, &checked), 0);
  EXPECT_GT(checked, static_cast<long>(ours.pixels.size()) * 3 / 5);
  EXPECT_GT(slot_pixels, static_cast<long>(ours.pixels.size()) / 20);
}

INSTANTIATE_TEST_SUITE_P(
    Designs, DxfGeometry,
    ::testing::Values(
        DxfCase{{"incremental", "--dpi", "300", "--crop"}, 16 + 16 + 1, 1},
        DxfCase{{"incremental", "--inverse", "--dpi", "300", "--crop"}, 16 + 16 + 1, 1},
        DxfCase{{"incremental", "Unit_mm", "ED=40", "DD=5", "RES=24", "CH1_SL=2.5", "CH2_SL=2.5", "CH3_SL=2.5",
                 "--dpi", "300", "--crop"},
                24 + 24 + 1, 4},
        DxfCase{{"absolute", "Bin_type", "Res_exp=5", "--dpi", "300", "--crop"}, 31, 1},
        DxfCase{{"absolute", "Res_exp=5", "--dpi", "300", "--crop"}, 31, 1},
        DxfCase{{"absolute", "--dpi", "300", "--crop"}, 63, 1},
        // Bit 1.5 of 2.5 bits with full balance ends its last slot past a
        // turn, so that slot runs through angle 0 (tracks at 0.675 to 0.8375 in).
        DxfCase{{"absolute", "Res_exp=2.5", "abs_bal=45", "--dpi", "300", "--crop"}, 3 + 1, 1, 0.75}),
    case_name<DxfCase>);

struct RefusalCase {
  std::vector<std::string> words;
  std::string says;
};

class DxfRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(DxfRefusal, RefusesDiscsWhoseOpenAreasRunTogether) {
  const ArtworkOutcome rec = record_artwork(request(GetParam().words));
  ASSERT_EQ(rec.message, Message::None);
  const DxfOutcome dxf = dxf_file(rec.artwork);
  EXPECT_EQ(dxf.file, "");
  EXPECT_NE(dxf.refusal.find(GetParam().says), std::string::npos) << dxf.refusal;
  EXPECT_NE(dxf.refusal.find("SVG, PDF or Gerber"), std::string::npos) << dxf.refusal;
}

INSTANTIATE_TEST_SUITE_P(
    Designs, DxfRefusal,
    ::testing::Values(
        // Track 2 starts 0.05 in inside track 1.
        RefusalCase{{"incremental", "CH2_ED_U", "CH2_ED=-0.05"}, "Tracks 1 and 2 of this disc (counted from the rim) overlap"},
        RefusalCase{{"incremental", "CH2_ED_U", "CH2_ED=0"}, "overlap or touch"},
        RefusalCase{{"incremental", "DD=1.2"}, "Track 2 of this disc (counted from the rim) reaches into the shaft hole"},
        RefusalCase{{"incremental", "CH1_ED_U", "CH1_ED=0"}, "Track 1 of this disc (counted from the rim) reaches the rim"}),
    case_name<RefusalCase>);

// Logs that are not a disc of concentric tracks are refused, not misread.
TEST(DxfRefusal, LogsOfAnotherShapeAreNotAnalysed) {
  const Artwork good = record_artwork(request({"incremental"})).artwork;
  ASSERT_GT(good.figures.size(), 6u);
  struct Mutation {
    const char* what;
    void (*apply)(std::vector<Figure>&);
  };
  const Mutation mutations[] = {
      {"empty", [](std::vector<Figure>& f) { f.clear(); }},
      {"no cls", [](std::vector<Figure>& f) { f.erase(f.begin()); }},
      {"slots never closed", [](std::vector<Figure>& f) { f.resize(4); }},
      {"unfilled arc", [](std::vector<Figure>& f) { f[2].a1 = 0.5f; }},
      {"arc off centre", [](std::vector<Figure>& f) { f[3].px1 += 3; }},
      {"slots on two circles", [](std::vector<Figure>& f) { f[3].pr *= 0.9; }},
      {"line among the tracks", [](std::vector<Figure>& f) { f.insert(f.begin() + 3, f.back()); f[3].kind = FigureKind::Line; }},
      {"unfilled circle", [](std::vector<Figure>& f) { f[1].fill_style = FillStyle::Transparent; }},
  };
  for (const Mutation& m : mutations) {
    Artwork art = good;
    m.apply(art.figures);
    const DxfOutcome dxf = dxf_file(art);
    EXPECT_EQ(dxf.file, "") << m.what;
    EXPECT_NE(dxf.refusal.find("not a disc of separate concentric tracks"), std::string::npos) << m.what;
    const DesignNumbers n = design_numbers(art);
    EXPECT_NE(n.problem, "") << m.what;
    EXPECT_EQ(design_report(art).rfind("Design report: this drawing cannot be analysed", 0), 0u) << m.what;
  }
}

// The expected numbers of a track of `slots` slots of `w` rad each, one per
// cycle of 2 pi / slots, the first one starting 0.001 rad late (as both
// renderers draw them), so that it is 0.001 narrower and the bar before it
// 0.001 wider.
TrackNumbers expected_track(double outer, double inner, int slots, double w, Unit unit) {
  TrackNumbers t;
  t.outer = outer;
  t.inner = inner;
  t.middle = (outer + inner) / 2;
  t.width = outer - inner;
  t.slot_count = slots;
  const double bar = 2 * kPi / slots - w;
  t.slot_min = (w - 0.001) * t.middle;
  t.slot_max = (slots > 1 ? w : w - 0.001) * t.middle;
  t.bars = slots;
  t.bar_min = (slots > 1 ? bar : bar + 0.001) * t.middle;
  t.bar_max = (bar + 0.001) * t.middle;
  t.lines_per_inch = slots / (2 * kPi * t.middle / (unit == Unit::Millimetre ? 25.4 : 1.0));
  return t;
}

void expect_tracks(const DesignNumbers& got, const std::vector<TrackNumbers>& want, double tolerance) {
  ASSERT_EQ(got.tracks.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE("track " + std::to_string(i + 1));
    const TrackNumbers &g = got.tracks[i], &w = want[i];
    EXPECT_NEAR(g.outer, w.outer, tolerance);
    EXPECT_NEAR(g.inner, w.inner, tolerance);
    EXPECT_NEAR(g.middle, w.middle, tolerance);
    EXPECT_NEAR(g.width, w.width, tolerance);
    EXPECT_EQ(g.slot_count, w.slot_count);
    EXPECT_EQ(g.bars, w.bars);
    EXPECT_NEAR(g.slot_min, w.slot_min, tolerance);
    EXPECT_NEAR(g.slot_max, w.slot_max, tolerance);
    EXPECT_NEAR(g.bar_min, w.bar_min, tolerance);
    EXPECT_NEAR(g.bar_max, w.bar_max, tolerance);
    EXPECT_NEAR(g.lines_per_inch, w.lines_per_inch, 1e-5 * w.lines_per_inch);
    EXPECT_TRUE(g.slots_open);
  }
}

double smallest_of(const std::vector<TrackNumbers>& tracks) {
  double s = INFINITY;
  for (const TrackNumbers& t : tracks) s = std::min({s, t.slot_min, t.bar_min, t.width});
  return s;
}

TEST(DesignReport, IncrementalDesignTimeDisc) {
  const ArtworkOutcome rec = record_artwork(request({"incremental", "--dpi", "300"}));
  ASSERT_EQ(rec.message, Message::None);
  const DesignNumbers n = design_numbers(rec.artwork);
  ASSERT_EQ(n.problem, "");
  // ED 2, DD 0.1875, RES 16; every slot length and default edge 0.125, so
  // track k (0 = outermost) lies between 1 - 0.125 (2k + 1) and that less 0.125.
  EXPECT_NEAR(n.rim_radius, 1.0, 1e-9);
  EXPECT_NEAR(n.shaft_radius, 0.1875 / 2, 1e-9);
  std::vector<TrackNumbers> want;
  for (int k = 0; k < 3; ++k) {
    const double outer = 1 - 0.125 * (2 * k + 1);
    // A and B: 16 slots of pi/16; the index: one slot as wide.
    want.push_back(expected_track(outer, outer - 0.125, k < 2 ? 16 : 1, kPi / 16, Unit::Inch));
  }
  expect_tracks(n, want, 2e-6);
  EXPECT_EQ(n.quadrature_counts, 4 * 16);
  EXPECT_EQ(n.quadrature_a, 0);
  EXPECT_EQ(n.quadrature_b, 1);
  EXPECT_EQ(n.code_bits, 0);
  EXPECT_NEAR(n.smallest_feature, smallest_of(want), 2e-6);
  EXPECT_NEAR(n.smallest_feature_pixels, smallest_of(want) * 300, 1e-3);
  EXPECT_FALSE(n.tiny_feature || n.into_shaft || n.overlap || n.beyond_rim);
  EXPECT_TRUE(n.warnings.empty());

  const std::string text = design_report(n);
  for (const char* line : {"Track 1 (outermost): radii 0.7500 to 0.8750 in", "slots: 16 (16 cycles per revolution)",
                           "slots: 1 (1 cycle per revolution)", "4 x 16 = 64 counts per revolution",
                           "lines per inch: 3.134", "300 pixels per inch"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
  EXPECT_EQ(text.find("Warning"), std::string::npos) << text;
}

TEST(DesignReport, AbsoluteDesignTimeDisc) {
  const ArtworkOutcome rec = record_artwork(request({"absolute", "--dpi", "300"}));
  ASSERT_EQ(rec.message, Message::None);
  const DesignNumbers n = design_numbers(rec.artwork);
  ASSERT_EQ(n.problem, "");
  // Res_exp 6, Gray, Auto edge: SL = (R - 2 Rs) / (2 N); track k lies
  // between R - SL (2k + 1) and that less SL and has 2^(N - 1 - k) slots.
  const int bits = 6;
  const double rim = 1, shaft = 0.1875 / 2, sl = (rim - 2 * shaft) / (2 * bits);
  std::vector<TrackNumbers> want;
  for (int k = 0; k < bits; ++k) {
    const double outer = rim - sl * (2 * k + 1);
    const int slots = 1 << (bits - 1 - k);
    want.push_back(expected_track(outer, outer - sl, slots, kPi / slots, Unit::Inch));
  }
  expect_tracks(n, want, 2e-6);
  EXPECT_EQ(n.code_bits, bits);
  EXPECT_EQ(n.code_positions, 64);
  EXPECT_EQ(n.quadrature_a, -1);
  EXPECT_NEAR(n.smallest_feature, smallest_of(want), 2e-6);
  EXPECT_FALSE(n.tiny_feature || n.into_shaft || n.overlap);
  const std::string text = design_report(n);
  EXPECT_NE(text.find("Absolute code: 6 tracks, 64 positions per revolution"), std::string::npos) << text;
}

struct WarningCase {
  std::vector<std::string> words;
  bool tiny, into_shaft, overlap;
  std::string says;  // in the text, or "" for no warning at all
};

class ReportWarnings : public ::testing::TestWithParam<WarningCase> {};

TEST_P(ReportWarnings, Flagged) {
  const WarningCase& c = GetParam();
  const ArtworkOutcome rec = record_artwork(request(c.words));
  ASSERT_EQ(rec.message, Message::None);
  const DesignNumbers n = design_numbers(rec.artwork);
  ASSERT_EQ(n.problem, "");
  EXPECT_EQ(n.tiny_feature, c.tiny);
  EXPECT_EQ(n.into_shaft, c.into_shaft);
  EXPECT_EQ(n.overlap, c.overlap);
  const std::string text = design_report(n);
  if (c.says.empty())
    EXPECT_EQ(text.find("Warning"), std::string::npos) << text;
  else
    EXPECT_NE(text.find("Warning: " + c.says), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Designs, ReportWarnings,
    ::testing::Values(
        // The index slot, (pi/16 - 0.001) rad at 0.3125 in = 0.061 in: 1.5
        // pixels at 24 dpi, 18 at 300.
        WarningCase{{"incremental", "--dpi", "24"}, true, false, false, "The smallest feature, the slots of track 3"},
        WarningCase{{"incremental", "--dpi", "300"}, false, false, false, ""},
        // An 18-bit code at 2400 dpi: 2^17 slots at 0.97 in are 0.06 pixels wide.
        WarningCase{{"absolute", "Res_exp=18", "--dpi", "2400"}, true, false, false, "The smallest feature"},
        // Shaft radius 0.6 in: tracks 2 (inner 0.5) and 3 reach into it.
        WarningCase{{"incremental", "DD=1.2"}, false, true, false, "Track 2 reaches into the shaft hole"},
        WarningCase{{"incremental", "CH2_ED_U", "CH2_ED=-0.05"}, false, false, true, "Tracks 1 and 2 overlap"}),
    case_name<WarningCase>);

TEST(DesignReport, MillimetreDiscInMillimetres) {
  const ArtworkOutcome rec = record_artwork(
      request({"incremental", "Unit_mm", "ED=40", "DD=5", "RES=24", "CH1_SL=2.5", "CH2_SL=2.5", "CH3_SL=2.5"}));
  ASSERT_EQ(rec.message, Message::None);
  const DesignNumbers n = design_numbers(rec.artwork);
  ASSERT_EQ(n.tracks.size(), 3u);
  // Track 1 between 17.5 and 15 mm, middle 16.25 mm: 24 slots of pi/24 rad.
  EXPECT_NEAR(n.tracks[0].middle, 16.25, 1e-5);
  EXPECT_NEAR(n.tracks[0].slot_max, kPi / 24 * 16.25, 1e-5);
  EXPECT_NEAR(n.tracks[0].lines_per_inch, 24 / (2 * kPi * 16.25 / 25.4), 1e-4);
  EXPECT_EQ(n.quadrature_counts, 96);
  const std::string text = design_report(n);
  EXPECT_NE(text.find("radii 15.0000 to 17.5000 mm"), std::string::npos) << text;
  EXPECT_NE(text.find("radial width: 2.5000 mm (2500.0 \u00b5m)"), std::string::npos) << text;
  EXPECT_EQ(text.find(" in ("), std::string::npos) << text;
  EXPECT_EQ(text.find(" in\n"), std::string::npos) << text;
}

}  // namespace
}  // namespace vantor::test
