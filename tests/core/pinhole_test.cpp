// A filled figure leaves no pixel inside its outline in an older colour.
// The radius of a sector is a line between pixel corners that strays to
// either side of the exact edge, and the fill once stopped at the exact
// edge, so single pixels between the two kept the colour under the slot:
// pinholes in film made from the picture.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <variant>
#include <vector>

#include "pinholes.h"
#include "render/render_args.h"
#include "request/request.h"
#include "surface/figures.h"
#include "surface/surface.h"

namespace vantor {
namespace {

struct Design {
  const char* name;
  std::vector<std::string> args;  // a vantor-render command line
};

class DesignPinholeTest : public testing::TestWithParam<Design> {};

TEST_P(DesignPinholeTest, NoPixelInsideASlotKeepsTheDiscColour) {
  std::vector<std::string> args = GetParam().args;
  args.insert(args.end(), {"-o", "unused.bmp"});
  const RenderRequest request = std::get<RenderRequest>(parse_render_args(args));
  Surface drawing = Surface::for_picture(request.dpi);
  std::vector<Figure> log;
  drawing.set_recorder(&log);
  ASSERT_EQ(draw_disc(request, drawing).message, Message::None);
  EXPECT_EQ(test::drawing_pinholes(log, drawing), std::vector<test::CanvasPixel>{});
}

// Each had pinholes on the straight edges of its slots, enclosed or open to
// one side at a slot's corner: 8 on the design-time incremental disc, the
// same 8 in white in its inverse, 62 at 100 slots and 600 per inch, 34 on
// the absolute disc of 8 bits at 600 per inch.
INSTANTIATE_TEST_SUITE_P(
    Designs, DesignPinholeTest,
    testing::Values(Design{"incremental_design_time", {"incremental"}},
                    Design{"incremental_inverse", {"incremental", "--inverse"}},
                    Design{"incremental_100_at_600", {"incremental", "RES=100", "--dpi", "600"}},
                    Design{"absolute_8_bits_at_600", {"absolute", "Res_exp=8", "--dpi", "600"}}),
    [](const testing::TestParamInfo<Design>& info) { return std::string(info.param.name); });

// Sectors of up to half a turn, a slot's shape, anywhere on the pixel grid:
// centres on pixel centres and corners, radii from a pixel to past the
// raster, thin ones among them.  (Past half a turn the sector leaves out a
// wedge, and where that wedge is narrower than its radii stray, they can
// enclose pockets of it between them.)
TEST(SectorPinholeTest, RandomSectorsUpToHalfATurnLeaveNone) {
  constexpr int kSide = 64;
  std::mt19937 rng(90210);
  auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
  for (int round = 0; round < 600; ++round) {
    double cx = uniform(8, 56), cy = uniform(8, 56);
    if (round % 4 == 1) cx = std::floor(cx) + 0.5, cy = std::floor(cy) + 0.5;
    if (round % 4 == 2) cx = std::floor(cx), cy = std::floor(cy);
    const double start = uniform(0, 2 * std::numbers::pi);
    const double width = round % 3 == 0 ? uniform(0, 0.3) : uniform(0, std::numbers::pi);
    const float a1 = -float(std::max(start, 1e-3));
    const float a2 = -float(std::max(std::fmod(start + width, 2 * std::numbers::pi), 1e-3));
    std::vector<Figure> log;
    Surface s(kSide, kSide, 1440.0);  // twips: one unit is one pixel
    s.set_recorder(&log);
    s.set_fill_style(FillStyle::Solid);
    ASSERT_TRUE(s.circle(float(cx), float(cy), float(uniform(0.5, 50)), Colour::Black, a1, a2));
    EXPECT_EQ(test::figure_pinholes(log.back(), kSide, kSide, 1440.0), std::vector<test::CanvasPixel>{}) << "round " << round;
  }
}

}  // namespace
}  // namespace vantor
