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

// The artwork in the design's unit, from the radii of its rings.  With
// p = pi / N, the phase |phi| (0 for A, p / 2 for B, the previous channel's
// for an Index track) and b = balance / 90, slot j spans 2jp + |phi| ...
// (2j + 1 + b)p + |phi| counter-clockwise from 3 o'clock (slot 0 from
// 0.001 + |phi|); an Index track has slot 0 only.
struct Ring {
  double inner, outer;
};
struct Geometry {
  double disc, shaft;         // radii
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
    // A or B: one slot for each i = 2j <= 2N - 1, slot 0 included.
    const int count = n >= 1.5 ? static_cast<int>(std::floor(n - 0.5)) + 1 : 1;
    double phase = 0;
    for (int c = 0; c < 3; ++c) {
      const ChannelTrack& ch = design.channels[c];
      on_[c] = ch.on;
      if (ch.type != ChannelType::Index) phase = ch.type == ChannelType::B ? p / 2 : 0;
      const int slots = ch.type == ChannelType::Index ? 1 : count;
      for (int j = 0; j < slots; ++j)
        slots_[c].push_back({(j == 0 ? 0.001 : 2 * j * p) + phase, (2 * j + 1 + balance[c] / 90) * p + phase});
    }
  }

  // The colour at a point relative to the centre (y up), painted in the
  // order of the drawing.
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

  // Whether the point lies on the centre cross's reach, where the lines are
  // too thin to sample.
  bool near_cross(double x, double y, double margin) const {
    const double arm = 0.5 * g_.shaft + margin;
    return (std::fabs(x) < margin && std::fabs(y) < arm) || (std::fabs(y) < margin && std::fabs(x) < arm);
  }

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
      if (s.pixel(i, j) != expected && out.wrong++ == 0)
        out.first_wrong = "pixel (" + std::to_string(i) + ", " + std::to_string(j) + ") r=" +
                          std::to_string(std::hypot(px, py) / u) + " t=" + std::to_string(std::atan2(py, px));
    }
  }
  return out;
}

using Edit = std::function<void(IncrementalDesign&)>;

template <class... E>
Edit all(E... edits) {
  return [=](IncrementalDesign& d) { (edits(d), ...); };
}
Edit text(std::string IncrementalDesign::*field, const char* value) {
  return [=](IncrementalDesign& d) { d.*field = value; };
}
// Channel n's edge distance in User mode.
Edit user_edge(int n, const char* distance) {
  return [=](IncrementalDesign& d) {
    d.channels[n].edge_mode = IncEdgeMode::User, d.channels[n].edge_distance = distance;
  };
}
Edit slot_lengths(const char* l1, const char* l2, const char* l3) {
  return [=](IncrementalDesign& d) {
    d.channels[0].slot_length = l1, d.channels[1].slot_length = l2, d.channels[2].slot_length = l3;
  };
}
Edit channel_off(int n) {
  return [=](IncrementalDesign& d) { d.channels[n].on = false; };
}
IncrementalDesign edited(const Edit& edit) {
  IncrementalDesign d = IncrementalDesign::defaults();
  return edit(d), d;
}
const Edit kAsDesigned = [](IncrementalDesign&) {};
constexpr auto kRes = &IncrementalDesign::resolution, kS1 = &IncrementalDesign::scale_num,
               kS2 = &IncrementalDesign::scale_den, kED = &IncrementalDesign::encoder_diameter,
               kDD = &IncrementalDesign::shaft_diameter;

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
constexpr ChannelType kB = ChannelType::B, kIndex = ChannelType::Index;
const Geometry kDefault{1.0, 0.09375, {{{0.75, 0.875}, {0.5, 0.625}, {0.25, 0.375}}}};

