// Entering values by control name: the balance boxes validated as when the
// focus leaves them, the scroll bars' echo, option groups, and the entries
// the windows could not take (the command's own tests run the rest of the
// usage errors through the program; that each kind of entry reaches its
// field shows in the window tests, where the window's export and the
// command's file for the same entries must be the same).
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "absolute/absolute_fields.h"
#include "entries.h"

namespace vantor {
namespace {

using test::enter;

TEST(ControlFields, BalanceBoxAndBarAsTheWindowLeavesThem) {
  const std::tuple<std::vector<std::string>, int, std::string, int> cases[] = {  // channel, box, bar
      {{"bal_1scroll=30"}, 0, "30", 30},      {{"bal_2scroll=60"}, 1, "45", 45},
      {{"bal_3scroll=-60"}, 2, "-45", -45},   {{"bal_1scroll=7.6"}, 0, "8", 8},
      {{"bal_2scroll=0.4"}, 1, "0.4", 0},     {{"balance3=12", "bal_3scroll=12.5"}, 2, "12.5", 12},
      {{"bal_1scroll=12.5"}, 0, "12", 12},    {{"bal_1scroll= 45.0 "}, 0, "45", 45},
      {{"bal_2scroll=abc"}, 1, "abc", 0},     {{"balance2=-20"}, 1, "-20", -20},
      {{"bal_1scroll=3", "balance1=-7"}, 0, "-7", -7}, {{"bal_1scroll=45.4"}, 0, "45", 45},
      {{"bal_3scroll=1e300"}, 2, "45", 45}};
  for (const auto& [args, channel, box, bar] : cases) {
    IncFormValues v;
    ASSERT_EQ(enter(incremental_fields(), v, args), "") << args[0];
    for (int n = 0; n < 3; ++n) {
      EXPECT_EQ(v.design.channels[n].balance, n == channel ? box : "0") << args[0] << " channel " << n + 1;
      EXPECT_EQ(v.balance_bars[n], n == channel ? bar : 0) << args[0] << " channel " << n + 1;
    }
  }
}

TEST(ControlFields, RefusedEntriesSayWhy) {
  const std::tuple<bool, std::vector<std::string>, std::string> cases[] = {  // absolute, entries, reason
      {false, {"Res_exp=6"}, "no control is named \"Res_exp\""}, {true, {"abs_bal=-46"}, "from -45 to 45"},
      {false, {"CH3_on="}, "0 or 1"},                            {false, {"ZoomCTRL=100.0"}, "whole number"},
      {false, {"ZoomCTRL"}, "needs a value"},                    {false, {"CH2_A", "CH2_I"}, "group \"Channel 2 Type\""},
      {false, {"Unit_mm=1"}, "option button: name it alone"},    {false, {"S1=1\n2"}, "one line"},
      {false, {"RES=" + std::string(kMaxTextLength + 1, '1')}, "at most 32767"}};
  for (const auto& [absolute, args, reason] : cases) {
    IncFormValues v;
    AbsoluteEntries e;
    const std::string said = absolute ? enter(absolute_fields(), e, args) : enter(incremental_fields(), v, args);
    EXPECT_NE(said.find(reason), std::string::npos) << said;
    EXPECT_EQ(said.find('\n'), std::string::npos) << said;
  }
  IncFormValues v;
  EXPECT_EQ(enter(incremental_fields(), v, {"RES=" + std::string(kMaxTextLength, '1')}), "");
}

}  // namespace
}  // namespace vantor
