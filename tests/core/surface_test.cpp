#include "surface/surface.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "reference_raster.h"
#include "surface/figures.h"
#include "surface/raster.h"

namespace vantor {
namespace {

using test::ReferenceRaster;

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kTwoPiF = 6.2831855f;  // 2pi rounded to single precision

// One drawing call, applied alike to the surface and to the reference.
struct Op {
  enum Kind { Disc, Ring, Arc, Line, PSet, Cls } kind;
  float v[6] = {};
  Colour colour = Colour::Black;
  FillStyle fill_style = FillStyle::Solid;
  Colour fill_colour = Colour::Black;

  std::string describe() const {
    static const char* names[] = {"circle", "circle+colour", "arc", "line", "pset", "cls"};
    std::ostringstream out;
    out.precision(9);
    out << names[kind] << "(";
    for (float x : v) out << x << ", ";
    out << "colour " << int(colour) << ") fill " << (fill_style == FillStyle::Solid ? "solid " : "none ")
        << int(fill_colour);
    return out.str();
  }
};

Op disc(float x, float y, float r) { return {Op::Disc, {x, y, r}}; }
Op ring(float x, float y, float r, Colour c) { return {Op::Ring, {x, y, r}, c}; }
Op arc(float x, float y, float r, float a1, float a2, Colour c = Colour::Black) {
  return {Op::Arc, {x, y, r, a1, a2}, c};
}
Op line(float x1, float y1, float x2, float y2) { return {Op::Line, {x1, y1, x2, y2}}; }
Op pset(float x, float y, Colour c = Colour::Black) { return {Op::PSet, {x, y}, c}; }
Op with_fill(Op op, FillStyle style, Colour c) {
  op.fill_style = style;
  op.fill_colour = c;
  return op;
}
Op solid(Op op, Colour c) { return with_fill(op, FillStyle::Solid, c); }

bool apply(Surface& s, const Op& op) {
  s.set_fill_style(op.fill_style);
  s.set_fill_colour(op.fill_colour);
  const float* v = op.v;
  switch (op.kind) {
    case Op::Disc:
      return s.circle(v[0], v[1], v[2]);
    case Op::Ring:
      return s.circle(v[0], v[1], v[2], op.colour);
    case Op::Arc:
      return s.circle(v[0], v[1], v[2], op.colour, v[3], v[4]);
    case Op::Line:
      return s.line(v[0], v[1], v[2], v[3], op.colour);
    case Op::PSet:
      s.pset(v[0], v[1], op.colour);
      return true;
    case Op::Cls:
      s.cls();
      return true;
  }
  return false;
}

bool apply(ReferenceRaster& r, const Op& op) {
  r.set_fill(op.fill_style, op.fill_colour);
  const float* v = op.v;
  switch (op.kind) {
    case Op::Disc:
      return r.circle(v[0], v[1], v[2], Colour::Black);
    case Op::Ring:
      return r.circle(v[0], v[1], v[2], op.colour);
    case Op::Arc:
      return r.circle(v[0], v[1], v[2], op.colour, v[3], v[4]);
    case Op::Line:
      return r.line(v[0], v[1], v[2], v[3], op.colour);
    case Op::PSet:
      r.pset(v[0], v[1], op.colour);
      return true;
    case Op::Cls:
      r.cls();
      return true;
  }
  return false;
}

// "" when the surface shows the reference's pixels, else the first
// difference.
std::string compare(const Surface& s, const ReferenceRaster& r) {
  for (int j = 0; j < s.height(); ++j) {
    for (int i = 0; i < s.width(); ++i) {
      if (s.pixel(i, j) != r.pixel(i, j)) {
        return "pixel (" + std::to_string(i) + ", " + std::to_string(j) + ") is " + std::to_string(int(s.pixel(i, j))) +
               ", reference " + std::to_string(int(r.pixel(i, j)));
      }
    }
  }
  return "";
}

int count(const Surface& s, Colour c) {
  int n = 0;
  for (int j = 0; j < s.height(); ++j)
    for (int i = 0; i < s.width(); ++i) n += s.pixel(i, j) == c;
  return n;
}

// 1440 ppi in twips: one unit is one pixel, so the cases read in pixels.
constexpr int kW = 41;
constexpr int kH = 33;
Surface pixel_surface(int w = kW, int h = kH) { return Surface(w, h, 1440.0); }

struct FigureCase {
  const char* name;
  std::vector<Op> ops;
};

class SurfaceFigureTest : public testing::TestWithParam<FigureCase> {};

TEST_P(SurfaceFigureTest, MatchesReferencePixels) {
  Surface s = pixel_surface();
  ReferenceRaster r(kW, kH, 1.0);
  for (const Op& op : GetParam().ops) {
    ASSERT_EQ(apply(s, op), apply(r, op)) << op.describe();
    ASSERT_EQ(compare(s, r), "") << op.describe();
  }
}

const Op kBlackAll = with_fill(disc(20, 16, 30), FillStyle::Solid, Colour::Black);

INSTANTIATE_TEST_SUITE_P(
    Figures, SurfaceFigureTest,
    testing::Values(
        FigureCase{"FilledDisc", {disc(20.3f, 16.7f, 9.2f)}},
        FigureCase{"DiscOnPixelCentre", {disc(20.5f, 16.5f, 5.0f), disc(10.0f, 10.0f, 3.0f)}},
        FigureCase{"WhiteDiscBlackRing", {kBlackAll, with_fill(disc(20, 16, 10), FillStyle::Solid, Colour::White)}},
        FigureCase{"OutlineWithoutFill",
                   {with_fill(ring(20.2f, 15.9f, 12.4f, Colour::Black), FillStyle::Transparent, Colour::Black)}},
        FigureCase{"TinyCircles",
                   {disc(5.5f, 5.5f, 0.5f), disc(10.2f, 5.1f, 0.9f), ring(15, 5, 1.0f, Colour::Black),
                    ring(20.7f, 5.3f, 1.6f, Colour::Black)}},
        FigureCase{"SectorThroughZero", {arc(20.4f, 16.2f, 13, -5.5f, -0.7f)}},
        FigureCase{"ArcThroughZeroUnfilled", {arc(20.4f, 16.2f, 13, 5.5f, 0.7f)}},
        FigureCase{"OneRadius", {arc(20, 16, 13, -1.0f, 2.5f), arc(20, 16, 9, 4.0f, -5.0f)}},
        FigureCase{"FullTurnSector", {arc(20.1f, 16.3f, 12, -kTwoPiF, -kTwoPiF)}},
        FigureCase{"StartJustBelowZero", {arc(20, 16, 14, -0.001f, -1.3f)}},
        FigureCase{"EndSinglePrecisionTwoPi", {arc(20.6f, 16.6f, 14, -0.001f, -kTwoPiF)}},
        FigureCase{"StartTwoPiIsZero", {arc(20, 16, 14, -kTwoPiF, -2.0f)}},
        FigureCase{"CentreRowFromZero",
                   {arc(20.5f, 16.5f, 10, -kTwoPiF, -1.0f), arc(20.5f, 16.5f, 13, 0.0f, 1.0f),
                    arc(20.5f, 16.5f, 7, -kPi, -4.0f)}},
        FigureCase{
            "JustShortOfFullTurn",
            {arc(20.5f, 16.5f, 12, 0.0f, -6.2831807f), arc(20.3f, 16.2f, 9, -kTwoPiF, -6.2831807f, Colour::White),
             arc(-1e6f, 16.0f, 2e6f, -kTwoPiF, -6.2831807f)}},
        FigureCase{
            "UnitRadiusOnPixelCentre",
            {ring(10.5f, 10.5f, 1.0f, Colour::Black), disc(20.5f, 10.5f, 1.0f), arc(30.5f, 10.5f, 1.0f, 0.0f, 3.0f)}},
        FigureCase{
            "WhiteSectorOnBlack",
            {kBlackAll, with_fill(arc(20, 16, 15, -0.3f, -2.9f, Colour::White), FillStyle::Solid, Colour::White)}},
        FigureCase{"SectorOutlineOnly",
                   {with_fill(arc(20, 16, 14, -2.0f, -4.5f), FillStyle::Transparent, Colour::Black)}},
        FigureCase{"ClipLeft", {disc(-3, 16, 8), arc(-2, 10, 9, -5.0f, -1.0f)}},
        FigureCase{"ClipRight", {disc(44, 16, 8), arc(42, 20, 9, -2.0f, -4.0f)}},
        FigureCase{"ClipTop", {disc(20, -4, 8), arc(10, -1, 9, -3.5f, -6.0f)}},
        FigureCase{"ClipBottom", {disc(20, 37, 8), arc(30, 34, 9, -0.5f, -2.0f)}},
        FigureCase{"MostlyOutside",
                   {disc(-30, -25, 42), arc(70, 60, 45, -1.7f, -3.3f), ring(-20, 16, 21.5f, Colour::Black)}},
        FigureCase{"CoversRaster",
                   {disc(20, 16, 1000),
                    with_fill(arc(20, 16, 1e6f, -0.5f, -1.0f, Colour::White), FillStyle::Solid, Colour::White)}},
        FigureCase{"Lines",
                   {line(-5, -3, 50, 40), line(3.7f, 2.2f, 3.1f, 30.9f), line(40.9f, 0.2f, 0.1f, 12.5f),
                    line(7.5f, 7.5f, 7.9f, 7.1f), line(30, 40, 30, -10)}},
        FigureCase{"PSetInsideAndOutside",
                   {pset(0, 0), pset(40.99f, 32.99f), pset(-0.01f, 3), pset(41, 3), pset(3, 33), pset(3, -0.5f),
                    pset(12.5f, 7.5f)}},
        FigureCase{"ClsAfterDrawing", {disc(20, 16, 9), line(0, 0, 40, 32), {Op::Cls}}}),
    [](const testing::TestParamInfo<FigureCase>& info) { return std::string(info.param.name); });

TEST(SurfaceTest, WhiteFillGivesWhiteDiscInBlackRing) {
  Surface s = pixel_surface();
  s.set_fill_style(FillStyle::Solid);
  ASSERT_TRUE(s.circle(20, 16, 30));  // all black
  s.set_fill_colour(Colour::White);
  ASSERT_TRUE(s.circle(20.5f, 16.5f, 10));
  for (int j = 0; j < kH; ++j) {
    for (int i = 0; i < kW; ++i) {
      const double d = std::hypot(i - 20.0, j - 16.0);
      if (d < 8.9 || d > 9.1) { EXPECT_EQ(s.pixel(i, j), d < 8.9 ? Colour::White : Colour::Black) << i << "," << j; }
    }
  }
  EXPECT_EQ(s.pixel(30, 16), Colour::Black);  // the ring
  EXPECT_EQ(s.pixel(29, 16), Colour::White);
}

TEST(SurfaceTest, FullTurnSectorIsDiscAndRadius) {
  Surface sector = pixel_surface();
  Surface disc_and_radius = pixel_surface();
  sector.set_fill_style(FillStyle::Solid);
  disc_and_radius.set_fill_style(FillStyle::Solid);
  sector.set_fill_colour(Colour::White);
  disc_and_radius.set_fill_colour(Colour::White);
  ASSERT_TRUE(sector.circle(20.5f, 16.25f, 11.75f, Colour::Black, -kTwoPiF, -kTwoPiF));
  ASSERT_TRUE(disc_and_radius.circle(20.5f, 16.25f, 11.75f, Colour::Black));
  ASSERT_TRUE(disc_and_radius.line(20.5f, 16.25f, 20.5f + 11.75f, 16.25f));
  EXPECT_TRUE(sector == disc_and_radius);
}

// Geometry away from the edges, against polar sampling written here.
struct QuadrantCase {
  const char* name;
  float a1, a2;
  double from, to;  // the covered angles, counter-clockwise, from <= to
};

class SurfaceSectorRegionTest : public testing::TestWithParam<QuadrantCase> {};

TEST_P(SurfaceSectorRegionTest, CoversExactlyTheArcAwayFromEdges) {
  const QuadrantCase& c = GetParam();
  Surface s = Surface::for_picture();
  s.set_scale_mode(ScaleMode::Inch);
  s.set_fill_style(FillStyle::Solid);
  const float cx = s.scale_width() / 2, cy = s.scale_height() / 2, r = 2.5f;
  ASSERT_TRUE(s.circle(cx, cy, r, Colour::Black, c.a1, c.a2));
  const double X = cx * 96.0, Y = cy * 96.0, R = r * 96.0;
  int checked = 0;
  for (int k = 0; k < 360; ++k) {
    const double theta = (k + 0.5) * 2 * std::numbers::pi / 360;
    for (double rho : {0.15 * R, 0.5 * R, 0.9 * R, R + 4.0}) {
      double dist = std::numbers::pi;  // angular distance to the nearer boundary ray
      for (double b : {c.from, c.to}) {
        const double d = std::fabs(std::remainder(theta - b, 2 * std::numbers::pi));
        dist = std::min(dist, d);
      }
      if (rho * std::sin(std::min(dist, std::numbers::pi / 2)) < 3.0 && rho <= R) continue;
      double t = theta;
      if (t < c.from) t += 2 * std::numbers::pi;
      const bool inside = rho <= R && t <= c.to;
      const int i = int(std::floor(X + rho * std::cos(theta)));
      const int j = int(std::floor(Y - rho * std::sin(theta)));
      EXPECT_EQ(s.pixel(i, j), inside ? Colour::Black : Colour::White) << theta << " " << rho;
      ++checked;
    }
  }
  EXPECT_GT(checked, 1000);
}

INSTANTIATE_TEST_SUITE_P(
    Regions, SurfaceSectorRegionTest,
    testing::Values(QuadrantCase{"UpperRightQuarter", -0.001f, -kPi / 2, 0.0, std::numbers::pi / 2},
                    QuadrantCase{"RightHalf", -3 * kPi / 2, -kPi / 2, 1.5 * std::numbers::pi, 2.5 * std::numbers::pi},
                    QuadrantCase{"LowerLeftQuarter", -kPi, -3 * kPi / 2, std::numbers::pi, 1.5 * std::numbers::pi},
                    QuadrantCase{"AllButAThinWedge", -0.2f, -0.1f, 0.2, 2 * std::numbers::pi + 0.1}),
    [](const testing::TestParamInfo<QuadrantCase>& info) { return std::string(info.param.name); });

struct SizeCase {
  double ppi;
  int width, height;
};

class SurfacePictureSizeTest : public testing::TestWithParam<SizeCase> {};

TEST_P(SurfacePictureSizeTest, ClientAreaInPixels) {
  const SizeCase& c = GetParam();
  EXPECT_EQ(Surface::picture_width(c.ppi), c.width);
  EXPECT_EQ(Surface::picture_height(c.ppi), c.height);
  const Surface s = Surface::for_picture(c.ppi);
  EXPECT_EQ(s.width(), c.width);
  EXPECT_EQ(s.height(), c.height);
  EXPECT_EQ(count(s, Colour::White), c.width * c.height);
}

INSTANTIATE_TEST_SUITE_P(Densities, SurfacePictureSizeTest,
                         testing::Values(SizeCase{96, 863, 596}, SizeCase{120, 1078, 745}, SizeCase{144, 1294, 894},
                                         SizeCase{72, 647, 447}));

TEST(SurfaceTest, InitialStateAndUnits) {
  Surface s = Surface::for_picture();
  EXPECT_EQ(s.scale_mode(), ScaleMode::Twip);
  EXPECT_EQ(s.fill_style(), FillStyle::Transparent);
  EXPECT_EQ(s.fill_colour(), Colour::Black);
  EXPECT_EQ(s.draw_width(), 1);
  EXPECT_FLOAT_EQ(s.scale_width(), 863 * 15.0f);
  s.set_scale_mode(ScaleMode::Inch);
  const float inch_w = s.scale_width(), inch_h = s.scale_height();
  EXPECT_NEAR(inch_w, 863 / 96.0, 1e-5);
  s.set_scale_mode(ScaleMode::Millimetre);
  EXPECT_NEAR(s.scale_width(), 25.4 * inch_w, 25.4 * inch_w * 1e-6);
  EXPECT_NEAR(s.scale_height(), 25.4 * inch_h, 25.4 * inch_h * 1e-6);
  EXPECT_TRUE(s.set_draw_width(1));
  EXPECT_FALSE(s.set_draw_width(2));
  EXPECT_EQ(Surface(0, 10).width(), 0);
  EXPECT_EQ(Surface(10, -1).height(), 0);
}

TEST(SurfaceTest, UnitsPlaceThePoint) {
  // One inch and 25.4 mm reach the same pixel column.
  for (ScaleMode mode : {ScaleMode::Inch, ScaleMode::Millimetre, ScaleMode::Twip}) {
    Surface s(200, 10);
    s.set_scale_mode(mode);
    const float inch = mode == ScaleMode::Inch ? 1.0f : mode == ScaleMode::Millimetre ? 25.4f : 1440.0f;
    s.pset(inch * 1.005f, 0, Colour::Black);
    EXPECT_EQ(s.pixel(96, 0), Colour::Black) << int(mode);
    EXPECT_EQ(count(s, Colour::Black), 1);
  }
}

struct RefusedCase {
  const char* name;
  float x, y, r, a1, a2;
  bool accepted;
};

class SurfaceRefusedTest : public testing::TestWithParam<RefusedCase> {};

TEST_P(SurfaceRefusedTest, RefusedCallsChangeNothing) {
  const RefusedCase& c = GetParam();
  Surface s = pixel_surface();
  s.set_fill_style(FillStyle::Solid);
  ASSERT_TRUE(s.circle(20, 16, 6));
  const Surface before = s;
  s.set_fill_colour(Colour::White);
  EXPECT_EQ(s.circle(c.x, c.y, c.r, Colour::White, c.a1, c.a2), c.accepted);
  if (!c.accepted) {
    EXPECT_TRUE(s == before);
  } else {
    EXPECT_FALSE(s == before);
  }
}

INSTANTIATE_TEST_SUITE_P(Arguments, SurfaceRefusedTest,
                         testing::Values(RefusedCase{"NaNX", kNaN, 16, 5, -1, -2, false},
                                         RefusedCase{"InfY", 20, -kInf, 5, -1, -2, false},
                                         RefusedCase{"NaNRadius", 20, 16, kNaN, -1, -2, false},
                                         RefusedCase{"InfRadius", 20, 16, kInf, -1, -2, false},
                                         RefusedCase{"NaNStart", 20, 16, 5, kNaN, -2, false},
                                         RefusedCase{"InfEnd", 20, 16, 5, -1, -kInf, false},
                                         RefusedCase{"AngleSeven", 20, 16, 5, -1, 7.0f, false},
                                         RefusedCase{"AngleMinusSeven", 20, 16, 5, -7.0f, -1, false},
                                         RefusedCase{"JustBeyondSlack", 20, 16, 5, -1, -6.28319f, false},
                                         RefusedCase{"SinglePrecisionTwoPi", 20, 16, 5, -1, -kTwoPiF, true},
                                         RefusedCase{"WithinSlack", 20, 16, 5, 6.283188f, -1, true},
                                         RefusedCase{"HugeButFinite", 1e30f, 1e30f, 3e38f, -2, -2.5f, true}),
                         [](const testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.name); });

TEST(SurfaceTest, RefusedLineAndCircleChangeNothing) {
  Surface s = pixel_surface();
  for (float bad : {kNaN, kInf, -kInf}) {
    EXPECT_FALSE(s.circle(bad, 5, 5));
    EXPECT_FALSE(s.circle(5, 5, bad, Colour::Black));
    EXPECT_FALSE(s.line(bad, 1, 5, 5));
    EXPECT_FALSE(s.line(1, 1, 5, bad, Colour::Black));
    s.pset(bad, 3, Colour::Black);
    s.pset(3, bad, Colour::Black);
  }
  EXPECT_EQ(count(s, Colour::White), kW * kH);
}

TEST(SurfaceTest, NonPositiveRadiusDrawsNothing) {
  for (float r : {0.0f, -0.0f, -1.0f, -1e30f}) {
    Surface s = pixel_surface();
    s.set_fill_style(FillStyle::Solid);
    EXPECT_TRUE(s.circle(20, 16, r));
    EXPECT_TRUE(s.circle(20, 16, r, Colour::Black));
    EXPECT_TRUE(s.circle(20, 16, r, Colour::Black, -1, -2));
    EXPECT_EQ(count(s, Colour::White), kW * kH) << r;
  }
}

TEST(SurfaceTest, TouchUpButtons) {
  const std::pair<int, Colour> cases[] = {{0, Colour::Black}, {1, Colour::Black}, {2, Colour::White},
                                          {3, Colour::Black}, {4, Colour::Black}, {5, Colour::Black},
                                          {6, Colour::Black}, {-1, Colour::Black}};
  for (const auto& [buttons, expected] : cases) {
    Surface s = pixel_surface();
    s.set_fill_style(FillStyle::Solid);
    ASSERT_TRUE(s.circle(10, 10, 5));  // (7, 7) black, (30, 30) white
    touch_up(s, buttons, 7.5f, 7.5f);
    touch_up(s, buttons, 30.5f, 30.5f);
    EXPECT_EQ(s.pixel(7, 7), expected) << buttons;
    EXPECT_EQ(s.pixel(30, 30), buttons == 1 ? Colour::Black : Colour::White) << buttons;
  }
}

// The line rule is the classic integer midpoint loop started at the first
// point.
TEST(SurfaceTest, LinesAreClassicBresenham) {
  constexpr int kSide = 7;
  for (int a = 0; a < kSide * kSide; ++a) {
    for (int b = 0; b < kSide * kSide; ++b) {
      const int x0 = a % kSide, y0 = a / kSide, x1 = b % kSide, y1 = b / kSide;
      std::set<std::pair<int, int>> expected;
      const int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0), sx = x1 < x0 ? -1 : 1, sy = y1 < y0 ? -1 : 1;
      const bool x_major = dx >= dy;
      const int n = x_major ? dx : dy, m = x_major ? dy : dx;
      int d = 2 * m - n, minor = 0;
      for (int k = 0; k <= n; ++k) {
        expected.insert(x_major ? std::pair{x0 + sx * k, y0 + sy * minor} : std::pair{x0 + sx * minor, y0 + sy * k});
        if (d > 0) {
          ++minor;
          d -= 2 * n;
        }
        d += 2 * m;
      }
      Surface s = pixel_surface(kSide, kSide);
      ASSERT_TRUE(s.line(x0 + 0.5f, y0 + 0.5f, x1 + 0.9f, y1 + 0.1f));
      std::set<std::pair<int, int>> got;
      for (int j = 0; j < kSide; ++j)
        for (int i = 0; i < kSide; ++i)
          if (s.pixel(i, j) == Colour::Black) got.insert({i, j});
      ASSERT_EQ(got, expected) << x0 << "," << y0 << " -> " << x1 << "," << y1;
    }
  }
}

