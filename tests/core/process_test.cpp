// Made for a process: each preset's minimums from its figures and their
// refusals, the bias's refusals naming the track, and the design report's
// check, with the polarity deciding which features are clear or dark.
#include <gtest/gtest.h>

#include <algorithm>
#include <numbers>

#include "export/artwork.h"
#include "export/design_report.h"
#include "render/render_args.h"

namespace vantor {
namespace {

RenderRequest request(std::vector<std::string> words) {
  words.push_back("--report");
  return std::get<RenderRequest>(parse_render_args(words));
}

// The minimums written out from each rule, not from the code.
struct RulesCase {
  const char* text;
  double open, dark, bias;
  const char* refusal = "";
};
const RulesCase kRules[] = {
    {"film", 16, 16, 0},
    {"etch", 110, 100, 0},
    {"etch:thickness=50", 76.2, 76.2, 0},  // the floor of 0.003 in
    {"laser", 200, 500, -100},
    {"laser: web = 300 , kerf=80", 80, 300, -40},
    {"pcb", 150, 200, 0},
    {"toner", 200, 150, 25},
    {"toner:dpi=300,line=50,space=60,spread=10", 2 * 25400.0 / 300, 2 * 25400.0 / 300, 10},  // two dots
    {"film:feature=x", 0, 0, 0, "The process's figures do not read: feature takes a number above 0 (\u00b5m), not \"x\"."},
    {"toner:dpi=0", 0, 0, 0, "The process's figures do not read: dpi takes a number above 0 (dots per inch), not \"0\"."},
    {"laser:kerf", 0, 0, 0, "The process's figures do not read: \"kerf\" is not KEY=VALUE."},
    {"pcb:width=3", 0, 0, 0,
     "The process's figures do not read: pcb has no figure \"width\" (its figures: trace, space)."},
    {"resin", 0, 0, 0, "no process \"resin\": the processes are film, etch, laser, pcb or toner"},
};

TEST(Process, MinimumsFromTheFigures) {
  for (const RulesCase& row : kRules) {
    const auto parsed = parse_process(row.text);
    if (*row.refusal) {
      EXPECT_EQ(std::get<std::string>(parsed), row.refusal);
      continue;
    }
    const Process& p = std::get<Process>(parsed);
    const ProcessRules rules = process_rules(p);
    EXPECT_NEAR(rules.open_um, row.open, 1e-9) << row.text;
    EXPECT_NEAR(rules.dark_um, row.dark, 1e-9) << row.text;
    EXPECT_EQ(proposed_bias(p, false), row.bias) << row.text;
    EXPECT_EQ(proposed_bias(p, true), p.kind == ProcessKind::Toner ? -row.bias : row.bias) << row.text;  // toner spreads the dark
    // The figures as the dialog shows them read back to the same process.
    const auto again = parse_process(std::string(preset_of(p.kind).name) + ":" + figures_text(p));
    EXPECT_EQ(std::get<Process>(again), p) << row.text;
  }
}

struct BiasRefusal {
  std::vector<std::string> words;
  const char* refusal;
};
const BiasRefusal kBiasRefusals[] = {
    // Tracks 1 and 2 are 1270 µm apart.
    {{"incremental", "CH2_ED_U", "CH2_ED=0.05", "--bias", "1000"},
     "A bias of 1000.0 \u00b5m joins the slots of track 2 (counted from the rim) to those of track 1."},
    {{"incremental", "CH2_ED_U", "CH2_ED=0.05", "--bias", "630"}, ""},
    {{"incremental", "CH1_ED_U", "CH1_ED=0.02", "--bias", "510"},
     "A bias of 510.0 \u00b5m joins the slots of track 1 (counted from the rim) to the rim."},
    {{"incremental", "DD=0.45", "--bias", "330"},
     "A bias of 330.0 \u00b5m joins the slots of track 3 (counted from the rim) to the shaft hole."},
    // Track 2's bars are 2805 µm at its middle radius.
    {{"incremental", "--bias", "1405"}, "A bias of 1405.0 \u00b5m joins the slots of track 2 (counted from the rim) to each other."},
    {{"incremental", "DD=0.02", "--bias", "-260"}, "A bias of -260.0 \u00b5m closes the shaft hole."},
    // Slots 1900 µm across the track, in millimetres.
    {{"absolute", "Unit_mm", "ED=50", "DD=6", "Res_exp=5", "--bias", "-960"},
     "A bias of -960.0 \u00b5m closes the slots of track 1 (counted from the rim)."},
    {{"absolute", "Unit_mm", "ED=50", "DD=6", "Res_exp=5", "--bias", "-940"}, ""},
};

TEST(Bias, RefusedNamingTheTrack) {
  for (const BiasRefusal& row : kBiasRefusals) {
    const ArtworkOutcome out = record_artwork(request(row.words));
    EXPECT_EQ(out.refusal, row.refusal) << row.words.back();
    EXPECT_EQ(out.artwork.geometry.analysed(), !*row.refusal);
  }
}

struct CheckCase {
  std::vector<std::string> words;
  std::vector<std::string> fail, pass;  // features that must fail, that must pass
  double track_one_bar_angle = 0;      // when not 0, the angle of track 1's narrowest bar
};
const CheckCase kChecks[] = {
    {{"incremental", "--process", "film"}, {}, {}},
    {{"absolute", "Res_exp=16", "--process", "film", "--dpi", "2000"},
     {"the narrowest slot of track 1 at its inner radius (clear)", "the narrowest bar of track 1 at its inner radius (dark)"},
     {"the narrowest slot of track 16 at its inner radius (clear)", "the gap between the rim and track 1 (dark)"},
     std::numbers::pi / 32768},
    // Slots and bars of track 1 about 176 µm: above pcb's space, below its trace.
    {{"incremental", "RES=340", "--dpi", "2000", "--process", "pcb"},
     {"the narrowest bar of track 1 at its inner radius (dark)"},
     {"the narrowest slot of track 1 at its inner radius (clear)", "the gap between track 1 and track 2 (dark)"},
     std::numbers::pi / 340},
    {{"incremental", "--inverse", "RES=340", "--dpi", "2000", "--process", "pcb"},
     {"the narrowest slot of track 1 at its inner radius (dark)"},
     {"the narrowest bar of track 1 at its inner radius (clear)", "the gap between track 1 and track 2 (clear)"}},
};

TEST(Check, AgainstTheProcessAndTwoPixels) {
  for (const CheckCase& row : kChecks) {
    const RenderRequest req = request(row.words);
    const DesignNumbers n = design_numbers(record_artwork(req).artwork);
    const ProcessRules rules = process_rules(*req.process);
    const std::string text = design_report(n);
    EXPECT_NE(text.find(row.fail.empty() ? "\nCheck: passes, all " : "\nCheck: fails, "), std::string::npos) << text;
    const auto failed = [&n](const std::string& what) {
      return std::any_of(n.check_failures.begin(), n.check_failures.end(), [&](const CheckFailure& f) { return f.what == what; });
    };
    for (const std::string& what : row.fail) EXPECT_TRUE(failed(what)) << what << "\n" << text;
    for (const std::string& what : row.pass) EXPECT_FALSE(failed(what)) << what << "\n" << text;
    for (const CheckFailure& f : n.check_failures)
      for (const auto& [minimum, rule] : f.missed) {
        EXPECT_LT(f.size_um, minimum) << f.what;
        EXPECT_EQ(minimum, rule.starts_with("two pixels") ? 2 * 25400.0 / req.dpi
                           : f.what.ends_with("(clear)")  ? rules.open_um
                                                          : rules.dark_um);
        if (f.what.starts_with("the narrowest bar of track 1 ") && row.track_one_bar_angle > 0) {
          EXPECT_NEAR(f.size_um, row.track_one_bar_angle * n.tracks[0].inner * 25400, 0.05);
        }
      }
  }
}

}  // namespace
}  // namespace vantor
