// The absolute design record and the absolute disc, read back from the
// finished raster the way an encoder reads it.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <variant>
#include <vector>

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
    const double px = surface.width() / 2.0 + r * pixels_per_unit * std::cos(a);
    const double py = surface.height() / 2.0 - r * pixels_per_unit * std::sin(a);
    const int i = static_cast<int>(std::floor(px)), j = static_cast<int>(std::floor(py));
    EXPECT_TRUE(i >= 0 && j >= 0 && i < surface.width() && j < surface.height()) << "sample off the raster";
    if (i < 0 || j < 0 || i >= surface.width() || j >= surface.height()) return false;
    return surface.pixel(i, j) == Colour::White;
  }
  // Share of white along the circle of radius r, sampled at many angles.
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
  out.accepted = render_absolute(d, out.surface);
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
  const double k = d.scale_num / d.scale_den;
  return d.shaft_diameter * k + (2 * t + 0.5) * auto_slot(d);
}

// The code read at angle a, innermost track as the most significant bit,
// white as 1.
unsigned read_code(const Drawn& disc, const AbsoluteDesign& d, double a) {
  unsigned code = 0;
  for (int t = 0; t < int(d.resolution_exp); ++t) code = code << 1 | unsigned(disc.white_at(auto_track_middle(d, t), a));
  return code;
}

std::variant<AbsoluteDesign, Message> build(void (*edit)(AbsoluteEntries&)) {
  AbsoluteEntries e;
  edit(e);
  return build_absolute_design(e);
}

}  // namespace

// ---------------------------------------------------------------------------
// The record

TEST(AbsoluteDesignTest, DefaultEntriesGiveTheDefaultRecord) {
  const auto built = build_absolute_design(AbsoluteEntries{});
  ASSERT_TRUE(std::holds_alternative<AbsoluteDesign>(built));
  const auto& d = std::get<AbsoluteDesign>(built);
  EXPECT_EQ(d.unit, Unit::Inch);
  EXPECT_EQ(d.resolution_exp, 6);
  EXPECT_EQ(d.scale_num, 1);
  EXPECT_EQ(d.scale_den, 1);
  EXPECT_EQ(d.encoder_diameter, 2);
  EXPECT_EQ(d.shaft_diameter, 0.1875);
  EXPECT_EQ(d.slot_length, 0.06125);
  EXPECT_EQ(d.edge_mode, AbsEdgeMode::Auto);
  EXPECT_EQ(d.code_type, CodeType::Grey);
  EXPECT_EQ(d.balance, 0);
}

TEST(AbsoluteDesignTest, FieldsAreConvertedAsTyped) {
  AbsoluteEntries e;
  e.unit = Unit::Millimetre;
  e.resolution_exp = " 2.5 ";
  e.scale_num = "3";
  e.scale_den = "4";
  e.encoder_diameter = "50";
  e.shaft_diameter = "6";
  e.slot_length = "1.5e0";
  e.edge_mode = AbsEdgeMode::User;
  e.edge_distance = "-2";
  e.code_type = CodeType::Binary;
  e.balance = -45;
  const auto built = build_absolute_design(e);
  ASSERT_TRUE(std::holds_alternative<AbsoluteDesign>(built));
  const auto& d = std::get<AbsoluteDesign>(built);
  EXPECT_EQ(d.unit, Unit::Millimetre);
  EXPECT_EQ(d.resolution_exp, 2.5);  // not rounded
  EXPECT_EQ(d.scale_num, 3);
  EXPECT_EQ(d.scale_den, 4);
  EXPECT_EQ(d.encoder_diameter, 50);
  EXPECT_EQ(d.shaft_diameter, 6);
  EXPECT_EQ(d.slot_length, 1.5);
  EXPECT_EQ(d.edge_mode, AbsEdgeMode::User);
  EXPECT_EQ(d.edge_distance, -2);
  EXPECT_EQ(d.code_type, CodeType::Binary);
  EXPECT_EQ(d.balance, -45);
}

