#include "export/svg_pdf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "export/artwork.h"
#include "export_support.h"
#include "surface/figures.h"
#include "surface/surface.h"

namespace vantor {
namespace {

using test::Grey;

// The numbers of a path's text: SVG path data or a PDF content stream.
std::vector<std::string> number_tokens(const std::string& text) {
  std::vector<std::string> out;
  std::string token;
  auto flush = [&] {
    if (!token.empty()) out.push_back(token);
    token.clear();
  };
  for (char c : text) {
    const bool part = (c >= '0' && c <= '9') || c == '.' || c == '-' || c == 'e' || c == 'E' || c == ',';
    if (part && !(token.empty() && (c == 'e' || c == 'E' || c == ','))) token += c;
    else if ((c == 'e' || c == 'E' || c == ',') && !token.empty()) token += c;
    else flush();
  }
  flush();
  return out;
}

// Every number is digits with an optional sign and fraction.
void expect_plain_numbers(const std::string& text, const char* what) {
  static const std::regex plain("-?[0-9]+(\\.[0-9]+)?");
  long bad = 0;
  std::string first;
  for (const std::string& t : number_tokens(text))
    if (!std::regex_match(t, plain)) {
      if (bad++ == 0) first = t;
    }
  EXPECT_EQ(bad, 0) << what << ": first malformed number '" << first << "'";
}

std::string svg_path_data(const std::string& svg) {
  std::string all;
  for (std::size_t p = svg.find(" d=\""); p != std::string::npos; p = svg.find(" d=\"", p + 1))
    all += svg.substr(p + 4, svg.find('"', p + 4) - p - 4) + "\n";
  return all;
}

std::string pdf_content(const std::string& pdf) {
  const std::size_t s = pdf.find("stream\n") + 7, e = pdf.find("endstream");
  return pdf.substr(s, e - s);
}

// The xref entries point at their objects, startxref at the table, and the
// stream's /Length is its byte count.
void expect_pdf_structure(const std::string& pdf) {
  ASSERT_EQ(pdf.rfind("%PDF-1.4\n", 0), 0u);
  const std::size_t startxref = pdf.rfind("startxref\n");
  ASSERT_NE(startxref, std::string::npos);
  const std::size_t xref = std::stoul(pdf.substr(startxref + 10));
  ASSERT_EQ(pdf.compare(xref, 5, "xref\n"), 0);
  std::istringstream table(pdf.substr(xref + 5));
  int first = -1, count = 0;
  table >> first >> count;
  ASSERT_EQ(first, 0);
  ASSERT_EQ(count, 5);
  const std::size_t entries = pdf.find("0000000000 65535 f\r\n", xref);
  ASSERT_NE(entries, std::string::npos);
  for (int i = 1; i < count; ++i) {
    const std::string entry = pdf.substr(entries + 20 * i, 20);
    ASSERT_EQ(entry.substr(10), " 00000 n\r\n") << entry;
    const std::size_t at = std::stoul(entry.substr(0, 10));
    const std::string header = std::to_string(i) + " 0 obj\n";
    EXPECT_EQ(pdf.compare(at, header.size(), header), 0) << "object " << i;
  }
  const std::size_t length_at = pdf.find("/Length ");
  const std::size_t length = std::stoul(pdf.substr(length_at + 8));
  const std::size_t data = pdf.find("stream\n", length_at) + 7;
  EXPECT_EQ(pdf.compare(data + length, 10, "endstream\n"), 0);
}

struct Rendered {
  Grey svg, pdf;
  bool ok = false;
};

// Renders both files at the artwork's density with the outside programs.
Rendered render_both(const Artwork& art, const test::TempDir& dir) {
  Rendered out;
  const std::string svg = svg_file(art), pdf = pdf_file(art);
  const std::string dpi = std::to_string(static_cast<int>(art.dpi));
  EXPECT_TRUE(test::write_bytes(dir.path("a.svg"), svg));
  EXPECT_TRUE(test::write_bytes(dir.path("a.pdf"), pdf));
  std::string log;
  EXPECT_EQ(test::run_program("rsvg-convert", {"--dpi-x", dpi, "--dpi-y", dpi, "-b", "white", "-o",
                                               dir.path("svg.png"), dir.path("a.svg")},
                              &log),
            0)
      << log;
  EXPECT_EQ(test::run_program("pdftoppm", {"-r", dpi, "-gray", "-singlefile", dir.path("a.pdf"), dir.path("pdf")},
                              &log),
            0)
      << log;
  auto s = test::read_grey(dir.path("svg.png"));
  // rsvg-convert rounds the size in pixels up, so a page of 644.0000000001
  // pixels (the float arithmetic of mm to pixels) gets 645: then the size
  // is given as well.
  if (s && (s->width != art.region.width || s->height != art.region.height)) {
    std::printf("rsvg-convert made %dx%d of %dx%d; rendering with -w/-h\n", s->width, s->height, art.region.width,
                art.region.height);
    EXPECT_EQ(test::run_program("rsvg-convert", {"--dpi-x", dpi, "--dpi-y", dpi, "-w", std::to_string(art.region.width),
                                                 "-h", std::to_string(art.region.height), "-b", "white", "-o",
                                                 dir.path("svg.png"), dir.path("a.svg")},
                                &log),
              0)
        << log;
    s = test::read_grey(dir.path("svg.png"));
  }
  const auto p = test::read_grey(dir.path("pdf.pgm"));
  if (p && (p->width != art.region.width || p->height != art.region.height))
    std::printf("pdftoppm made %dx%d of %dx%d; comparing the common part\n", p->width, p->height, art.region.width,
                art.region.height);
  if (!s || !p) {
    ADD_FAILURE() << "a rendering could not be read";
    return out;
  }
  out.svg = *s;
  out.pdf = *p;
  out.ok = true;
  return out;
}

// The common top-left part of two rasters.
Grey crop(const Grey& g, int width, int height) {
  Grey out{width, height, {}};
  out.pixels.reserve(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) out.pixels.push_back(g.at(x, y));
  return out;
}

// Compares a rendering with Vantor's pixels; a size that differs by one
// pixel in a direction (rounding of the page in points) compares the common
// part.
void expect_same_pixels(const Grey& ours, const Grey& theirs, const char* what, long min_checked) {
  ASSERT_LE(std::abs(theirs.width - ours.width), 1) << what;
  ASSERT_LE(std::abs(theirs.height - ours.height), 1) << what;
  const int w = std::min(ours.width, theirs.width), h = std::min(ours.height, theirs.height);
  long checked = 0;
  const long diff = test::differing_inner_pixels(crop(ours, w, h), crop(theirs, w, h), 2, &checked);
  EXPECT_EQ(diff, 0) << what << " (" << checked << " checked)";
  EXPECT_GT(checked, min_checked) << what;
}

struct DesignRow {
  const char* name;
  std::vector<std::string> words;
};

class SvgPdfDesign : public ::testing::TestWithParam<DesignRow> {};

TEST_P(SvgPdfDesign, RendersAsVantorsRaster) {
  const RenderRequest request = test::request(GetParam().words);
  const ArtworkOutcome outcome = record_artwork(request);
  ASSERT_EQ(outcome.message, Message::None);
  const Artwork& art = outcome.artwork;
  const Grey ours = test::vantor_raster(request);
  ASSERT_EQ(ours.width, art.region.width);
  ASSERT_EQ(ours.height, art.region.height);

  const std::string svg = svg_file(art), pdf = pdf_file(art);
  expect_plain_numbers(svg_path_data(svg), "svg");
  expect_plain_numbers(pdf_content(pdf), "pdf");
  expect_pdf_structure(pdf);

  test::TempDir dir;
  const Rendered r = render_both(art, dir);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.svg.width, ours.width);
  EXPECT_EQ(r.svg.height, ours.height);
  const long min_checked = static_cast<long>(ours.width) * ours.height / 4;
  expect_same_pixels(ours, r.svg, "svg", min_checked);
  expect_same_pixels(ours, r.pdf, "pdf", min_checked);
}

INSTANTIATE_TEST_SUITE_P(
    Designs, SvgPdfDesign,
    ::testing::Values(
        DesignRow{"IncrementalDefault", {"incremental", "--dpi", "300", "--crop"}},
        DesignRow{"IncrementalMillimetres",
                  {"incremental", "Unit_mm", "ED=40", "DD=6", "RES=100", "--dpi", "400", "--crop"}},
        DesignRow{"IncrementalInverse", {"incremental", "--inverse", "RES=24", "--dpi", "200", "--crop"}},
        DesignRow{"IncrementalWholeCanvas", {"incremental", "--dpi", "96"}},
        DesignRow{"AbsoluteBinary", {"absolute", "Bin_type", "Res_exp=7", "--dpi", "300", "--crop"}},
        DesignRow{"AbsoluteGray", {"absolute", "Res_exp=8", "--dpi", "500", "--crop"}},
        DesignRow{"AbsoluteGrayWholeCanvas", {"absolute", "Res_exp=5", "--dpi", "96"}}),
    [](const ::testing::TestParamInfo<DesignRow>& info) { return std::string(info.param.name); });

// Figures drawn on a surface of their own, recorded, and compared with the
// surface's pixels: the shapes that the designs draw only in some places.
struct ShapeRow {
  const char* name;
  void (*draw)(Surface&);
  // Only outlines, fills and radii along pixel rows or columns: every pixel
  // is set exactly when its centre lies in the file's area, which a
  // rendering at 5 times the density shows.
  bool centres_exact = false;
  // The most centres within a tenth of a pixel of an edge (grey there), as
  // a share of the pixels that differ from their left neighbour: none when
  // every edge runs along pixel edges.
  double grey_share = 0.0;
};

constexpr float kPi = std::numbers::pi_v<float>;

class SvgPdfShape : public ::testing::TestWithParam<ShapeRow> {};

TEST_P(SvgPdfShape, RendersAsTheSurface) {
  constexpr int kSize = 240;
  constexpr double kDpi = 120;
  Surface s(kSize, kSize, kDpi);
  Artwork art;
  s.set_recorder(&art.figures);
  s.set_scale_mode(ScaleMode::Inch);
  s.cls();
  GetParam().draw(s);
  s.set_recorder(nullptr);
  art.dpi = kDpi;
  art.canvas_width = art.canvas_height = kSize;
  art.region = {0, 0, kSize, kSize};
  art.unit = Unit::Inch;
  Grey ours{kSize, kSize, {}};
  ours.pixels.assign(s.data(), s.data() + kSize * kSize);

  test::TempDir dir;
  const Rendered r = render_both(art, dir);
  ASSERT_TRUE(r.ok);
  expect_same_pixels(ours, r.svg, "svg", 20000);
  expect_same_pixels(ours, r.pdf, "pdf", 20000);

  if (!GetParam().centres_exact) return;
  // The one-pixel outlines: the same files rendered at 5 times the
  // density, where the middle subpixel of
  // pixel (i, j) is centred on the pixel's centre, so it is dark when more
  // than half of it, and so the centre, lies in the dark area.  Grey ones
  // have the centre within a tenth of a pixel of an edge.
  const std::string svg = svg_file(art);
  ASSERT_TRUE(test::write_bytes(dir.path("fine.svg"), svg));
  ASSERT_TRUE(test::write_bytes(dir.path("fine.pdf"), pdf_file(art)));
  const std::string dpi5 = std::to_string(static_cast<int>(kDpi * 5));
  ASSERT_EQ(test::run_program("rsvg-convert", {"--dpi-x", dpi5, "--dpi-y", dpi5, "-b", "white", "-o",
                                               dir.path("fine.png"), dir.path("fine.svg")}),
            0);
  ASSERT_EQ(test::run_program("pdftoppm", {"-r", dpi5, "-gray", "-singlefile", dir.path("fine.pdf"),
                                           dir.path("fine")}),
            0);
  for (const char* file : {"fine.png", "fine.pgm"}) {
    const auto big = test::read_grey(dir.path(file));
    ASSERT_TRUE(big);
    ASSERT_EQ(big->width, kSize * 5) << file;
    ASSERT_EQ(big->height, kSize * 5) << file;
    long wrong = 0, grey = 0, outline = 0;
    for (int j = 0; j < kSize; ++j)
      for (int i = 0; i < kSize; ++i) {
        const int v = big->at(5 * i + 2, 5 * j + 2);
        const bool dark = ours.at(i, j) == 0;
        if (v > 80 && v < 176) {
          ++grey;
          continue;
        }
        if (dark != (v <= 80)) ++wrong;
        // Pixels that differ from a neighbour: the outlines and edges.
        if (i > 0 && ours.at(i - 1, j) != ours.at(i, j)) ++outline;
      }
    EXPECT_EQ(wrong, 0) << file;
    EXPECT_LE(grey, GetParam().grey_share * outline) << file;
    EXPECT_GT(outline, 200) << file;
  }
}

void solid(Surface& s, Colour c) {
  s.set_fill_style(FillStyle::Solid);
  s.set_fill_colour(c);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, SvgPdfShape,
    ::testing::Values(
        ShapeRow{"SectorThroughZero",
                 [](Surface& s) {
                   solid(s, Colour::Black);
                   (void)s.circle(1, 1, 0.9f, Colour::Black, -5.2f, -0.9f);
                 }},
        ShapeRow{"SectorOverHalfTurn",
                 [](Surface& s) {
                   solid(s, Colour::Black);
                   (void)s.circle(1, 1, 0.9f, Colour::Black, -0.4f, -4.6f);
                 }},
        ShapeRow{"FullTurnSector",
                 [](Surface& s) {
                   solid(s, Colour::Black);
                   (void)s.circle(1.01f, 0.98f, 0.8f, Colour::Black, -1e-9f, -2 * kPi);
                 }},
        ShapeRow{"WhiteSectorsOnBlackDisc",
                 [](Surface& s) {
                   solid(s, Colour::Black);
                   (void)s.circle(1, 1, 0.95f);
                   solid(s, Colour::White);
                   for (int k = 0; k < 12; ++k)
                     (void)s.circle(1, 1, 0.9f, Colour::White, -(0.001f + k * kPi / 6), -(0.3f + k * kPi / 6));
                   solid(s, Colour::Black);
                   (void)s.circle(1, 1, 0.5f);
                 }},
        ShapeRow{"OutlineOtherColourThanFill",
                 [](Surface& s) {
                   solid(s, Colour::Black);
                   (void)s.circle(1, 1, 0.9f, Colour::Black);
                   solid(s, Colour::White);
                   (void)s.circle(1, 1, 0.7f, Colour::Black, -0.5f, -3.9f);
                   (void)s.circle(1, 1, 0.4f, Colour::Black);
                 }},
        ShapeRow{"OpenArcsAndRings",
                 [](Surface& s) {
                   (void)s.circle(1, 1, 0.9f);
                   (void)s.circle(1, 1, 0.6f, Colour::Black, 5.5f, -1.0f);
                   (void)s.circle(1, 1, 0.3f, Colour::Black, -2.0f, 4.0f);
                   (void)s.circle(1.2f, 1.2f, 0.004f);
                 }},
        ShapeRow{"OutlinesAndAxisRadii",
                 [](Surface& s) {
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
                   // Radii along pixel rows and columns (the centre off the
                   // pixel grid, so float pi/2 and pi keep them straight).
                   solid(s, Colour::Black);
                   (void)s.circle(1.554f, 1.554f, 0.3f, Colour::Black, -kPi / 2, -kPi);
                   (void)s.circle(0.454f, 1.554f, 0.3f, Colour::Black, 0.0f, -kPi / 2);
                 },
                 true, 0.1},
        ShapeRow{"SlantedLines",
                 [](Surface& s) {
                   (void)s.line(0.1f, 0.1f, 1.9f, 1.3f);
                   (void)s.line(1.9f, 0.2f, 0.3f, 1.9f);
                   (void)s.line(0.2f, 1.9f, 0.3f, 0.1f);
                   (void)s.line(-50, -40, 60, 70);
                 }},
        ShapeRow{"AxisLinesAndPoints",
                 [](Surface& s) {
                   (void)s.line(1, 0.05f, 1, 1.95f);
                   (void)s.line(0.05f, 1.5f, 1.95f, 1.5f);
                   (void)s.line(1.9f, 0.3f, 0.1f, 0.3f);
                   (void)s.line(-80, 0.7f, 90, 0.7f);
                   (void)s.line(0.5f, 0.5f, 0.5f, 0.5f);
                   for (int k = 0; k < 20; ++k) s.pset(0.2f + k * 0.05f, 1.8f, Colour::Black);
                   for (int k = 0; k < 20; ++k) s.pset(1.2f + k * 0.009f, 1.1f, Colour::Black);
                 },
                 true, 0.0}),
    [](const ::testing::TestParamInfo<ShapeRow>& info) { return std::string(info.param.name); });

// The Bezier curves of a large circle stay on it: sampled points within
// a thousandth of a pixel plus the written rounding.
TEST(SvgPdf, PdfCurvesFollowTheCircle) {
  Artwork art;
  art.dpi = 20000;
  art.region = {0, 0, 400, 400};
  art.canvas_width = art.canvas_height = 400;
  Figure f;
  f.kind = FigureKind::Circle;
  f.px1 = 200.25;
  f.py1 = 199.75;
  f.pr = 190000.0;  // 9.5 in at 20000 per inch
  f.fill_style = FillStyle::Solid;
  art.figures.push_back(f);
  // Moved so the page holds a piece of the rim: the check reads all of it.
  art.figures[0].px1 = 200.25 - 190000.0 + 100;
  const std::string content = pdf_content(pdf_file(art));
  std::istringstream in(content);
  std::vector<double> nums;
  std::string tok;
  double cx = 0, cy = 0, max_error = 0;
  int curves = 0;
  double x0 = 0, y0 = 0;
  cx = art.figures[0].px1;
  cy = art.figures[0].py1;
  while (in >> tok) {
    if (tok == "m" || tok == "l") {
      x0 = nums[nums.size() - 2];
      y0 = nums.back();
      nums.clear();
    } else if (tok == "c") {
      ASSERT_EQ(nums.size(), 6u);
      for (int i = 0; i <= 16; ++i) {
        const double t = i / 16.0, u = 1 - t;
        const double x = u * u * u * x0 + 3 * u * u * t * nums[0] + 3 * u * t * t * nums[2] + t * t * t * nums[4];
        const double y = u * u * u * y0 + 3 * u * u * t * nums[1] + 3 * u * t * t * nums[3] + t * t * t * nums[5];
        max_error = std::max(max_error, std::abs(std::hypot(x - cx, y - cy) - f.pr));
      }
      x0 = nums[4];
      y0 = nums[5];
      nums.clear();
      ++curves;
    } else if (tok == "cm" || tok == "g" || tok == "f" || tok == "h" || tok == "q" || tok == "Q") {
      nums.clear();
    } else {
      nums.push_back(std::stod(tok));
    }
  }
  EXPECT_EQ(curves, 32);
  EXPECT_LT(max_error, 1e-3) << "pixels off the circle";
}

// A 2^18-sector absolute disc writes quickly and compactly.
TEST(SvgPdf, LargeLogIsQuickAndCompact) {
  const ArtworkOutcome outcome = record_artwork(test::request({"absolute", "Res_exp=18", "--dpi", "2000", "--crop"}));
  ASSERT_EQ(outcome.message, Message::None);
  const Artwork& art = outcome.artwork;
  ASSERT_GT(art.figures.size(), 250000u);
  const auto t0 = std::chrono::steady_clock::now();
  const std::string svg = svg_file(art);
  const auto t1 = std::chrono::steady_clock::now();
  const std::string pdf = pdf_file(art);
  const auto t2 = std::chrono::steady_clock::now();
  const double per_100k = 1e5 / static_cast<double>(art.figures.size());
  const double svg_s = std::chrono::duration<double>(t1 - t0).count() * per_100k;
  const double pdf_s = std::chrono::duration<double>(t2 - t1).count() * per_100k;
  RecordProperty("svg_seconds_per_100k", std::to_string(svg_s));
  RecordProperty("pdf_seconds_per_100k", std::to_string(pdf_s));
  // Generous against a busy machine; a quadratic writer takes minutes.
  EXPECT_LT(svg_s, 1.0);
  EXPECT_LT(pdf_s, 1.0);
  EXPECT_LT(svg.size() / art.figures.size(), 200u);
  EXPECT_LT(pdf.size() / art.figures.size(), 250u);
  std::printf("%zu figures: svg %zu bytes %.3f s/100k, pdf %zu bytes %.3f s/100k\n", art.figures.size(), svg.size(),
              svg_s, pdf.size(), pdf_s);
}

// Small artworks whose files show a fault without rendering.
Figure disc(double cx, double cy, double r, Colour c) {
  Figure f;
  f.kind = FigureKind::Circle;
  f.px1 = cx, f.py1 = cy, f.pr = r;
  f.fill_style = FillStyle::Solid;
  f.colour = f.fill_colour = c;
  return f;
}

struct StructureRow {
  const char* name;
  std::vector<Figure> figures;
  Unit unit;
  int svg_paths, pdf_fills;  // path elements and fill operators expected
  int svg_moves = -1;        // subpaths begun with M, when checked
};

class SvgPdfStructure : public ::testing::TestWithParam<StructureRow> {};

TEST_P(SvgPdfStructure, Files) {
  Artwork art;
  art.dpi = 254;
  art.canvas_width = art.canvas_height = 1000;
  art.region = {100, 200, 500, 400};
  art.unit = GetParam().unit;
  art.figures = GetParam().figures;
  const std::string svg = svg_file(art), pdf = pdf_file(art);
  long paths = 0, fills = 0;
  for (std::size_t p = svg.find("<path"); p != std::string::npos; p = svg.find("<path", p + 1)) ++paths;
  const std::string content = pdf_content(pdf);
  for (std::size_t p = content.find("\nf\n"); p != std::string::npos; p = content.find("\nf\n", p + 1)) ++fills;
  EXPECT_EQ(paths, GetParam().svg_paths);
  EXPECT_EQ(fills, GetParam().pdf_fills);
  if (GetParam().svg_moves >= 0) {
    const std::string data = svg_path_data(svg);
    EXPECT_EQ(std::count(data.begin(), data.end(), 'M'), GetParam().svg_moves);
  }
  expect_plain_numbers(svg_path_data(svg), "svg");
  expect_plain_numbers(content, "pdf");
  expect_pdf_structure(pdf);
  // 500 x 400 pixels at 254 per inch: 50 x 40 mm, MediaBox in points.
  if (art.unit == Unit::Millimetre) {
    EXPECT_NE(svg.find("width=\"50mm\" height=\"40mm\" viewBox=\"0 0 50 40\""), std::string::npos);
  } else {
    EXPECT_NE(svg.find("width=\"1.968503937007874in\""), std::string::npos);
  }
  EXPECT_NE(pdf.find("/MediaBox [0 0 141.73228346456693 113.38582677165354]"), std::string::npos);
}

Figure sector(double r, double a1, double a2) {
  Figure f = disc(400, 300, r, Colour::White);
  f.kind = FigureKind::Arc;
  f.a1 = static_cast<float>(a1), f.a2 = static_cast<float>(a2);
  f.start = std::abs(a1), f.end = std::abs(a2);
  return f;
}

Figure line(double x1, double y1, double x2, double y2) {
  Figure f;
  f.kind = FigureKind::Line;
  f.px1 = x1, f.py1 = y1, f.px2 = x2, f.py2 = y2;
  return f;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SvgPdfStructure,
    ::testing::Values(
        // Runs of one colour are one path each; the page white, a disc,
        // white sectors with their radii, a covering disc.
        StructureRow{"OnePathARun",
                     {Figure{}, disc(400, 300, 150, Colour::Black), sector(140, -0.1, -0.5), sector(140, -2, -6),
                      sector(140, -6.2, -0.2), disc(400, 300, 80, Colour::Black)},
                     Unit::Millimetre,
                     4,
                     4},
        // Nothing of these reaches the page, which starts at (100, 200).
        StructureRow{"FarFiguresLeftOut",
                     {disc(-1e6, 300, 100, Colour::Black), disc(50, 150, 40, Colour::Black),
                      line(-1e15, 150, 1e15, 150), line(0, 0, 90, 190)},
                     Unit::Inch,
                     0,
                     0},
        // Huge and far coordinates still write as plain numbers, and a
        // line repeated in a run is written once: the far line, the line
        // (twice, reversed), the line within one pixel, the disc.
        StructureRow{"FarLinesClippedAndOnce",
                     {line(-1e300, 300, 1e300, 301), line(150, 350, 550, 351), line(550.7, 351.2, 150.1, 350.9),
                      line(100.2, 200.7, 100.9, 200.1), disc(350, 350, 1e12, Colour::White)},
                     Unit::Inch,
                     2,
                     2,
                     4}),
    [](const ::testing::TestParamInfo<StructureRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vantor
