// The absolute design record and the absolute disc, read back from the
// finished raster the way an encoder reads it.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <tuple>
#include <variant>

#include "absolute/absolute_design.h"
#include "absolute/absolute_renderer.h"
#include "common/numtext.h"

using namespace vantor;

namespace {

constexpr double kPi = std::numbers::pi;

// A drawn disc and the means to look at it in the design's unit.
struct Drawn {
  Surface surface;
  double pixels_per_unit;
  bool accepted;

  // The pixel whose square contains the point at radius r (design unit) and
  // angle a (radians, counter-clockwise from 3 o'clock) about the centre.
  bool white_at(double r, double a) const {
    const int i = static_cast<int>(std::floor(surface.width() / 2.0 + r * pixels_per_unit * std::cos(a)));
    const int j = static_cast<int>(std::floor(surface.height() / 2.0 - r * pixels_per_unit * std::sin(a)));
    const bool inside = i >= 0 && j >= 0 && i < surface.width() && j < surface.height();
    EXPECT_TRUE(inside) << "sample off the raster";
    return inside && surface.pixel(i, j) == Colour::White;
  }
  // Share of white along the circle of radius r.
  double white_share(double r) const {
    constexpr int kSamples = 36000;
    int white = 0;
    for (int s = 0; s < kSamples; ++s) white += white_at(r, (s + 0.5) * 2 * kPi / kSamples);
    return double(white) / kSamples;
  }
  double pixels(double length) const { return length / pixels_per_unit; }  // pixels -> unit
};

Drawn draw(const AbsoluteDesign& d, int size = 3000, double ppi = 1440) {
  Drawn out{Surface(size, size, ppi), d.unit == Unit::Inch ? ppi : ppi / 25.4, false};
  out.accepted = render_absolute(d, out.surface).message == Message::None;
  return out;
}

AbsoluteDesign design(double n, CodeType code, AbsEdgeMode mode = AbsEdgeMode::Auto, int balance = 0) {
  AbsoluteDesign d;
  d.resolution_exp = n;
  d.code_type = code;
  d.edge_mode = mode;
  d.balance = static_cast<std::int16_t>(balance);
  return d;
}

// Auto mode, counted from the hub: track t (0 = innermost, the most
// significant bit) lies between 2 Rs + 2 t SL and 2 Rs + (2 t + 1) SL.
double auto_slot(const AbsoluteDesign& d) {
  const double k = d.scale_num / d.scale_den;
  return (d.encoder_diameter / 2 * k - d.shaft_diameter * k) / (2 * d.resolution_exp);
}
double auto_track_middle(const AbsoluteDesign& d, int t) {
  return d.shaft_diameter * d.scale_num / d.scale_den + (2 * t + 0.5) * auto_slot(d);
}

// The code read at angle a, innermost track as the most significant bit,
// white as 1.
unsigned read_code(const Drawn& disc, const AbsoluteDesign& d, double a) {
  unsigned code = 0;
  for (int t = 0; t < int(d.resolution_exp); ++t) code = code << 1 | unsigned(disc.white_at(auto_track_middle(d, t), a));
  return code;
}

auto fields(const AbsoluteDesign& d) {
  return std::tuple(d.unit, d.resolution_exp, d.scale_num, d.scale_den, d.encoder_diameter, d.shaft_diameter,
                    d.slot_length, d.edge_mode, d.edge_distance, d.code_type, d.balance);
}

}  // namespace

TEST(AbsoluteDesignTest, EntriesAreConvertedAsTyped) {
  const std::pair<AbsoluteEntries, AbsoluteDesign> cases[] = {
      {AbsoluteEntries{},
       {Unit::Inch, 6, 1, 1, 2, 0.1875, 0.06125, AbsEdgeMode::Auto, 0.125, CodeType::Grey, 0}},
      // Res_exp is not rounded.
      {{Unit::Millimetre, " 2.5 ", "3", "4", "50", "6", "1.5e0", AbsEdgeMode::User, "-2", CodeType::Binary, -45},
       {Unit::Millimetre, 2.5, 3, 4, 50, 6, 1.5, AbsEdgeMode::User, -2, CodeType::Binary, -45}},
  };
  for (const auto& [entries, expected] : cases) {
    const auto built = build_absolute_design(entries);
    ASSERT_TRUE(std::holds_alternative<AbsoluteDesign>(built));
    EXPECT_EQ(fields(std::get<AbsoluteDesign>(built)), fields(expected));
  }
}