TEST(SurfaceTest, FarLineKeepsItsDirection) {
  Surface s = pixel_surface(61, 47);
  ASSERT_TRUE(s.line(10.5f, 10.5f, 1e30f, 1e30f));    // one end far
  ASSERT_TRUE(s.line(-1e30f, 5.5f, 1e30f, 5.5f));     // both ends far
  ASSERT_TRUE(s.line(-3e35f, 3e35f, 3e35f, -3e35f));  // both far, through the origin
  ASSERT_TRUE(s.line(50.5f, 2e30f, 50.5f, 40.5f));    // far end first
  for (int j = 0; j < 47; ++j) {
    for (int i = 0; i < 61; ++i) {
      const bool on = (i == j && i >= 10) || j == 5 || (i == 0 && j == 0) || (i == 50 && j >= 40);
      EXPECT_EQ(s.pixel(i, j) == Colour::Black, on) << i << "," << j;
    }
  }
}

// Thin sectors all round, as an absolute disc's finest track draws them.
TEST(SurfaceTest, FanOfThinSectorsMatchesReference) {
  constexpr int kCount = 256;
  Surface s(61, 47, 1440.0);
  ReferenceRaster r(61, 47, 1.0);
  const double step = 2 * std::numbers::pi / kCount;
  for (int k = 0; k < kCount; ++k) {
    const Colour fill = k % 2 ? Colour::White : Colour::Black;
    Op op = with_fill(arc(30.3f, 23.6f, 40, float(-(k * step + 0.001)), float(-((k + 1) * step)), fill),
                      FillStyle::Solid, fill);
    ASSERT_TRUE(apply(s, op));
    ASSERT_TRUE(apply(r, op));
  }
  EXPECT_EQ(compare(s, r), "");
}

