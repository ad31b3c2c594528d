// Whole designs, random ones from the bytes that fuzz_renderers reads and
// the design-time discs on the screen picture, drawn in every way the
// program draws them against the log reference (fuzz/design_args.h).
#include <gtest/gtest.h>

#include <random>

#include "design_args.h"

namespace vantor {
namespace {

// The design-time discs on the screen picture, an absolute one of 12 tracks
// whose finest track is below a pixel's width all round, then random ones.
TEST(DrawingIdentityTest, DesignTimeAndRandomDesigns) {
  fuzz::DesignCase absolute, fine, incremental, inverse;
  absolute.absolute = fine.absolute = true;
  fine.abs.resolution_exp = 12;
  inverse.polarity = Polarity::Inverse;
  std::vector<fuzz::DesignCase> cases = {absolute, fine, incremental, inverse};
  for (fuzz::DesignCase& d : cases) d.width = Surface::picture_width(), d.height = Surface::picture_height();
  std::mt19937 rng(1234);
  for (int round = 0; round < 120; ++round) {
    std::vector<std::uint8_t> bytes(64);
    for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(rng());
    fuzz::Input in(bytes.data(), bytes.size());
    cases.push_back(fuzz::design_case(in));
  }
  for (std::size_t k = 0; k < cases.size(); ++k)
    EXPECT_EQ(fuzz::check_ways(cases[k]), "") << "case " << k << (cases[k].absolute ? " absolute" : " incremental");
}

}  // namespace
}  // namespace vantor
