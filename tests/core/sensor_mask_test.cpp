// The sensor mask against its disc: the disc turned under the mask, both
// drawn at 300 pixels per inch and sampled in polar coordinates, gives the
// signals an encoder reads: A and B in quadrature, one index pulse a turn.
// (The mask's refusals are rows of the command's tests.)
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>
#include <set>

#include "entries.h"
#include "request/assembly_aids.h"
#include "request/disc_job.h"

namespace vantor {
namespace {

constexpr double kPi = std::numbers::pi;

// The request's drawing, read at (radius in the unit, angle counter-clockwise
// from 3 o'clock).
struct Polar {
  Surface picture = Surface::for_picture(300);
  DiscGeometry g;
  Polar(ExportRequest r, IncDrawing drawing) {
    r.drawing = drawing;
    g = DiscJob(r).record().geometry;
    EXPECT_EQ(draw_disc(r, picture).message, Message::None);
  }
  double u() const { return g.rim_px / g.rim_radius; }
  bool open(double r, double t) const {
    const double x = g.centre_px + r * u() * std::cos(t), y = g.centre_py - r * u() * std::sin(t);
    return picture.pixel(int(std::floor(x)), int(std::floor(y))) == Colour::White;
  }
};

// Each channel that is on: its windows (as many as asked, one on an Index
// track, each one slot wide at balance 0), and its window samples, the
// mask's open points at three radii across the ring, half a pixel apart.
// The disc turns in 32 steps a cycle; a channel is lit when more than half
// of its window samples see open disc.  A changes 2 N times a turn; with B,
// A and B change one at a time in Gray order, in one direction all round,
// 4 N times; the index lights once a turn.
TEST(SensorMask, TheDiscTurnedUnderItsMaskGivesQuadrature) {
  const std::vector<std::string> kRows[] = {
      {}, {"RES=8"}, {"RES=100"}, {"RES=37", "Mask_angle=90", "Mask_windows=3"},  // a window across 3 o'clock
      {"bal_1scroll=-20", "bal_2scroll=-20", "bal_3scroll=-20"}, {"bal_1scroll=-10", "bal_2scroll=20"},
      {"bal_1scroll=25", "bal_2scroll=25", "bal_3scroll=25", "Mask_angle=-100"}, {"CH1_B", "CH2_A", "RES=20"},
      {"CH2_on=0", "Mask_windows=16"}, {"CH3_on=0", "Mask_windows=1", "CH2_ED_U", "CH2_ED=0"},  // rings that touch
      {"ZoomCTRL=150", "RES=30", "Mask_angle=270.5"},
      {"Unit_mm", "ED=50", "DD=5", "CH1_SL=3", "CH2_SL=3", "CH3_SL=3", "RES=24", "Mask_windows=6"}};
  const auto gray = [](bool a, bool b) { return a ? (b ? 2 : 3) : (b ? 1 : 0); };
  for (const std::vector<std::string>& entries : kRows) {
    SCOPED_TRACE(testing::PrintToString(entries));
    ExportRequest r;
    r.dpi = 300;
    ASSERT_EQ(test::enter(incremental_fields(), r.incremental, entries), "");
    const IncrementalDesign& d = r.incremental.design;
    const Polar disc(r, IncDrawing::Disc), mask(r, IncDrawing::SensorMask);
    const int n = std::stoi(d.resolution), steps = 32 * n;
    std::map<ChannelType, std::vector<bool>> lit = {{ChannelType::B, {}}, {ChannelType::Index, {}}};
    auto ring = mask.g.tracks.begin();
    for (const ChannelTrack& ch : d.channels) {
      if (!ch.on) continue;
      ASSERT_NE(ring, mask.g.tracks.end());
      ASSERT_EQ(ring->slot_arcs.size(), ch.type == ChannelType::Index ? 1u : std::stoul(d.mask_windows));
      for (const AngleInterval& w : ring->slot_arcs) EXPECT_NEAR(w.sweep(), kPi / n, 1e-4);
      std::vector<std::pair<double, double>> window;
      for (double f : {0.2, 0.5, 0.8})
        for (double radius = ring->inner + f * (ring->outer - ring->inner), t = 0; t < 2 * kPi; t += 0.5 / (radius * mask.u()))
          if (mask.open(radius, t)) window.emplace_back(radius, t);
      ++ring;
      for (int k = 0; k < steps; ++k) {
        std::size_t seen = 0;
        for (const auto& [radius, t] : window) seen += disc.open(radius, t - 2 * kPi * k / steps);
        lit[ch.type].push_back(2 * seen > window.size());
      }
    }
    const std::vector<bool>&a = lit[ChannelType::A], &b = lit[ChannelType::B], &index = lit[ChannelType::Index];
    int a_edges = 0, index_edges = 0;
    std::multiset<int> moves;  // a quarter of the Gray cycle forwards (1) or back (3); 2 when both change
    for (int k = 0, next = 1; k < steps; ++k, next = (k + 1) % steps) {
      a_edges += a[k] != a[next];
      if (!index.empty()) index_edges += index[k] != index[next];
      if (const int move = b.empty() ? 0 : (gray(a[next], b[next]) - gray(a[k], b[k]) + 4) % 4) moves.insert(move);
    }
    EXPECT_EQ(a_edges, 2 * n);
    EXPECT_EQ(index_edges, index.empty() ? 0 : 2);
    EXPECT_EQ(moves.size(), b.empty() ? 0u : 4u * n);
    EXPECT_TRUE(moves.count(1) == moves.size() || moves.count(3) == moves.size());
  }
}

}  // namespace
}  // namespace vantor