TEST(AbsoluteDesignTest, EntriesThatCannotBeDrawnAreRefused) {
  using E = AbsoluteEntries;
  constexpr Message kInvalid = Message::InvalidEntry, kOk = Message::None, kLimit = Message::AbsResolutionTooHigh;
  const std::string limit = std::to_string(int(kMaxResolutionExp));
  const std::tuple<const char*, std::function<void(E&)>, Message> cases[] = {
      {"Res_exp not a number", [](E& e) { e.resolution_exp = "six"; }, kInvalid},
      {"S1 empty", [](E& e) { e.scale_num = ""; }, kInvalid},
      {"S2 not a number", [](E& e) { e.scale_den = "x"; }, kInvalid},
      {"SL_in not a number, even in Auto", [](E& e) { e.slot_length = "abc"; }, kInvalid},
      {"ED not a number", [](E& e) { e.encoder_diameter = "two"; }, kInvalid},
      {"DD not a number", [](E& e) { e.shaft_diameter = "?"; }, kInvalid},
      {"CH1_ED not a number in User", [](E& e) { e.edge_mode = AbsEdgeMode::User, e.edge_distance = "abc"; }, kInvalid},
      {"CH1_ED not read in Auto", [](E& e) { e.edge_distance = "abc"; }, kOk},
      {"CH1_ED not read in Default", [](E& e) { e.edge_mode = AbsEdgeMode::Default, e.edge_distance = ""; }, kOk},
      {"S2 zero", [](E& e) { e.scale_den = "0"; }, kInvalid},
      {"S2 zero in Default", [](E& e) { e.edge_mode = AbsEdgeMode::Default, e.scale_den = "0.0"; }, kInvalid},
      {"Res_exp zero in Auto", [](E& e) { e.resolution_exp = "0"; }, kInvalid},
      {"Res_exp zero in Default", [](E& e) { e.edge_mode = AbsEdgeMode::Default, e.resolution_exp = "0"; }, kOk},
      {"Res_exp negative", [](E& e) { e.resolution_exp = "-3"; }, kOk},
      {"Res_exp fractional", [](E& e) { e.resolution_exp = "2.5"; }, kOk},
      {"Res_exp at the limit", [&](E& e) { e.resolution_exp = limit; }, kOk},
      {"Res_exp just above the limit", [&](E& e) { e.resolution_exp = limit + ".5"; }, kLimit},
      {"Res_exp 40 would run for days", [](E& e) { e.resolution_exp = "40"; }, kLimit},
      {"Res_exp huge", [](E& e) { e.resolution_exp = "1e300"; }, kLimit},
      {"a bad field before the limit", [](E& e) { e.resolution_exp = "40", e.scale_num = "one"; }, kInvalid},
      {"scale ratio overflows", [](E& e) { e.scale_num = "1e300", e.scale_den = "1e-300"; }, kInvalid},
      {"rim beyond single precision", [](E& e) { e.encoder_diameter = "1e39"; }, kInvalid},
      {"hole beyond single precision", [](E& e) { e.shaft_diameter = "-1e39"; }, kInvalid},
      {"tiny Res_exp in Auto makes the slots endless", [](E& e) { e.resolution_exp = "1e-300"; }, kInvalid},
      {"slot beyond single precision in Default",
       [](E& e) { e.edge_mode = AbsEdgeMode::Default, e.slot_length = "1e300"; }, kInvalid},
      {"a slot beyond single precision is not used in Auto", [](E& e) { e.slot_length = "1e300"; }, kOk},
      {"large but drawable disc", [](E& e) { e.encoder_diameter = "1e30"; }, kOk},
      {"tracks that do not fit are drawn as they fall",
       [](E& e) { e.edge_mode = AbsEdgeMode::Default, e.slot_length = "0.5"; }, kOk},
  };
  for (const auto& [name, edit, expected] : cases) {
    E e;
    edit(e);
    const auto built = build_absolute_design(e);
    EXPECT_EQ(std::holds_alternative<Message>(built) ? std::get<Message>(built) : kOk, expected) << name;
  }
}

