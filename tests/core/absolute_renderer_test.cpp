// The absolute design record and the absolute disc, read back from the
// finished raster the way an encoder reads it, and its tracks placed by
// formulas written here.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <variant>
#include <vector>

#include "absolute/absolute_design.h"
#include "absolute/absolute_fields.h"
#include "absolute/absolute_renderer.h"
#include "entries.h"
#include "export/code_table.h"

using namespace vantor;

namespace {

constexpr double kPi = std::numbers::pi;

// The design drawn on 3000 x 3000 pixels at 1440 ppi, its figures logged.
struct Drawn {
  Surface surface{3000, 3000, 1440};
  double pixels_per_unit;
  bool accepted;
  std::vector<Figure> log;

  explicit Drawn(const AbsoluteDesign& d) : pixels_per_unit(d.unit == Unit::Inch ? 1440 : 1440 / 25.4) {
    surface.set_recorder(&log);
    accepted = render_absolute(d, surface).message == Message::None;
  }

  // Whether the pixel that holds the point at radius r (design unit) and
  // angle a (counter-clockwise from 3 o'clock) about the centre is white.
  bool white_at(double r, double a) const {
    const int i = static_cast<int>(std::floor(surface.width() / 2.0 + r * pixels_per_unit * std::cos(a)));
    const int j = static_cast<int>(std::floor(surface.height() / 2.0 - r * pixels_per_unit * std::sin(a)));
    return surface.pixel(i, j) == Colour::White;
  }
};

AbsoluteDesign design(double n, CodeType code, AbsEdgeMode mode = AbsEdgeMode::Auto, int balance = 0) {
  AbsoluteDesign d;
  d.resolution_exp = n, d.code_type = code, d.edge_mode = mode, d.balance = static_cast<std::int16_t>(balance);
  return d;
}

// Auto mode: track t (0 = innermost, the most significant bit) lies between
// Rs + 2 t SL and Rs + (2 t + 1) SL from the hub Rs = 2 x the shaft radius,
// SL = (R - Rs) / 2N; its middle:
double auto_slot(const AbsoluteDesign& d) {
  const double k = d.scale_num / d.scale_den;
  return (d.encoder_diameter / 2 * k - d.shaft_diameter * k) / (2 * d.resolution_exp);
}
double auto_middle(const AbsoluteDesign& d, int t) {
  return d.shaft_diameter * d.scale_num / d.scale_den + (2 * t + 0.5) * auto_slot(d);
}

}  // namespace

TEST(AbsoluteDesignTest, EntriesThatCannotBeDrawnAreRefused) {
  constexpr Message kInvalid = Message::InvalidEntry, kOk = Message::None, kLimit = Message::AbsResolutionTooHigh;
  const std::string limit = "Res_exp=" + std::to_string(int(kMaxResolutionExp));
  const std::tuple<const char*, std::vector<std::string>, Message> cases[] = {
      {"Res_exp not a number", {"Res_exp=six"}, kInvalid},
      {"SL_in not a number, even in Auto", {"SL_in=abc"}, kInvalid},
      {"CH1_ED not a number in User", {"CH1_ED_U", "CH1_ED=abc"}, kInvalid},
      {"CH1_ED not read in Auto", {"CH1_ED=abc"}, kOk}, {"S2 zero", {"S2=0"}, kInvalid},
      {"Res_exp zero in Auto", {"Res_exp=0"}, kInvalid}, {"Res_exp zero in Default", {"CH1_ED_Def", "Res_exp=0"}, kOk},
      {"Res_exp at the limit", {limit}, kOk}, {"Res_exp just above the limit", {limit + ".5"}, kLimit},
      {"a bad field before the limit", {"Res_exp=40", "S1=one"}, kInvalid},
      {"scale ratio overflows", {"S1=1e300", "S2=1e-300"}, kInvalid},
      {"rim beyond single precision", {"ED=1e39"}, kInvalid},
      {"tiny Res_exp in Auto makes the slots endless", {"Res_exp=1e-300"}, kInvalid},
      {"slot beyond single precision in Default", {"CH1_ED_Def", "SL_in=1e300"}, kInvalid},
      {"a slot beyond single precision is not used in Auto", {"SL_in=1e300"}, kOk},
  };
  for (const auto& [name, entries, expected] : cases) {
    AbsoluteEntries e;
    ASSERT_EQ(test::enter(absolute_fields(), e, entries), "") << name;
    const auto built = build_absolute_design(e);
    EXPECT_EQ(std::holds_alternative<Message>(built) ? std::get<Message>(built) : kOk, expected) << name;
  }
}