const GeometryCase kGeometryCases[] = {
    {"design_time", kAsDesigned, kDefault},
    {"zoom_200", [](IncrementalDesign& d) { d.zoom = 200; },
     {2.0, 0.1875, {{{1.5, 1.75}, {1.0, 1.25}, {0.5, 0.75}}}}, "4"},
    {"scale_1_to_2", text(kS2, "2"), {0.5, 0.046875, {{{0.375, 0.4375}, {0.25, 0.3125}, {0.125, 0.1875}}}}, "1"},
    // 2 mm across; a dense raster so the 0.125 mm tracks are 12 pixels wide.
    {"millimetres", [](IncrementalDesign& d) { d.unit = Unit::Millimetre; }, kDefault, "2", 16, {0, 0, 0}, 2400},
    {"channel_2_off", channel_off(1), kDefault},
    {"channel_1_and_3_off", all(channel_off(0), channel_off(2)), kDefault},
    {"balance_45_on_B_minus_45_on_A",
     [](IncrementalDesign& d) { d.channels[0].balance = "-45", d.channels[1].balance = "45"; }, kDefault, "2", 16,
     {-45, 45, 0}},
    {"balance_12_5", [](IncrementalDesign& d) { d.channels[0].balance = d.channels[2].balance = "12.5"; },
     kDefault, "2", 16, {12.5, 0, 12.5}},
    {"resolution_1", text(kRes, "1"), kDefault, "2", 1},
    {"resolution_5_balanced", [](IncrementalDesign& d) { d.resolution = "5", d.channels[1].balance = "30"; },
     kDefault, "2", 5, {0, 30, 0}},
    // The slot loop's rule gives 3 slots for 2.5.
    {"resolution_2_5", [](IncrementalDesign& d) { d.resolution = "2.5", d.channels[1].type = ChannelType::A; },
     kDefault, "2", 2.5},
    // Slot lengths 0.05, user edge distances 0.65, 0.05, 0.05: T = 0.35, 0.25, 0.15.
    {"user_edge_distances",
     all(slot_lengths("0.05", "0.05", "0.05"), user_edge(0, "0.65"), user_edge(1, "0.05"), user_edge(2, "0.05")),
     {1.0, 0.09375, {{{0.30, 0.35}, {0.20, 0.25}, {0.10, 0.15}}}}},
    // CH3_ED 0.2: track 3 from 0.175 to 0.3 in.
    {"user_edge_distance_channel_3", user_edge(2, "0.2"),
     {1.0, 0.09375, {{{0.75, 0.875}, {0.5, 0.625}, {0.175, 0.3}}}}},
    // The masks of channels 1 and 2 are drawn when the channel is off,
    // channel 3's is not.  A negative edge distance makes that visible: the
    // mask of channel 2 (off) reaches over track 1 and blackens it; channel
    // 3 (off) draws no mask over track 2.
    {"mask_of_channel_2_off_covers_track_1", all(user_edge(1, "-0.3"), channel_off(1)),
     {1.0, 0.09375, {{{0.75, 0.875}, {0.925, 1.05}, {0.675, 0.8}}}}},
    {"no_mask_of_channel_3_off", all(user_edge(2, "-0.3"), channel_off(2)),
     {1.0, 0.09375, {{{0.75, 0.875}, {0.5, 0.625}, {0.675, 0.8}}}}},
    {"index_on_channel_1", [](IncrementalDesign& d) { d.channels[0].type = ChannelType::Index; }, kDefault},
    {"index_on_channel_2_after_B",
     [](IncrementalDesign& d) { d.channels[0].type = kB, d.channels[1].type = kIndex; }, kDefault},
    // The phase carries over from a channel that is off.
    {"index_on_channel_2_after_B_that_is_off",
     all(channel_off(0), [](IncrementalDesign& d) { d.channels[0].type = kB, d.channels[1].type = kIndex; }),
     kDefault},
};

void PrintTo(const GeometryCase& c, std::ostream* os) { *os << c.name; }