TEST(AbsoluteDesignTest, TheLimitMessageNamesTheLimit) {
  const std::string text(message_text(Message::AbsResolutionTooHigh));
  EXPECT_NE(text.find(integer_text(static_cast<long long>(kMaxResolutionExp))), std::string::npos) << text;
  EXPECT_NE(text.find(integer_text(1LL << static_cast<int>(kMaxResolutionExp))), std::string::npos) << text;
}

// Binary: the k-th step of 2 pi / 2^N counter-clockwise from 3 o'clock
// carries 2^N - 1 - k.  Grey: steps of pi / 2^N; over the first half-turn
// the reflected Gray sequence m ^ (m >> 1), over the second the same
// backwards.
TEST(AbsoluteRendererTest, DiscReadsTheCodeSequence) {
  for (CodeType code : {CodeType::Binary, CodeType::Grey}) {
    for (int n = 1; n <= 8; ++n) {
      AbsoluteDesign d = design(n, code);
      d.shaft_diameter = 0.5;  // keeps the innermost track's intervals several pixels wide
      const Drawn disc = draw(d);
      ASSERT_TRUE(disc.accepted) << n;
      const unsigned steps = 1u << n;
      const char* what = code == CodeType::Grey ? "Grey N " : "Binary N ";
      for (unsigned m = 0; m < steps; ++m) {
        if (code == CodeType::Binary) {
          ASSERT_EQ(read_code(disc, d, (m + 0.5) * 2 * kPi / steps), steps - 1 - m) << what << n << " step " << m;
          continue;
        }
        const unsigned back = steps - 1 - m;
        ASSERT_EQ(read_code(disc, d, (m + 0.5) * kPi / steps), m ^ (m >> 1)) << what << n << " first half " << m;
        ASSERT_EQ(read_code(disc, d, kPi + (m + 0.5) * kPi / steps), back ^ (back >> 1)) << what << n << " back " << m;
      }
    }
  }
}

TEST(AbsoluteRendererTest, DesignTimeDiscHasTheSixTracksOfTheExample) {
  const Drawn disc = draw(AbsoluteDesign{}, 1536, 512);  // 3 in square, centre at pixel 768
  ASSERT_TRUE(disc.accepted);
  struct Track {
    double outer, inner;
    int slots;
  };
  // Inches, from the outside in.
  const Track tracks[] = {{0.932292, 0.864583, 32}, {0.796875, 0.729167, 16}, {0.661458, 0.59375, 8},
                          {0.526042, 0.458333, 4},  {0.390625, 0.322917, 2},  {0.255208, 0.1875, 1}};
  const double px2 = disc.pixels(2.5);
  int i = 5;  // track i counted from the innermost
  for (const Track& t : tracks) {
    // Grey: the first slot of track i runs from half a sector to one and a
    // half sectors of pi / 2^i.
    const double in_slot = kPi / std::pow(2.0, i--), middle = (t.outer + t.inner) / 2;
    EXPECT_TRUE(disc.white_at(t.outer - px2, in_slot) && disc.white_at(t.inner + px2, in_slot)) << t.slots;
    EXPECT_FALSE(disc.white_at(t.outer + px2, in_slot) || disc.white_at(t.inner - px2, in_slot)) << t.slots;
    int slots = 0;
    bool was_white = disc.white_at(middle, 0);
    for (int s = 1; s <= 20000; ++s) {
      const bool white = disc.white_at(middle, s * 2 * kPi / 20000);
      slots += white && !was_white;
      was_white = white;
    }
    EXPECT_EQ(slots, t.slots);
  }
  // Black between the rim and the first track, white beyond the rim; the
  // shaft hole white inside its black outline.
  for (double a : {0.3, 2.0, 4.0, 5.5}) {
    EXPECT_FALSE(disc.white_at(1 - px2, a));
    EXPECT_TRUE(disc.white_at(1 + px2, a));
    EXPECT_TRUE(disc.white_at(0.09375 - px2, a) && disc.white_at(0.05, a));
    EXPECT_FALSE(disc.white_at(0.09375 + px2, a));
  }
  int outline = 0;
  for (int s = 0; s < 360; ++s) outline += !disc.white_at(0.09375 - disc.pixels(0.5), s * kPi / 180);
  EXPECT_GT(outline, 180);
  // The cross: arms of 0.0234375 in (12 pixels) from the centre pixel along
  // both axes, one pixel wide.
  const int c = 768;
  for (auto [di, dj] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
    for (int n : {1, 6, 11}) EXPECT_EQ(disc.surface.pixel(c + n * di, c + n * dj), Colour::Black) << di << dj << n;
    EXPECT_EQ(disc.surface.pixel(c + 15 * di, c + 15 * dj), Colour::White) << di << dj;
    EXPECT_EQ(disc.surface.pixel(c + 6 * di + 2 * dj, c + 6 * dj + 2 * di), Colour::White) << di << dj;
  }
  EXPECT_EQ(disc.surface.scale_mode(), ScaleMode::Inch);
  EXPECT_EQ(disc.surface.fill_colour(), Colour::Black);
  EXPECT_EQ(disc.surface.fill_style(), FillStyle::Solid);
}

