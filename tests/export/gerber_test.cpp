// The Gerber writer: the file gerbv renders at the drawing's density has
// Vantor's pixels away from edges, and the file is well formed (format and
// unit stated, arcs consistent with their centres, regions closed, the
// polarity stated only when it changes).
#include "export/gerber.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "export_support.h"
#include "surface/figures.h"
#include "surface/surface.h"

namespace vantor {
namespace {

using test::Grey;

// gerbv's picture of the file: width x height pixels at dpi with the file's
// origin at the bottom-left corner, dark black on white, no antialiasing;
// with `margin` pixels more on every side.
std::optional<Grey> gerbv_raster(const std::string& gerber, int dpi, int width, int height, int margin = 0) {
  const test::TempDir dir;
  const std::string in = dir.path("art.gbr"), out = dir.path("art.png");
  if (!test::write_bytes(in, gerber)) return std::nullopt;
  char origin[32];
  // gerbv reads at most 20 characters of the option.
  std::snprintf(origin, sizeof origin, "%.6g", -margin / static_cast<double>(dpi));
  std::string log;
  const int status = test::run_program(
      "gerbv",
      {"-x", "png", "-D", std::to_string(dpi), "-B", "0", std::string("--origin=") + origin + "x" + origin, "-w",
       std::to_string(width + 2 * margin) + "x" + std::to_string(height + 2 * margin), "-b", "#FFFFFF", "-f",
       "#000000FF", "-o", out, in},
      &log);
  if (status != 0) {
    ADD_FAILURE() << "gerbv failed (" << status << "): " << log;
    return std::nullopt;
  }
  return test::read_grey(out);
}

// --- the commands of a file, for the structural checks ---------------------

struct Command {
  std::string text;  // without the '*' and, for extended ones, the '%'
  bool extended = false;
};

std::vector<Command> commands(const std::string& file) {
  std::vector<Command> out;
  std::size_t i = 0;
  while (i < file.size()) {
    const char c = file[i];
    if (c == '\n' || c == '\r' || c == ' ') {
      ++i;
    } else if (c == '%') {
      const std::size_t end = file.find('%', i + 1);
      if (end == std::string::npos) {
        ADD_FAILURE() << "unterminated extended command at " << i;
        break;
      }
      // One extended block may hold several '*'-ended commands.
      std::size_t k = i + 1;
      while (k < end) {
        const std::size_t star = file.find('*', k);
        if (star == std::string::npos || star > end) break;
        out.push_back({file.substr(k, star - k), true});
        k = star + 1;
        while (k < end && (file[k] == '\n' || file[k] == '\r')) ++k;
      }
      i = end + 1;
    } else {
      const std::size_t star = file.find('*', i);
      if (star == std::string::npos) {
        ADD_FAILURE() << "command without '*' at " << i;
        break;
      }
      out.push_back({file.substr(i, star - i), false});
      i = star + 1;
    }
  }
  return out;
}

// The value of `letter` in a word command such as X12Y-3I4J5D01, if any.
std::optional<std::int64_t> field(const std::string& cmd, char letter) {
  const std::size_t p = cmd.find(letter);
  if (p == std::string::npos) return std::nullopt;
  std::size_t end = p + 1;
  if (end < cmd.size() && (cmd[end] == '-' || cmd[end] == '+')) ++end;
  while (end < cmd.size() && std::isdigit(static_cast<unsigned char>(cmd[end]))) ++end;
  return std::stoll(cmd.substr(p + 1, end - p - 1));
}

struct Structure {
  std::vector<std::string> faults;
  int arcs = 0, regions = 0, polarity_changes = 0;
  double worst_radius_difference = 0;  // in units of the last digit
};

// Checks the rules every file must keep; the faults found, in order.
Structure check_structure(const std::string& file, Unit unit) {
  Structure s;
  auto fault = [&s](std::string what) { s.faults.push_back(std::move(what)); };
  const std::vector<Command> cmds = commands(file);
  bool format = false, mode = false, multi_quadrant = false, in_region = false, region_has_start = false;
  int interpolation = 0, aperture = 0;
  std::string polarity;
  std::int64_t x = 0, y = 0, region_x = 0, region_y = 0;
  bool ended = false;
  for (const Command& c : cmds) {
    if (ended) fault("command after M02: " + c.text);
    if (c.extended) {
      if (c.text == "FSLAX46Y46") format = true;
      if (c.text.rfind("MO", 0) == 0) {
        mode = true;
        if (c.text != (unit == Unit::Millimetre ? "MOMM" : "MOIN")) fault("unit statement " + c.text);
      }
      if (c.text.rfind("AD", 0) == 0 && !(format && mode)) fault("aperture before format and unit");
      if (c.text == "LPD" || c.text == "LPC") {
        if (c.text == polarity) fault("polarity stated again: " + c.text);
        if (in_region) fault("polarity change inside a region");
        polarity = c.text;
        ++s.polarity_changes;
      }
      continue;
    }
    const std::string& t = c.text;
    if (t == "M02") {
      ended = true;
    } else if (t == "G75") {
      multi_quadrant = true;
    } else if (t == "G01" || t == "G03") {
      interpolation = t == "G01" ? 1 : 3;
    } else if (t == "G36") {
      if (in_region) fault("region inside a region");
      in_region = true;
      region_has_start = false;
      ++s.regions;
    } else if (t == "G37") {
      if (!in_region) fault("G37 outside a region");
      if (x != region_x || y != region_y) fault("region contour not closed");
      in_region = false;
    } else if (t.rfind("G04", 0) == 0) {
    } else if (t[0] == 'D' && t.size() > 1 && std::isdigit(static_cast<unsigned char>(t[1]))) {
      if (in_region) fault("aperture selected inside a region");
      aperture = std::stoi(t.substr(1));
    } else if (t[0] == 'X' || t[0] == 'Y' || t[0] == 'I' || t[0] == 'J') {
      if (!format || !mode) fault("coordinates before format and unit");
      if (polarity.empty()) fault("object before any polarity");
      const std::int64_t nx = field(t, 'X').value_or(x), ny = field(t, 'Y').value_or(y);
      const std::string d = t.substr(t.find('D'));
      if (d == "D02") {
        if (in_region) {
          region_x = nx;
          region_y = ny;
          region_has_start = true;
        }
      } else if (d == "D01") {
        if (in_region && !region_has_start) fault("region segment without a start point");
        if (!in_region && aperture == 0) fault("stroke without an aperture");
        if (interpolation == 0) fault("D01 before an interpolation mode");
        if (interpolation == 3) {
          if (!multi_quadrant) fault("arc before G75");
          const auto i = field(t, 'I'), j = field(t, 'J');
          if (!i || !j) {
            fault("arc without I and J: " + t);
          } else {
            ++s.arcs;
            const double cx = static_cast<double>(x + *i), cy = static_cast<double>(y + *j);
            const double r0 = std::hypot(x - cx, y - cy), r1 = std::hypot(nx - cx, ny - cy);
            s.worst_radius_difference = std::max(s.worst_radius_difference, std::fabs(r0 - r1));
          }
        }
      } else if (d == "D03") {
        if (in_region) fault("flash inside a region");
        if (aperture == 0) fault("flash without an aperture");
      } else {
        fault("unknown operation " + t);
      }
      x = nx;
      y = ny;
    } else {
      fault("unknown command " + t);
    }
  }
  if (!format) fault("no %FSLAX46Y46*%");
  if (!mode) fault("no unit statement");
  if (in_region) fault("region left open");
  if (!ended || file.size() < 5 || file.compare(file.size() - 5, 5, "M02*\n") != 0)
    fault("file does not end with M02*");
  return s;
}

// --- designs rendered back -----------------------------------------------

struct DesignRow {
  const char* name;
  std::vector<std::string> words;
  Unit unit;  // the design's, which the file states
};

const std::vector<DesignRow>& design_rows() {
  static const std::vector<DesignRow> rows{
      {"IncrementalDefault", {"incremental", "--dpi", "300", "--crop"}, Unit::Inch},
      {"IncrementalMillimetres",
       {"incremental", "Unit_mm", "ED=40", "DD=5", "RES=90", "--dpi", "400", "--crop"},
       Unit::Millimetre},
      {"IncrementalInverse", {"incremental", "--inverse", "RES=50", "--dpi", "300", "--crop"}, Unit::Inch},
      {"IncrementalWholeCanvas", {"incremental", "RES=24", "--dpi", "200"}, Unit::Inch},
      {"AbsoluteBinary", {"absolute", "Res_exp=7", "Bin_type", "--dpi", "300", "--crop"}, Unit::Inch},
      {"AbsoluteGray", {"absolute", "Res_exp=8", "grey_type", "--dpi", "500", "--crop"}, Unit::Inch},
      {"AbsoluteMillimetres",
       {"absolute", "Unit_mm", "ED=50", "DD=6", "Res_exp=6", "--dpi", "300", "--crop"},
       Unit::Millimetre},
  };
  return rows;
}

void PrintTo(const DesignRow& row, std::ostream* os) { *os << row.name; }

class GerberDesign : public testing::TestWithParam<DesignRow> {};

TEST_P(GerberDesign, RendersAsVantorsRaster) {
  const RenderRequest req = test::request(GetParam().words);
  const ArtworkOutcome rec = record_artwork(req);
  ASSERT_EQ(rec.message, Message::None);
  const std::string file = gerber_file(rec.artwork);
  const Grey ours = test::vantor_raster(req);
  const std::optional<Grey> theirs = gerbv_raster(file, req.dpi, ours.width, ours.height);
  ASSERT_TRUE(theirs);
  long checked = 0;
  EXPECT_EQ(test::differing_inner_pixels(ours, *theirs, 2, &checked), 0);
  RecordProperty("checked", static_cast<int>(checked));
  EXPECT_GT(checked, 10000);
  // Both colours are compared, not a blank page.
  long black = 0;
  for (std::uint8_t p : ours.pixels) black += p == 0;
  EXPECT_GT(black, 1000);
  EXPECT_GT(static_cast<long>(ours.pixels.size()) - black, 1000);
}

TEST_P(GerberDesign, IsWellFormed) {
  const RenderRequest req = test::request(GetParam().words);
  const ArtworkOutcome rec = record_artwork(req);
  ASSERT_EQ(rec.message, Message::None);
  const std::string file = gerber_file(rec.artwork);
  EXPECT_EQ(rec.artwork.unit, GetParam().unit);
  const Structure s = check_structure(file, GetParam().unit);
  for (const std::string& f : s.faults) ADD_FAILURE() << f;
  EXPECT_GT(s.arcs, 10);
  EXPECT_GT(s.regions, 4);
  EXPECT_GE(s.polarity_changes, 2);
  // Start and end of each arc lie within the rounding of two points (each
  // half a unit on both axes) of one radius.
  EXPECT_LE(s.worst_radius_difference, std::sqrt(2.0));
  EXPECT_NE(file.find("%TF.FileFunction,"), std::string::npos);
  EXPECT_NE(file.find("%TF.FilePolarity,Positive*%"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Designs, GerberDesign, testing::ValuesIn(design_rows()),
                         [](const testing::TestParamInfo<DesignRow>& info) { return std::string(info.param.name); });

// --- figures the designs do not draw ---------------------------------------

// A drawing made on a surface that covers just the region, its log and the
// surface's pixels.
struct Drawn {
  Artwork art;
  Grey pixels;
};

template <typename Draw>
Drawn draw_on(int canvas_w, int canvas_h, double dpi, PixelRect region, Unit unit, Draw draw) {
  Drawn d;
  Surface s = Surface::window_of(canvas_w, canvas_h, dpi, region.left, region.top, region.width, region.height);
  s.set_recorder(&d.art.figures);
  s.set_scale_mode(unit == Unit::Millimetre ? ScaleMode::Millimetre : ScaleMode::Inch);
  draw(s);
  s.set_recorder(nullptr);
  d.art.dpi = dpi;
  d.art.canvas_width = canvas_w;
  d.art.canvas_height = canvas_h;
  d.art.region = region;
  d.art.unit = unit;
  d.pixels = {s.width(), s.height(), {}};
  d.pixels.pixels.assign(s.data(), s.data() + static_cast<std::size_t>(s.width()) * s.height());
  return d;
}

struct FigureRow {
  const char* name;
  Unit unit;
  void (*draw)(Surface&);
};

// Coordinates in inches (or millimetres) on a 2 x 1.5 in canvas at 200 dpi;
// the region is its part from (0.25, 0.2) in.
const std::vector<FigureRow>& figure_rows() {
  static const std::vector<FigureRow> rows{
      {"OutlinesAndArcs", Unit::Inch,
       [](Surface& s) {
         s.cls();
         s.set_fill_style(FillStyle::Transparent);
         (void)s.circle(1.0f, 0.75f, 0.5f);
         (void)s.circle(1.0f, 0.75f, 0.3f, Colour::Black, 0.5f, 2.5f);    // arc, no radii
         (void)s.circle(1.0f, 0.75f, 0.2f, Colour::Black, -5.5f, -0.7f);  // through 0, both radii
         (void)s.circle(0.6f, 0.6f, 0.004f);                              // within a pixel
       }},
      {"FilledInOtherColours", Unit::Inch,
       [](Surface& s) {
         s.cls();
         s.set_fill_style(FillStyle::Solid);
         s.set_fill_colour(Colour::Black);
         (void)s.circle(1.0f, 0.75f, 0.45f, Colour::White);  // white ring on a black disc
         s.set_fill_colour(Colour::White);
         (void)s.circle(1.0f, 0.75f, 0.35f, Colour::Black, -1.0f, -4.0f);  // black-edged white sector
         (void)s.circle(1.0f, 0.75f, 0.25f, Colour::Black, -3.0f, -0.5f);  // through 0
         s.set_fill_colour(Colour::Black);
         (void)s.circle(1.0f, 0.75f, 0.1f, Colour::Black, -0.0f, -6.2831855f);  // -0: only the end radius
       }},
      {"LinesAndPoints", Unit::Millimetre,
       [](Surface& s) {
         s.cls();
         (void)s.line(10.0f, 8.0f, 40.0f, 9.0f);
         (void)s.line(10.0f, 12.0f, 40.0f, 30.0f);
         (void)s.line(20.0f, 35.0f, 21.0f, 10.0f);
         (void)s.line(30.0f, 30.0f, 30.0f, 30.0f);
         s.set_fill_style(FillStyle::Solid);
         s.set_fill_colour(Colour::Black);
         (void)s.circle(35.0f, 20.0f, 4.0f);
         (void)s.line(31.0f, 20.0f, 39.0f, 20.0f, Colour::White);
         for (int k = 0; k < 20; ++k) s.pset(12.0f + 0.7f * k, 25.0f + 0.3f * k, Colour::Black);
         s.pset(35.0f, 20.0f, Colour::White);
       }},
      {"ClsForgetsEarlierFigures", Unit::Inch,
       [](Surface& s) {
         s.set_fill_style(FillStyle::Solid);
         s.set_fill_colour(Colour::Black);
         (void)s.circle(1.0f, 0.75f, 0.5f);
         s.cls();
         (void)s.circle(0.9f, 0.7f, 0.2f);
       }},
      {"ReachesOutsideTheRegion", Unit::Inch,
       [](Surface& s) {
         s.cls();
         s.set_fill_style(FillStyle::Solid);
         s.set_fill_colour(Colour::Black);
         (void)s.circle(0.3f, 0.3f, 0.4f);                                 // over the top-left corner
         (void)s.circle(1.0f, 0.75f, 40.0f, Colour::Black, -0.1f, -0.3f);  // huge sector
         (void)s.line(-3.0f, 1.0f, 5.0f, 1.1f);                            // across everything
         (void)s.circle(1.6f, 1.2f, 0.3f, Colour::White);                  // over the bottom-right corner
         (void)s.circle(8.0f, 8.0f, 0.5f);                                 // far off: left out
       }},
      {"DiscHoldsTheRegion", Unit::Millimetre,
       [](Surface& s) {
         s.cls();
         s.set_fill_style(FillStyle::Solid);
         s.set_fill_colour(Colour::Black);
         (void)s.circle(25.0f, 20.0f, 3e7f);
         s.set_fill_colour(Colour::White);
         (void)s.circle(25.0f, 20.0f, 6.0f, Colour::Black);
         (void)s.circle(25.0f, 20.0f, 4e4f, Colour::White, -0.1f, -0.2f);
       }},
  };
  return rows;
}

void PrintTo(const FigureRow& row, std::ostream* os) { *os << row.name; }

class GerberFigures : public testing::TestWithParam<FigureRow> {};

TEST_P(GerberFigures, RendersAsTheSurfaceAndNothingOutside) {
  const double dpi = 200;
  const PixelRect region{50, 40, 300, 240};
  const int margin = 12;
  const Drawn d = draw_on(400, 300, dpi, region, GetParam().unit, GetParam().draw);
  const std::string file = gerber_file(d.art);
  const Structure s = check_structure(file, d.art.unit);
  for (const std::string& f : s.faults) ADD_FAILURE() << f;
  EXPECT_LE(s.worst_radius_difference, std::sqrt(2.0));
  const std::optional<Grey> wide = gerbv_raster(file, static_cast<int>(dpi), region.width, region.height, margin);
  ASSERT_TRUE(wide);
  ASSERT_EQ(wide->width, region.width + 2 * margin);
  ASSERT_EQ(wide->height, region.height + 2 * margin);
  Grey theirs{region.width, region.height, {}};
  long dark_outside = 0;
  for (int y = 0; y < wide->height; ++y)
    for (int x = 0; x < wide->width; ++x) {
      const int rx = x - margin, ry = y - margin;
      if (rx >= 0 && rx < region.width && ry >= 0 && ry < region.height)
        theirs.pixels.push_back(wide->at(x, y));
      else if ((rx < -1 || rx > region.width || ry < -1 || ry > region.height) && wide->at(x, y) < 128)
        ++dark_outside;
    }
  EXPECT_EQ(dark_outside, 0);
  long checked = 0;
  EXPECT_EQ(test::differing_inner_pixels(d.pixels, theirs, 2, &checked), 0);
  RecordProperty("checked", static_cast<int>(checked));
  EXPECT_GT(checked, 5000);
}

INSTANTIATE_TEST_SUITE_P(Figures, GerberFigures, testing::ValuesIn(figure_rows()),
                         [](const testing::TestParamInfo<FigureRow>& info) { return std::string(info.param.name); });

TEST(Gerber, EmptyDrawingIsAValidBlankFile) {
  Artwork art;
  art.region = {0, 0, 10, 10};
  const std::string file = gerber_file(art);
  const Structure s = check_structure(file, art.unit);
  for (const std::string& f : s.faults) ADD_FAILURE() << f;
  EXPECT_EQ(s.polarity_changes, 0);
}

TEST(Gerber, LargeLogIsWrittenQuickly) {
  const ArtworkOutcome rec = record_artwork(test::request({"absolute", "Res_exp=18", "--dpi", "20000", "--crop"}));
  ASSERT_EQ(rec.message, Message::None);
  ASSERT_GT(rec.artwork.figures.size(), 200000u);
  const auto t0 = std::chrono::steady_clock::now();
  const std::string file = gerber_file(rec.artwork);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_LT(seconds, 1.0 * static_cast<double>(rec.artwork.figures.size()) / 100000.0);
  const Structure s = check_structure(file, rec.artwork.unit);
  EXPECT_TRUE(s.faults.empty()) << s.faults.front();
  EXPECT_GT(s.regions, 200000);
  EXPECT_LE(s.worst_radius_difference, std::sqrt(2.0));
}

}  // namespace
}  // namespace vantor
