// Whole designs, random ones from the bytes that fuzz_renderers reads and
// the design-time discs on the screen picture, drawn in every way the
// program draws them against the log reference (fuzz/design_args.h).
#include <gtest/gtest.h>

#include <random>

#include "design_args.h"

namespace vantor {
namespace {

TEST(DrawingIdentityTest, RandomDesigns) {
  std::mt19937 rng(1234);
  for (int round = 0; round < 120; ++round) {
    std::vector<std::uint8_t> bytes(64);
    for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(rng());
    fuzz::Input in(bytes.data(), bytes.size());
    const fuzz::DesignCase d = fuzz::design_case(in);
    ASSERT_EQ(fuzz::check_ways(d), "") << "round " << round << (d.absolute ? " absolute" : " incremental");
  }
}

// An absolute disc whose finest track is below a pixel's width all round.
TEST(DrawingIdentityTest, DesignTimeDiscs) {
  fuzz::DesignCase absolute, fine, incremental, inverse;
  absolute.absolute = fine.absolute = true;
  fine.abs.resolution_exp = 12;
  inverse.polarity = Polarity::Inverse;
  const std::pair<const char*, fuzz::DesignCase> cases[] = {
      {"absolute", absolute}, {"absolute, 12 tracks", fine}, {"incremental", incremental}, {"incremental inverse", inverse}};
  for (auto [name, d] : cases) {
    d.width = Surface::picture_width(), d.height = Surface::picture_height();
    EXPECT_EQ(fuzz::check_ways(d), "") << name;
  }
}

}  // namespace
}  // namespace vantor