// Lengths scaled by S1 / S2.  The outermost track ends a gap below the rim:
// one slot length in Default mode, the typed edge distance in User mode.
// Auto mode ignores both: SL = (R - 2 Rs) / 2N, a gap of SL, and the
// innermost track's inner edge at twice the shaft radius.
TEST(AbsoluteRendererTest, EdgeModesPlaceTheTracks) {
  struct Case {
    AbsEdgeMode mode;
    double n, encoder, shaft, s1, s2, slot_length, edge_distance;
  };
  constexpr AbsEdgeMode kDefault = AbsEdgeMode::Default, kUser = AbsEdgeMode::User, kAuto = AbsEdgeMode::Auto;
  const Case cases[] = {{kDefault, 5, 2, 0.1875, 1, 1, 0.06125, 0.3}, {kUser, 5, 2, 0.1875, 1, 1, 0.06125, 0.125},
                        {kUser, 5, 2, 0.1875, 1, 1, 0.08, 0.05},      {kDefault, 4, 2, 0.1875, 3, 4, 0.05, 0.3},
                        {kUser, 4, 2, 0.1875, 3, 4, 0.05, 0.1},       {kAuto, 1, 2, 0.1875, 1, 1, 99, 99},
                        {kAuto, 3, 2, 0.1875, 1, 1, 99, 99},          {kAuto, 6, 1.5, 0.25, 1, 1, 99, 99},
                        {kAuto, 8, 2, 0.4, 1, 1, 99, 99},             {kAuto, 4, 1, 0.1, 3, 2, 99, 99},
                        {kAuto, 7, 4, 0.5, 1, 2, 99, 99}};
  for (const Case& c : cases) {
    AbsoluteDesign d = design(c.n, CodeType::Binary, c.mode);
    d.encoder_diameter = c.encoder, d.shaft_diameter = c.shaft, d.scale_num = c.s1, d.scale_den = c.s2;
    d.slot_length = c.slot_length, d.edge_distance = c.edge_distance;
    const Drawn disc = draw(d);
    const double k = c.s1 / c.s2, rim = c.encoder / 2 * k, hub = c.shaft * k, px2 = disc.pixels(2.5);
    const double sl = c.mode == kAuto ? (rim - hub) / (2 * c.n) : c.slot_length * k;
    const double first_outer = rim - (c.mode == kUser ? c.edge_distance * k : sl);
    const std::string what = std::to_string(int(c.mode)) + " N " + std::to_string(c.n) + " ED " +
                             std::to_string(c.encoder);
    // Binary at the middle of the outermost track's first sector: every
    // track is white there, so the radial profile shows every track's edges.
    const double a = kPi / std::pow(2.0, c.n);
    for (int t = 0; t < int(c.n); ++t) {
      const double outer = first_outer - 2 * t * sl, inner = outer - sl;
      EXPECT_TRUE(disc.white_at(outer - px2, a) && disc.white_at(inner + px2, a)) << what << " track " << t;
      EXPECT_FALSE(disc.white_at(outer + px2, a) || disc.white_at(inner - px2, a)) << what << " track " << t;
    }
    // The innermost slot (white over the upper half) begins at the hub.
    if (c.mode == kAuto) {
      EXPECT_TRUE(disc.white_at(hub + px2, kPi / 2)) << what;
      EXPECT_FALSE(disc.white_at(hub - px2, kPi / 2)) << what;
    }
  }
}