// Rays at multiples of pi/4 from a pixel centre pass within a millionth of
// a pixel of other pixel centres (pi/4 in single precision, and the floats
// next to it), on either side: the narrowest cases for the span search's
// bounds.
TEST(SurfaceTest, RaysThroughPixelCentresMatchReference) {
  for (const auto& [cx, cy] : {std::pair{20.5f, 16.5f}, std::pair{20.0f, 16.0f}, std::pair{20.5f, 16.0f}}) {
    Surface s = pixel_surface();
    ReferenceRaster r(kW, kH, 1.0);
    for (int k = 0; k < 24; ++k) {
      for (int n = 1; n <= 4; ++n) {
        const Colour c = (k + n) % 2 ? Colour::White : Colour::Black;
        // Angle 0 is given as a full turn, so that it is negative.
        auto octant = [k](int m) {
          const float a = m % 8 == 0 ? kTwoPiF : float((m % 8) * std::numbers::pi / 4);
          const int nudge = k / 8 - 1;  // one float below, on, above
          return -(nudge == 0 || a == kTwoPiF ? a : std::nextafter(a, nudge < 0 ? 0.0f : 10.0f));
        };
        const Op op = with_fill(arc(cx, cy, 19, octant(k % 8), octant(k % 8 + n), c), FillStyle::Solid, c);
        ASSERT_TRUE(apply(s, op));
        ASSERT_TRUE(apply(r, op));
        ASSERT_EQ(compare(s, r), "") << op.describe();
      }
    }
  }
}

