// Every vector file rendered back by its outside program (rsvg-convert,
// pdftoppm, gerbv) has Vantor's pixels away from edges, and nothing outside
// the region; SVG and PDF outlines lie where the surface sets pixels.  The
// PDF's structure and curves hold what pdftoppm would forgive or round away.
#include "export/svg_pdf.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <optional>
#include <regex>
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

// The geometry's numbers (SVG path data, the PDF content stream) are in the
// C locale's plain form: no exponent, no decimal comma, nothing infinite.
void expect_plain_numbers(Format f, const std::string& file) {
  std::string geometry;
  if (f == Format::Pdf) geometry = pdf_content(file);
  for (std::size_t p = file.find(" d=\""); f == Format::Svg && p != std::string::npos; p = file.find(" d=\"", p + 1))
    geometry += file.substr(p + 4, file.find('"', p + 4) - p - 4) + "\n";
  static const std::regex bad("[0-9.][eE][-+]?[0-9]|,|inf|nan");
  std::smatch m;
  EXPECT_FALSE(std::regex_search(geometry, m, bad)) << "'" << m.str() << "' in " << test::format_name(f);
}

// The xref entries point at their objects, startxref at the table, and the
// stream's /Length is its byte count; pdftoppm repairs all three silently.
void expect_pdf_structure(const std::string& pdf) {
  ASSERT_EQ(pdf.rfind("%PDF-1.4\n", 0), 0u);
  const std::size_t startxref = pdf.rfind("startxref\n");
  ASSERT_NE(startxref, std::string::npos);
  const std::size_t xref = std::stoul(pdf.substr(startxref + 10));
  ASSERT_EQ(pdf.compare(xref, 29, "xref\n0 5\n0000000000 65535 f\r\n"), 0);
  for (int i = 1; i < 5; ++i) {
    const std::string entry = pdf.substr(xref + 9 + 20 * i, 20), header = std::to_string(i) + " 0 obj\n";
    ASSERT_EQ(entry.substr(10), " 00000 n\r\n") << entry;
    EXPECT_EQ(pdf.compare(std::stoul(entry.substr(0, 10)), header.size(), header), 0) << "object " << i;
  }
  const std::size_t length_at = pdf.find("/Length ");
  const std::size_t data = pdf.find("stream\n", length_at) + 7;
  EXPECT_EQ(pdf.compare(data + std::stoul(pdf.substr(length_at + 8)), 10, "endstream\n"), 0);
}

const auto kFormats = ::testing::Values(Format::Svg, Format::Pdf, Format::Gerber);

template <class Row>
std::string row_name(const ::testing::TestParamInfo<std::tuple<Row, Format>>& info) {
  return std::string(std::get<0>(info.param).name) + test::format_name(std::get<1>(info.param));
}

// The file rendered back, with the checks of its text that its program
// forgives; for Gerber also that nothing is plotted more than a pixel
// outside the region.
std::optional<Grey> read_back(Format format, const Artwork& art) {
  const std::string file = test::file_of(format, art);
  if (format != Format::Gerber) expect_plain_numbers(format, file);
  if (format == Format::Pdf) expect_pdf_structure(file);
  const int margin = format == Format::Gerber ? 12 : 0;
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
