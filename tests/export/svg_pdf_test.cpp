// Every vector file rendered back by its outside program (rsvg-convert,
// pdftoppm, gerbv) has Vantor's pixels away from edges, and nothing outside
// the region; SVG and PDF outlines lie where the surface sets pixels; the
// lines, all edge, are in the Gerber file.  What the programs forgive is
// checked in the files: the PDF's cross references and curves, the Gerber
// file's arcs, regions and polarities.
#include "export/svg_pdf.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>

#include "export_support.h"

namespace vantor {
namespace {

using test::Format;
using test::Grey;

std::string pdf_content(const std::string& pdf) {
  const std::size_t s = pdf.find("stream\n") + 7;
  return pdf.substr(s, pdf.find("endstream") - s);
}

// The xref entries point at their objects, startxref at the table, and the
// stream's /Length is its byte count.
void expect_pdf_structure(const std::string& pdf) {
  const std::size_t xref = std::stoul(pdf.substr(pdf.rfind("startxref\n") + 10));
  ASSERT_EQ(pdf.compare(xref, 29, "xref\n0 5\n0000000000 65535 f\r\n"), 0);
  for (int i = 1; i < 5; ++i) {
    const std::string header = std::to_string(i) + " 0 obj\n";
    EXPECT_EQ(pdf.compare(std::stoul(pdf.substr(xref + 9 + 20 * i, 10)), header.size(), header), 0) << "object " << i;
  }
  const std::size_t length_at = pdf.find("/Length ");
  const std::size_t data = pdf.find("stream\n", length_at) + 7;
  EXPECT_EQ(pdf.compare(data + std::stoul(pdf.substr(length_at + 8)), 10, "endstream\n"), 0);
}

// The Gerber file's faults: an arc whose end lies off the circle through its
// start about its centre by more than the rounding of the two points and
// the centre (2 sqrt 2 units of the last digit), a region not closed or
// holding a polarity change, a polarity stated twice in a row, no M02 at
// the end; and its count of line strokes (D01 in linear mode outside a
// region).
std::vector<std::string> gerber_faults(const std::string& file, long& lines) {
  std::vector<std::string> faults;
  std::istringstream in(file);
  std::int64_t x = 0, y = 0, start_x = 0, start_y = 0;
  bool arc_mode = false, in_region = false, ended = false;
  std::string polarity;
  for (std::string c; std::getline(in, c, '*');) {
    std::erase_if(c, [](char ch) { return ch == '%' || ch == '\n'; });
    if (c.empty()) continue;
    if (ended) faults.push_back("after M02: " + c);
    ended = ended || c == "M02";
    if (c == "G01" || c == "G03") arc_mode = c == "G03";
    if (c == "G36") {
      if (in_region) faults.push_back("region in a region");
      in_region = true, start_x = x, start_y = y;
    }
    if (c == "G37") {
      if (x != start_x || y != start_y) faults.push_back("region not closed");
      in_region = false;
    }
    if (c == "LPD" || c == "LPC") {
      if (c == polarity || in_region) faults.push_back("polarity " + c + " repeated or in a region");
      polarity = c;
    }
    if (c[0] != 'X' && c[0] != 'Y' && c[0] != 'I') continue;
    auto field = [&c](char letter, std::int64_t otherwise) {
      const std::size_t p = c.find(letter);
      return p == std::string::npos ? otherwise : std::strtoll(c.c_str() + p + 1, nullptr, 10);
    };
    const std::int64_t nx = field('X', x), ny = field('Y', y);
    if (c.ends_with("D02") && in_region) start_x = nx, start_y = ny;
    if (c.ends_with("D01") && !arc_mode && !in_region) ++lines;
    if (c.ends_with("D01") && arc_mode) {
      const double cx = static_cast<double>(x + field('I', 0)), cy = static_cast<double>(y + field('J', 0));
      if (std::fabs(std::hypot(x - cx, y - cy) - std::hypot(nx - cx, ny - cy)) > 2 * std::sqrt(2.0))
        faults.push_back("arc ends off its circle: " + c);
    }
    x = nx, y = ny;
  }
  if (in_region || !ended || !file.ends_with("M02*\n")) faults.push_back("a region left open or no M02* at the end");
  return faults;
}

// The file rendered back, with the checks of its text that its program
// forgives; for Gerber also that nothing is plotted more than a pixel
// outside the region, and a stroke for every line of the log after its
// last cls that lies in the region.
std::optional<Grey> read_back(Format format, const Artwork& art) {
  const std::string file = test::file_of(format, art);
  if (format == Format::Pdf) expect_pdf_structure(file);
  const int margin = format == Format::Gerber ? 12 : 0;
  if (format == Format::Gerber) {
    long strokes = 0, lines = 0;
    for (const std::string& fault : gerber_faults(file, strokes)) ADD_FAILURE() << fault;
    const PixelRect& g = art.region;
    const auto inside = [&](double px, double py) { return px >= g.left && py >= g.top && px < g.left + g.width && py < g.top + g.height; };
    for (const Figure& f : art.figures) {
      if (f.kind == FigureKind::Cls) lines = 0;
      const bool one_pixel = std::floor(f.px1) == std::floor(f.px2) && std::floor(f.py1) == std::floor(f.py2);
      lines += f.kind == FigureKind::Line && !one_pixel && inside(f.px1, f.py1) && inside(f.px2, f.py2);
    }
    EXPECT_GE(strokes, lines) << "line strokes in the Gerber file";
  }
  const auto wide = test::render_back(format, art, 1, margin);
  if (!wide || margin == 0) return wide;
  const PixelRect& g = art.region;
  Grey inner{g.width, g.height, {}};
  long dark_outside = 0;
  for (int y = 0; y < wide->height; ++y)
    for (int x = 0; x < wide->width; ++x) {
      const int rx = x - margin, ry = y - margin;
      if (rx >= 0 && rx < g.width && ry >= 0 && ry < g.height)
        inner.pixels.push_back(wide->at(x, y));
      else if ((rx < -1 || rx > g.width || ry < -1 || ry > g.height) && wide->at(x, y) < 128)
        ++dark_outside;
    }
  EXPECT_EQ(dark_outside, 0);
  return inner;
}

const auto kFormats = ::testing::Values(Format::Svg, Format::Pdf, Format::Gerber);

template <class Row>
std::string row_name(const ::testing::TestParamInfo<std::tuple<Row, Format>>& info) {
  return std::string(std::get<0>(info.param).name) + test::format_name(std::get<1>(info.param));
}

class ReadBackDesign : public ::testing::TestWithParam<std::tuple<test::Design, Format>> {};

TEST_P(ReadBackDesign, RendersAsVantorsRaster) {
  const auto& [design, format] = GetParam();
  const RenderRequest request = test::request(design.words);
  const ArtworkOutcome outcome = record_artwork(request);
  ASSERT_EQ(outcome.message, Message::None);
  const Grey ours = test::vantor_raster(request);
  const auto theirs = read_back(format, outcome.artwork);
  ASSERT_TRUE(theirs);
  test::expect_same_inner_pixels(ours, *theirs, static_cast<long>(ours.width) * ours.height / 4);
}

INSTANTIATE_TEST_SUITE_P(Designs, ReadBackDesign, ::testing::Combine(::testing::ValuesIn(test::designs()), kFormats),
                         row_name<test::Design>);

class ReadBackFigures : public ::testing::TestWithParam<std::tuple<test::FigureSet, Format>> {};

TEST_P(ReadBackFigures, RendersAsTheSurface) {
  const auto& [set, format] = GetParam();
  const test::Drawn d = test::draw(set);
  const auto theirs = read_back(format, d.art);
  ASSERT_TRUE(theirs);
  const Grey& ours = d.pixels;
  test::expect_same_inner_pixels(ours, *theirs, static_cast<long>(ours.width) * ours.height / 4);
  // Gerber strokes have round ends: only SVG and PDF outlines are exact.
  if (!set.centres_exact || format == Format::Gerber) return;

  // At 5 times the density the middle subpixel of pixel (i, j) is centred on
  // the pixel's centre: dark when the centre lies in the dark area, grey
  // when it lies within a tenth of a pixel of an edge.
  const auto big = test::render_back(format, d.art, 5);
  ASSERT_TRUE(big);
  ASSERT_EQ(big->width, 5 * ours.width);
  ASSERT_EQ(big->height, 5 * ours.height);
  long wrong = 0, grey = 0, edges = 0;
  for (int j = 0; j < ours.height; ++j)
    for (int i = 0; i < ours.width; ++i) {
      const int v = big->at(5 * i + 2, 5 * j + 2);
      if (i > 0 && ours.at(i - 1, j) != ours.at(i, j)) ++edges;
      if (v > 80 && v < 176)
        ++grey;
      else
        wrong += (ours.at(i, j) == 0) != (v <= 80);
    }
  EXPECT_EQ(wrong, 0);
  EXPECT_LE(grey, set.grey_share * edges);
  EXPECT_GT(edges, 200);
}

INSTANTIATE_TEST_SUITE_P(Figures, ReadBackFigures,
                         ::testing::Combine(::testing::ValuesIn(test::figure_sets()), kFormats),
                         row_name<test::FigureSet>);

// The Bezier curves of a 9.5 in circle at 20000 dpi stay within a
// thousandth of a pixel of it (the page holds a piece of the rim; all of
// the circle is written and checked).
TEST(Pdf, CurvesFollowALargeCircle) {
  Artwork art;
  art.dpi = 20000;
  art.region = {0, 0, 400, 400};
  art.canvas_width = art.canvas_height = 400;
  Figure f;
  f.kind = FigureKind::Circle;
  f.pr = 190000.0;
  f.px1 = 200.25 - f.pr + 100, f.py1 = 199.75;
  f.fill_style = FillStyle::Solid;
  art.figures.push_back(f);
  std::istringstream in(pdf_content(pdf_file(art)));
  std::vector<double> n;
  double x0 = 0, y0 = 0, worst = 0;
  int curves = 0;
  for (std::string tok; in >> tok;) {
    if (!std::isalpha(static_cast<unsigned char>(tok[0]))) {
      n.push_back(std::stod(tok));
      continue;
    }
    if (tok == "c") {
      ASSERT_EQ(n.size(), 6u);
      ++curves;
      for (int k = 0; k <= 16; ++k) {
        const double t = k / 16.0, u = 1 - t, a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, e = t * t * t;
        const double x = a * x0 + b * n[0] + c * n[2] + e * n[4], y = a * y0 + b * n[1] + c * n[3] + e * n[5];
        worst = std::max(worst, std::abs(std::hypot(x - f.px1, y - f.py1) - f.pr));
      }
    }
    if (n.size() >= 2) x0 = n[n.size() - 2], y0 = n.back();
    n.clear();
  }
  EXPECT_EQ(curves, 32);
  EXPECT_LT(worst, 1e-3) << "pixels off the circle";
}

}  // namespace
}  // namespace vantor
