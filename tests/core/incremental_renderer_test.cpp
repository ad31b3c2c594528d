// The incremental disc: whole drawings checked at pixel centres away from
// every edge against a model of the artwork built here from the disc's
// geometry, the inverse drawing against the normal one, and what each
// failing step leaves.
#include "incremental/incremental_renderer.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "entries.h"

namespace vantor {
namespace {

constexpr double kPi = std::numbers::pi;

struct Ring {
  double inner, outer;
};
struct Geometry {
  double disc, shaft;         // radii
  std::array<Ring, 3> rings;  // channels 1, 2, 3
};

// The artwork in the design's unit.  With p = pi / N, the phase (0 for A,
// p / 2 for B, the previous channel's for an Index track) and
// b = balance / 90, slot j spans 2jp + phase ... (2j + 1 + b)p + phase
// counter-clockwise from 3 o'clock (slot 0 from 0.001 + phase); an Index
// track has slot 0 only.  `at` paints in the order of the drawing.
class DiscModel {
 public:
  DiscModel(const Geometry& g, const IncrementalDesign& design, double outline) : g_(g), outline_(outline) {
    const double n = std::stod(design.resolution), p = kPi / n, count = n >= 1.5 ? std::floor(n - 0.5) + 1 : 1;
    double phase = 0;
    for (int c = 0; c < 3; ++c) {
      const ChannelTrack& ch = design.channels[c];
      on_[c] = ch.on, phase = ch.type == ChannelType::Index ? phase : ch.type == ChannelType::B ? p / 2 : 0;
      for (int j = 0; j < (ch.type == ChannelType::Index ? 1 : count); ++j)
        slots_[c].push_back({(j == 0 ? 0.001 : 2 * j * p) + phase, (2 * j + 1 + std::stod(ch.balance) / 90) * p + phase});
    }
  }

  Colour at(double x, double y) const {
    const double r = std::hypot(x, y), t = std::atan2(y, x) + (y < 0 ? 2 * kPi : 0);
    Colour c = r <= g_.disc ? Colour::Black : Colour::White;
    for (int n = 0; n < 3; ++n) {
      if (on_[n] && r <= g_.rings[n].outer)
        for (const Ring& a : slots_[n])
          if (t >= a.inner && t <= a.outer) c = Colour::White;
      if ((n < 2 || on_[n]) && r <= g_.rings[n].inner) c = Colour::Black;
    }
    for (double radius : {g_.shaft, 0.2 * g_.shaft})  // the shaft hole and the centre circle
      if (r <= radius) c = r > radius - outline_ ? Colour::Black : Colour::White;
    return c;
  }
  // On the centre cross's reach, where the lines are too thin to sample.
  bool near_cross(double x, double y, double margin) const {
    const double arm = 0.5 * g_.shaft + margin;
    return (std::fabs(x) < margin && std::fabs(y) < arm) || (std::fabs(y) < margin && std::fabs(x) < arm);
  }