class IncrementalGeometry : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(IncrementalGeometry, MatchesTheModelAwayFromEdges) {
  const GeometryCase& c = GetParam();
  const IncrementalDesign design = edited(c.edit);
  const double u = design.unit == Unit::Inch ? c.ppi : c.ppi / 25.4;
  const int size = static_cast<int>(std::ceil(2 * c.expected.disc * u)) + 40;
  Surface surface(size, size, c.ppi);
  const DrawOutcome outcome = render_incremental(design, Polarity::Normal, surface);
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

// Literal points, in inches at angles from 3 o'clock, anchoring the model to
// the numbers of the design-time disc and showing the centre cross, which
// the model skips.  A negative shaft draws no hole: the centre stays black
// (channel 2's mask).  With a resolution of 2.5 the last slot of channel
// 2's B track ends beyond a full turn: the surface refuses the angle and
// the drawing ends with the invalid-entry message at that slot, before the
// channel's mask.
TEST(IncrementalDrawing, LiteralPoints) {
  struct Spot {
    const char* what;
    double r, t;
    Colour c;
  };
  constexpr Colour W = Colour::White, B = Colour::Black;
  const double p = kPi / 16;
  const std::tuple<const char*, Edit, Message, std::vector<Spot>> cases[] = {
      {"design-time", kAsDesigned, Message::None,
       {{"track 2, before its first slot (B phase)", 0.5625, p / 4, B}, {"track 2, slot 0", 0.5625, p, W},
        {"track 3, the index slot", 0.3125, p, W}, {"track 3, no second slot", 0.3125, 3 * p, B},
        {"cross arm", 0.03, 0.0, B}, {"cross arm, upward", 0.03, kPi / 2, B}}},
      {"negative shaft", text(kDD, "-0.1875"), Message::None,
       {{"no shaft hole", 0.07, 1.0, B}, {"no centre circle", 0.01, 0.8, B}}},
      // Pitch 0.4 pi; channel 2's slots from 0.2 pi, 1.0 pi, 1.8 pi (to 2.2 pi).
      {"resolution 2.5", text(kRes, "2.5"), Message::InvalidEntry,
       {{"channel 1's slot 0", 0.8125, 0.2 * kPi, W}, {"channel 2's second slot", 0.5625, 1.2 * kPi, W},
        {"the refused third slot", 0.5625, 1.9 * kPi, B}, {"no mask over the sectors", 0.3, 0.3 * kPi, W}}},
  };
  for (const auto& [name, edit, message, spots] : cases) {
    Surface s(1500, 1500, 600);  // 2.5 in: the centre lies on a pixel corner
    EXPECT_EQ(render_incremental(edited(edit), Polarity::Normal, s).message, message) << name;
    for (const Spot& spot : spots)
      EXPECT_EQ(s.pixel(static_cast<int>(std::floor(750 + spot.r * 600 * std::cos(spot.t))),
                        static_cast<int>(std::floor(750 - spot.r * 600 * std::sin(spot.t)))),
                spot.c)
          << name << ": " << spot.what;
  }
}

// The distance of pixel (i, j)'s centre from the surface's centre, and
// whether the pixel belongs to the one-pixel outline of a circle of radius
// r (unit) by the surface's ring rule.
double from_centre(const Surface& s, int i, int j) {
  const double u = s.pixels_per_unit();
  return std::hypot(i + 0.5 - static_cast<double>(s.scale_width() / 2) * u,
                    j + 0.5 - static_cast<double>(s.scale_height() / 2) * u);
}
bool on_ring(const Surface& s, double r, int i, int j) {
  const double rp = static_cast<double>(static_cast<float>(r)) * s.pixels_per_unit(), d = from_centre(s, i, j);
  return d * d <= rp * rp && (rp <= 1 || d * d > (rp - 1) * (rp - 1));
}

TEST(IncrementalInverse, IsTheNegativeInsideTheDiscApartFromTheRims) {
  const std::pair<Edit, double> designs[] = {  // the edit and its S1 / S2
      {kAsDesigned, 1.0},
      {[](IncrementalDesign& d) {
         d.channels[0].balance = "-45", d.channels[1].balance = "45", d.channels[2].balance = "12.5";
         d.channels[1].on = false, d.resolution = "7";
       }, 1.0},
      {all(user_edge(0, "0.1"), user_edge(2, "0.02"), channel_off(2),
           [](IncrementalDesign& d) {
             d.channels[0].type = ChannelType::Index, d.scale_num = "3", d.scale_den = "4";
           }), 0.75},
      {[](IncrementalDesign& d) { d.unit = Unit::Millimetre; }, 1.0},
  };
  for (const auto& [edit, scale] : designs) {
    const IncrementalDesign design = edited(edit);
    const double ppi = design.unit == Unit::Inch ? 300 : 4800;
    Surface normal(700, 700, ppi), inverse(700, 700, ppi);
    ASSERT_EQ(render_incremental(design, Polarity::Normal, normal).message, Message::None);
    const DrawOutcome out = render_incremental(design, Polarity::Inverse, inverse);
    ASSERT_EQ(out.message, Message::None);
    EXPECT_FALSE(out.zoom_diam.has_value());

    const double disc = scale, shaft = 0.09375 * scale;
    const double rp = static_cast<double>(static_cast<float>(disc)) * normal.pixels_per_unit();
    int inside = 0, not_inverted = 0, outside_not_white = 0, rim_not_black = 0;
    for (int j = 0; j < normal.height(); ++j)
      for (int i = 0; i < normal.width(); ++i) {
        const Colour n = normal.pixel(i, j), v = inverse.pixel(i, j);
        if (on_ring(normal, disc, i, j)) {
          rim_not_black += v != Colour::Black;  // the disc's rim keeps the foreground colour
        } else if (on_ring(normal, shaft, i, j)) {
          // so does the shaft hole's, black on black here
        } else if (from_centre(normal, i, j) <= rp) {
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
    Surface s(700, 700, 300);
    const DrawOutcome out = render_incremental(edited([=](IncrementalDesign& d) { d.zoom = zoom; }),
                                                      Polarity::Inverse, s);
    EXPECT_EQ(out.message, Message::None);
    EXPECT_FALSE(out.zoom_diam.has_value());
    EXPECT_TRUE(s == at_100) << "zoom " << zoom;
  }
}

// The surface holds exactly the disc of radius 1 in (black for the normal
// drawing, white with a black rim for the inverse one) and nothing else.
void expect_only_the_disc(const Surface& s, Polarity polarity) {
  const double rp = s.pixels_per_unit();
  int wrong = 0;
  for (int j = 0; j < s.height(); ++j)
    for (int i = 0; i < s.width(); ++i) {
      const double d = from_centre(s, i, j);
      if (std::fabs(d - rp) < 1.5) continue;
      wrong += s.pixel(i, j) != (d > rp || polarity == Polarity::Inverse ? Colour::White : Colour::Black);
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

constexpr Message kInvalid = Message::InvalidEntry, kTooLong = Message::SlotsTooLong,
                  kTooHigh = Message::ResolutionTooHigh;
constexpr auto kPrevious = FailureCase::PreviousImage, kDisc = FailureCase::OnlyDisc;

const FailureCase kFailures[] = {
    {"S2_zero", text(kS2, "0"), kInvalid, nullptr, kPrevious},
    {"S1_letters", text(kS1, "x"), kInvalid, nullptr, kPrevious},
    {"slot_length_empty", slot_lengths("0.125", "0.125", ""), kInvalid, nullptr, kPrevious},
    {"diameter_decimal_comma", text(kED, "1,5"), kInvalid, nullptr, kPrevious},
    {"shaft_letters", text(kDD, "abc"), kInvalid, nullptr, kPrevious},
    {"radius_overflows_double",
     all(text(kED, "1e300"), text(kS1, "1e300")),
     kInvalid, nullptr, kPrevious},
    // zoom_diam is written, then the radius does not survive the hand-over
    // in single precision: the surface has just been cleared.
    {"radius_beyond_single_precision", text(kED, "1e300"), kInvalid, "1E+300",
     FailureCase::Cleared},
    {"resolution_letters", text(kRes, "abc"), kInvalid, "2", kDisc},
    {"resolution_empty", text(kRes, ""), kInvalid, "2", kDisc},
    {"resolution_zero", text(kRes, "0"), kInvalid, "2", kDisc},
    {"user_edge_distance_letters", user_edge(1, "0.1."), kInvalid, "2", kDisc},
    {"balance_letters", [](IncrementalDesign& d) { d.channels[2].balance = "ten"; }, kInvalid, "2", kDisc},
    {"slot_lengths_0_5", slot_lengths("0.5", "0.5", "0.5"), kTooLong, "2", kDisc},
    // Regression: the sum the check once added (tracks' radii and slot
    // lengths, 1.5 here) passed this design although track 3 reaches 1 in
    // past the centre.
    {"regression_fit_slot_lengths_0_25_0_25_0_5", slot_lengths("0.25", "0.25", "0.5"), kTooLong, "2", kDisc},
    // Regression: the check once looked at track 3 only, which a negative
    // edge distance moved outwards while track 2 ran past the centre.
    {"regression_fit_every_track", all(slot_lengths("0.125", "1", "0.125"), user_edge(2, "-1.8")), kTooLong, "2",
     kDisc},
    // The fit check comes before the resolution is read.
    {"fit_before_resolution", all(slot_lengths("0.5", "0.5", "0.5"), text(kRes, "abc")), kTooLong, "2", kDisc},
    // Regression: a resolution in the millions drew for minutes.
    {"regression_resolution_1e9", text(kRes, "1e9"), kTooHigh, "2", kDisc},
    {"resolution_200001", text(kRes, "200001"), kTooHigh, "2", kDisc},
    {"resolution_200000_5", text(kRes, "200000.5"), kTooHigh, "2", kDisc},
    {"resolution_1e308", text(kRes, "1e308"), kTooHigh, "2", kDisc},
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class IncrementalFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(IncrementalFailure, LeavesWhatTheFailingStepFound) {
  const FailureCase& c = GetParam();
  for (Polarity polarity : {Polarity::Normal, Polarity::Inverse}) {
    SCOPED_TRACE(polarity == Polarity::Normal ? "normal" : "inverse");
    // A previous drawing in millimetres; the failing design is in inches.
    Surface surface(400, 400, 150);
    ASSERT_EQ(render_incremental(edited(all([](IncrementalDesign& d) { d.unit = Unit::Millimetre; },
                                            text(kED, "50"))),
                                 Polarity::Normal, surface).message,
              Message::None);
    const Surface before = surface;

    const DrawOutcome out = render_incremental(edited(c.edit), polarity, surface);
    EXPECT_EQ(out.message, c.message);
    if (polarity == Polarity::Normal && c.zoom_diam)
      EXPECT_EQ(out.zoom_diam, c.zoom_diam);
    else
      EXPECT_FALSE(out.zoom_diam.has_value());
    EXPECT_EQ(surface.scale_mode(), ScaleMode::Inch);  // the unit is set before any failure
    if (c.surface == FailureCase::OnlyDisc) expect_only_the_disc(surface, polarity);
    EXPECT_TRUE(c.surface != FailureCase::PreviousImage || surface == before);
    EXPECT_TRUE(c.surface != FailureCase::Cleared || surface == Surface(400, 400, 150));
  }
}

INSTANTIATE_TEST_SUITE_P(Steps, IncrementalFailure, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(IncrementalResolutionLimit, TheMessageNamesTheLimit) {
  const std::string text(message_text(Message::ResolutionTooHigh));
  EXPECT_NE(text.find(std::to_string(static_cast<long>(kMaxSlotsPerTrack))), std::string::npos) << text;
}

// Designs that the fit check lets through, and inputs that draw without a
// message though not every figure shows.
TEST(IncrementalDrawing, DrawsWithoutAMessage) {
  const std::pair<const char*, Edit> cases[] = {
      {"design-time", kAsDesigned},
      {"small tracks, user edges",
       all(slot_lengths("0.05", "0.05", "0.05"), user_edge(0, "0.65"), user_edge(1, "0.05"), user_edge(2, "0.05"))},
      // T = 0.75, 0.5, 0.25.
      {"track 3's inner edge exactly at the centre",
       all(slot_lengths("0.25", "0.25", "0.25"), user_edge(1, "0"), user_edge(2, "0"))},
      {"tracks switched off still take their room", all(channel_off(0), channel_off(1), channel_off(2))},
      {"negative resolution", text(kRes, "-3")},
      {"zero shaft", text(kDD, "0")},
      {"shaft larger than the disc", text(kDD, "3")},
      {"disc far beyond the raster", text(kED, "1e30")},
      {"tiny values", all(text(kED, "1e-300"), slot_lengths("1e-310", "0", "0"))},
      // Track 3's radius is beyond single precision, but channel 3 is off:
      // neither its slots nor its mask reach the surface.
      {"channel 3 off far outside", all(user_edge(2, "-1e300"), channel_off(2))},
      {"greatest resolution", text(kRes, "200000")},
      // Regression: the resolution bound once refused designs that draw no
      // slot loop.
      {"resolution 1e6, every channel off", all(text(kRes, "1000000"), channel_off(0), channel_off(1), channel_off(2))},
      {"resolution 1e6, three Index channels", all(text(kRes, "1000000"), [](IncrementalDesign& d) {
         for (ChannelTrack& ch : d.channels) ch.type = ChannelType::Index;
       })},
  };
  for (const auto& [name, edit] : cases)
    for (Polarity polarity : {Polarity::Normal, Polarity::Inverse}) {
      Surface s(60, 60, 24);
      EXPECT_EQ(render_incremental(edited(edit), polarity, s).message, Message::None) << name;
    }
}

}  // namespace
}  // namespace vantor
