// The first slot of a track with very narrow slots.  Its start once lay
// 0.001 rad into the slot whatever the slot's width, so a slot narrower
// than that started past its end and the figure ran round the whole track:
// every absolute disc of 13 bits or more, and every incremental disc of more
// than 3141 slots a turn, came out with an open ring for a track.  Sampled
// here at 40,000 pixels per inch around the first slots' starts, in the
// middles of the bars after them and of the second slots.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

#include "absolute/absolute_design.h"
#include "render/render_args.h"
#include "request/disc_job.h"

namespace vantor {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr int kDpi = 40000;

struct NarrowSlots {
  const char* name;
  std::vector<std::string> args;  // a vantor-render command line
  double slot;                    // the slot's angular width, balance included
  bool absolute;
};

void PrintTo(const NarrowSlots& c, std::ostream* os) { *os << c.name; }

// The colour at (r inches, angle a) from the disc's centre.
Colour pixel_at(const DiscJob& job, double r, double a) {
  Surface probe = Surface::window_of(job.canvas_width(), job.canvas_height(), kDpi, 0, 0, 1, 1);
  probe.set_scale_mode(ScaleMode::Inch);
  const double cx = static_cast<double>(probe.scale_width() / 2) * kDpi;
  const double cy = static_cast<double>(probe.scale_height() / 2) * kDpi;
  const int x = static_cast<int>(std::floor(cx + r * kDpi * std::cos(a)));
  const int y = static_cast<int>(std::floor(cy - r * kDpi * std::sin(a)));
  Surface window = job.band({x, y, 1, 1}, 0, 1);
  EXPECT_EQ(job.draw(window), Message::None);
  return window.pixel(0, 0);
}

class NarrowSlotTest : public testing::TestWithParam<NarrowSlots> {};

TEST_P(NarrowSlotTest, FirstSlotBarAndSecondSlot) {
  const NarrowSlots& c = GetParam();
  std::vector<std::string> args = c.args;
  args.insert(args.end(), {"--dpi", std::to_string(kDpi), "-o", "unused.bmp"});
  const auto parsed = parse_render_args(args);
  ASSERT_TRUE(std::holds_alternative<RenderRequest>(parsed));
  const RenderRequest& request = std::get<RenderRequest>(parsed);
  const DiscJob job(request);
  // The outermost track's middle radius.
  double r = 0.8125;  // the incremental design's first track, 0.75 ... 0.875 in
  double cycle = 2 * c.slot;
  if (c.absolute) {
    const AbsoluteGeometry g = absolute_geometry(std::get<AbsoluteDesign>(build_absolute_design(request.absolute)));
    r = g.first_track_outer - g.slot_length / 2;
    cycle = 2 * kPi / std::pow(2.0, std::stod(request.absolute.resolution_exp) - 1);
  } else {
    cycle = 2 * kPi / std::stod(request.incremental.design.resolution);
  }
  // The first slot starts 0.001 rad in, or halfway into a slot no wider.
  const double start = c.slot <= 0.001 ? c.slot / 2 : 0.001;
  const double step = 3.0 / (r * kDpi);  // three pixels along the arc
  EXPECT_EQ(pixel_at(job, r, start - step), Colour::Black) << "before the first slot's start";
  EXPECT_EQ(pixel_at(job, r, start + step), Colour::White) << "first slot";
  EXPECT_EQ(pixel_at(job, r, (c.slot + cycle) / 2), Colour::Black) << "bar after it";
  EXPECT_EQ(pixel_at(job, r, cycle + c.slot / 2), Colour::White) << "second slot";
  EXPECT_EQ(pixel_at(job, r, -0.25 * (cycle - c.slot)), Colour::Black) << "bar before the first slot";
}

INSTANTIATE_TEST_SUITE_P(
    Designs, NarrowSlotTest,
    testing::Values(
        NarrowSlots{"absolute_13_bits", {"absolute", "Res_exp=13", "Bin_type"}, kPi / 4096, true},
        NarrowSlots{"absolute_12_bits_balance_minus_45", {"absolute", "Res_exp=12", "Bin_type", "abs_bal=-45"},
                    kPi / 2048 / 2, true},
        NarrowSlots{"absolute_11_bits_just_wider", {"absolute", "Res_exp=11", "Bin_type"}, kPi / 1024, true},
        // Regression: slots narrower than twice the lead once all started
        // halfway in, which moved the first slot of every 12-bit disc.
        NarrowSlots{"regression_absolute_12_bits_keeps_the_lead", {"absolute", "Res_exp=12", "Bin_type"}, kPi / 2048,
                    true},
        NarrowSlots{"regression_incremental_2000_keeps_the_lead", {"incremental", "RES=2000"}, kPi / 2000, false},
        NarrowSlots{"incremental_4000", {"incremental", "RES=4000"}, kPi / 4000, false},
        NarrowSlots{"incremental_2000_balance_minus_45", {"incremental", "RES=2000", "bal_1scroll=-45"},
                    kPi / 2000 / 2, false}),
    [](const testing::TestParamInfo<NarrowSlots>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vantor