 private:
  Geometry g_;
  double outline_;
  std::array<bool, 3> on_{};
  std::array<std::vector<Ring>, 3> slots_;  // angles
};

using Entries = std::vector<std::string>;  // control entries, entries.h
using test::incremental;

struct GeometryCase {
  const char* name;
  Entries entries;
  Geometry expected;  // worked out by hand from the design's numbers
  const char* zoom_diam = "2";
  double ppi = 600;
};

// The design-time disc: R = 1 in, tracks 0.75-0.875, 0.5-0.625, 0.25-0.375,
// shaft radius 0.09375.
const Geometry kDefault{1.0, 0.09375, {{{0.75, 0.875}, {0.5, 0.625}, {0.25, 0.375}}}};

const GeometryCase kGeometryCases[] = {
    {"design_time", {}, kDefault},
    {"zoom_200", {"ZoomCTRL=200"}, {2.0, 0.1875, {{{1.5, 1.75}, {1.0, 1.25}, {0.5, 0.75}}}}, "4"},
    {"scale_1_to_2", {"S2=2"}, {0.5, 0.046875, {{{0.375, 0.4375}, {0.25, 0.3125}, {0.125, 0.1875}}}}, "1"},
    // 2 mm across; a dense raster so the 0.125 mm tracks are 12 pixels wide.
    {"millimetres", {"Unit_mm"}, kDefault, "2", 2400},
    {"resolution_1_balance_45_on_B_minus_45_on_A", {"RES=1", "bal_1scroll=-45", "bal_2scroll=45"}, kDefault},
    {"balance_45_on_B_minus_45_on_A", {"bal_1scroll=-45", "bal_2scroll=45"}, kDefault},
    // The slot loop's rule gives 3 slots for 2.5.
    {"resolution_2_5", {"RES=2.5", "CH1_A", "CH2_A"}, kDefault},
    // Slot lengths 0.05, user edge distances 0.65, 0.05, 0.05: T = 0.35, 0.25, 0.15.
    {"user_edge_distances",
     {"CH1_SL=0.05", "CH2_SL=0.05", "CH3_SL=0.05", "CH1_ED_U", "CH1_ED=0.65", "CH2_ED_U", "CH2_ED=0.05", "CH3_ED_U",
      "CH3_ED=0.05"},
     {1.0, 0.09375, {{{0.30, 0.35}, {0.20, 0.25}, {0.10, 0.15}}}}},
    // The masks of channels 1 and 2 are drawn when the channel is off,
    // channel 3's is not: with a negative edge distance the mask of channel
    // 2 (off) blackens track 1; channel 3 (off) draws none over track 2.
    {"mask_of_channel_2_off_covers_track_1", {"CH2_ED_U", "CH2_ED=-0.3", "CH2_on=0"},
     {1.0, 0.09375, {{{0.75, 0.875}, {0.925, 1.05}, {0.675, 0.8}}}}},
    {"no_mask_of_channel_3_off", {"CH3_ED_U", "CH3_ED=-0.3", "CH3_on=0"},
     {1.0, 0.09375, {{{0.75, 0.875}, {0.5, 0.625}, {0.675, 0.8}}}}},
    // The phase carries over from a channel that is off.
    {"index_on_channel_2_after_B_that_is_off_3_off", {"CH1_on=0", "CH1_B", "CH2_I", "CH3_on=0"}, kDefault},
};

class IncrementalGeometry : public ::testing::TestWithParam<GeometryCase> {};

// Pixel centres on a grid over the disc's square, leaving out those within
// 2.5 pixels of an edge of the model (the colour at 16 points around the
// centre differs) or of the centre cross.  The inverse drawing ignores the
// zoom; inside the disc it is the negative of the normal one, apart from
// the rims of the disc (black in both) and of the shaft hole; outside it
// both are white.
TEST_P(IncrementalGeometry, MatchesTheModelAwayFromEdges) {
  const GeometryCase& c = GetParam();
  const IncrementalDesign design = incremental(c.entries);
  const double u = design.unit == Unit::Inch ? c.ppi : c.ppi / 25.4, margin = 2.5;
  const int size = static_cast<int>(std::ceil(2 * c.expected.disc * u)) + 40;
  Surface s(size, size, c.ppi), inverse = s;
  const DrawOutcome outcome = render_incremental(design, Polarity::Normal, s), inverted = render_incremental(design, Polarity::Inverse, inverse);
  EXPECT_EQ(outcome.message, Message::None);
  EXPECT_EQ(outcome.zoom_diam, c.zoom_diam);
  EXPECT_TRUE(inverted.message == Message::None && !inverted.zoom_diam);
  const DiscModel model(c.expected, design, 1 / u);
  const double centre = size / 2.0;
  const int stride = std::max(1, size / 260);
  int black = 0, white = 0, wrong = 0;
  std::string first_wrong;
  for (int j = 0; j < size; j += stride)
    for (int i = 0; i < size; i += stride) {
      const double px = i + 0.5 - centre, py = centre - (j + 0.5);
      const Colour expected = model.at(px / u, py / u);
      bool certain = std::hypot(px, py) > 2 * margin && !model.near_cross(px / u, py / u, margin / u);
      for (int k = 0; certain && k < 16; ++k) {
        const double a = k * kPi / 4, m = k < 8 ? margin : margin / 2;
        certain = model.at((px + m * std::cos(a)) / u, (py + m * std::sin(a)) / u) == expected;
      }
      if (!certain) continue;
      (expected == Colour::Black ? black : white)++;
      const bool inside = std::hypot(px, py) < c.expected.disc * u;
      const bool inverse_wrong = design.zoom == 100 && (inverse.pixel(i, j) == expected) == inside;
      if ((s.pixel(i, j) != expected || inverse_wrong) && wrong++ == 0)
        first_wrong = "r=" + std::to_string(std::hypot(px, py) / u) + " t=" + std::to_string(std::atan2(py, px)) +
                      (inverse_wrong ? " inverse" : "");
    }
  EXPECT_EQ(wrong, 0) << first_wrong;
  EXPECT_TRUE(black > 2000 && white > 2000) << black << " black, " << white << " white";  // not vacuous
  if (design.zoom == 100) return;
  Surface unzoomed(size, size, c.ppi);
  render_incremental(incremental({}), Polarity::Inverse, unzoomed);
  EXPECT_TRUE(inverse == unzoomed);
}

INSTANTIATE_TEST_SUITE_P(Designs, IncrementalGeometry, ::testing::ValuesIn(kGeometryCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct FailureCase {
  const char* name;
  Entries entries;
  Message message;
  const char* zoom_diam;  // nullptr: not reached
  enum { PreviousImage, OnlyDisc, Cleared, Drawn } surface;
};

constexpr Message kNone = Message::None, kInvalid = Message::InvalidEntry, kTooLong = Message::SlotsTooLong,
                  kTooHigh = Message::ResolutionTooHigh;
constexpr auto kPrevious = FailureCase::PreviousImage, kDisc = FailureCase::OnlyDisc, kDrawn = FailureCase::Drawn;

const FailureCase kFailures[] = {
    {"S2_zero", {"S2=0"}, kInvalid, nullptr, kPrevious}, {"slot_length_empty", {"CH3_SL="}, kInvalid, nullptr, kPrevious},
    {"radius_overflows_double", {"ED=1e300", "S1=1e300"}, kInvalid, nullptr, kPrevious},
    // zoom_diam is written, then the radius does not survive the hand-over
    // in single precision: the surface has just been cleared.
    {"radius_beyond_single_precision", {"ED=1e300"}, kInvalid, "1E+300", FailureCase::Cleared},
    {"resolution_letters", {"RES=abc"}, kInvalid, "2", kDisc}, {"balance_letters", {"bal_3scroll=ten"}, kInvalid, "2", kDisc},
    {"user_edge_distance_letters", {"CH2_ED_U", "CH2_ED=0.1."}, kInvalid, "2", kDisc},
    {"slot_lengths_0_5", {"CH1_SL=0.5", "CH2_SL=0.5", "CH3_SL=0.5"}, kTooLong, "2", kDisc},
    // Regression: the sum the check once added (tracks' radii and slot
    // lengths, 1.5 here) passed this design although track 3 reaches 1 in
    // past the centre.
    {"regression_fit_slot_lengths_0_25_0_25_0_5", {"CH1_SL=0.25", "CH2_SL=0.25", "CH3_SL=0.5"}, kTooLong, "2", kDisc},
    // Regression: the check once looked at track 3 only, which a negative
    // edge distance moved outwards while track 2 ran past the centre.
    {"regression_fit_every_track", {"CH2_SL=1", "CH3_ED_U", "CH3_ED=-1.8"}, kTooLong, "2", kDisc},
    {"fit_before_resolution", {"CH1_SL=0.5", "CH2_SL=0.5", "CH3_SL=0.5", "RES=abc"}, kTooLong, "2", kDisc},
    // Regression: a resolution in the millions drew for minutes.
    {"regression_resolution_1e9", {"RES=1e9"}, kTooHigh, "2", kDisc},
    {"resolution_200000_5", {"RES=200000.5"}, kTooHigh, "2", kDisc},
    // Designs that draw without a message though not every figure shows.
    {"track_3_inner_edge_at_the_centre",
     {"CH1_SL=0.25", "CH2_SL=0.25", "CH3_SL=0.25", "CH2_ED_U", "CH2_ED=0", "CH3_ED_U", "CH3_ED=0"}, kNone, "2", kDrawn},
    {"negative_resolution", {"RES=-3"}, kNone, "2", kDrawn}, {"shaft_larger_than_the_disc", {"DD=3"}, kNone, "2", kDrawn},
    {"negative_shaft", {"DD=-0.1875"}, kNone, "2", kDrawn},
    // The last slot of channel 2's B track ends beyond a full turn: the
    // surface refuses it and the drawing stops there.
    {"resolution_2_5_with_a_B_track", {"RES=2.5"}, kInvalid, "2", kDrawn},
    {"tiny_values", {"ED=1e-300", "CH1_SL=1e-310", "CH2_SL=0", "CH3_SL=0"}, kNone, "2", kDrawn},
    // Channel 3's radius is beyond single precision, but it is off.
    {"channel_3_off_far_outside", {"CH3_ED_U", "CH3_ED=-1e300", "CH3_on=0"}, kNone, "2", kDrawn},
    {"greatest_resolution", {"RES=200000"}, kNone, "2", kDrawn},
    // Regression: the resolution bound once refused designs that draw no
    // slot loop.
    {"regression_resolution_1e6_every_channel_off", {"RES=1000000", "CH1_on=0", "CH2_on=0", "CH3_on=0"}, kNone, "2", kDrawn},
    {"regression_resolution_1e6_three_index_channels", {"RES=1000000", "CH1_I", "CH2_I", "CH3_I"}, kNone, "2", kDrawn},
};

class IncrementalFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(IncrementalFailure, LeavesWhatTheFailingStepFound) {
  const FailureCase& c = GetParam();
  for (Polarity polarity : {Polarity::Normal, Polarity::Inverse}) {
    SCOPED_TRACE(polarity == Polarity::Normal ? "normal" : "inverse");
    // A previous drawing in millimetres; the design is in inches.
    Surface surface(400, 400, 150);
    ASSERT_EQ(render_incremental(incremental({"Unit_mm", "ED=50"}), Polarity::Normal, surface).message, Message::None);
    const Surface before = surface;
    const DrawOutcome out = render_incremental(incremental(c.entries), polarity, surface);
    EXPECT_EQ(out.message, c.message);
    const bool written = polarity == Polarity::Normal && c.zoom_diam;
    EXPECT_EQ(out.zoom_diam.has_value(), written);
    EXPECT_TRUE(!written || c.surface == kDrawn || out.zoom_diam == c.zoom_diam) << out.zoom_diam.value_or("");
    EXPECT_EQ(surface.scale_mode(), ScaleMode::Inch);  // set before any failure
    EXPECT_TRUE(c.surface != kPrevious || surface == before);
    EXPECT_TRUE(c.surface != FailureCase::Cleared || surface == Surface(400, 400, 150));
    if (c.surface != kDisc) continue;
    // Exactly the disc of radius 1 in: black, or white with a black rim.
    int wrong = 0;
    for (int k = 0; k < 400 * 400; ++k)
      if (const double d = std::hypot(k % 400 + 0.5 - 200, k / 400 + 0.5 - 200); std::fabs(d - 150) >= 1.5)
        wrong += surface.pixel(k % 400, k / 400) != (d > 150 || polarity == Polarity::Inverse ? Colour::White : Colour::Black);
    EXPECT_EQ(wrong, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Steps, IncrementalFailure, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vantor