// Random figures, many of them degenerate, against the reference.
class RandomFigures {
 public:
  explicit RandomFigures(unsigned seed) : rng_(seed) {}

  Op next(int w, int h, double u) {
    Op op{};
    op.fill_style = pick(3) ? FillStyle::Solid : FillStyle::Transparent;
    op.fill_colour = pick(2) ? Colour::White : Colour::Black;
    op.colour = pick(2) ? Colour::White : Colour::Black;
    const double cx = coordinate(w), cy = coordinate(h);
    double r = radius();
    if (pick(6) == 0) r = std::hypot(cx - uniform(0, w), cy - uniform(0, h));  // edge through the raster
    const int kind = pick(20);
    auto unit = [u](double px) { return float(px / u); };
    if (kind == 0) {
      op.kind = Op::Cls;
    } else if (kind < 3) {
      op = with_fill({Op::PSet, {unit(coordinate(w)), unit(coordinate(h))}, op.colour}, op.fill_style, op.fill_colour);
    } else if (kind < 6) {
      op.kind = Op::Line;
      op.v[0] = unit(cx), op.v[1] = unit(cy), op.v[2] = unit(coordinate(w)), op.v[3] = unit(coordinate(h));
    } else if (kind < 9) {
      op.kind = pick(2) ? Op::Disc : Op::Ring;
      op.v[0] = unit(cx), op.v[1] = unit(cy), op.v[2] = unit(r);
    } else {
      op.kind = Op::Arc;
      op.v[0] = unit(cx), op.v[1] = unit(cy), op.v[2] = unit(r);
      const double a = angle();
      double b = angle();
      if (pick(3) == 0) b = a + std::ldexp(uniform(0.5, 1), -pick(24));  // thin
      op.v[3] = float(std::clamp(a, -6.283185, 6.283185));
      op.v[4] = float(std::clamp(b, -6.283185, 6.283185));
      if (pick(4) == 0) op.v[3] = -std::fabs(op.v[3]), op.v[4] = -std::fabs(op.v[4]);
      if (pick(10) == 0) op.v[4] = pick(2) ? kTwoPiF : -kTwoPiF;
      if (pick(10) == 0) op.v[3] = -0.001f;
    }
    return op;
  }

