// The incremental disc: whole drawings checked at pixel centres away from
// every edge against a model of the artwork built here from the disc's
// geometry, the inverse drawing against the normal one, and the failure
// path step by step.
#include "incremental/incremental_renderer.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

namespace vantor {
namespace {

constexpr double kPi = std::numbers::pi;

// ---------------------------------------------------------------------------
// The model: what the artwork looks like, in the design's unit, from the
// radii of its rings and the slots of its tracks in absolute terms.  With
// p = pi / N, the phase |phi| (0 for A, p / 2 for B, the previous channel's
// for an Index track) and b = balance / 90, slot j spans the angles
// 2jp + |phi| ... (2j + 1 + b)p + |phi| counter-clockwise from 3 o'clock
// (slot 0 from 0.001 + |phi|); an Index track has slot 0 only.
// ---------------------------------------------------------------------------

struct Ring {
  double inner, outer;
};

struct Geometry {
  double disc;                // radius
  double shaft;               // radius
  std::array<Ring, 3> rings;  // channels 1, 2, 3
};

struct Arc {
  double from, to;
};

class DiscModel {
 public:
  // outline: the width of a one-pixel outline in the unit.
  DiscModel(const Geometry& g, const IncrementalDesign& design, double n, std::array<double, 3> balance,
            double outline)
      : g_(g), outline_(outline) {
    const double p = kPi / n;
    // Slots of an A or B track: one for each i = 2j <= 2N - 1, slot 0 included.
    const int count = n >= 1.5 ? static_cast<int>(std::floor(n - 0.5)) + 1 : 1;
    double phase = 0;
    for (int c = 0; c < 3; ++c) {
      const ChannelTrack& ch = design.channels[c];
      on_[c] = ch.on;
      if (ch.type == ChannelType::A) phase = 0;
      if (ch.type == ChannelType::B) phase = p / 2;
      const double b = balance[c] / 90;
      const int slots = ch.type == ChannelType::Index ? 1 : count;
      for (int j = 0; j < slots; ++j)
        slots_[c].push_back({(j == 0 ? 0.001 : 2 * j * p) + phase, (2 * j + 1 + b) * p + phase});
    }
  }

  // The colour at a point given relative to the centre (y up), painted in
  // the order of the drawing.  cross: whether the point lies on the centre
  // cross's reach, where the lines are too thin to sample.
  Colour at(double x, double y) const {
    const double r = std::hypot(x, y);
    double t = std::atan2(y, x);
    if (t < 0) t += 2 * kPi;
    Colour c = r <= g_.disc ? Colour::Black : Colour::White;
    for (int n = 0; n < 3; ++n) {
      if (on_[n] && r <= g_.rings[n].outer)
        for (const Arc& a : slots_[n])
          if (t >= a.from && t <= a.to) c = Colour::White;
      if ((n < 2 || on_[n]) && r <= g_.rings[n].inner) c = Colour::Black;
    }
    // The shaft hole and the centre circle: white inside a black outline.
    for (double radius : {g_.shaft, 0.2 * g_.shaft})
      if (r <= radius) c = r > radius - outline_ ? Colour::Black : Colour::White;
    return c;
  }

  bool near_cross(double x, double y, double margin) const {
    const double arm = 0.5 * g_.shaft + margin;
    return (std::fabs(x) < margin && std::fabs(y) < arm) || (std::fabs(y) < margin && std::fabs(x) < arm);
  }

  const std::vector<Arc>& slots(int channel) const { return slots_[channel]; }

