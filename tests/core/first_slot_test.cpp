// The first slot of a track with very narrow slots.  Its start once lay
// 0.001 rad into the slot whatever the slot's width, so a slot narrower
// than that started past its end and the figure ran round the whole track:
// every absolute disc of 13 bits or more, and every incremental disc of more
// than 3141 slots a turn, came out with an open ring for a track.  Sampled
// at 40,000 pixels per inch around the first slots' starts, in the middles
// of the bars after them and of the second slots.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <variant>

#include "absolute/absolute_design.h"
#include "render/render_args.h"
#include "request/disc_job.h"

namespace vantor {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr int kDpi = 40000;

// The colour at (r inches, angle a) from the disc's centre, drawn as a
// one-pixel band of the canvas.
Colour pixel_at(const DiscJob& job, double r, double a) {
  Surface probe = Surface::window_of(job.canvas_width(), job.canvas_height(), kDpi, 0, 0, 1, 1);
  probe.set_scale_mode(ScaleMode::Inch);
  const double cx = static_cast<double>(probe.scale_width() / 2) * kDpi;
  const double cy = static_cast<double>(probe.scale_height() / 2) * kDpi;
  Surface window = job.band({static_cast<int>(std::floor(cx + r * kDpi * std::cos(a))),
                             static_cast<int>(std::floor(cy - r * kDpi * std::sin(a))), 1, 1},
                            0, 1);
  EXPECT_EQ(job.draw(window), Message::None);
  return window.pixel(0, 0);
}

TEST(FirstSlot, NarrowSlotsKeepTheirBars) {
  const std::tuple<const char*, std::vector<std::string>, double> cases[] = {  // the slot's angular width
      {"absolute 13 bits", {"absolute", "Res_exp=13", "Bin_type"}, kPi / 4096},
      {"absolute 12 bits, balance -45", {"absolute", "Res_exp=12", "Bin_type", "abs_bal=-45"}, kPi / 4096},
      // Regression: slots narrower than twice the lead once all started
      // halfway in, which moved the first slot of every 12-bit disc.
      {"regression: absolute 12 bits keeps the lead", {"absolute", "Res_exp=12", "Bin_type"}, kPi / 2048},
      {"regression: incremental 2000 keeps the lead", {"incremental", "RES=2000"}, kPi / 2000},
      {"incremental 4000", {"incremental", "RES=4000"}, kPi / 4000},
      {"incremental 2000, balance -45", {"incremental", "RES=2000", "bal_1scroll=-45"}, kPi / 4000}};
  for (const auto& [name, words, slot] : cases) {
    std::vector<std::string> args = words;
    args.insert(args.end(), {"--dpi", std::to_string(kDpi), "-o", "unused.bmp"});
    const RenderRequest request = std::get<RenderRequest>(parse_render_args(args));
    const DiscJob job(request);
    double r = 0.8125, cycle;  // the incremental disc's first track, 0.75 ... 0.875 in
    if (words[0] == "absolute") {
      const AbsoluteGeometry g = absolute_geometry(std::get<AbsoluteDesign>(build_absolute_design(request.absolute)));
      r = g.first_track_outer - g.slot_length / 2;
      cycle = 2 * kPi / std::pow(2.0, std::stod(request.absolute.resolution_exp) - 1);
    } else {
      cycle = 2 * kPi / std::stod(request.incremental.design.resolution);
    }
    // The first slot starts 0.001 rad in, or halfway into a slot no wider.
    const double start = slot <= 0.001 ? slot / 2 : 0.001, step = 3.0 / (r * kDpi);
    EXPECT_EQ(pixel_at(job, r, start - step), Colour::Black) << name << ": before the first slot";
    EXPECT_EQ(pixel_at(job, r, start + step), Colour::White) << name << ": the first slot";
    EXPECT_EQ(pixel_at(job, r, (slot + cycle) / 2), Colour::Black) << name << ": the bar after it";
    EXPECT_EQ(pixel_at(job, r, cycle + slot / 2), Colour::White) << name << ": the second slot";
    EXPECT_EQ(pixel_at(job, r, -0.25 * (cycle - slot)), Colour::Black) << name << ": the bar before the first";
  }
}

}  // namespace
}  // namespace vantor