// The code read from the picture at every track's middle radius in the
// middle of every step.  Binary: the k-th step of 2 pi / 2^N
// counter-clockwise from 3 o'clock carries 2^N - 1 - k.  Grey: steps of
// pi / 2^N; over the first half-turn the reflected Gray sequence
// m ^ (m >> 1), over the second the same backwards.  Gray over the full
// turn: step k of 2 pi / 2^N carries k ^ (k >> 1).  The innermost track is
// the most significant bit, white 1.  The code table, read from the
// geometry of the drawing, holds the picture's codes in the middle of each
// of its steps, and lists the same sequence from the first code edge at or
// after 3 o'clock, a run of one code as one step: Grey's turning points at
// 0 and at half a turn are double steps.
TEST(AbsoluteRendererTest, DiscReadsTheCodeSequence) {
  std::vector<std::tuple<CodeType, int, int>> cases = {{CodeType::Binary, 5, 30}, {CodeType::GrayFull, 5, -45}};
  for (CodeType code : {CodeType::Binary, CodeType::Grey, CodeType::GrayFull})
    for (int n = 1; n <= 8; ++n) cases.push_back({code, n, 0});  // code, N, balance
  for (const auto& [code, n, balance] : cases) {
    SCOPED_TRACE(std::to_string(int(code)) + " N " + std::to_string(n) + " balance " + std::to_string(balance));
    AbsoluteDesign d = design(n, code, AbsEdgeMode::Auto, balance);
    d.shaft_diameter = 0.5;  // keeps the innermost track's steps several pixels wide
    const Drawn disc(d);
    ASSERT_TRUE(disc.accepted);
    const CodeTable table = code_table(disc_geometry(disc.log, 1440, Unit::Inch));
    ASSERT_EQ(table.problem, "");
    ASSERT_EQ(table.bits, n);
    for (const CodeStep& s : table.steps) {
      const double a = (s.start_deg + s.end_deg) / 2 * kPi / 180, width = (s.end_deg - s.start_deg) * kPi / 180;
      for (int t = 0; t < n; ++t) {  // bit t: track t + 1 from the rim
        const double r = auto_middle(d, n - 1 - t);
        if (width * r * 1440 < 4) continue;  // the slots' outlines stray half a pixel
        ASSERT_EQ(disc.white_at(r, a), bool(s.code >> t & 1)) << "step at " << s.start_deg << " deg, track " << t + 1;
      }
    }
    if (balance != 0) continue;
    const bool grey = code == CodeType::Grey;
    const unsigned steps = 1u << n;
    std::vector<unsigned long> runs, codes;
    for (unsigned m = 0; m < (grey ? 2 * steps : steps); ++m) {
      const unsigned k = m < steps ? m : 2 * steps - 1 - m;
      const unsigned long expected = code == CodeType::Binary ? steps - 1 - k : k ^ (k >> 1);
      unsigned long read = 0;
      for (int t = 0; t < n; ++t) read = read << 1 | unsigned(disc.white_at(auto_middle(d, t), (m + 0.5) * (grey ? kPi : 2 * kPi) / steps));
      ASSERT_EQ(read, expected) << "step " << m;
      if (runs.empty() || runs.back() != expected) runs.push_back(expected);
    }
    if (runs.size() > 1 && runs.front() == runs.back()) runs.erase(runs.begin());  // the run through 3 o'clock comes last
    for (const CodeStep& s : table.steps) codes.push_back(s.code);
    EXPECT_EQ(codes, runs);
    const bool turns = grey && n > 1;  // one bit reads alike both ways
    EXPECT_EQ(table.repeated == 0, !turns);
    EXPECT_EQ(table.back_and_forth, turns);
    for (std::size_t k = 0; k < table.steps.size() && !turns; ++k) EXPECT_EQ(table.steps[k].position, long(k));
  }
}