TEST(AbsoluteDesignTest, EntriesThatCannotBeDrawnAreRefused) {
  struct Case {
    const char* name;
    void (*edit)(AbsoluteEntries&);
    Message expected;  // None: accepted
  };
  const Case cases[] = {
      {"Res_exp not a number", [](AbsoluteEntries& e) { e.resolution_exp = "six"; }, Message::InvalidEntry},
      {"S1 empty", [](AbsoluteEntries& e) { e.scale_num = ""; }, Message::InvalidEntry},
      {"S2 not a number", [](AbsoluteEntries& e) { e.scale_den = "x"; }, Message::InvalidEntry},
      {"SL_in not a number, even in Auto", [](AbsoluteEntries& e) { e.slot_length = "abc"; }, Message::InvalidEntry},
      {"ED not a number", [](AbsoluteEntries& e) { e.encoder_diameter = "two"; }, Message::InvalidEntry},
      {"DD not a number", [](AbsoluteEntries& e) { e.shaft_diameter = "?"; }, Message::InvalidEntry},
      {"CH1_ED not a number in User",
       [](AbsoluteEntries& e) {
         e.edge_mode = AbsEdgeMode::User;
         e.edge_distance = "abc";
       },
       Message::InvalidEntry},
      {"CH1_ED not read in Auto", [](AbsoluteEntries& e) { e.edge_distance = "abc"; }, Message::None},
      {"CH1_ED not read in Default",
       [](AbsoluteEntries& e) {
         e.edge_mode = AbsEdgeMode::Default;
         e.edge_distance = "";
       },
       Message::None},
      {"S2 zero", [](AbsoluteEntries& e) { e.scale_den = "0"; }, Message::InvalidEntry},
      {"S2 zero with another edge mode",
       [](AbsoluteEntries& e) {
         e.edge_mode = AbsEdgeMode::Default;
         e.scale_den = "0.0";
       },
       Message::InvalidEntry},
      {"Res_exp zero in Auto", [](AbsoluteEntries& e) { e.resolution_exp = "0"; }, Message::InvalidEntry},
      {"Res_exp zero in Default draws no track",
       [](AbsoluteEntries& e) {
         e.edge_mode = AbsEdgeMode::Default;
         e.resolution_exp = "0";
       },
       Message::None},
      {"Res_exp negative", [](AbsoluteEntries& e) { e.resolution_exp = "-3"; }, Message::None},
      {"Res_exp fractional", [](AbsoluteEntries& e) { e.resolution_exp = "2.5"; }, Message::None},
      {"Res_exp at the limit", [](AbsoluteEntries& e) { e.resolution_exp = std::to_string(int(kMaxResolutionExp)); },
       Message::None},
      {"Res_exp just above the limit",
       [](AbsoluteEntries& e) { e.resolution_exp = std::to_string(int(kMaxResolutionExp)) + ".5"; },
       Message::AbsResolutionTooHigh},
      {"Res_exp 40 would run for days", [](AbsoluteEntries& e) { e.resolution_exp = "40"; },
       Message::AbsResolutionTooHigh},
      {"Res_exp huge", [](AbsoluteEntries& e) { e.resolution_exp = "1e300"; }, Message::AbsResolutionTooHigh},
      {"a bad field is reported before the limit",
       [](AbsoluteEntries& e) {
         e.resolution_exp = "40";
         e.scale_num = "one";
       },
       Message::InvalidEntry},
      {"scale ratio overflows", [](AbsoluteEntries& e) {
         e.scale_num = "1e300";
         e.scale_den = "1e-300";
       },
       Message::InvalidEntry},
      {"rim beyond single precision", [](AbsoluteEntries& e) { e.encoder_diameter = "1e39"; }, Message::InvalidEntry},
      {"hole beyond single precision", [](AbsoluteEntries& e) { e.shaft_diameter = "-1e39"; }, Message::InvalidEntry},
      {"tiny Res_exp in Auto makes the slots endless", [](AbsoluteEntries& e) { e.resolution_exp = "1e-300"; },
       Message::InvalidEntry},
      {"slot beyond single precision in Default",
       [](AbsoluteEntries& e) {
         e.edge_mode = AbsEdgeMode::Default;
         e.slot_length = "1e300";
       },
       Message::InvalidEntry},
      {"a slot length beyond single precision is not used in Auto", [](AbsoluteEntries& e) { e.slot_length = "1e300"; },
       Message::None},
      {"large but drawable disc", [](AbsoluteEntries& e) { e.encoder_diameter = "1e30"; }, Message::None},
      {"tracks that do not fit are drawn as they fall",
       [](AbsoluteEntries& e) {
         e.edge_mode = AbsEdgeMode::Default;
         e.slot_length = "0.5";
       },
       Message::None},
  };
  for (const Case& c : cases) {
    const auto built = build(c.edit);
    const Message got = std::holds_alternative<Message>(built) ? std::get<Message>(built) : Message::None;
    EXPECT_EQ(got, c.expected) << c.name;
  }
}