 private:
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  double uniform(double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng_); }
  double log_uniform(double a, double b) { return std::exp(uniform(std::log(a), std::log(b))); }
  double sign() { return pick(2) ? 1.0 : -1.0; }

  double coordinate(int size) {
    switch (pick(8)) {
      case 0:
        return sign() * log_uniform(1e2, 1e30);
      case 1:
        return std::floor(uniform(-3, size + 3)) + (pick(2) ? 0.5 : 0.0);
      default:
        return uniform(-size * 0.3, size * 1.3);
    }
  }
  double radius() {
    switch (pick(6)) {
      case 0:
        return uniform(0.0, 1.6);
      case 1:
        return log_uniform(50, 1e30);
      case 2:
        return std::floor(uniform(1, 30)) + (pick(2) ? 0.5 : 0.0);
      case 3:
        return -uniform(0, 5);
      default:
        return uniform(1, 40);
    }
  }
  double angle() {
    const double two_pi = 2 * std::numbers::pi;
    switch (pick(8)) {
      case 0:
        return sign() * (two_pi - std::ldexp(1.0, -pick(24)));
      case 1:
        return sign() * pick(5) * std::numbers::pi / 2;
      default:
        return uniform(-two_pi, two_pi);
    }
  }

  std::mt19937 rng_;
};

TEST(SurfaceTest, RandomFiguresMatchReference) {
  constexpr int kW2 = 61, kH2 = 47;
  RandomFigures figures(20240611);
  int changed = 0;  // figures that changed some pixel: the test has teeth
  for (int round = 0; round < 12; ++round) {
    // Twips at 1440 ppi make one unit one pixel, so that pixel centres and
    // whole radii are hit exactly.
    const ScaleMode mode = round % 3 == 0 ? ScaleMode::Twip : round % 3 == 1 ? ScaleMode::Inch : ScaleMode::Millimetre;
    Surface s(kW2, kH2, round % 3 == 0 ? 1440.0 : 96.0);
    s.set_scale_mode(mode);
    ReferenceRaster r(kW2, kH2, s.pixels_per_unit());
    for (int k = 0; k < 400; ++k) {
      const Op op = figures.next(kW2, kH2, s.pixels_per_unit());
      const std::vector<std::uint8_t> before = r.pixels();
      ASSERT_EQ(apply(s, op), apply(r, op)) << op.describe();
      ASSERT_EQ(compare(s, r), "") << "round " << round << " figure " << k << ": " << op.describe();
      changed += before != r.pixels();
    }
  }
  EXPECT_GT(changed, 1500);
}

}  // namespace
}  // namespace vantor

namespace vantor {
namespace {

// Tiles of a canvas, each drawn on its own window surface, put together give
// the whole canvas's pixels: what bands and crops of large rasters rely on.
TEST(SurfaceTest, WindowsOfACanvasTileIt) {
  constexpr int kW = 61, kH = 47;
  struct Tile { int left, top, width, height; };
  const Tile tiles[] = {{0, 0, 17, 13}, {17, 0, 44, 13}, {0, 13, 30, 34}, {30, 13, 31, 34}};
  RandomFigures figures(77);
  for (int round = 0; round < 6; ++round) {
    Surface whole(kW, kH, 96.0);
    std::vector<Surface> windows;
    for (const Tile& t : tiles) windows.push_back(Surface::window_of(kW, kH, 96.0, t.left, t.top, t.width, t.height));
    const ScaleMode mode = round % 2 ? ScaleMode::Inch : ScaleMode::Millimetre;
    whole.set_scale_mode(mode);
    for (Surface& w : windows) {
      w.set_scale_mode(mode);
      ASSERT_EQ(w.scale_width(), whole.scale_width());
    }
    for (int k = 0; k < 300; ++k) {
      const Op op = figures.next(kW, kH, whole.pixels_per_unit());
      const bool drawn = apply(whole, op);
      for (Surface& w : windows) ASSERT_EQ(apply(w, op), drawn) << op.describe();
    }
    for (std::size_t n = 0; n < windows.size(); ++n)
      for (int j = 0; j < tiles[n].height; ++j)
        for (int i = 0; i < tiles[n].width; ++i)
          ASSERT_EQ(windows[n].pixel(i, j), whole.pixel(tiles[n].left + i, tiles[n].top + j))
              << "tile " << n << " pixel " << i << "," << j << " round " << round;
  }
}

}  // namespace
}  // namespace vantor

namespace vantor {
namespace {

// --- deferred sectors, holes and groups -------------------------------------

// Sequences shaped like a disc's drawing, about one centre: covering discs
// (fill and outline in one colour), groups of sectors in one colour between
// them, and the figures that interrupt them (two-colour sectors, unfilled
// arcs, other centres, non-covering circles, lines, psets, cls).  Drawn
// figure by figure on the reference and all at once on the surface, so the
// surface's deferral, holes, groups and skipped discs are all exercised.
class DiscSequences {
 public:
  explicit DiscSequences(unsigned seed) : rng_(seed) {}

