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

using Edit = std::function<void(IncrementalDesign&)>;

// Channel n's edge distance in User mode.
Edit user_edge(int n, const char* distance) {
  return [=](IncrementalDesign& d) {
    d.channels[n].edge_mode = IncEdgeMode::User;
    d.channels[n].edge_distance = distance;
  };
}
Edit both(Edit a, Edit b) {
  return [=](IncrementalDesign& d) { a(d), b(d); };
}

struct GeometryCase {
  const char* name;
  Edit edit;
  Geometry expected;  // worked out by hand from the design's numbers
  const char* zoom_diam = "2";
  double n = 16;
  std::array<double, 3> balance = {0, 0, 0};
  double ppi = 600;
};

// The design-time disc: R = 1 in, tracks 0.75-0.875, 0.5-0.625, 0.25-0.375,
// shaft radius 0.09375.
const Geometry kDefault{1.0, 0.09375, {{{0.75, 0.875}, {0.5, 0.625}, {0.25, 0.375}}}};
const Edit kAsDesigned = [](IncrementalDesign&) {};

const GeometryCase kGeometryCases[] = {
    {"design_time", kAsDesigned, kDefault},
    {"zoom_200", [](IncrementalDesign& d) { d.zoom = 200; },
     {2.0, 0.1875, {{{1.5, 1.75}, {1.0, 1.25}, {0.5, 0.75}}}}, "4"},
    {"scale_1_to_2", [](IncrementalDesign& d) { d.scale_den = "2"; },
     {0.5, 0.046875, {{{0.375, 0.4375}, {0.25, 0.3125}, {0.125, 0.1875}}}}, "1"},
    // 2 mm across; a dense raster so the 0.125 mm tracks are 12 pixels wide.
    {"millimetres", [](IncrementalDesign& d) { d.unit = Unit::Millimetre; }, kDefault, "2", 16, {0, 0, 0}, 2400},
    {"channel_2_off", [](IncrementalDesign& d) { d.channels[1].on = false; }, kDefault},
    {"channel_1_and_3_off", [](IncrementalDesign& d) { d.channels[0].on = d.channels[2].on = false; }, kDefault},
    {"balance_45_on_B_minus_45_on_A",
     [](IncrementalDesign& d) { d.channels[0].balance = "-45", d.channels[1].balance = "45"; }, kDefault, "2", 16,
     {-45, 45, 0}},
    {"balance_12_5", [](IncrementalDesign& d) { d.channels[0].balance = d.channels[2].balance = "12.5"; },
     kDefault, "2", 16, {12.5, 0, 12.5}},
    {"resolution_1", [](IncrementalDesign& d) { d.resolution = "1"; }, kDefault, "2", 1},
    {"resolution_5_balanced",
     [](IncrementalDesign& d) { d.resolution = "5", d.channels[1].balance = "30"; }, kDefault, "2", 5, {0, 30, 0}},
    // The slot loop's rule gives 3 slots for 2.5.
    {"resolution_2_5", [](IncrementalDesign& d) { d.resolution = "2.5", d.channels[1].type = ChannelType::A; },
     kDefault, "2", 2.5},
    // Slot lengths 0.05, user edge distances 0.65, 0.05, 0.05: T = 0.35, 0.25, 0.15.
    {"user_edge_distances",
     both([](IncrementalDesign& d) { for (ChannelTrack& ch : d.channels) ch.slot_length = "0.05"; },
          both(user_edge(0, "0.65"), both(user_edge(1, "0.05"), user_edge(2, "0.05")))),
     {1.0, 0.09375, {{{0.30, 0.35}, {0.20, 0.25}, {0.10, 0.15}}}}},
    // CH3_ED 0.2: track 3 from 0.175 to 0.3 in.
    {"user_edge_distance_channel_3", user_edge(2, "0.2"),
     {1.0, 0.09375, {{{0.75, 0.875}, {0.5, 0.625}, {0.175, 0.3}}}}},
    // The masks of channels 1 and 2 are drawn when the channel is off,
    // channel 3's is not.  A negative edge distance makes that visible: the
    // mask of channel 2 (off) reaches over track 1 and blackens it; channel
    // 3 (off) draws no mask over track 2.
    {"mask_of_channel_2_off_covers_track_1",
     both(user_edge(1, "-0.3"), [](IncrementalDesign& d) { d.channels[1].on = false; }),
     {1.0, 0.09375, {{{0.75, 0.875}, {0.925, 1.05}, {0.675, 0.8}}}}},
    {"no_mask_of_channel_3_off", both(user_edge(2, "-0.3"), [](IncrementalDesign& d) { d.channels[2].on = false; }),
     {1.0, 0.09375, {{{0.75, 0.875}, {0.5, 0.625}, {0.675, 0.8}}}}},
    {"index_on_channel_1", [](IncrementalDesign& d) { d.channels[0].type = ChannelType::Index; }, kDefault},
    {"index_on_channel_2_after_B",
     [](IncrementalDesign& d) { d.channels[0].type = ChannelType::B, d.channels[1].type = ChannelType::Index; },
     kDefault},
    // The phase carries over from a channel that is off.
    {"index_on_channel_2_after_B_that_is_off",
     [](IncrementalDesign& d) {
       d.channels[0].type = ChannelType::B, d.channels[0].on = false, d.channels[1].type = ChannelType::Index;
     },
     kDefault},
};