TEST(AbsoluteDesignTest, TheLimitMessageNamesTheLimit) {
  const std::string text(message_text(Message::AbsResolutionTooHigh));
  EXPECT_NE(text.find(integer_text(static_cast<long long>(kMaxResolutionExp))), std::string::npos) << text;
  EXPECT_NE(text.find(integer_text(1LL << static_cast<int>(kMaxResolutionExp))), std::string::npos) << text;
}

// ---------------------------------------------------------------------------
// The disc, read as an encoder reads it

// Binary: the k-th step of 2 pi / 2^N counter-clockwise from 3 o'clock
// carries 2^N - 1 - k.
TEST(AbsoluteRendererTest, BinaryDiscReadsTheDescendingNaturalCode) {
  for (int n = 1; n <= 8; ++n) {
    AbsoluteDesign d = design(n, CodeType::Binary);
    d.shaft_diameter = 0.5;  // keeps the innermost track's intervals several pixels wide
    const Drawn disc = draw(d);
    ASSERT_TRUE(disc.accepted) << n;
    const unsigned steps = 1u << n;
    for (unsigned k = 0; k < steps; ++k)
      ASSERT_EQ(read_code(disc, d, (k + 0.5) * 2 * kPi / steps), steps - 1 - k) << "N " << n << " step " << k;
  }
}

// Grey: steps of pi / 2^N; over the first half-turn the reflected Gray
// sequence m ^ (m >> 1), over the second the same backwards.
TEST(AbsoluteRendererTest, GreyDiscReadsTheReflectedGraySequenceThereAndBack) {
  for (int n = 1; n <= 8; ++n) {
    AbsoluteDesign d = design(n, CodeType::Grey);
    d.shaft_diameter = 0.5;
    const Drawn disc = draw(d);
    ASSERT_TRUE(disc.accepted) << n;
    const unsigned steps = 1u << n;
    for (unsigned m = 0; m < steps; ++m) {
      const unsigned gray = m ^ (m >> 1);
      ASSERT_EQ(read_code(disc, d, (m + 0.5) * kPi / steps), gray) << "N " << n << " first half, m " << m;
      const unsigned back = (steps - 1 - m) ^ ((steps - 1 - m) >> 1);
      ASSERT_EQ(read_code(disc, d, kPi + (m + 0.5) * kPi / steps), back) << "N " << n << " second half, m " << m;
    }
  }
}

