// The sensor mask against its disc: the disc turned under the mask, both
// pictures sampled at 300 pixels per inch in polar coordinates, gives the
// sensors' signals an encoder reads (A and B in quadrature, one index pulse
// a turn), and the mask's own refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "entries.h"
#include "request/disc_job.h"

namespace vantor {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr int kStepsPerCycle = 32;
constexpr double kDpi = 300;

ExportRequest request_of(const std::vector<std::string>& entries, IncDrawing drawing) {
  ExportRequest r;
  r.dpi = static_cast<int>(kDpi);
  EXPECT_EQ(test::enter(incremental_fields(), r.incremental, entries), "");
  r.drawing = drawing;
  return r;
}

// A picture with its centre and its pixels per unit, read at polar
// coordinates: radius in the unit, angle counter-clockwise from 3 o'clock.
struct Polar {
  Surface picture = Surface(0, 0);
  DiscGeometry geometry;
  double u = 1;
  bool open(double r, double t) const {
    const double x = geometry.centre_px + r * u * std::cos(t), y = geometry.centre_py - r * u * std::sin(t);
    return picture.pixel(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y))) == Colour::White;
  }
};

Polar drawn(const ExportRequest& request) {
  const DiscJob job(request);
  Polar p{Surface::for_picture(kDpi), job.record().geometry};
  EXPECT_EQ(draw_disc(request, p.picture).message, Message::None);
  p.u = p.geometry.rim_px / p.geometry.rim_radius;
  return p;
}

struct Row {
  const char* name;
  std::vector<std::string> entries;
};
const Row kRows[] = {
    {"design_time", {}},
    {"resolution_8", {"RES=8"}},
    {"resolution_100", {"RES=100"}},
    {"resolution_37_3_windows_across_3_o_clock", {"RES=37", "Mask_angle=90", "Mask_windows=3"}},
    {"balance_minus_20", {"bal_1scroll=-20", "bal_2scroll=-20", "bal_3scroll=-20"}},
    {"balance_minus_10_on_A_plus_20_on_B", {"bal_1scroll=-10", "bal_2scroll=20"}},
    {"balance_plus_25", {"bal_1scroll=25", "bal_2scroll=25", "bal_3scroll=25", "Mask_angle=-100"}},
    {"B_on_track_1", {"CH1_B", "CH2_A", "RES=20"}},
    {"B_off", {"CH2_on=0"}},
    {"index_off", {"CH3_on=0", "Mask_windows=1"}},
    {"millimetres", {"Unit_mm", "ED=50", "DD=5", "CH1_SL=3", "CH2_SL=3", "CH3_SL=3", "RES=24", "Mask_windows=6"}},
    {"zoom_150", {"ZoomCTRL=150", "RES=30", "Mask_angle=270.5"}},
};

class MaskQuadrature : public ::testing::TestWithParam<Row> {};

