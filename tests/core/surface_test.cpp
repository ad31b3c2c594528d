// The drawing surface against the reference rasteriser: random programs of
// surface calls (the generator that fuzz_surface uses, fuzz/surface_args.h)
// and the sequences that once went wrong; and far lines, whose clipping the
// reference shares, against pixels worked out by hand.
#include "surface/surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "reference_raster.h"
#include "surface/figures.h"
#include "surface_args.h"

namespace vantor {
namespace {

using test::ReferenceRaster;

TEST(SurfaceTest, RandomProgramsMatchTheReference) {
  std::mt19937 rng(20240611);
  int compared = 0;
  for (int round = 0; round < 600; ++round) {
    std::vector<std::uint8_t> bytes(700);
    for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(rng());
    // At most 64 x 64 pixels at a listed density, so that the reference
    // draws it too.
    bytes[0] = static_cast<std::uint8_t>(rng() % 65), bytes[1] = 0;
    bytes[2] = static_cast<std::uint8_t>(rng() % 65), bytes[3] = 0;
    bytes[4] = static_cast<std::uint8_t>(rng() % 240), bytes[5] &= 0x7f;
    fuzz::Input in(bytes.data(), bytes.size());
    fuzz::SurfaceProgram program(in);
    ASSERT_EQ(program.run(), "") << "round " << round;
    compared += program.compared();
  }
  EXPECT_GT(compared, 550);
}

// Logs of a few figures, each replayed in bands of one row that get only
// the figures whose rows reach them: every band holds the whole canvas's
// row.  The figures are small and lie on a cleared canvas, and the sectors
// of a track are followed by its mask, so a figure whose rows are bounded
// too tightly loses a pixel that shows.
TEST(SurfaceTest, LogsReplayedInBandsMatchTheWholeCanvas) {
  constexpr int kW = 48, kH = 40;
  std::mt19937 rng(20261207);
  auto uniform = [&](double lo, double hi) { return static_cast<float>(std::uniform_real_distribution<double>(lo, hi)(rng)); };
  for (int round = 0; round < 2000; ++round) {
    Surface whole(kW, kH, 1440);
    std::vector<Figure> log;
    whole.set_recorder(&log);
    whole.cls();
    for (int k = 0; k < 3; ++k) {
      const float x = uniform(-4, kW + 4), y = uniform(-4, kH + 4), r = uniform(0, 16);
      const Colour c = rng() % 4 == 0 ? Colour::White : Colour::Black;
      whole.set_fill_style(rng() % 3 == 0 ? FillStyle::Transparent : FillStyle::Solid);
      whole.set_fill_colour(rng() % 2 ? Colour::Black : Colour::White);
      switch (rng() % 5) {
        case 0:
          (void)whole.circle(x, y, r, c);
          break;
        case 1:
          (void)whole.line(x, y, x + uniform(-20, 20), y + uniform(-20, 20), c);
          break;
        case 2:
          whole.pset(x, y, c);
          break;
        case 3:
          (void)whole.circle(x, y, r, c, uniform(-6.3, 6.3), uniform(-6.3, 6.3));
          break;
        default: {
          // A track: white sectors on black, then its mask.
          whole.set_fill_style(FillStyle::Solid);
          (void)whole.circle(x, y, r + 3, Colour::Black);
          whole.set_fill_colour(Colour::White);
          for (int n = 1 + static_cast<int>(rng() % 5); n > 0; --n)
            (void)whole.circle(x, y, r, Colour::White, -uniform(0, 6.3), -uniform(0, 6.3));
          whole.set_fill_colour(Colour::Black);
          (void)whole.circle(x, y, uniform(0, r + 1), Colour::Black);
        }
      }
    }
    whole.set_recorder(nullptr);
    const std::vector<FigureRows> rows = figure_rows(log);
    for (int top = 0; top < kH; ++top) {
      Surface band = Surface::window_of(kW, kH, 1440, 0, top, kW, 1);
      replay(log, rows, band);
      ASSERT_TRUE(std::equal(band.data(), band.data() + kW, whole.data() + kW * top)) << "round " << round << ", row " << top;
    }
  }
}

// One call, applied alike to the surface and to the reference, in pixels
// (twips at 1440 ppi).
struct Op {
  enum Kind { Circle, Arc, Cls } kind;
  float x = 0, y = 0, r = 0, a1 = 0, a2 = 0;
  Colour colour = Colour::Black;  // and the fill colour
};
Op covering(float x, float y, float r, Colour c) { return {Op::Circle, x, y, r, 0, 0, c}; }
Op sector(float x, float y, float r, float a1, float a2, Colour c) { return {Op::Arc, x, y, r, a1, a2, c}; }

struct Sequence {
  const char* name;
  int width, height;
  double ppi;
  ScaleMode mode;
  std::vector<Op> ops;
};

// Sequences that the surface once drew wrong, each the smallest found.
const Sequence kRegressions[] = {
    // The mask was skipped as already black while the radii had painted a
    // few white pixels inside it.
    {"RadiusEndsInsideASkippedMask", 41, 33, 1440, ScaleMode::Twip,
     {covering(20.5f, 16.5f, 15, Colour::Black), sector(20.5f, 16.5f, 13, -1.5707964f, -1.6f, Colour::White),
      covering(20.5f, 16.5f, 12.9f, Colour::Black)}},
    // A sector under a pixel wide: its radii are the centre's pixel alone,
    // a line of no steps, which was drawn untested.
    {"OnePixelRadiusInsideASkippedMask", 41, 33, 1440, ScaleMode::Twip,
     {covering(20.5f, 16.5f, 12, Colour::Black), sector(20.5f, 16.5f, 0.3f, -1.0f, -2.0f, Colour::White),
      covering(20.5f, 16.5f, 5, Colour::Black)}},
    {"SectorsOfAnotherCentreKeepTheirPixels", 41, 33, 1440, ScaleMode::Twip,
     {sector(10.5f, 16.5f, 9, -0.2f, -2.0f, Colour::White), covering(20.5f, 16.5f, 8, Colour::White)}},
    {"ClsAfterWaitingSectors", 41, 33, 1440, ScaleMode::Twip,
     {sector(20, 16, 12, -0.5f, -2.5f, Colour::Black), {Op::Cls}, sector(20, 16, 12, -3.5f, -5.5f, Colour::Black)}},
    // A centre far to the left, a hair above row 16's centres: their angle,
    // 2pi less 4e-16, rounds to 2pi, the end of the pieces that these
    // sectors through zero have before it.
    {"AngleRoundedUpToAFullTurnInAGroup", 41, 33, 1440, ScaleMode::Twip,
     [] {
       std::vector<Op> ops;
       for (int k = 0; k < 160; ++k) ops.push_back(sector(-5e9f, 16.499998f, 6e9f, -(6.0f + 0.001f * k), -1.0f, Colour::Black));
       return ops;
     }()},
    {"GroupThroughZeroWithAFullTurn", 41, 33, 1440, ScaleMode::Twip,
     {covering(20, 16, 18, Colour::Black), sector(20, 16, 16, -6.0f, -0.3f, Colour::White),
      sector(20, 16, 16, -1.0f, -1.1f, Colour::White), sector(20, 16, 16, -2.0f, -2.1f, Colour::White),
      sector(20, 16, 16, -3.0f, -3.1f, Colour::White), sector(20, 16, 16, -4.0f, -4.1f, Colour::White),
      sector(20, 16, 16, -6.2831855f, -6.2831855f, Colour::White), sector(20, 16, 16, -5.0f, -5.1f, Colour::White),
      sector(20, 16, 16, -5.5f, -5.6f, Colour::White), covering(20, 16, 6, Colour::Black)}},
    // A radius whose far end lies beyond the far limit was drawn whole,
    // inside a mask then skipped as already black.
    {"FarRadiusInsideASkippedMask", 41, 33, 1440, ScaleMode::Twip,
     {covering(20.5f, 16.5f, 2.45e32f, Colour::Black), sector(20.5f, 16.5f, 2.23e32f, 3.1415927f, -3.1446607f, Colour::White),
      covering(20.5f, 16.5f, 7.875e30f, Colour::Black)}},
    // The disc rule compares squares in double: from a radius of about
    // 1.3e154 pixels the squares are infinite and the rule as written
    // covers pixels however far outside the disc.  Found at 2.1e272 ppi.
    {"DiscWhoseSquaresOverflow", 1, 1, 1e200, ScaleMode::Inch, {covering(0, 3, 2, Colour::Black)}},
};

TEST(SurfaceTest, RegressionsMatchTheReference) {
  for (const Sequence& c : kRegressions) {
    SCOPED_TRACE(c.name);
    Surface s(c.width, c.height, c.ppi);
    s.set_scale_mode(c.mode);
    ReferenceRaster r(c.width, c.height, s.pixels_per_unit());
    s.set_fill_style(FillStyle::Solid);
    for (const Op& op : c.ops) {
      s.set_fill_colour(op.colour), r.set_fill(FillStyle::Solid, op.colour);
      if (op.kind == Op::Cls) s.cls(), r.cls();
      const bool arc = op.kind == Op::Arc;
      if (op.kind != Op::Cls) {
        ASSERT_EQ(arc ? s.circle(op.x, op.y, op.r, op.colour, op.a1, op.a2) : s.circle(op.x, op.y, op.r, op.colour),
                  arc ? r.circle(op.x, op.y, op.r, op.colour, op.a1, op.a2) : r.circle(op.x, op.y, op.r, op.colour));
      }
    }
    EXPECT_TRUE(std::equal(r.pixels().begin(), r.pixels().end(), s.data()));
  }
}

// A disc's tracks drawn in bands of a few rows, as an export draws them:
// every band holds the rows that the reference gives the whole canvas.  A
// group of sectors leaves out those whose rows miss the band, so a sector
// whose fill, radius or closing pixels reach a band's edge by a pixel is
// where a bound that is too tight shows.
TEST(SurfaceTest, TracksDrawnInBandsMatchTheReference) {
  constexpr int kW = 83, kH = 77;
  // Centre x and y, rim, hole (0: none), slots of the track (bars between
  // them as wide), the first slot's start in radians.
  const float discs[][6] = {{41.5f, 38.5f, 36, 14, 97, 0.003f},
                            {40.27f, 37.81f, 35.5f, 9.3f, 40, 1.5707964f},
                            {47.9f, 30.15f, 44, 30.5f, 16, 3.1f},
                            {40.5f, 38.5f, 20, 0, 64, 0}};
  for (const auto& d : discs) {
    // paint(r, colour, a1, a2): a full circle when a1 > 0.
    auto draw = [&](auto paint) {
      paint(d[2] + 2, Colour::Black, 1.f, 0.f);
      const float step = 3.1415927f / d[4];
      for (int k = 0; k < d[4]; ++k) paint(d[2], Colour::White, -(d[5] + 2 * k * step), -(d[5] + (2 * k + 1) * step));
      if (d[3] > 0) paint(d[3], Colour::Black, 1.f, 0.f);
    };
    ReferenceRaster whole(kW, kH, 1.0);
    draw([&](float r, Colour c, float a1, float a2) {
      whole.set_fill(FillStyle::Solid, c);
      (void)(a1 > 0 ? whole.circle(d[0], d[1], r, c) : whole.circle(d[0], d[1], r, c, a1, a2));
    });
    for (const int rows : {1, 2, 5, 11}) {
      Surface band = Surface::window_of(kW, kH, 1440, 0, 0, kW, rows);
      band.set_fill_style(FillStyle::Solid);
      for (int top = 0; top + rows <= kH; top += rows) {
        band.move_window(0, top);
        band.cls();
        draw([&](float r, Colour c, float a1, float a2) {
          band.set_fill_colour(c);
          (void)(a1 > 0 ? band.circle(d[0], d[1], r, c) : band.circle(d[0], d[1], r, c, a1, a2));
        });
        ASSERT_TRUE(std::equal(band.data(), band.data() + kW * rows, whole.pixels().begin() + kW * top))
            << d[4] << " slots, " << rows << " rows from " << top;
      }
    }
  }
}

// Regression: at densities whose picture does not fit an int the size
// wrapped around (1e10 ppi gave -333202105 pixels), from 1e18 ppi the
// twips overflowed a long, and at 1e308 the difference was NaN.
TEST(SurfaceTest, PictureSizeIsNeverNegative) {
  for (double ppi : {3e8, 1e10, 1e19, 1e300, std::numeric_limits<double>::max()})
    EXPECT_GE(std::min(Surface::picture_width(ppi), Surface::picture_height(ppi)), 0) << ppi;
}

// Far end points move along the line into the square of 2^28 pixels, so
// the line keeps its direction; one inch is 96 pixels in every unit.
TEST(SurfaceTest, FarLinesKeepTheirDirectionAndUnitsPlaceThem) {
  Surface s(61, 47, 1440.0);
  ASSERT_TRUE(s.line(10.5f, 10.5f, 1e30f, 1e30f));    // one end far
  ASSERT_TRUE(s.line(-1e30f, 5.5f, 1e30f, 5.5f));     // both ends far
  ASSERT_TRUE(s.line(-3e35f, 3e35f, 3e35f, -3e35f));  // both far, through the origin
  ASSERT_TRUE(s.line(50.5f, 2e30f, 50.5f, 40.5f));    // far end first
  for (int j = 0; j < 47; ++j)
    for (int i = 0; i < 61; ++i) {
      const bool on = (i == j && i >= 10) || j == 5 || (i == 0 && j == 0) || (i == 50 && j >= 40);
      ASSERT_EQ(s.pixel(i, j) == Colour::Black, on) << i << "," << j;
    }
  for (auto [mode, inch] : {std::pair{ScaleMode::Inch, 1.0f}, {ScaleMode::Millimetre, 25.4f}, {ScaleMode::Twip, 1440.0f}}) {
    Surface p(200, 1);
    p.set_scale_mode(mode);
    p.pset(inch * 1.005f, 0, Colour::Black);
    EXPECT_EQ(p.pixel(96, 0), Colour::Black) << static_cast<int>(mode);
  }
}

}  // namespace
}  // namespace vantor