// Lengths scaled by S1 / S2.  The outermost track ends a gap below the rim:
// one slot length in Default mode, the typed edge distance in User mode.
// Auto mode ignores both: SL = (R - 2 Rs) / 2N, a gap of SL, and the
// innermost track's inner edge at twice the shaft radius.  In millimetres
// the same numbers draw 25.4 times smaller.
TEST(AbsoluteRendererTest, EdgeModesPlaceTheTracks) {
  struct Case {
    AbsEdgeMode mode;
    double n, encoder, shaft, s1, s2, slot_length, edge_distance;
    Unit unit = Unit::Inch;
  };
  constexpr AbsEdgeMode kDefault = AbsEdgeMode::Default, kUser = AbsEdgeMode::User, kAuto = AbsEdgeMode::Auto;
  const Case cases[] = {{kDefault, 5, 2, 0.1875, 1, 1, 0.06125, 0.3}, {kDefault, 4, 2, 0.1875, 3, 4, 0.05, 0.3},
                        {kUser, 4, 2, 0.1875, 3, 4, 0.05, 0.1},       {kAuto, 1, 2, 0.1875, 1, 1, 99, 99},
                        {kAuto, 4, 1, 0.1, 3, 2, 99, 99},             {kAuto, 7, 4, 0.5, 1, 2, 99, 99},
                        {kUser, 5, 50, 5, 1, 1, 1.5, 3, Unit::Millimetre}};
  for (const Case& c : cases) {
    AbsoluteDesign d = design(c.n, CodeType::Binary, c.mode);
    d.encoder_diameter = c.encoder, d.shaft_diameter = c.shaft, d.scale_num = c.s1, d.scale_den = c.s2;
    d.slot_length = c.slot_length, d.edge_distance = c.edge_distance, d.unit = c.unit;
    const Drawn disc(d);
    const double k = c.s1 / c.s2, rim = c.encoder / 2 * k, hub = c.shaft * k, px2 = 2.5 / disc.pixels_per_unit;
    const double sl = c.mode == kAuto ? (rim - hub) / (2 * c.n) : c.slot_length * k;
    const double first_outer = rim - (c.mode == kUser ? c.edge_distance * k : sl);
    const std::string what = std::to_string(int(c.mode)) + " N " + std::to_string(c.n) + " ED " + std::to_string(c.encoder);
    // Binary at the middle of the outermost track's first sector: every
    // track is white there, so the radial profile shows every track's edges.
    const double a = kPi / std::pow(2.0, c.n);
    for (int t = 0; t < int(c.n); ++t) {
      const double outer = first_outer - 2 * t * sl, inner = outer - sl;
      EXPECT_TRUE(disc.white_at(outer - px2, a) && disc.white_at(inner + px2, a)) << what << " track " << t;
      EXPECT_FALSE(disc.white_at(outer + px2, a) || disc.white_at(inner - px2, a)) << what << " track " << t;
    }
    EXPECT_FALSE(disc.white_at(rim - px2, a + 0.1) || !disc.white_at(rim + px2, a + 0.1)) << what << " the rim";
  }
}

// Full balance: Grey ends the last slot of every track at a full turn,
// which in single precision lies a rounding step beyond 2 pi and is not
// refused; Binary stops half a sector short of it.
TEST(AbsoluteRendererTest, BalanceSetsTheWhiteShareOfEveryTrack) {
  for (CodeType code : {CodeType::Binary, CodeType::Grey})
    for (int balance : {-45, 30, 45}) {
      const AbsoluteDesign d = design(6, code, AbsEdgeMode::Auto, balance);
      const Drawn disc(d);
      ASSERT_TRUE(disc.accepted);
      for (int t = 0; t < 6; ++t) {
        int white = 0;
        for (int s = 0; s < 36000; ++s) white += disc.white_at(auto_middle(d, t), (s + 0.5) * 2 * kPi / 36000);
        EXPECT_NEAR(white / 36000.0, (1 + balance / 90.0) / 2, 0.005) << int(code) << " balance " << balance << " track " << t;
        const double sector = kPi / std::pow(2.0, t);
        EXPECT_TRUE(balance < 45 || disc.white_at(auto_middle(d, t), 2 * kPi - sector / 4) == (code == CodeType::Grey));
      }
    }
}

// Regressions: with 2.5 bits track i = 1.5 has 2.83 sectors of pi / 2^1.5 to
// a half-turn, so a balanced last slot ends beyond a full turn, which the
// surface refuses: the slot is drawn across 3 o'clock instead.  A typed 40
// ran 2^40 sector calls; the renderer refuses what it cannot draw without
// drawing (the window's bound belongs to the record: it draws beyond it).
TEST(AbsoluteRendererTest, FractionalAndExcessiveResolutions) {
  for (int balance : {0, 45}) {
    const AbsoluteDesign d = design(2.5, CodeType::Grey, AbsEdgeMode::Auto, balance);
    const Drawn disc(d);
    ASSERT_TRUE(disc.accepted) << balance;
    const double sector = kPi / std::pow(2.0, 1.5), middle = 1 - 1.5 * auto_slot(d);
    EXPECT_TRUE(disc.white_at(middle, 5.0 * sector));
    EXPECT_EQ(disc.white_at(middle, 5.75 * sector - 2 * kPi), balance == 45);
  }
  AbsoluteDesign beyond_single = design(2, CodeType::Grey);
  beyond_single.encoder_diameter = 1e300;
  for (const AbsoluteDesign& d : {design(40, CodeType::Grey), design(1e300, CodeType::Binary, AbsEdgeMode::Default), beyond_single}) {
    Surface s(100, 100);
    EXPECT_EQ(render_absolute(d, s).message, Message::InvalidEntry) << d.resolution_exp;
    EXPECT_TRUE(d.resolution_exp <= kMaxDrawableResolutionExp || s == Surface(100, 100));
  }
  Surface corner = Surface::window_of(400, 400, 96, 0, 0, 1, 1);
  EXPECT_EQ(render_absolute(design(kMaxResolutionExp + 1, CodeType::Grey), corner).message, Message::None);
}