// ---------------------------------------------------------------------------
// The design-time disc

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
    const double in_slot = kPi / std::pow(2.0, i);
    EXPECT_TRUE(disc.white_at(t.outer - px2, in_slot)) << t.slots;
    EXPECT_TRUE(disc.white_at(t.inner + px2, in_slot)) << t.slots;
    EXPECT_FALSE(disc.white_at(t.outer + px2, in_slot)) << t.slots;
    EXPECT_FALSE(disc.white_at(t.inner - px2, in_slot)) << t.slots;
    // Count the slots along the middle of the track.
    int slots = 0;
    constexpr int kSamples = 20000;
    bool was_white = disc.white_at((t.outer + t.inner) / 2, 0);
    for (int s = 1; s <= kSamples; ++s) {
      const bool white = disc.white_at((t.outer + t.inner) / 2, s * 2 * kPi / kSamples);
      slots += white && !was_white;
      was_white = white;
    }
    EXPECT_EQ(slots, t.slots);
    EXPECT_NEAR(disc.white_share((t.outer + t.inner) / 2), 0.5, 0.01) << t.slots;
    --i;
  }
  // Black between the rim and the first track, white beyond the rim.
  for (double a : {0.3, 2.0, 4.0}) {
    EXPECT_FALSE(disc.white_at(1 - px2, a));
    EXPECT_TRUE(disc.white_at(1 + px2, a));
  }
  // The shaft hole: white inside its black outline, the disc black outside.
  for (double a : {0.7, 2.5, 3.9, 5.5}) {
    EXPECT_TRUE(disc.white_at(0.09375 - px2, a));
    EXPECT_TRUE(disc.white_at(0.05, a));
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
  // Left as the drawing leaves it.
  EXPECT_EQ(disc.surface.scale_mode(), ScaleMode::Inch);
  EXPECT_EQ(disc.surface.fill_colour(), Colour::Black);
  EXPECT_EQ(disc.surface.fill_style(), FillStyle::Solid);
}

TEST(AbsoluteRendererTest, DesignTimeDiscIsCentredOnTheScreenPicture) {
  AbsoluteDesign d;
  Surface picture = Surface::for_picture();
  ASSERT_TRUE(render_absolute(d, picture));
  const int cx = picture.width() / 2, cy = picture.height() / 2;
  // 96 pixels to the inch: the rim at 96 pixels, the hole at 9.
  for (auto [dx, dy] : {std::pair{93, 0}, {-93, 0}, {0, 93}, {0, -93}}) EXPECT_EQ(picture.pixel(cx + dx, cy + dy), Colour::Black);
  for (auto [dx, dy] : {std::pair{99, 0}, {-99, 0}, {0, 99}, {0, -99}}) EXPECT_EQ(picture.pixel(cx + dx, cy + dy), Colour::White);
  EXPECT_EQ(picture.pixel(cx + 5, cy + 5), Colour::White);
}

// ---------------------------------------------------------------------------
// Edge modes, scale and unit

// Binary at the middle of the outermost track's first sector: every track
// is white there, so the radial profile shows every track's edges.
void expect_track_edges(const Drawn& disc, const AbsoluteDesign& d, double first_outer, double sl,
                        const char* what) {
  const double a = kPi / std::pow(2.0, d.resolution_exp);
  const double px2 = disc.pixels(2.5);
  for (int t = 0; t < int(d.resolution_exp); ++t) {
    const double outer = first_outer - 2 * t * sl, inner = outer - sl;
    EXPECT_FALSE(disc.white_at(outer + px2, a)) << what << " track " << t;
    EXPECT_TRUE(disc.white_at(outer - px2, a)) << what << " track " << t;
    EXPECT_TRUE(disc.white_at(inner + px2, a)) << what << " track " << t;
    EXPECT_FALSE(disc.white_at(inner - px2, a)) << what << " track " << t;
  }
}

TEST(AbsoluteRendererTest, EdgeModesPlaceTheOutermostTrack) {
  struct Case {
    const char* name;
    AbsEdgeMode mode;
    double slot_length, edge_distance, first_outer;  // inches, scale 1
  };
  const Case cases[] = {
      {"Default: a gap of one slot length", AbsEdgeMode::Default, 0.06125, 0.3, 1 - 0.06125},
      {"User: the typed edge distance", AbsEdgeMode::User, 0.06125, 0.125, 1 - 0.125},
      {"User with a wide slot", AbsEdgeMode::User, 0.08, 0.05, 0.95},
  };
  for (const Case& c : cases) {
    AbsoluteDesign d = design(5, CodeType::Binary, c.mode);
    d.slot_length = c.slot_length;
    d.edge_distance = c.edge_distance;
    expect_track_edges(draw(d), d, c.first_outer, c.slot_length, c.name);
  }
}