  std::vector<Op> next(int w, int h) {
    std::vector<Op> ops;
    const double cx = centre(w), cy = centre(h);
    double r = uniform(0.3, 0.9) * std::max(w, h);
    if (pick(8) == 0) r = uniform(1, 4);
    const Colour material = pick(2) ? Colour::Black : Colour::White;
    if (pick(3)) ops.push_back({Op::Cls});
    ops.push_back(covering(cx, cy, r, material));
    const int tracks = 1 + pick(5);
    // Rays through pixel centres: multiples of pi/4 from a pixel centre.
    const bool octants = pick(4) == 0;
    double covered = r;  // the last covering disc's radius
    for (int t = 0; t < tracks && r > 0.5; ++t) {
      const double track = r - uniform(0, 3);
      const double slot = uniform(0.2, 4);
      const Colour colour = pick(4) ? opposite(material) : material;
      const int count = pick(3) ? 8 + pick(40) : 1 + pick(10);
      const double step = 2 * std::numbers::pi / count;
      const double thin = pick(3) == 0 ? std::ldexp(1.0, -8 - pick(12)) : 0.0;
      for (int k = 0; k < count; ++k) {
        double a = k * step + (pick(2) ? 0.001 : uniform(0, step));
        double b = thin > 0 ? a + thin : a + uniform(0.2, 1.3) * step;
        if (octants) a = pick(9) * std::numbers::pi / 4, b = a + (1 + pick(4)) * std::numbers::pi / 4;
        if (pick(30) == 0) a = 0, b = 2 * std::numbers::pi;  // a full turn
        Op sector = arc(float(cx), float(cy), float(track), -angle(a), -angle(b), colour);
        sector = with_fill(sector, FillStyle::Solid, colour);
        switch (pick(40)) {
          case 0:  // two colours
            sector.fill_colour = opposite(colour);
            break;
          case 1:  // unfilled: an arc with one radius
            sector.v[3] = -sector.v[3];
            break;
          case 2:  // another centre
            sector.v[0] += 0.5f;
            break;
          case 3:
            ops.push_back(line(float(cx), float(cy), float(cx + track), float(cy - track)));
            break;
          case 4:
            ops.push_back(pset(float(cx + uniform(-track, track)), float(cy + uniform(-track, track)), colour));
            break;
          default:
            break;
        }
        ops.push_back(sector);
      }
      double inner = pick(10) == 0 ? track + uniform(0, 2) : track - slot;
      if (pick(8) == 0) inner = covered + uniform(0.5, 3);  // beyond the disc known to be covered
      if (pick(6) == 0)  // a mask whose outline differs: it covers nothing uniformly
        ops.push_back(with_fill(ring(float(cx), float(cy), float(inner), opposite(material)), FillStyle::Solid, material));
      else
        ops.push_back(covering(cx, cy, inner, pick(8) ? material : opposite(material)));
      covered = inner;
      r = inner - slot;
    }
    ops.push_back(with_fill(ring(float(cx), float(cy), float(r * 0.5), Colour::Black), FillStyle::Solid, Colour::White));
    ops.push_back(line(float(cx - r * 0.2), float(cy), float(cx + r * 0.2), float(cy)));
    return ops;
  }

 private:
  static Colour opposite(Colour c) { return c == Colour::Black ? Colour::White : Colour::Black; }
  static Op covering(double cx, double cy, double r, Colour c) {
    return with_fill(ring(float(cx), float(cy), float(r), c), FillStyle::Solid, c);
  }
  static float angle(double a) { return float(std::min(a, 2 * std::numbers::pi)); }
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  double uniform(double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng_); }
  double centre(int size) {
    switch (pick(6)) {
      case 0:
        return std::floor(uniform(0, size)) + 0.5;  // on a pixel centre
      case 1:
        return std::floor(uniform(0, size));  // on a pixel corner
      case 2:
        return uniform(-size * 0.5, size * 1.5);  // perhaps off the raster
      default:
        return uniform(size * 0.3, size * 0.7);
    }
  }

