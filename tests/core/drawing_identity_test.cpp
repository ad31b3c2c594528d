// Whole random designs drawn four ways give the same pixels:
//   - by the renderer on one surface, every shortcut of the surface in use
//     (sectors waiting for the disc that covers them, groups of a track
//     filled together, discs known to be covered skipped, radii that end
//     in the same pixel drawn once);
//   - by replaying the renderer's figure log one figure at a time, the
//     raster read after each, so that no figure waits for another;
//   - by the renderer on bands of the canvas (windows, and one window
//     moved from band to band);
//   - by the log reference, pixel by pixel from the rules.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "absolute/absolute_renderer.h"
#include "incremental/incremental_renderer.h"
#include "reference_raster.h"
#include "surface/figures.h"
#include "surface/surface.h"

namespace vantor {
namespace {

struct Canvas {
  int width, height;
  double ppi;
};

using Draw = std::function<void(Surface&)>;

// "" when every way gives the renderer's pixels, else the first difference.
std::string check_ways(const Canvas& c, const Draw& draw) {
  std::vector<Figure> log;
  Surface drawn(c.width, c.height, c.ppi);
  drawn.set_recorder(&log);
  draw(drawn);
  drawn.set_recorder(nullptr);

  Surface one_by_one(c.width, c.height, c.ppi);
  for (const Figure& f : log) {
    replay({f}, one_by_one);
    (void)std::as_const(one_by_one).data();  // nothing waits
  }
  auto differs = [&](const Surface& s, int left, int top, const char* way) -> std::string {
    for (int j = 0; j < s.height(); ++j)
      for (int i = 0; i < s.width(); ++i)
        if (s.pixel(i, j) != drawn.pixel(left + i, top + j))
          return std::string(way) + " differs at pixel " + std::to_string(left + i) + "," + std::to_string(top + j);
    return "";
  };
  if (std::string d = differs(one_by_one, 0, 0, "one figure at a time"); !d.empty()) return d;

  const test::LogReference reference(log);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(c.width));
  for (int j = 0; j < c.height; ++j) {
    reference.row(j, 0, row);
    for (int i = 0; i < c.width; ++i)
      if (row[i] != static_cast<std::uint8_t>(drawn.pixel(i, j)))
        return "the log reference differs at pixel " + std::to_string(i) + "," + std::to_string(j);
  }

  const int band = c.height / 3 + 1;
  Surface moved = Surface::window_of(c.width, c.height, c.ppi, 0, 0, c.width, band);
  for (int top = 0; top < c.height; top += band) {
    Surface window = Surface::window_of(c.width, c.height, c.ppi, 0, top, c.width, band);
    draw(window);
    moved.move_window(0, top);
    draw(moved);
    for (const Surface* s : {&window, &moved}) {
      for (int j = 0; j < band && top + j < c.height; ++j)
        for (int i = 0; i < c.width; ++i)
          if (s->pixel(i, j) != drawn.pixel(i, top + j))
            return std::string(s == &window ? "a band" : "a moved band") + " differs at pixel " + std::to_string(i) +
                   "," + std::to_string(top + j);
    }
  }
  return "";
}

class Random {
 public:
  explicit Random(unsigned seed) : rng_(seed) {}
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  double uniform(double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng_); }
  std::string text(double v) { return std::to_string(v); }

 private:
  std::mt19937 rng_;
};

AbsoluteDesign random_absolute(Random& r) {
  AbsoluteDesign d;
  d.unit = r.pick(3) ? Unit::Inch : Unit::Millimetre;
  const double inch = d.unit == Unit::Inch ? 1.0 : 25.4;
  d.resolution_exp = r.pick(10) == 0 ? r.uniform(0.5, 9) : 1 + r.pick(r.pick(3) ? 9 : 11);
  d.code_type = r.pick(2) ? CodeType::Grey : CodeType::Binary;
  d.edge_mode = static_cast<AbsEdgeMode>(r.pick(3));
  d.encoder_diameter = r.uniform(0.2, 0.7) * inch;
  d.shaft_diameter = r.uniform(0.0, 0.15) * inch;
  d.slot_length = r.uniform(0.002, 0.05) * inch;
  d.edge_distance = r.uniform(-0.01, 0.05) * inch;
  d.balance = static_cast<std::int16_t>(r.pick(91) - 45);
  d.scale_num = r.pick(4) ? 1 : r.uniform(0.5, 1.5);
  return d;
}