 private:
  Geometry g_;
  double outline_;
  std::array<bool, 3> on_{};
  std::array<std::vector<Arc>, 3> slots_;
};

double pixels_per_unit(const Surface& s, Unit unit) {
  return unit == Unit::Inch ? s.pixels_per_inch() : s.pixels_per_inch() / 25.4;
}

struct Comparison {
  int certain = 0, black = 0, white = 0, wrong = 0;
  std::string first_wrong;
};

// Compares the surface with the model at pixel centres on a grid over the
// disc's bounding square, skipping every centre that lies within margin
// pixels of an edge of the model (the colour at 16 points around it
// differs) or of the centre cross.
Comparison compare(const Surface& s, const DiscModel& model, double disc, Unit unit, double margin = 2.5) {
  const double u = pixels_per_unit(s, unit);
  const double cx = s.width() / 2.0, cy = s.height() / 2.0;
  const double reach = disc * u + 4;
  const int stride = std::max(1, static_cast<int>(2 * reach / 260));
  Comparison out;
  for (int j = std::max(0, int(cy - reach)); j < std::min(s.height(), int(cy + reach)); j += stride) {
    for (int i = std::max(0, int(cx - reach)); i < std::min(s.width(), int(cx + reach)); i += stride) {
      const double px = i + 0.5 - cx, py = cy - (j + 0.5);
      const Colour expected = model.at(px / u, py / u);
      bool certain = std::hypot(px, py) > 2 * margin && !model.near_cross(px / u, py / u, margin / u);
      for (int k = 0; certain && k < 16; ++k) {
        const double a = k * kPi / 4, m = k < 8 ? margin : margin / 2;
        certain = model.at((px + m * std::cos(a)) / u, (py + m * std::sin(a)) / u) == expected;
      }
      if (!certain) continue;
      ++out.certain;
      (expected == Colour::Black ? out.black : out.white)++;
      if (s.pixel(i, j) != expected) {
        if (out.wrong++ == 0)
          out.first_wrong = "pixel (" + std::to_string(i) + ", " + std::to_string(j) + ") r=" +
                            std::to_string(std::hypot(px, py) / u) + " t=" + std::to_string(std::atan2(py, px)) +
                            " expected " + (expected == Colour::Black ? "black" : "white");
      }
    }
  }
  return out;
}

// ---------------------------------------------------------------------------
// Whole drawings.
// ---------------------------------------------------------------------------

struct GeometryCase {
  const char* name;
  std::function<void(IncrementalDesign&)> edit;
  double ppi;
  Geometry expected;  // worked out by hand from the design's numbers
  double n;
  std::array<double, 3> balance;
  const char* zoom_diam;
};

// The design-time disc: R = 1 in, tracks 0.75-0.875, 0.5-0.625, 0.25-0.375,
// shaft radius 0.09375.
const Geometry kDefaultGeometry{1.0, 0.09375, {{{0.75, 0.875}, {0.5, 0.625}, {0.25, 0.375}}}};

const GeometryCase kGeometryCases[] = {
    {"design_time", [](IncrementalDesign&) {}, 600, kDefaultGeometry, 16, {0, 0, 0}, "2"},
    {"zoom_200", [](IncrementalDesign& d) { d.zoom = 200; }, 600,
     {2.0, 0.1875, {{{1.5, 1.75}, {1.0, 1.25}, {0.5, 0.75}}}}, 16, {0, 0, 0}, "4"},
    {"scale_1_to_2", [](IncrementalDesign& d) { d.scale_den = "2"; }, 600,
     {0.5, 0.046875, {{{0.375, 0.4375}, {0.25, 0.3125}, {0.125, 0.1875}}}}, 16, {0, 0, 0}, "1"},
    // 2 mm across; a dense raster so the 0.125 mm tracks are 12 pixels wide.
    {"millimetres", [](IncrementalDesign& d) { d.unit = Unit::Millimetre; }, 2400, kDefaultGeometry, 16,
     {0, 0, 0}, "2"},
    {"channel_2_off", [](IncrementalDesign& d) { d.channels[1].on = false; }, 600, kDefaultGeometry, 16,
     {0, 0, 0}, "2"},
    {"channel_1_and_3_off", [](IncrementalDesign& d) { d.channels[0].on = d.channels[2].on = false; }, 600,
     kDefaultGeometry, 16, {0, 0, 0}, "2"},
    {"balance_45_on_B_minus_45_on_A",
     [](IncrementalDesign& d) {
       d.channels[0].balance = "-45";
       d.channels[1].balance = "45";
     },
     600, kDefaultGeometry, 16, {-45, 45, 0}, "2"},
    {"balance_12_5", [](IncrementalDesign& d) { d.channels[0].balance = d.channels[2].balance = "12.5"; }, 600,
     kDefaultGeometry, 16, {12.5, 0, 12.5}, "2"},
    {"resolution_1", [](IncrementalDesign& d) { d.resolution = "1"; }, 600, kDefaultGeometry, 1, {0, 0, 0},
     "2"},
    {"resolution_5_all_A_balanced",
     [](IncrementalDesign& d) {
       d.resolution = "5";
       d.channels[1].type = ChannelType::A;
       d.channels[1].balance = "30";
     },
     600, kDefaultGeometry, 5, {0, 30, 0}, "2"},
    // A fractional resolution: the slot loop's rule gives 3 slots for 2.5.
    {"resolution_2_5_channel_A",
     [](IncrementalDesign& d) {
       d.resolution = "2.5";
       d.channels[1].type = ChannelType::A;
     },
     600, kDefaultGeometry, 2.5, {0, 0, 0}, "2"},
    // Slot lengths 0.05 with user edge distances 0.65, 0.05, 0.05: T1 = 0.35,
    // T2 = 0.25, T3 = 0.15.
    {"user_edge_distances",
     [](IncrementalDesign& d) {
       for (ChannelTrack& ch : d.channels) {
         ch.slot_length = "0.05";
         ch.edge_mode = IncEdgeMode::User;
         ch.edge_distance = "0.05";
       }
       d.channels[0].edge_distance = "0.65";
     },
     600, {1.0, 0.09375, {{{0.30, 0.35}, {0.20, 0.25}, {0.10, 0.15}}}}, 16, {0, 0, 0}, "2"},
    // CH3_ED 0.2: track 3 from 0.175 to 0.3 in.
    {"user_edge_distance_channel_3",
     [](IncrementalDesign& d) {
       d.channels[2].edge_mode = IncEdgeMode::User;
       d.channels[2].edge_distance = "0.2";
     },
     600, {1.0, 0.09375, {{{0.75, 0.875}, {0.5, 0.625}, {0.175, 0.3}}}}, 16, {0, 0, 0}, "2"},
    // The masks of channels 1 and 2 are drawn when the channel is off,
    // channel 3's is not.  A negative edge distance makes that visible: the
    // mask of channel 2 (off) reaches over track 1 and blackens it; the mask
    // channel 3 (off) would have drawn over track 2 is missing.
    {"mask_of_channel_2_off_covers_track_1",
     [](IncrementalDesign& d) {
       d.channels[1].on = false;
       d.channels[1].edge_mode = IncEdgeMode::User;
       d.channels[1].edge_distance = "-0.3";
     },
     600, {1.0, 0.09375, {{{0.75, 0.875}, {0.925, 1.05}, {0.675, 0.8}}}}, 16, {0, 0, 0}, "2"},
    {"no_mask_of_channel_3_off",
     [](IncrementalDesign& d) {
       d.channels[2].on = false;
       d.channels[2].edge_mode = IncEdgeMode::User;
       d.channels[2].edge_distance = "-0.3";
     },
     600, {1.0, 0.09375, {{{0.75, 0.875}, {0.5, 0.625}, {0.675, 0.8}}}}, 16, {0, 0, 0}, "2"},
    {"index_on_channel_1", [](IncrementalDesign& d) { d.channels[0].type = ChannelType::Index; }, 600,
     kDefaultGeometry, 16, {0, 0, 0}, "2"},
    {"index_on_channel_2_after_B",
     [](IncrementalDesign& d) {
       d.channels[0].type = ChannelType::B;
       d.channels[1].type = ChannelType::Index;
     },
     600, kDefaultGeometry, 16, {0, 0, 0}, "2"},
    // The phase carries over from a channel that is off.
    {"index_on_channel_2_after_B_that_is_off",
     [](IncrementalDesign& d) {
       d.channels[0].type = ChannelType::B;
       d.channels[0].on = false;
       d.channels[1].type = ChannelType::Index;
     },
     600, kDefaultGeometry, 16, {0, 0, 0}, "2"},
};

void PrintTo(const GeometryCase& c, std::ostream* os) { *os << c.name; }

class IncrementalGeometry : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(IncrementalGeometry, MatchesTheModelAwayFromEdges) {
  const GeometryCase& c = GetParam();
  IncrementalDesign design = IncrementalDesign::defaults();
  c.edit(design);
  const int size = static_cast<int>(std::ceil(2 * c.expected.disc * pixels_per_unit(Surface(1, 1, c.ppi), design.unit))) + 40;
  Surface surface(size, size, c.ppi);
  const IncrementalOutcome outcome = render_incremental(design, Polarity::Normal, surface);
  EXPECT_EQ(outcome.message, Message::None);
  ASSERT_TRUE(outcome.zoom_diam.has_value());
  EXPECT_EQ(*outcome.zoom_diam, c.zoom_diam);