TEST(AbsoluteRendererTest, AutoModeEndsTheInnermostTrackAtTwiceTheShaftRadius) {
  struct Case {
    double n, encoder, shaft, s1, s2;
  };
  const Case cases[] = {{1, 2, 0.1875, 1, 1}, {3, 2, 0.1875, 1, 1}, {6, 1.5, 0.25, 1, 1},
                        {8, 2, 0.4, 1, 1},   {4, 1, 0.1, 3, 2},     {7, 4, 0.5, 1, 2}};
  for (const Case& c : cases) {
    AbsoluteDesign d = design(c.n, CodeType::Binary);
    d.encoder_diameter = c.encoder;
    d.shaft_diameter = c.shaft;
    d.scale_num = c.s1;
    d.scale_den = c.s2;
    d.slot_length = 99;  // not used in Auto
    const Drawn disc = draw(d);
    const double k = c.s1 / c.s2, hub = c.shaft * k;  // twice the scaled shaft radius
    const double px2 = disc.pixels(2.5);
    // The innermost slot (white over the upper half) begins at the hub.
    EXPECT_TRUE(disc.white_at(hub + px2, kPi / 2)) << c.n << " " << c.encoder;
    EXPECT_FALSE(disc.white_at(hub - px2, kPi / 2)) << c.n << " " << c.encoder;
    const double sl = (c.encoder / 2 * k - hub) / (2 * c.n);
    expect_track_edges(disc, d, c.encoder / 2 * k - sl, sl, "Auto");
  }
}

TEST(AbsoluteRendererTest, ScaleTwoToOneDoublesEveryRadius) {
  // Doubling every length on a raster of half the density gives the same
  // pixels, cross and hole outline included.
  for (AbsEdgeMode mode : {AbsEdgeMode::Auto, AbsEdgeMode::Default, AbsEdgeMode::User}) {
    AbsoluteDesign one = design(6, CodeType::Grey, mode, 20);
    AbsoluteDesign two = one;
    two.scale_num = 2;
    const Drawn a = draw(one, 600, 200), b = draw(two, 600, 100);
    EXPECT_TRUE(a.surface == b.surface) << int(mode);
  }
}

TEST(AbsoluteRendererTest, MillimetresDrawTwentyFiveAndAHalfTimesSmaller) {
  AbsoluteDesign inch = design(6, CodeType::Grey);
  AbsoluteDesign mm = inch;
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
  // And on one raster the millimetre rim lies at 1/25.4 of the inch rim.
  const Drawn small = draw(mm, 3000, 1440);
  EXPECT_FALSE(small.white_at(1.0 - small.pixels(2), 1.0));
  EXPECT_TRUE(small.white_at(1.0 + small.pixels(2), 1.0));
}

// ---------------------------------------------------------------------------
// Balance

TEST(AbsoluteRendererTest, BalanceSetsTheWhiteShareOfEveryTrack) {
  for (CodeType code : {CodeType::Binary, CodeType::Grey}) {
    for (int balance : {-45, -10, 0, 30, 45}) {
      const AbsoluteDesign d = design(6, code, AbsEdgeMode::Auto, balance);
      const Drawn disc = draw(d);
      ASSERT_TRUE(disc.accepted);
      for (int t = 0; t < 6; ++t)
        EXPECT_NEAR(disc.white_share(auto_track_middle(d, t)), (1 + balance / 90.0) / 2, 0.005)
            << (code == CodeType::Grey ? "Grey" : "Binary") << " balance " << balance << " track " << t;
    }
  }
}