IncrementalDesign random_incremental(Random& r) {
  IncrementalDesign d = IncrementalDesign::defaults();
  d.unit = r.pick(3) ? Unit::Inch : Unit::Millimetre;
  const double inch = d.unit == Unit::Inch ? 1.0 : 25.4;
  d.encoder_diameter = r.text(r.uniform(0.3, 0.7) * inch);
  d.shaft_diameter = r.text(r.uniform(0.0, 0.1) * inch);
  d.resolution = std::to_string(1 + r.pick(r.pick(2) ? 40 : 400));
  d.zoom = 50 + r.pick(100);
  for (ChannelTrack& ch : d.channels) {
    ch.on = r.pick(5) != 0;
    ch.slot_length = r.text(r.uniform(0.005, 0.05) * inch);
    ch.edge_mode = r.pick(2) ? IncEdgeMode::Default : IncEdgeMode::User;
    ch.edge_distance = r.text(r.uniform(0.0, 0.03) * inch);
    ch.balance = std::to_string(r.pick(91) - 45);
  }
  return d;
}

// Small canvases at densities that put a disc of about half an inch across
// most of them, or partly off them.
Canvas random_canvas(Random& r) {
  const double ppi = r.pick(2) ? 96.0 : r.uniform(60, 160);
  return {40 + r.pick(40), 30 + r.pick(40), ppi};
}

TEST(DrawingIdentityTest, RandomAbsoluteDesigns) {
  Random r(1234);
  for (int round = 0; round < 40; ++round) {
    const AbsoluteDesign d = random_absolute(r);
    const Canvas c = random_canvas(r);
    ASSERT_EQ(check_ways(c, [&](Surface& s) { (void)render_absolute(d, s); }), "")
        << "round " << round << ": N " << d.resolution_exp << " ED " << d.encoder_diameter;
  }
}

TEST(DrawingIdentityTest, RandomIncrementalDesigns) {
  Random r(4321);
  for (int round = 0; round < 40; ++round) {
    const IncrementalDesign d = random_incremental(r);
    const Polarity p = r.pick(2) ? Polarity::Normal : Polarity::Inverse;
    const Canvas c = random_canvas(r);
    ASSERT_EQ(check_ways(c, [&](Surface& s) { (void)render_incremental(d, p, s); }), "")
        << "round " << round << ": RES " << d.resolution << " ED " << d.encoder_diameter;
  }
}

// The design-time discs on the screen picture, and an absolute disc whose
// finest track is below a pixel's width all round.
TEST(DrawingIdentityTest, DesignTimeDiscs) {
  const Canvas screen{Surface::picture_width(), Surface::picture_height(), 96.0};
  AbsoluteDesign fine;
  fine.resolution_exp = 12;
  const std::pair<const char*, Draw> cases[] = {
      {"absolute", [](Surface& s) { (void)render_absolute(AbsoluteDesign{}, s); }},
      {"absolute, 12 tracks", [&](Surface& s) { (void)render_absolute(fine, s); }},
      {"incremental", [](Surface& s) { (void)render_incremental(IncrementalDesign::defaults(), Polarity::Normal, s); }},
      {"incremental inverse",
       [](Surface& s) { (void)render_incremental(IncrementalDesign::defaults(), Polarity::Inverse, s); }},
  };
  for (const auto& [name, draw] : cases) EXPECT_EQ(check_ways(screen, draw), "") << name;
}

}  // namespace
}  // namespace vantor