  std::mt19937 rng_;
};

constexpr int kSeqW = 57, kSeqH = 43;

TEST(SurfaceDeferredTest, DiscSequencesDrawnAtOnceMatchReference) {
  DiscSequences sequences(4242);
  for (int round = 0; round < 60; ++round) {
    const std::vector<Op> ops = sequences.next(kSeqW, kSeqH);
    Surface s = pixel_surface(kSeqW, kSeqH);
    ReferenceRaster r(kSeqW, kSeqH, 1.0);
    for (const Op& op : ops) ASSERT_EQ(apply(s, op), apply(r, op)) << op.describe();
    ASSERT_EQ(compare(s, r), "") << "round " << round;
  }
}

// The same sequences on tiles of the canvas, each its own window surface.
TEST(SurfaceDeferredTest, DiscSequencesOnWindowsMatchTheWholeCanvas) {
  struct Tile { int left, top, width, height; };
  const Tile tiles[] = {{0, 0, 20, 43}, {20, 0, 37, 11}, {20, 11, 37, 32}};
  DiscSequences sequences(99);
  for (int round = 0; round < 30; ++round) {
    const std::vector<Op> ops = sequences.next(kSeqW, kSeqH);
    ReferenceRaster r(kSeqW, kSeqH, 1.0);
    for (const Op& op : ops) apply(r, op);
    for (const Tile& t : tiles) {
      Surface w = Surface::window_of(kSeqW, kSeqH, 1440.0, t.left, t.top, t.width, t.height);
      for (const Op& op : ops) apply(w, op);
      for (int j = 0; j < t.height; ++j)
        for (int i = 0; i < t.width; ++i)
          ASSERT_EQ(w.pixel(i, j), r.pixel(t.left + i, t.top + j))
              << "round " << round << " tile at " << t.left << "," << t.top << " pixel " << i << "," << j;
    }
  }
}

// A fine track: hundreds of sectors in one colour in a thin ring, so that
// the group is filled pixel by pixel of the ring, with gaps between slots
// from none (overlapping slots) to a few millionths of a turn, slots through
// zero and the odd full turn.
TEST(SurfaceDeferredTest, FineTracksMatchReference) {
  std::mt19937 rng(2718);
  auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
  constexpr int kW3 = 45, kH3 = 37;
  for (int round = 0; round < 6; ++round) {
    Surface s = pixel_surface(kW3, kH3);
    ReferenceRaster r(kW3, kH3, 1.0);
    const float cx = float(uniform(15, 30)), cy = float(uniform(12, 25)), radius = float(uniform(10, 22));
    const Colour material = round % 2 ? Colour::Black : Colour::White, slot = round % 2 ? Colour::White : Colour::Black;
    std::vector<Op> ops = {{Op::Cls}, solid(ring(cx, cy, radius + 2, material), material)};
    const int count = 200 + 40 * round;
    const double step = 2 * std::numbers::pi / count;
    for (int k = 0; k < count; ++k) {
      const double start = k * step + (k == 0 ? 0.001 : 0.0);
      double end = start + step * (round % 3 == 0 ? uniform(0.95, 1.05) : uniform(0.3, 1.0));
      if (k % 37 == 5) end = start + step - std::ldexp(step, -20);  // a gap of a millionth of a slot
      if (k == count - 1) end = std::fmod(end, 2 * std::numbers::pi);  // through zero
      const bool full = k == count / 2 && round == 4;
      const float a1 = full ? -kTwoPiF : -float(start), a2 = full ? -kTwoPiF : -float(std::max(end, 1e-3));
      ops.push_back(solid(arc(cx, cy, radius, a1, a2, slot), slot));
    }
    ops.push_back(solid(ring(cx, cy, radius - float(uniform(0.5, 3)), material), material));
    for (const Op& op : ops) ASSERT_EQ(apply(s, op), apply(r, op)) << op.describe();
    ASSERT_EQ(compare(s, r), "") << "round " << round;
  }
}

// Regressions of the deferred drawing, each the smallest sequence found.
struct DeferredCase {
  const char* name;
  std::vector<Op> ops;
};

class SurfaceDeferredRegressionTest : public testing::TestWithParam<DeferredCase> {};

TEST_P(SurfaceDeferredRegressionTest, MatchesReference) {
  Surface s = pixel_surface();
  ReferenceRaster r(kW, kH, 1.0);
  for (const Op& op : GetParam().ops) ASSERT_EQ(apply(s, op), apply(r, op)) << op.describe();
  EXPECT_EQ(compare(s, r), "");
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, SurfaceDeferredRegressionTest,
    testing::Values(
        // The mask was skipped as already black while the radii, whose
        // first steps are skipped only where they surely lie in it, had
        // painted a few white pixels inside it.
        DeferredCase{"RadiusEndsInsideASkippedMask",
                     {solid(ring(20.5f, 16.5f, 15, Colour::Black), Colour::Black),
                      solid(arc(20.5f, 16.5f, 13, -1.5707964f, -1.6f, Colour::White), Colour::White),
                      solid(ring(20.5f, 16.5f, 12.9f, Colour::Black), Colour::Black)}},
        // A sector under a pixel wide: its radii are the centre's pixel
        // alone, a line of no steps, which was drawn untested.
        DeferredCase{"OnePixelRadiusInsideASkippedMask",
                     {solid(ring(20.5f, 16.5f, 12, Colour::Black), Colour::Black),
                      solid(arc(20.5f, 16.5f, 0.3f, -1.0f, -2.0f, Colour::White), Colour::White),
                      solid(ring(20.5f, 16.5f, 5, Colour::Black), Colour::Black)}},
        // A covering disc after sectors of another centre: no hole for them.
        DeferredCase{"SectorsOfAnotherCentreKeepTheirPixels",
                     {solid(arc(10.5f, 16.5f, 9, -0.2f, -2.0f, Colour::White), Colour::White),
                      solid(ring(20.5f, 16.5f, 8, Colour::White), Colour::White)}},
        // A cls drops the sectors that wait: they are painted over.
        DeferredCase{"ClsAfterWaitingSectors",
                     {solid(arc(20, 16, 12, -0.5f, -2.5f, Colour::Black), Colour::Black), {Op::Cls},
                      solid(arc(20, 16, 12, -3.5f, -5.5f, Colour::Black), Colour::Black)}},
        // A centre far to the left, a hair above row 16's centres: their
        // angle, 2pi less 4e-16, rounds to 2pi, the end of the pieces that
        // these sectors through zero have before it.
        DeferredCase{"AngleRoundedUpToAFullTurnInAGroup",
                     [] {
                       std::vector<Op> ops;
                       for (int k = 0; k < 160; ++k)
                         ops.push_back(solid(arc(-5e9f, 16.499998f, 6e9f, -(6.0f + 0.001f * k), -1.0f), Colour::Black));
                       return ops;
                     }()},
        // A group of sectors through zero, full turns among them.
        DeferredCase{"GroupThroughZeroWithAFullTurn",
                     {solid(ring(20, 16, 18, Colour::Black), Colour::Black),
                      solid(arc(20, 16, 16, -6.0f, -0.3f, Colour::White), Colour::White),
                      solid(arc(20, 16, 16, -1.0f, -1.1f, Colour::White), Colour::White),
                      solid(arc(20, 16, 16, -2.0f, -2.1f, Colour::White), Colour::White),
                      solid(arc(20, 16, 16, -3.0f, -3.1f, Colour::White), Colour::White),
                      solid(arc(20, 16, 16, -4.0f, -4.1f, Colour::White), Colour::White),
                      solid(arc(20, 16, 16, -kTwoPiF, -kTwoPiF, Colour::White), Colour::White),
                      solid(arc(20, 16, 16, -5.0f, -5.1f, Colour::White), Colour::White),
                      solid(arc(20, 16, 16, -5.5f, -5.6f, Colour::White), Colour::White),
                      solid(ring(20, 16, 6, Colour::Black), Colour::Black)}}),
    [](const testing::TestParamInfo<DeferredCase>& info) { return std::string(info.param.name); });

// A waiting sector keeps the unit it was given in.
TEST(SurfaceDeferredTest, AUnitChangeDoesNotMoveAWaitingSector) {
  Surface s = pixel_surface();
  s.set_fill_style(FillStyle::Solid);
  ASSERT_TRUE(s.circle(20, 16, 12, Colour::Black, -0.5f, -2.5f));
  s.set_scale_mode(ScaleMode::Inch);
  ReferenceRaster r(kW, kH, 1.0);
  r.set_fill(FillStyle::Solid, Colour::Black);
  ASSERT_TRUE(r.circle(20, 16, 12, Colour::Black, -0.5f, -2.5f));
  EXPECT_EQ(compare(s, r), "");
}

// Reading a surface draws what waits; a copy draws its own.
TEST(SurfaceDeferredTest, ReadsAndCopiesSeeEveryFigure) {
  Surface s = pixel_surface();
  s.set_fill_style(FillStyle::Solid);
  ASSERT_TRUE(s.circle(20, 16, 10, Colour::Black, -0.5f, -2.0f));
  const Surface copy = s;
  EXPECT_EQ(copy.pixel(20, 10), Colour::Black);
  EXPECT_EQ(s.pixel(20, 10), Colour::Black);
  ASSERT_TRUE(s.circle(20, 16, 10, Colour::Black, -3.5f, -5.0f));
  EXPECT_EQ(s.data()[22 * kW + 20], static_cast<std::uint8_t>(Colour::Black));
  EXPECT_FALSE(s == copy);
}

// Writing through data() is seen by the next figures: a disc that was known
// to be black is drawn again after a pixel in it was turned white.
TEST(SurfaceDeferredTest, WritesThroughDataAreNotPaintedOver) {
  Surface s = pixel_surface();
  s.set_fill_style(FillStyle::Solid);
  ASSERT_TRUE(s.circle(20, 16, 12, Colour::Black));
  s.data()[16 * kW + 20] = static_cast<std::uint8_t>(Colour::White);
  ASSERT_TRUE(s.circle(20, 16, 6, Colour::Black));
  EXPECT_EQ(s.pixel(20, 16), Colour::Black);
}

// Bands drawn one after the other in one moved window give the canvas.
TEST(SurfaceDeferredTest, AMovedWindowDrawsEachBand) {
  DiscSequences sequences(5);
  const std::vector<Op> ops = sequences.next(kSeqW, kSeqH);
  ReferenceRaster r(kSeqW, kSeqH, 1.0);
  for (const Op& op : ops) apply(r, op);
  Surface band = Surface::window_of(kSeqW, kSeqH, 1440.0, 0, 0, kSeqW, 11);
  for (int top = 0; top < kSeqH; top += 11) {
    band.move_window(0, top);
    band.cls();
    for (const Op& op : ops) apply(band, op);
    for (int j = 0; j < 11 && top + j < kSeqH; ++j)
      for (int i = 0; i < kSeqW; ++i) ASSERT_EQ(band.pixel(i, j), r.pixel(i, top + j)) << i << "," << top + j;
  }
}

// --- the figure log ----------------------------------------------------------

TEST(FigureLogTest, RecordsAcceptedCallsWithTheirPixels) {
  std::vector<Figure> log;
  Surface s = Surface::window_of(200, 100, 96.0, 50, 10, 20, 20);
  s.set_recorder(&log);
  s.set_scale_mode(ScaleMode::Inch);
  s.cls();
  s.set_fill_style(FillStyle::Solid);
  s.set_fill_colour(Colour::White);
  ASSERT_TRUE(s.circle(1.0f, 0.5f, 0.25f, Colour::Black, -kTwoPiF, -1.0f));
  ASSERT_FALSE(s.circle(kNaN, 0.5f, 0.25f));  // refused: not recorded
  ASSERT_TRUE(s.line(0, 0, 0.5f, 0.25f));
  s.pset(0.01f, 0.01f, Colour::Black);  // on the canvas, off the window: recorded
  s.pset(3.0f, 0.01f, Colour::Black);   // off the canvas
  s.set_recorder(nullptr);
  ASSERT_TRUE(s.circle(1, 1, 1));
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0].kind, FigureKind::Cls);
  const Figure& a = log[1];
  EXPECT_EQ(a.kind, FigureKind::Arc);
  EXPECT_EQ(a.unit, ScaleMode::Inch);
  EXPECT_DOUBLE_EQ(a.px1, 96.0);
  EXPECT_DOUBLE_EQ(a.py1, 48.0);
  EXPECT_DOUBLE_EQ(a.pr, 24.0);
  EXPECT_EQ(a.start, 0.0);  // a start of a full turn is 0
  EXPECT_DOUBLE_EQ(a.end, 1.0);
  EXPECT_TRUE(a.filled());
  EXPECT_TRUE(a.start_radius() && a.end_radius());
  EXPECT_EQ(a.colour, Colour::Black);
  EXPECT_EQ(a.fill_colour, Colour::White);
  EXPECT_EQ(log[2].kind, FigureKind::Line);
  EXPECT_DOUBLE_EQ(log[2].px2, 48.0);
  EXPECT_EQ(log[3].kind, FigureKind::PSet);
}

