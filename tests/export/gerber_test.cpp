// Gerber files keep the rules that gerbv forgives (gerbv's picture of them
// is compared in svg_pdf_test.cpp); every writer is quick on a large log.
#include "export/gerber.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "export/svg_pdf.h"
#include "export_support.h"

namespace vantor {
namespace {

using test::Format;

struct Structure {
  std::vector<std::string> faults;
  long arcs = 0, regions = 0;
};

// The faults: arcs whose end lies off the circle through their start about
// their centre by more than the rounding of the two points and the centre
// (2 sqrt 2 units of the last digit), regions not closed or holding a
// polarity change, a polarity stated twice in a row, no M02 at the end.
Structure check_structure(const std::string& file) {
  Structure s;
  std::istringstream in(file);
  std::int64_t x = 0, y = 0, start_x = 0, start_y = 0;
  bool arc_mode = false, in_region = false, ended = false;
  std::string polarity;
  for (std::string c; std::getline(in, c, '*');) {
    std::erase_if(c, [](char ch) { return ch == '%' || ch == '\n' || ch == '\r'; });
    if (c.empty()) continue;
    if (ended) s.faults.push_back("after M02: " + c);
    if (c == "M02") ended = true;
    if (c == "G01" || c == "G03") arc_mode = c == "G03";
    if (c == "G36") {
      if (in_region) s.faults.push_back("region in a region");
      in_region = true, start_x = x, start_y = y, ++s.regions;
    }
    if (c == "G37") {
      if (x != start_x || y != start_y) s.faults.push_back("region not closed");
      in_region = false;
    }
    if (c == "LPD" || c == "LPC") {
      if (c == polarity || in_region) s.faults.push_back("polarity " + c + " repeated or in a region");
      polarity = c;
    }
    if (c[0] != 'X' && c[0] != 'Y' && c[0] != 'I') continue;
    auto field = [&c](char letter, std::int64_t otherwise) {
      const std::size_t p = c.find(letter);
      return p == std::string::npos ? otherwise : std::strtoll(c.c_str() + p + 1, nullptr, 10);
    };
    const std::int64_t nx = field('X', x), ny = field('Y', y);
    if (c.ends_with("D02") && in_region) start_x = nx, start_y = ny;
    if (c.ends_with("D01") && arc_mode) {
      ++s.arcs;
      const double cx = static_cast<double>(x + field('I', 0)), cy = static_cast<double>(y + field('J', 0));
      if (std::fabs(std::hypot(x - cx, y - cy) - std::hypot(nx - cx, ny - cy)) > 2 * std::sqrt(2.0))
        s.faults.push_back("arc ends off its circle: " + c);
    }
    x = nx, y = ny;
  }
  if (in_region) s.faults.push_back("region left open");
  if (!ended || !file.ends_with("M02*\n")) s.faults.push_back("file does not end with M02*");
  return s;
}

void expect_well_formed(const Structure& s) {
  for (std::size_t k = 0; k < std::min<std::size_t>(s.faults.size(), 5); ++k) ADD_FAILURE() << s.faults[k];
}

class GerberDesign : public ::testing::TestWithParam<test::Design> {};

TEST_P(GerberDesign, IsWellFormed) {
  const ArtworkOutcome rec = record_artwork(test::request(GetParam().words));
  ASSERT_EQ(rec.message, Message::None);
  const std::string file = gerber_file(rec.artwork);
  const Structure s = check_structure(file);
  expect_well_formed(s);
  EXPECT_GT(s.arcs, 10);
  EXPECT_NE(file.find("%TF.FilePolarity,Positive*%"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Designs, GerberDesign, ::testing::ValuesIn(test::designs()),
                         [](const auto& info) { return std::string(info.param.name); });

class GerberFigures : public ::testing::TestWithParam<test::FigureSet> {};

TEST_P(GerberFigures, IsWellFormed) { expect_well_formed(check_structure(gerber_file(test::draw(GetParam()).art))); }

INSTANTIATE_TEST_SUITE_P(Figures, GerberFigures, ::testing::ValuesIn(test::figure_sets()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Gerber, EmptyDrawingIsAValidBlankFile) {
  Artwork art;
  art.region = {0, 0, 10, 10};
  const std::string file = gerber_file(art);
  expect_well_formed(check_structure(file));
  EXPECT_EQ(file.find("%LP"), std::string::npos);
}

// A 2^18-sector absolute disc: every writer takes a few hundred bytes a
// figure (vantor-bench --writers measures their speed).
TEST(Writers, LargeLogIsCompact) {
  const ArtworkOutcome rec = record_artwork(test::request({"absolute", "Res_exp=18", "--dpi", "2000", "--crop"}));
  ASSERT_EQ(rec.message, Message::None);
  const Artwork& art = rec.artwork;
  ASSERT_GT(art.figures.size(), 250000u);
  for (Format f : {Format::Svg, Format::Pdf, Format::Gerber}) {
    const std::string file = test::file_of(f, art);
    EXPECT_LT(file.size() / art.figures.size(), 250u) << test::format_name(f);
    if (f != Format::Gerber) continue;
    const Structure s = check_structure(file);
    expect_well_formed(s);
    EXPECT_GT(s.regions, 200000);
  }
}

}  // namespace
}  // namespace vantor