namespace vantor {
namespace {

// The aids for assembly change no pixel inside the disc, normal or inverse
// (nor, with the target in the hole, between the hole and the rim), and the scale
// bar's ticks, read along a row just above its baseline, stand 0.1 in or
// 1 mm apart from the first, within a pixel, at two resolutions.
TEST(AssemblyAids, LeaveTheDiscAndMeasureTrue) {
  const std::pair<std::vector<std::string>, bool> kRows[] = {  // the second inverse, the target in the hole
      {{}, false}, {{"Unit_mm", "ED=50", "DD=6", "CH1_SL=3", "CH2_SL=3", "CH3_SL=3", "ZoomCTRL=50"}, true}};
  for (const auto& [entries, in_hole] : kRows)
    for (const int dpi : {300, 1200}) {
      ExportRequest r;
      r.dpi = dpi;
      r.inverse = in_hole;
      ASSERT_EQ(test::enter(incremental_fields(), r.incremental, entries), "");
      const DiscGeometry g = DiscJob(r).record().geometry;
      Surface plain = Surface::for_picture(dpi), marked = plain;
      DiscJob(r).draw(plain);
      r.marks = true, r.target_in_hole = in_hole;
      DiscJob(r).draw(marked);
      const double u = g.rim_px / g.rim_radius, hole = in_hole ? g.shaft_radius * u + 1 : 0;
      for (int j = 0; j < plain.height(); ++j)
        for (int i = 0; i < plain.width(); ++i) {
          const double d = std::hypot(i + 0.5 - g.centre_px, j + 0.5 - g.centre_py);
          if (d <= g.rim_px && d > hole && plain.pixel(i, j) != marked.pixel(i, j)) FAIL() << i << "," << j;
        }
      const AssemblyAids aids = assembly_aids(g, r);
      const int row = int(std::floor(aids.bar_y * u)) - 2;
      std::vector<double> ticks;
      for (int i = 1; i < marked.width(); ++i)
        if (marked.pixel(i, row) == Colour::Black && marked.pixel(i - 1, row) == Colour::White) ticks.push_back(i);
      ASSERT_EQ(ticks.size(), std::size_t(aids.ticks + 1));
      const double step = (r.unit() == Unit::Inch ? 0.1 : 1) * u;
      for (std::size_t k = 0; k < ticks.size(); ++k) EXPECT_NEAR(ticks[k] - ticks[0], k * step, 1.0) << k;
    }
}

}  // namespace
}  // namespace vantor