TEST(FigureLogTest, ACopyDoesNotRecord) {
  std::vector<Figure> log;
  Surface s = pixel_surface();
  s.set_recorder(&log);
  Surface copy = s;
  copy.cls();
  EXPECT_TRUE(log.empty());
}

// A recorded drawing replayed on a fresh surface, and the log reference
// evaluated row by row, both give the drawing's pixels.
TEST(FigureLogTest, ReplayAndLogReferenceGiveTheDrawing) {
  RandomFigures figures(31337);
  DiscSequences sequences(7);
  for (int round = 0; round < 16; ++round) {
    std::vector<Op> ops = sequences.next(kSeqW, kSeqH);
    for (int k = 0; k < 40; ++k) ops.push_back(figures.next(kSeqW, kSeqH, 1.0));
    std::vector<Figure> log;
    Surface s = pixel_surface(kSeqW, kSeqH);
    s.set_recorder(&log);
    ReferenceRaster r(kSeqW, kSeqH, 1.0);
    for (const Op& op : ops) ASSERT_EQ(apply(s, op), apply(r, op)) << op.describe();
    Surface replayed = pixel_surface(kSeqW, kSeqH);
    replay(log, replayed);
    ASSERT_EQ(compare(replayed, r), "") << "round " << round;
    const test::LogReference reference(log);
    std::vector<std::uint8_t> row(kSeqW + 6);
    for (int j = -2; j < kSeqH + 2; ++j) {
      reference.row(j, -3, row);
      for (int i = -3; i < kSeqW + 3; ++i) {
        const bool inside = i >= 0 && j >= 0 && i < kSeqW && j < kSeqH;
        const auto expected = static_cast<std::uint8_t>(inside ? r.pixel(i, j) : Colour::White);
        if (inside) {
          ASSERT_EQ(row[i + 3], expected) << round << ": " << i << "," << j;
        }
      }
    }
  }
}

// --- radius ends without std::cos and std::sin --------------------------------

TEST(RasterTest, RadiusEndsFallInTheExactEndsPixel) {
  std::mt19937 rng(8);
  std::uniform_real_distribution<double> angle(0.0, 2 * std::numbers::pi), coordinate(-3000.0, 3000.0);
  int near_edges = 0;
  for (int k = 0; k < 200000; ++k) {
    const double m = k % 7 == 0 ? k * (std::numbers::pi / 4) / 7 : angle(rng);
    raster::PixelCircle c{coordinate(rng), coordinate(rng), std::fabs(coordinate(rng)) + 0.5};
    if (k % 3 == 0) c.cx = std::round(c.cx) - c.r * std::cos(m);  // the exact end on a pixel edge
    double x, y;
    raster::radius_end(c, m, x, y);
    const double ex = c.cx + c.r * std::cos(m), ey = c.cy - c.r * std::sin(m);
    near_edges += ex == std::floor(ex);
    ASSERT_EQ(std::floor(x), std::floor(ex)) << m << " " << c.cx << " " << c.r;
    ASSERT_EQ(std::floor(y), std::floor(ey)) << m << " " << c.cy << " " << c.r;
  }
  EXPECT_GT(near_edges, 1000);
}

}  // namespace
}  // namespace vantor