TEST(AbsoluteRendererTest, ScaleTwoToOneDoublesEveryRadius) {
  // Doubling every length on a raster of half the density gives the same
  // pixels, cross and hole outline included.
  for (AbsEdgeMode mode : {AbsEdgeMode::Auto, AbsEdgeMode::Default, AbsEdgeMode::User}) {
    AbsoluteDesign one = design(6, CodeType::Grey, mode, 20), two = one;
    two.scale_num = 2;
    EXPECT_TRUE(draw(one, 600, 200).surface == draw(two, 600, 100).surface) << int(mode);
  }
}

TEST(AbsoluteRendererTest, MillimetresDrawTwentyFiveAndAHalfTimesSmaller) {
  AbsoluteDesign inch = design(6, CodeType::Grey), mm = inch;
  mm.unit = Unit::Millimetre;
  const Drawn a = draw(inch, 800, 300), b = draw(mm, 800, 300 * 25.4);
  EXPECT_EQ(b.surface.scale_mode(), ScaleMode::Millimetre);
  int differ = 0, black = 0;
  for (int j = 0; j < 800; ++j)
    for (int i = 0; i < 800; ++i) {
      differ += a.surface.pixel(i, j) != b.surface.pixel(i, j);
      black += a.surface.pixel(i, j) == Colour::Black;
    }
  EXPECT_GT(black, 50000);
  EXPECT_LT(differ, 50);  // a rounding step at a few edges at most
}

// Full balance: Grey ends the last slot of every track at a full turn,
// which in single precision lies a rounding step beyond 2 pi, and is not
// refused; Binary stops half a sector short of it.
TEST(AbsoluteRendererTest, BalanceSetsTheWhiteShareOfEveryTrack) {
  for (CodeType code : {CodeType::Binary, CodeType::Grey}) {
    for (int balance : {-45, -10, 0, 30, 45}) {
      const AbsoluteDesign d = design(6, code, AbsEdgeMode::Auto, balance);
      const Drawn disc = draw(d);
      ASSERT_TRUE(disc.accepted);
      const bool grey = code == CodeType::Grey;
      for (int t = 0; t < 6; ++t) {
        EXPECT_NEAR(disc.white_share(auto_track_middle(d, t)), (1 + balance / 90.0) / 2, 0.005)
            << (grey ? "Grey" : "Binary") << " balance " << balance << " track " << t;
        const double sector = kPi / std::pow(2.0, t);  // track t from the hub is track i = t
        EXPECT_TRUE(balance < 45 || disc.white_at(auto_track_middle(d, t), 2 * kPi - sector / 4) == grey) << t;
      }
    }
  }
}

TEST(AbsoluteRendererTest, NoTrackBelowResolutionOne) {
  const std::pair<double, AbsEdgeMode> cases[] = {
      {0, AbsEdgeMode::Default}, {-3, AbsEdgeMode::Auto}, {0.5, AbsEdgeMode::User}, {-0.5, AbsEdgeMode::Default}};
  for (const auto& [n, mode] : cases) {
    const Drawn disc = draw(design(n, CodeType::Binary, mode), 1000, 400);
    ASSERT_TRUE(disc.accepted) << n;
    for (double r : {0.2, 0.4, 0.6, 0.8, 0.95})
      for (int s = 0; s < 64; ++s) EXPECT_FALSE(disc.white_at(r, s * kPi / 32)) << n << " r " << r;
    EXPECT_TRUE(disc.white_at(0.06, 1.0));
    EXPECT_FALSE(disc.white_at(0.0234375 / 2, 0));  // the cross
  }
}

