// Entering values by control name: the balance boxes validated as when the
// focus leaves them, the scroll bars' echo, option groups, and the entries
// that the windows could not take (the command's own tests run the rest of
// the usage errors through the program).
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "absolute/absolute_fields.h"
#include "incremental/incremental_fields.h"

namespace vantor {
namespace {

// "NAME=TEXT" or a bare "NAME".
std::vector<ControlEntry> entries_of(const std::vector<std::string>& args) {
  std::vector<ControlEntry> entries;
  for (const std::string& a : args) {
    const std::size_t eq = a.find('=');
    if (eq == std::string::npos)
      entries.push_back({a, std::nullopt});
    else
      entries.push_back({a.substr(0, eq), a.substr(eq + 1)});
  }
  return entries;
}

IncFormValues incremental_after(const std::vector<std::string>& args) {
  IncFormValues values;
  const std::vector<ControlEntry> entries = entries_of(args);
  const auto refused = enter_controls(incremental_fields(), values, std::span<const ControlEntry>(entries));
  EXPECT_FALSE(refused) << *refused;
  return values;
}

struct BalanceCase {
  const char* what;
  std::vector<std::string> args;
  int channel;
  std::string text;  // the box afterwards
  int bar;           // the scroll bar afterwards
};

void PrintTo(const BalanceCase& c, std::ostream* os) { *os << c.what; }

class BalanceEntry : public testing::TestWithParam<BalanceCase> {};

TEST_P(BalanceEntry, LeavesBoxAndBarAsTheWindowDoes) {
  const BalanceCase& c = GetParam();
  const IncFormValues v = incremental_after(c.args);
  EXPECT_EQ(v.design.channels[c.channel].balance, c.text);
  EXPECT_EQ(v.balance_bars[c.channel], c.bar);
  for (int n = 0; n < 3; ++n)
    if (n != c.channel) {
      EXPECT_EQ(v.design.channels[n].balance, "0") << "channel " << n + 1;
      EXPECT_EQ(v.balance_bars[n], 0) << "channel " << n + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BalanceEntry,
    testing::Values(
        BalanceCase{"in range, bar moves and writes the whole number", {"bal_1scroll=30"}, 0, "30", 30},
        BalanceCase{"above the range", {"bal_2scroll=60"}, 1, "45", 45},
        BalanceCase{"below the range", {"bal_3scroll=-60"}, 2, "-45", -45},
        BalanceCase{"just above 45", {"bal_1scroll=45.4"}, 0, "45", 45},
        BalanceCase{"rounded, bar moves and rewrites", {"bal_1scroll=7.6"}, 0, "8", 8},
        BalanceCase{"bar stays, text stays as typed", {"bal_2scroll=0.4"}, 1, "0.4", 0},
        BalanceCase{"half to even, bar already there", {"balance3=12", "bal_3scroll=12.5"}, 2, "12.5", 12},
        BalanceCase{"half to even from 0", {"bal_1scroll=12.5"}, 0, "12", 12},
        BalanceCase{"blanks, bar moves", {"bal_1scroll= 45.0 "}, 0, "45", 45},
        BalanceCase{"not a number stays", {"bal_2scroll=abc"}, 1, "abc", 0},
        BalanceCase{"empty stays", {"bal_3scroll="}, 2, "", 0},
        BalanceCase{"scroll bar writes its box", {"balance2=-20"}, 1, "-20", -20},
        BalanceCase{"box after bar, same value", {"balance1=10", "bal_1scroll=10.2"}, 0, "10.2", 10},
        BalanceCase{"bar after box", {"bal_1scroll=3", "balance1=-7"}, 0, "-7", -7}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(IncrementalFields, EachKindReachesItsField) {
  const IncFormValues v = incremental_after({"ED=3.5", "DD=", "RES=1e3", "S1=2", "S2=x", "Unit_mm", "CH1_I",
                                              "CH2_A", "CH3_B", "CH2_on=0", "CH3_SL=0.2", "CH1_ED_U", "CH3_ED=abc",
                                              "ZoomCTRL=250"});
  IncrementalDesign expected = IncrementalDesign::defaults();
  expected.encoder_diameter = "3.5";
  expected.shaft_diameter = "";
  expected.resolution = "1e3";
  expected.scale_num = "2";
  expected.scale_den = "x";
  expected.unit = Unit::Millimetre;
  expected.channels[0].type = ChannelType::Index;
  expected.channels[1].type = ChannelType::A;
  expected.channels[2].type = ChannelType::B;
  expected.channels[1].on = false;
  expected.channels[2].slot_length = "0.2";
  expected.channels[0].edge_mode = IncEdgeMode::User;
  expected.channels[2].edge_distance = "abc";
  expected.zoom = 250;
  EXPECT_EQ(v.design, expected);
  EXPECT_EQ(v.balance_bars, (std::array<int, 3>{0, 0, 0}));
}

TEST(AbsoluteFields, EachKindReachesItsField) {
  AbsoluteEntries e;
  const std::vector<ControlEntry> entries = entries_of(
      {"Res_exp=10", "SL_in=0.1", "CH1_ED=0.3", "CH1_ED_U", "Bin_type", "Unit_mm", "abs_bal=-45", "ED=4"});
  ASSERT_FALSE(enter_controls(absolute_fields(), e, std::span<const ControlEntry>(entries)));
  EXPECT_EQ(e.resolution_exp, "10");
  EXPECT_EQ(e.slot_length, "0.1");
  EXPECT_EQ(e.edge_distance, "0.3");
  EXPECT_EQ(e.edge_mode, AbsEdgeMode::User);
  EXPECT_EQ(e.code_type, CodeType::Binary);
  EXPECT_EQ(e.unit, Unit::Millimetre);
  EXPECT_EQ(e.balance, -45);
  EXPECT_EQ(e.encoder_diameter, "4");
  EXPECT_EQ(e.scale_num, "1");
  EXPECT_EQ(e.shaft_diameter, "0.1875");
}

struct RefusedCase {
  bool absolute;
  std::vector<std::string> args;
  std::string reason_part;
};

void PrintTo(const RefusedCase& c, std::ostream* os) {
  *os << (c.absolute ? "absolute" : "incremental");
  for (const std::string& a : c.args) *os << ' ' << a.substr(0, 40);
}

class RefusedEntry : public testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedEntry, SaysWhy) {
  const RefusedCase& c = GetParam();
  const std::vector<ControlEntry> entries = entries_of(c.args);
  std::optional<std::string> reason;
  if (c.absolute) {
    AbsoluteEntries e;
    reason = enter_controls(absolute_fields(), e, std::span<const ControlEntry>(entries));
  } else {
    IncFormValues v;
    reason = enter_controls(incremental_fields(), v, std::span<const ControlEntry>(entries));
  }
  ASSERT_TRUE(reason);
  EXPECT_NE(reason->find(c.reason_part), std::string::npos) << *reason;
  EXPECT_EQ(reason->find('\n'), std::string::npos) << *reason;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedEntry,
    testing::Values(RefusedCase{false, {"Res_exp=6"}, "no control is named \"Res_exp\""},  // the other window's
                    RefusedCase{true, {"bal_1scroll=6"}, "no control is named"},
                    RefusedCase{false, {"CH3_on="}, "0 or 1"},
                    RefusedCase{false, {"CH2_on"}, "check box"},
                    RefusedCase{true, {"abs_bal=-46"}, "from -45 to 45"},
                    RefusedCase{false, {"ZoomCTRL=9"}, "from 10 to 500"},
                    RefusedCase{false, {"ZoomCTRL=100.0"}, "whole number"},
                    RefusedCase{false, {"balance1=46"}, "from -45 to 45"},
                    RefusedCase{false, {"ZoomCTRL"}, "needs a value"},
                    RefusedCase{false, {"CH2_A", "CH2_I"}, "group \"Channel 2 Type\""},
                    RefusedCase{true, {"CH1_ED_Auto", "CH1_ED_U"}, "group \"Edge Distance\""},
                    RefusedCase{false, {"Unit_mm=1"}, "option button: name it alone"},
                    RefusedCase{false, {"ED"}, "text box: give ED=TEXT"},
                    RefusedCase{false, {"S1=1\n2"}, "one line"},
                    RefusedCase{false, {"Zoom_txt=50"}, "not an input"},
                    RefusedCase{false, {"RES=" + std::string(kMaxTextLength + 1, '1')}, "at most 32767"}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(RefusedEntry, TheLongestTextIsTaken) {
  const std::string longest(kMaxTextLength, '1');
  EXPECT_EQ(incremental_after({"RES=" + longest}).design.resolution, longest);
}

}  // namespace
}  // namespace vantor