// Grey at +45 ends the last slot of every track at a full turn, which in
// single precision lies a rounding step beyond 2 pi; Binary at +45 stops
// half a sector short of it.
TEST(AbsoluteRendererTest, FullBalanceReachesAFullTurnInGreyOnly) {
  for (CodeType code : {CodeType::Grey, CodeType::Binary}) {
    const AbsoluteDesign d = design(6, code, AbsEdgeMode::Auto, 45);
    const Drawn disc = draw(d);
    ASSERT_TRUE(disc.accepted);
    for (int t = 0; t < 6; ++t) {
      const double sector = kPi / std::pow(2.0, t);  // track t from the hub is track i = t
      EXPECT_EQ(disc.white_at(auto_track_middle(d, t), 2 * kPi - sector / 4), code == CodeType::Grey) << t;
    }
  }
}

// ---------------------------------------------------------------------------
// No tracks, and resolutions that are not whole

TEST(AbsoluteRendererTest, NoTrackBelowResolutionOne) {
  struct Case {
    double n;
    AbsEdgeMode mode;
  };
  for (const Case& c : {Case{0, AbsEdgeMode::Default}, Case{-3, AbsEdgeMode::Auto}, Case{0.5, AbsEdgeMode::User},
                        Case{-0.5, AbsEdgeMode::Default}}) {
    const Drawn disc = draw(design(c.n, CodeType::Binary, c.mode), 1000, 400);
    ASSERT_TRUE(disc.accepted) << c.n;
    for (double r : {0.2, 0.4, 0.6, 0.8, 0.95})
      for (int s = 0; s < 64; ++s) EXPECT_FALSE(disc.white_at(r, s * kPi / 32)) << c.n << " r " << r;
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
    const double sector = kPi / std::pow(2.0, 1.5);
    const double middle = 1 - 1.5 * auto_slot(d);
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
  EXPECT_TRUE(disc.white_at(0.3, kPi / 16));    // outermost track, first slot: from 0.1 to 0.55
  EXPECT_FALSE(disc.white_at(0.3, 3 * kPi / 16));  // its first gap
  // A negative rim draws nothing at all but the hole and the cross.
  AbsoluteDesign negative = design(3, CodeType::Grey);
  negative.encoder_diameter = -2;
  negative.shaft_diameter = 0.1875;
  const Drawn none = draw(negative, 1000, 400);
  ASSERT_TRUE(none.accepted);
  for (double r : {0.2, 0.5, 0.9, 1.2}) EXPECT_TRUE(none.white_at(r, 1.0)) << r;
}

TEST(AbsoluteRendererTest, RefusesAResolutionBeyondItsCeilingWithoutDrawing) {
  // Regression: a typed 40 ran 2^40 sector calls.
  Surface s(100, 100);
  EXPECT_FALSE(render_absolute(design(40, CodeType::Grey), s));
  EXPECT_FALSE(render_absolute(design(kMaxDrawableResolutionExp + 1, CodeType::Grey), s));
  EXPECT_FALSE(render_absolute(design(1e300, CodeType::Binary, AbsEdgeMode::Default), s));
  EXPECT_TRUE(s == Surface(100, 100));
}

// The window's bound belongs to the record: the renderer itself draws
// beyond it.
TEST(AbsoluteRendererTest, DrawsAboveTheWindowsBound) {
  static_assert(kMaxDrawableResolutionExp > kMaxResolutionExp);
  Surface s = Surface::window_of(400, 400, 96, 0, 0, 1, 1);  // a corner the disc misses: quick
  EXPECT_TRUE(render_absolute(design(kMaxResolutionExp + 1, CodeType::Grey), s));
}

TEST(AbsoluteRendererTest, ALengthBeyondSinglePrecisionIsRefusedNotCast) {
  AbsoluteDesign d = design(2, CodeType::Grey);
  d.encoder_diameter = 1e300;  // build_absolute_design refuses it; the renderer must not cast it
  Surface s(100, 100);
  EXPECT_FALSE(render_absolute(d, s));
}