  const DiscModel model(c.expected, design, c.n, c.balance, 1 / pixels_per_unit(surface, design.unit));
  const Comparison cmp = compare(surface, model, c.expected.disc, design.unit);
  EXPECT_EQ(cmp.wrong, 0) << cmp.first_wrong;
  // Not vacuous: most of the disc was sampled, in both colours.
  EXPECT_GT(cmp.certain, 20000);
  EXPECT_GT(cmp.white, 2000);
  EXPECT_GT(cmp.black, 2000);
}

INSTANTIATE_TEST_SUITE_P(Designs, IncrementalGeometry, ::testing::ValuesIn(kGeometryCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The pixel at radius r (unit) and angle t (radians, counter-clockwise from
// 3 o'clock) from the centre of the surface.
Colour sample(const Surface& s, Unit unit, double r, double t) {
  const double u = pixels_per_unit(s, unit);
  return s.pixel(static_cast<int>(std::floor(s.width() / 2.0 + r * u * std::cos(t))),
                 static_cast<int>(std::floor(s.height() / 2.0 - r * u * std::sin(t))));
}

// A few literal points of the design-time disc, so the model above is
// anchored to numbers read off the disc's description.
TEST(IncrementalDesignTimeDisc, SpotChecks) {
  // 2.5 in square: the centre lies exactly on a pixel corner.
  Surface s(1500, 1500, 600);
  ASSERT_EQ(render_incremental(IncrementalDesign::defaults(), Polarity::Normal, s).message, Message::None);
  const double p = kPi / 16;
  struct Spot {
    const char* what;
    double r, t;
    Colour c;
  };
  const Spot spots[] = {
      {"outside the disc", 1.02, 1.0, Colour::White},
      {"rim band", 0.95, 0.3, Colour::Black},
      {"track 1, slot 0", 0.8125, p / 2, Colour::White},
      {"track 1, bar after slot 0", 0.8125, 1.5 * p, Colour::Black},
      {"track 1, slot 15", 0.8125, 30.5 * p, Colour::White},
      {"track 1, just past its inner edge", 0.74, p / 2, Colour::Black},
      {"track 2, before its first slot (B phase)", 0.5625, p / 4, Colour::Black},
      {"track 2, slot 0", 0.5625, p, Colour::White},
      {"track 2, bar", 0.5625, 2 * p, Colour::Black},
      {"track 3, the index slot", 0.3125, p, Colour::White},
      {"track 3, no second slot", 0.3125, 3 * p, Colour::Black},
      {"track 3, before the index slot", 0.3125, p / 4, Colour::Black},
      {"inside track 3", 0.2, 1.0, Colour::Black},
      {"shaft hole", 0.07, 1.0, Colour::White},
      {"centre circle", 0.01, 0.8, Colour::White},
      {"cross arm", 0.03, 0.0, Colour::Black},
      {"cross arm, upward", 0.03, kPi / 2, Colour::Black},
  };
  for (const Spot& spot : spots) EXPECT_EQ(sample(s, Unit::Inch, spot.r, spot.t), spot.c) << spot.what;
}

// ---------------------------------------------------------------------------
// Inverse.
// ---------------------------------------------------------------------------

// The pixels of the one-pixel outline of a circle of radius r (unit) about
// the surface's centre, by the surface's ring rule.
bool on_ring(const Surface& s, double r_unit, int i, int j, double u) {
  const double cx = static_cast<double>(s.scale_width() / 2) * u, cy = static_cast<double>(s.scale_height() / 2) * u;
  const double rp = static_cast<double>(static_cast<float>(r_unit)) * u;
  const double dx = i + 0.5 - cx, dy = j + 0.5 - cy, q = dx * dx + dy * dy;
  return q <= rp * rp && (rp <= 1 || q > (rp - 1) * (rp - 1));
}

struct InverseCase {
  std::function<void(IncrementalDesign&)> edit;
  double scale;  // S1 / S2
};

const InverseCase kInverseDesigns[] = {
    {[](IncrementalDesign&) {}, 1.0},
    {[](IncrementalDesign& d) {
      d.channels[0].balance = "-45";
      d.channels[1].balance = "45";
      d.channels[2].balance = "12.5";
      d.channels[1].on = false;
      d.resolution = "7";
    }, 1.0},
    {[](IncrementalDesign& d) {
      for (ChannelTrack& ch : d.channels) ch.edge_mode = IncEdgeMode::User;
      d.channels[0].type = ChannelType::Index;
      d.channels[2].on = false;
      d.scale_num = "3";
      d.scale_den = "4";
    }, 0.75},
    {[](IncrementalDesign& d) { d.unit = Unit::Millimetre; }, 1.0},
};

TEST(IncrementalInverse, IsTheNegativeInsideTheDiscApartFromTheRims) {
  int index = 0;
  for (const InverseCase& c : kInverseDesigns) {
    SCOPED_TRACE("design " + std::to_string(index++));
    IncrementalDesign design = IncrementalDesign::defaults();
    c.edit(design);
    const double ppi = design.unit == Unit::Inch ? 300 : 4800;
    Surface normal(700, 700, ppi), inverse(700, 700, ppi);
    ASSERT_EQ(render_incremental(design, Polarity::Normal, normal).message, Message::None);
    const IncrementalOutcome out = render_incremental(design, Polarity::Inverse, inverse);
    ASSERT_EQ(out.message, Message::None);
    EXPECT_FALSE(out.zoom_diam.has_value());

    const double u = pixels_per_unit(normal, design.unit);
    const double disc = 1.0 * c.scale, shaft = 0.09375 * c.scale;
    const double disc_px = static_cast<double>(static_cast<float>(disc)) * u;
    int inside = 0, wrong = 0;
    for (int j = 0; j < normal.height(); ++j) {
      for (int i = 0; i < normal.width(); ++i) {
        const bool rim = on_ring(normal, disc, i, j, u) || on_ring(normal, shaft, i, j, u);
        const double dx = i + 0.5 - static_cast<double>(normal.scale_width() / 2) * u;
        const double dy = j + 0.5 - static_cast<double>(normal.scale_height() / 2) * u;
        const bool in_disc = dx * dx + dy * dy <= disc_px * disc_px;
        if (rim) continue;
        if (in_disc) {
          ++inside;
          if (inverse.pixel(i, j) == normal.pixel(i, j) && wrong++ == 0)
            ADD_FAILURE() << "pixel (" << i << ", " << j << ") is not inverted";
        } else if (inverse.pixel(i, j) != Colour::White || normal.pixel(i, j) != Colour::White) {
          if (wrong++ == 0) ADD_FAILURE() << "pixel (" << i << ", " << j << ") outside the disc is not white";
        }
      }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(inside, 10000);
  }
}

TEST(IncrementalInverse, TheRimsKeepTheForegroundColour) {
  Surface s(700, 700, 300);
  ASSERT_EQ(render_incremental(IncrementalDesign::defaults(), Polarity::Inverse, s).message, Message::None);
  const double r = 0.5 / 300;  // half a pixel, in inches
  EXPECT_EQ(sample(s, Unit::Inch, 1.0 - r, 0.4), Colour::Black);   // the disc's rim
  EXPECT_EQ(sample(s, Unit::Inch, 0.97, 0.4), Colour::White);      // the white disc inside it
  EXPECT_EQ(sample(s, Unit::Inch, 0.8125, kPi / 32), Colour::Black);  // a black slot
  EXPECT_EQ(sample(s, Unit::Inch, 0.07, 1.0), Colour::Black);      // the black shaft hole
}

TEST(IncrementalInverse, IgnoresTheZoom) {
  Surface at_100(700, 700, 300);
  ASSERT_EQ(render_incremental(IncrementalDesign::defaults(), Polarity::Inverse, at_100).message, Message::None);
  for (int zoom : {10, 55, 200, 500}) {
    IncrementalDesign design = IncrementalDesign::defaults();
    design.zoom = zoom;
    Surface s(700, 700, 300);
    const IncrementalOutcome out = render_incremental(design, Polarity::Inverse, s);
    EXPECT_EQ(out.message, Message::None);
    EXPECT_FALSE(out.zoom_diam.has_value());
    EXPECT_TRUE(s == at_100) << "zoom " << zoom;
  }
}

// ---------------------------------------------------------------------------
// Failures: what stays on the surface and in zoom_diam.
// ---------------------------------------------------------------------------

// The surface holds exactly the disc of step 12 (black for the normal
// drawing, white with a black rim for the inverse one) and nothing else.
void expect_only_the_disc(const Surface& s, double radius, Polarity polarity) {
  const double u = s.pixels_per_unit();
  const double cx = static_cast<double>(s.scale_width() / 2) * u, cy = static_cast<double>(s.scale_height() / 2) * u;
  const double rp = radius * u;
  int wrong = 0;
  for (int j = 0; j < s.height(); ++j)
    for (int i = 0; i < s.width(); ++i) {
      const double d = std::hypot(i + 0.5 - cx, j + 0.5 - cy);
      if (std::fabs(d - rp) < 1.5) continue;
      const Colour expected =
          d > rp ? Colour::White : (polarity == Polarity::Normal ? Colour::Black : Colour::White);
      if (s.pixel(i, j) != expected) ++wrong;
    }
  EXPECT_EQ(wrong, 0);
}

struct FailureCase {
  const char* name;
  std::function<void(IncrementalDesign&)> edit;
  Message message;
  const char* zoom_diam;  // nullptr: not reached
  enum { PreviousImage, OnlyDisc, Cleared } surface;
};

const FailureCase kFailures[] = {
    {"S2_zero", [](IncrementalDesign& d) { d.scale_den = "0"; }, Message::InvalidEntry, nullptr,
     FailureCase::PreviousImage},
    {"S1_letters", [](IncrementalDesign& d) { d.scale_num = "x"; }, Message::InvalidEntry, nullptr,
     FailureCase::PreviousImage},
    {"slot_length_empty", [](IncrementalDesign& d) { d.channels[2].slot_length = ""; }, Message::InvalidEntry,
     nullptr, FailureCase::PreviousImage},
    {"encoder_diameter_decimal_comma", [](IncrementalDesign& d) { d.encoder_diameter = "1,5"; },
     Message::InvalidEntry, nullptr, FailureCase::PreviousImage},
    {"shaft_diameter_letters", [](IncrementalDesign& d) { d.shaft_diameter = "abc"; }, Message::InvalidEntry,
     nullptr, FailureCase::PreviousImage},
    {"radius_overflows_double",
     [](IncrementalDesign& d) {
       d.encoder_diameter = "1e300";
       d.scale_num = "1e300";
     },
     Message::InvalidEntry, nullptr, FailureCase::PreviousImage},
    // zoom_diam is written, then the radius does not survive the hand-over
    // in single precision: the surface has just been cleared.
    {"radius_beyond_single_precision", [](IncrementalDesign& d) { d.encoder_diameter = "1e300"; },
     Message::InvalidEntry, "1E+300", FailureCase::Cleared},
    {"resolution_letters", [](IncrementalDesign& d) { d.resolution = "abc"; }, Message::InvalidEntry, "2",
     FailureCase::OnlyDisc},
    {"resolution_empty", [](IncrementalDesign& d) { d.resolution = ""; }, Message::InvalidEntry, "2",
     FailureCase::OnlyDisc},
    {"resolution_zero", [](IncrementalDesign& d) { d.resolution = "0"; }, Message::InvalidEntry, "2",
     FailureCase::OnlyDisc},
    {"user_edge_distance_letters",
     [](IncrementalDesign& d) {
       d.channels[1].edge_mode = IncEdgeMode::User;
       d.channels[1].edge_distance = "0.1.";
     },
     Message::InvalidEntry, "2", FailureCase::OnlyDisc},
    {"balance_letters", [](IncrementalDesign& d) { d.channels[2].balance = "ten"; }, Message::InvalidEntry, "2",
     FailureCase::OnlyDisc},
    {"slot_lengths_0_5", [](IncrementalDesign& d) {
       for (ChannelTrack& ch : d.channels) ch.slot_length = "0.5";
     },
     Message::SlotsTooLong, "2", FailureCase::OnlyDisc},
    // Regression: the sum the check once added (tracks' radii and slot
    // lengths, 1.5 here) passed this design although track 3 reaches 1 in
    // past the centre.
    {"regression_fit_slot_lengths_0_25_0_25_0_5",
     [](IncrementalDesign& d) {
       d.channels[0].slot_length = d.channels[1].slot_length = "0.25";
       d.channels[2].slot_length = "0.5";
     },
     Message::SlotsTooLong, "2", FailureCase::OnlyDisc},
    // A fit failure wins over a bad resolution: the check comes first.
    {"fit_before_resolution",
     [](IncrementalDesign& d) {
       for (ChannelTrack& ch : d.channels) ch.slot_length = "0.5";
       d.resolution = "abc";
     },
     Message::SlotsTooLong, "2", FailureCase::OnlyDisc},
    // Regression: a resolution in the millions drew for minutes.
    {"regression_resolution_1e9", [](IncrementalDesign& d) { d.resolution = "1e9"; }, Message::ResolutionTooHigh,
     "2", FailureCase::OnlyDisc},
    {"resolution_200001", [](IncrementalDesign& d) { d.resolution = "200001"; }, Message::ResolutionTooHigh, "2",
     FailureCase::OnlyDisc},
    {"resolution_200000_5", [](IncrementalDesign& d) { d.resolution = "200000.5"; }, Message::ResolutionTooHigh,
     "2", FailureCase::OnlyDisc},
    {"resolution_1e308", [](IncrementalDesign& d) { d.resolution = "1e308"; }, Message::ResolutionTooHigh, "2",
     FailureCase::OnlyDisc},
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class IncrementalFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(IncrementalFailure, LeavesWhatTheFailingStepFound) {
  const FailureCase& c = GetParam();
  for (Polarity polarity : {Polarity::Normal, Polarity::Inverse}) {
    SCOPED_TRACE(polarity == Polarity::Normal ? "normal" : "inverse");
    // A previous drawing in millimetres; the failing design is in inches.
    Surface surface(400, 400, 150);
    IncrementalDesign previous = IncrementalDesign::defaults();
    previous.unit = Unit::Millimetre;
    previous.encoder_diameter = "50";
    ASSERT_EQ(render_incremental(previous, Polarity::Normal, surface).message, Message::None);
    const Surface before = surface;

    IncrementalDesign design = IncrementalDesign::defaults();
    c.edit(design);
    const IncrementalDesign typed = design;
    const IncrementalOutcome out = render_incremental(design, polarity, surface);
    EXPECT_EQ(out.message, c.message);
    if (polarity == Polarity::Normal && c.zoom_diam) {
      ASSERT_TRUE(out.zoom_diam.has_value());
      EXPECT_EQ(*out.zoom_diam, c.zoom_diam);
    } else {
      EXPECT_FALSE(out.zoom_diam.has_value());
    }
    EXPECT_EQ(surface.scale_mode(), ScaleMode::Inch);  // step 5 ran before any failure
    switch (c.surface) {
      case FailureCase::PreviousImage:
        EXPECT_TRUE(surface == before);
        break;
      case FailureCase::OnlyDisc:
        expect_only_the_disc(surface, 1.0, polarity);
        break;
      case FailureCase::Cleared:
        EXPECT_TRUE(surface == Surface(400, 400, 150));
        break;
    }
    EXPECT_EQ(design.resolution, typed.resolution);  // nothing is written back
  }
}

INSTANTIATE_TEST_SUITE_P(Steps, IncrementalFailure, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(IncrementalResolutionLimit, TheMessageNamesTheLimit) {
  const std::string text(message_text(Message::ResolutionTooHigh));
  EXPECT_NE(text.find(std::to_string(static_cast<long>(kMaxSlotsPerTrack))), std::string::npos) << text;
}

// Designs the fit check lets through.
TEST(IncrementalFitCheck, PassesTracksThatStayOutsideTheCentre) {
  const std::function<void(IncrementalDesign&)> fitting[] = {
      [](IncrementalDesign&) {},
      [](IncrementalDesign& d) {
        for (ChannelTrack& ch : d.channels) {
          ch.slot_length = "0.05";
          ch.edge_mode = IncEdgeMode::User;
          ch.edge_distance = "0.05";
        }
        d.channels[0].edge_distance = "0.65";
      },
      // Track 3's inner edge exactly at the centre: T = 0.75, 0.5, 0.25.
      [](IncrementalDesign& d) {
        for (ChannelTrack& ch : d.channels) ch.slot_length = "0.25";
        for (int n : {1, 2}) {
          d.channels[n].edge_mode = IncEdgeMode::User;
          d.channels[n].edge_distance = "0";
        }
      },
      // Every track switched off still takes its room, and fits.
      [](IncrementalDesign& d) {
        for (ChannelTrack& ch : d.channels) ch.on = false;
      },
  };
  for (const auto& edit : fitting) {
    IncrementalDesign design = IncrementalDesign::defaults();
    edit(design);
    Surface s(300, 300, 96);
    EXPECT_EQ(render_incremental(design, Polarity::Normal, s).message, Message::None);
    EXPECT_EQ(render_incremental(design, Polarity::Inverse, s).message, Message::None);
  }
}

// Inputs that draw without a message, though not every figure shows.
TEST(IncrementalOddInputs, DrawAsFarAsTheSurfaceAllows) {
  const std::pair<const char*, std::function<void(IncrementalDesign&)>> cases[] = {
      {"negative resolution", [](IncrementalDesign& d) { d.resolution = "-3"; }},
      {"zero shaft", [](IncrementalDesign& d) { d.shaft_diameter = "0"; }},
      {"negative shaft", [](IncrementalDesign& d) { d.shaft_diameter = "-0.1875"; }},
      {"shaft larger than the disc", [](IncrementalDesign& d) { d.shaft_diameter = "3"; }},
      {"disc far beyond the raster", [](IncrementalDesign& d) { d.encoder_diameter = "1e30"; }},
      {"tiny values", [](IncrementalDesign& d) {
         d.encoder_diameter = "1e-300";
         for (ChannelTrack& ch : d.channels) ch.slot_length = "1e-310";
       }},
      // Track 3's radius is beyond single precision, but channel 3 is off:
      // neither its slots nor its mask are handed to the surface.
      {"channel 3 off far outside", [](IncrementalDesign& d) {
         d.channels[2].on = false;
         d.channels[2].edge_mode = IncEdgeMode::User;
         d.channels[2].edge_distance = "-1e300";
       }},
      {"greatest resolution", [](IncrementalDesign& d) { d.resolution = "200000"; }},
  };
  for (const auto& [name, edit] : cases) {
    IncrementalDesign design = IncrementalDesign::defaults();
    edit(design);
    Surface s(60, 60, 24);
    EXPECT_EQ(render_incremental(design, Polarity::Normal, s).message, Message::None) << name;
  }
}

// A shaft that comes out negative draws no hole: the centre stays black
// (channel 2's mask), apart from the cross.
TEST(IncrementalOddInputs, NegativeShaftDrawsNoHole) {
  IncrementalDesign design = IncrementalDesign::defaults();
  design.shaft_diameter = "-0.1875";
  Surface s(700, 700, 300);
  ASSERT_EQ(render_incremental(design, Polarity::Normal, s).message, Message::None);
  EXPECT_EQ(sample(s, Unit::Inch, 0.07, 1.0), Colour::Black);
  EXPECT_EQ(sample(s, Unit::Inch, 0.01, 0.8), Colour::Black);
}

// A fractional resolution whose last slot of a Channel B track ends beyond
// a full turn: the surface refuses the angle, and the drawing ends with the
// invalid-entry message at channel 2's third slot, before its mask.
TEST(IncrementalOddInputs, FractionalResolutionPastAFullTurnIsRefused) {
  IncrementalDesign design = IncrementalDesign::defaults();
  design.resolution = "2.5";  // pitch 0.4 pi; channel 2 slots from 0.2 pi, 1.0 pi, 1.8 pi (to 2.2 pi)
  Surface s(700, 700, 300);
  EXPECT_EQ(render_incremental(design, Polarity::Normal, s).message, Message::InvalidEntry);
  EXPECT_EQ(sample(s, Unit::Inch, 0.8125, 0.2 * kPi), Colour::White);  // channel 1's slot 0
  EXPECT_EQ(sample(s, Unit::Inch, 0.5625, 1.2 * kPi), Colour::White);  // channel 2's second slot
  EXPECT_EQ(sample(s, Unit::Inch, 0.5625, 1.9 * kPi), Colour::Black);  // the refused third slot
  EXPECT_EQ(sample(s, Unit::Inch, 0.3, 0.3 * kPi), Colour::White);     // no mask over the sectors
}

}  // namespace
}  // namespace vantor