void PrintTo(const GeometryCase& c, std::ostream* os) { *os << c.name; }

class IncrementalGeometry : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(IncrementalGeometry, MatchesTheModelAwayFromEdges) {
  const GeometryCase& c = GetParam();
  IncrementalDesign design = IncrementalDesign::defaults();
  c.edit(design);
  const double u = design.unit == Unit::Inch ? c.ppi : c.ppi / 25.4;
  const int size = static_cast<int>(std::ceil(2 * c.expected.disc * u)) + 40;
  Surface surface(size, size, c.ppi);
  const IncrementalOutcome outcome = render_incremental(design, Polarity::Normal, surface);
  EXPECT_EQ(outcome.message, Message::None);
  EXPECT_EQ(outcome.zoom_diam, c.zoom_diam);

  const Comparison cmp =
      compare(surface, DiscModel(c.expected, design, c.n, c.balance, 1 / u), c.expected.disc, design.unit);
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

// A few literal points of the design-time disc, anchoring the model to the
// numbers of the disc's description.
TEST(IncrementalDesignTimeDisc, SpotChecks) {
  Surface s(1500, 1500, 600);  // 2.5 in: the centre lies on a pixel corner
  ASSERT_EQ(render_incremental(IncrementalDesign::defaults(), Polarity::Normal, s).message, Message::None);
  const double p = kPi / 16;
  const std::tuple<const char*, double, double, Colour> spots[] = {
      {"track 1, slot 0", 0.8125, p / 2, Colour::White},
      {"track 1, bar after slot 0", 0.8125, 1.5 * p, Colour::Black},
      {"track 2, before its first slot (B phase)", 0.5625, p / 4, Colour::Black},
      {"track 2, slot 0", 0.5625, p, Colour::White},
      {"track 3, the index slot", 0.3125, p, Colour::White},
      {"track 3, no second slot", 0.3125, 3 * p, Colour::Black},
      {"shaft hole", 0.07, 1.0, Colour::White},
      {"centre circle", 0.01, 0.8, Colour::White},
      {"cross arm", 0.03, 0.0, Colour::Black},
      {"cross arm, upward", 0.03, kPi / 2, Colour::Black},
  };
  for (const auto& [what, r, t, c] : spots) EXPECT_EQ(sample(s, Unit::Inch, r, t), c) << what;
}

// ---------------------------------------------------------------------------
// Inverse.
// ---------------------------------------------------------------------------

// Whether pixel (i, j) belongs to the one-pixel outline of a circle of
// radius r (unit) about the surface's centre, by the surface's ring rule.
bool on_ring(const Surface& s, double r, int i, int j) {
  const double u = s.pixels_per_unit();
  const double dx = i + 0.5 - static_cast<double>(s.scale_width() / 2) * u;
  const double dy = j + 0.5 - static_cast<double>(s.scale_height() / 2) * u;
  const double rp = static_cast<double>(static_cast<float>(r)) * u, q = dx * dx + dy * dy;
  return q <= rp * rp && (rp <= 1 || q > (rp - 1) * (rp - 1));
}

TEST(IncrementalInverse, IsTheNegativeInsideTheDiscApartFromTheRims) {
  const std::pair<Edit, double> designs[] = {  // the edit and its S1 / S2
      {kAsDesigned, 1.0},
      {[](IncrementalDesign& d) {
         d.channels[0].balance = "-45", d.channels[1].balance = "45", d.channels[2].balance = "12.5";
         d.channels[1].on = false, d.resolution = "7";
       }, 1.0},
      {both(both(user_edge(0, "0.1"), user_edge(2, "0.02")),
            [](IncrementalDesign& d) {
              d.channels[0].type = ChannelType::Index, d.channels[2].on = false;
              d.scale_num = "3", d.scale_den = "4";
            }), 0.75},
      {[](IncrementalDesign& d) { d.unit = Unit::Millimetre; }, 1.0},
  };
  for (const auto& [edit, scale] : designs) {
    IncrementalDesign design = IncrementalDesign::defaults();
    edit(design);
    const double ppi = design.unit == Unit::Inch ? 300 : 4800;
    Surface normal(700, 700, ppi), inverse(700, 700, ppi);
    ASSERT_EQ(render_incremental(design, Polarity::Normal, normal).message, Message::None);
    const IncrementalOutcome out = render_incremental(design, Polarity::Inverse, inverse);
    ASSERT_EQ(out.message, Message::None);
    EXPECT_FALSE(out.zoom_diam.has_value());

    const double disc = scale, shaft = 0.09375 * scale;
    const double u = normal.pixels_per_unit(), rp = static_cast<double>(static_cast<float>(disc)) * u;
    int inside = 0, not_inverted = 0, outside_not_white = 0, rim_not_black = 0;
    for (int j = 0; j < normal.height(); ++j)
      for (int i = 0; i < normal.width(); ++i) {
        const Colour n = normal.pixel(i, j), v = inverse.pixel(i, j);
        if (on_ring(normal, disc, i, j)) {
          rim_not_black += v != Colour::Black;  // the disc's rim keeps the foreground colour
        } else if (on_ring(normal, shaft, i, j)) {
          // so does the shaft hole's, black on black here
        } else if (std::hypot(i + 0.5 - static_cast<double>(normal.scale_width() / 2) * u,
                              j + 0.5 - static_cast<double>(normal.scale_height() / 2) * u) <= rp) {
          ++inside;
          not_inverted += v == n;
        } else {
          outside_not_white += v != Colour::White || n != Colour::White;
        }
      }
    EXPECT_EQ(not_inverted, 0);
    EXPECT_EQ(outside_not_white, 0);
    EXPECT_EQ(rim_not_black, 0);
    EXPECT_GT(inside, 10000);
  }
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
  Edit edit;
  Message message;
  const char* zoom_diam;  // nullptr: not reached
  enum { PreviousImage, OnlyDisc, Cleared } surface;
};

Edit text(std::string IncrementalDesign::*field, const char* value) {
  return [=](IncrementalDesign& d) { d.*field = value; };
}
Edit slot_lengths(const char* l1, const char* l2, const char* l3) {
  return [=](IncrementalDesign& d) {
    d.channels[0].slot_length = l1, d.channels[1].slot_length = l2, d.channels[2].slot_length = l3;
  };
}
constexpr Message kInvalid = Message::InvalidEntry, kTooLong = Message::SlotsTooLong,
                  kTooHigh = Message::ResolutionTooHigh;
constexpr auto kPrevious = FailureCase::PreviousImage, kDisc = FailureCase::OnlyDisc;

const FailureCase kFailures[] = {
    {"S2_zero", text(&IncrementalDesign::scale_den, "0"), kInvalid, nullptr, kPrevious},
    {"S1_letters", text(&IncrementalDesign::scale_num, "x"), kInvalid, nullptr, kPrevious},
    {"slot_length_empty", slot_lengths("0.125", "0.125", ""), kInvalid, nullptr, kPrevious},
    {"diameter_decimal_comma", text(&IncrementalDesign::encoder_diameter, "1,5"), kInvalid, nullptr, kPrevious},
    {"shaft_letters", text(&IncrementalDesign::shaft_diameter, "abc"), kInvalid, nullptr, kPrevious},
    {"radius_overflows_double",
     both(text(&IncrementalDesign::encoder_diameter, "1e300"), text(&IncrementalDesign::scale_num, "1e300")),
     kInvalid, nullptr, kPrevious},
    // zoom_diam is written, then the radius does not survive the hand-over
    // in single precision: the surface has just been cleared.
    {"radius_beyond_single_precision", text(&IncrementalDesign::encoder_diameter, "1e300"), kInvalid, "1E+300",
     FailureCase::Cleared},
    {"resolution_letters", text(&IncrementalDesign::resolution, "abc"), kInvalid, "2", kDisc},
    {"resolution_empty", text(&IncrementalDesign::resolution, ""), kInvalid, "2", kDisc},
    {"resolution_zero", text(&IncrementalDesign::resolution, "0"), kInvalid, "2", kDisc},
    {"user_edge_distance_letters", user_edge(1, "0.1."), kInvalid, "2", kDisc},
    {"balance_letters", [](IncrementalDesign& d) { d.channels[2].balance = "ten"; }, kInvalid, "2", kDisc},
    {"slot_lengths_0_5", slot_lengths("0.5", "0.5", "0.5"), kTooLong, "2", kDisc},
    // Regression: the sum the check once added (tracks' radii and slot
    // lengths, 1.5 here) passed this design although track 3 reaches 1 in
    // past the centre.
    {"regression_fit_slot_lengths_0_25_0_25_0_5", slot_lengths("0.25", "0.25", "0.5"), kTooLong, "2", kDisc},
    // The fit check comes before the resolution is read.
    {"fit_before_resolution",
     both(slot_lengths("0.5", "0.5", "0.5"), text(&IncrementalDesign::resolution, "abc")), kTooLong, "2", kDisc},
    // Regression: a resolution in the millions drew for minutes.
    {"regression_resolution_1e9", text(&IncrementalDesign::resolution, "1e9"), kTooHigh, "2", kDisc},
    {"resolution_200001", text(&IncrementalDesign::resolution, "200001"), kTooHigh, "2", kDisc},
    {"resolution_200000_5", text(&IncrementalDesign::resolution, "200000.5"), kTooHigh, "2", kDisc},
    {"resolution_1e308", text(&IncrementalDesign::resolution, "1e308"), kTooHigh, "2", kDisc},
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
    const IncrementalOutcome out = render_incremental(design, polarity, surface);
    EXPECT_EQ(out.message, c.message);
    if (polarity == Polarity::Normal && c.zoom_diam)
      EXPECT_EQ(out.zoom_diam, c.zoom_diam);
    else
      EXPECT_FALSE(out.zoom_diam.has_value());
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
  const Edit fitting[] = {
      kAsDesigned,
      both(slot_lengths("0.05", "0.05", "0.05"),
           both(user_edge(0, "0.65"), both(user_edge(1, "0.05"), user_edge(2, "0.05")))),
      // Track 3's inner edge exactly at the centre: T = 0.75, 0.5, 0.25.
      both(slot_lengths("0.25", "0.25", "0.25"), both(user_edge(1, "0"), user_edge(2, "0"))),
      // Tracks switched off still take their room, and fit.
      [](IncrementalDesign& d) { for (ChannelTrack& ch : d.channels) ch.on = false; },
  };
  for (const Edit& edit : fitting) {
    IncrementalDesign design = IncrementalDesign::defaults();
    edit(design);
    Surface s(300, 300, 96);
    EXPECT_EQ(render_incremental(design, Polarity::Normal, s).message, Message::None);
    EXPECT_EQ(render_incremental(design, Polarity::Inverse, s).message, Message::None);
  }
}

// Inputs that draw without a message, though not every figure shows.
TEST(IncrementalOddInputs, DrawAsFarAsTheSurfaceAllows) {
  const std::pair<const char*, Edit> cases[] = {
      {"negative resolution", text(&IncrementalDesign::resolution, "-3")},
      {"zero shaft", text(&IncrementalDesign::shaft_diameter, "0")},
      {"shaft larger than the disc", text(&IncrementalDesign::shaft_diameter, "3")},
      {"disc far beyond the raster", text(&IncrementalDesign::encoder_diameter, "1e30")},
      {"tiny values", both(text(&IncrementalDesign::encoder_diameter, "1e-300"), slot_lengths("1e-310", "0", "0"))},
      // Track 3's radius is beyond single precision, but channel 3 is off:
      // neither its slots nor its mask reach the surface.
      {"channel 3 off far outside",
       both(user_edge(2, "-1e300"), [](IncrementalDesign& d) { d.channels[2].on = false; })},
      {"greatest resolution", text(&IncrementalDesign::resolution, "200000")},
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