// Each channel that is on: its windows as drawn, and its window samples are the points of the mask's
// open area at three radii across its ring, half a pixel apart along them.
// The disc turns in 32 steps a cycle; at each step a channel is lit when
// more than half of its window samples see open disc.  A and B must change
// one at a time, in Gray order, in one direction all round, 4 N times a turn
// (A alone 2 N times when B is off); the index must light once a turn.
TEST_P(MaskQuadrature, TheDiscTurnedUnderItsMaskGivesQuadrature) {
  const Polar disc = drawn(request_of(GetParam().entries, IncDrawing::Disc));
  const Polar mask = drawn(request_of(GetParam().entries, IncDrawing::SensorMask));
  IncFormValues v;
  ASSERT_EQ(test::enter(incremental_fields(), v, GetParam().entries), "");
  const int n = std::stoi(v.design.resolution);
  const int steps = kStepsPerCycle * n;

  struct Sample {
    double r, t;
  };
  std::vector<std::vector<Sample>> samples;
  std::vector<ChannelType> types;
  std::size_t track = 0;
  for (const ChannelTrack& ch : v.design.channels) {
    if (!ch.on) continue;
    ASSERT_LT(track, mask.geometry.tracks.size());
    const DiscTrack& ring = mask.geometry.tracks[track++];
    // Each window one slot wide at balance 0.
    ASSERT_EQ(ring.slot_arcs.size(), ch.type == ChannelType::Index ? 1u : std::stoul(v.design.mask_windows));
    for (const AngleInterval& w : ring.slot_arcs) EXPECT_NEAR(w.sweep(), kPi / n, 1e-4);
    std::vector<Sample> s;
    for (double f : {0.2, 0.5, 0.8}) {
      const double r = ring.inner + f * (ring.outer - ring.inner), dt = 0.5 / (r * mask.u);
      for (double t = 0; t < 2 * kPi; t += dt)
        if (mask.open(r, t)) s.push_back({r, t});
    }
    ASSERT_FALSE(s.empty());
    samples.push_back(std::move(s));
    types.push_back(ch.type);
  }
  ASSERT_EQ(track, mask.geometry.tracks.size());

  // lit[c][k]: channel c at step k, the disc turned counter-clockwise.
  std::vector<std::vector<bool>> lit(samples.size(), std::vector<bool>(steps));
  for (std::size_t c = 0; c < samples.size(); ++c)
    for (int k = 0; k < steps; ++k) {
      const double turned = 2 * kPi * k / steps;
      std::size_t seen = 0;
      for (const Sample& s : samples[c]) seen += disc.open(s.r, s.t - turned);
      lit[c][k] = 2 * seen > samples[c].size();
    }
  auto changes = [&](std::size_t c) {
    int count = 0;
    for (int k = 0; k < steps; ++k) count += lit[c][k] != lit[c][(k + 1) % steps];
    return count;
  };
  auto channel = [&](ChannelType type) -> int {
    for (std::size_t c = 0; c < types.size(); ++c)
      if (types[c] == type) return static_cast<int>(c);
    return -1;
  };
  const int a = channel(ChannelType::A), b = channel(ChannelType::B), index = channel(ChannelType::Index);
  ASSERT_GE(a, 0);
  if (b < 0) {
    EXPECT_EQ(changes(a), 2 * n);
  } else {
    const auto gray = [&](int k) { return lit[a][k] ? (lit[b][k] ? 2 : 3) : (lit[b][k] ? 1 : 0); };
    int count = 0, direction = 0;
    for (int k = 0; k < steps; ++k) {
      const int step = (gray((k + 1) % steps) - gray(k) + 4) % 4;
      if (step == 0) continue;
      ASSERT_NE(step, 2) << "A and B change together at step " << k;
      if (direction == 0) direction = step;
      ASSERT_EQ(step, direction) << "the direction turns at step " << k;
      ++count;
    }
    EXPECT_EQ(count, 4 * n);
  }
  if (index >= 0) {
    EXPECT_EQ(changes(index), 2);
  }
}

INSTANTIATE_TEST_SUITE_P(Designs, MaskQuadrature, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

// What only the mask refuses: the disc of the same entries draws.
TEST(SensorMask, RefusesWindowsThatCannotBeMade) {
  const struct {
    std::vector<std::string> entries;
    Message says;
  } kCases[] = {
      {{"Mask_angle=north"}, Message::MaskEntryInvalid},
      {{"Mask_windows=2.5"}, Message::MaskEntryInvalid},
      {{"Mask_windows=0"}, Message::MaskEntryInvalid},
      {{"Mask_windows=17"}, Message::MaskWindowsDoNotFit},
      {{"Mask_windows=16", "Mask_angle=1e6"}, Message::None},
      {{"RES=1", "CH1_I", "CH2_I", "Mask_windows=9"}, Message::None},  // an Index track has one window
      {{"CH2_ED_U", "CH2_ED=-0.05"}, Message::MaskWindowsOverlap},
      {{"CH2_ED_U", "CH2_ED=0"}, Message::None},  // rings that touch
      {{"CH2_ED_U", "CH2_ED=-0.05", "CH1_on=0"}, Message::None},
  };
  for (const auto& [entries, says] : kCases) {
    Surface s = Surface::for_picture();
    EXPECT_EQ(draw_disc(request_of(entries, IncDrawing::Disc), s).message, Message::None) << entries[0];
    EXPECT_EQ(draw_disc(request_of(entries, IncDrawing::SensorMask), s).message, says) << entries.back();
  }
}

}  // namespace
}  // namespace vantor