TEST(AbsoluteRendererTest, FractionalResolutionIsDrawnAsTheFormulasGiveIt) {
  // Regression: with 2.5 bits track i = 1.5 has 2.83 sectors of pi / 2^1.5
  // to a half-turn, so a balanced last slot ends beyond a full turn, which
  // the surface refuses.  The slot is drawn across 3 o'clock instead.
  for (int balance : {0, 45}) {
    const AbsoluteDesign d = design(2.5, CodeType::Grey, AbsEdgeMode::Auto, balance);
    const Drawn disc = draw(d);
    ASSERT_TRUE(disc.accepted) << balance;
    // Two tracks, i = 1.5 and i = 0.5; the outer one's last slot starts at
    // 4.5 sectors and ends at 5.5 (+ 0.5 with full balance).
    const double sector = kPi / std::pow(2.0, 1.5), middle = 1 - 1.5 * auto_slot(d);
    EXPECT_TRUE(disc.white_at(middle, 5.0 * sector));
    EXPECT_EQ(disc.white_at(middle, 5.75 * sector - 2 * kPi), balance == 45);
  }
}

TEST(AbsoluteRendererTest, RadiiBelowZeroDrawNothing) {
  // Default mode with slots far too long: every track after the first lies
  // below zero; the rim, the first track's slots and the hole remain.
  AbsoluteDesign d = design(4, CodeType::Binary, AbsEdgeMode::Default);
  d.slot_length = 0.45;
  const Drawn disc = draw(d, 1000, 400);
  ASSERT_TRUE(disc.accepted);
  EXPECT_FALSE(disc.white_at(0.97, 0.1));
  EXPECT_TRUE(disc.white_at(0.3, kPi / 16));       // outermost track, first slot: from 0.1 to 0.55
  EXPECT_FALSE(disc.white_at(0.3, 3 * kPi / 16));  // its first gap
  // A negative rim draws nothing at all but the hole and the cross.
  AbsoluteDesign negative = design(3, CodeType::Grey);
  negative.encoder_diameter = -2;
  const Drawn none = draw(negative, 1000, 400);
  ASSERT_TRUE(none.accepted);
  for (double r : {0.2, 0.5, 0.9, 1.2}) EXPECT_TRUE(none.white_at(r, 1.0)) << r;
}

TEST(AbsoluteRendererTest, RefusesWhatItCannotDrawWithoutDrawing) {
  AbsoluteDesign beyond_single = design(2, CodeType::Grey);
  beyond_single.encoder_diameter = 1e300;  // build_absolute_design refuses it; the renderer must not cast it
  // Regression: a typed 40 ran 2^40 sector calls.
  for (const AbsoluteDesign& d : {design(40, CodeType::Grey), design(kMaxDrawableResolutionExp + 1, CodeType::Grey),
                                  design(1e300, CodeType::Binary, AbsEdgeMode::Default), beyond_single}) {
    Surface s(100, 100);
    EXPECT_EQ(render_absolute(d, s).message, Message::InvalidEntry) << d.resolution_exp;
    EXPECT_TRUE(d.resolution_exp <= kMaxDrawableResolutionExp || s == Surface(100, 100));
  }
  // The window's bound belongs to the record: the renderer draws beyond it.
  static_assert(kMaxDrawableResolutionExp > kMaxResolutionExp);
  Surface corner = Surface::window_of(400, 400, 96, 0, 0, 1, 1);  // a corner the disc misses: quick
  EXPECT_EQ(render_absolute(design(kMaxResolutionExp + 1, CodeType::Grey), corner).message, Message::None);
}
