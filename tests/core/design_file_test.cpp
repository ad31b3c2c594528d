// Design files: a design comes back as it was saved, a file's values are
// entered as a user makes them, and a file that holds no design is refused
// with a message that names the file, the line and the key.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "absolute/absolute_fields.h"
#include "design_file/design_file.h"

namespace vantor {
namespace {

// A freshly opened window of the kind with the entries made.
DiscRequest entered(DiscKind kind, std::vector<ControlEntry> entries) {
  DiscRequest d;
  d.kind = kind;
  EXPECT_FALSE(kind == DiscKind::Incremental ? enter_controls(incremental_fields(), d.incremental, entries)
                                             : enter_controls(absolute_fields(), d.absolute, entries));
  return d;
}

std::string edited(std::string text, const std::string& line, const std::string& by) {
  return text.replace(text.find(line), line.size(), by);
}

// The window's own round trips are in the window tests; the texts here are
// ones the tests cannot type: UTF-8, the longest a box holds in UTF-16, and
// control characters pasted into a box.
TEST(DesignFile, TextsComeBackAsTyped) {
  std::string longest;
  for (std::size_t i = 0; i < kMaxTextLength; ++i) longest += "é";
  DiscRequest design = entered(DiscKind::Incremental,
                               {{"ED", "é 😀 \"'"}, {"DD", longest}, {"Mask_angle", "-12.5"}, {"Mask_windows", "3"}});
  design.incremental.design.resolution = std::string("1\t\n\x01\0", 5);
  const auto read = parse_design(design_text(design), "d.vantor");
  ASSERT_TRUE(std::holds_alternative<DiscRequest>(read)) << std::get<DesignFileError>(read).message;
  EXPECT_TRUE(std::get<DiscRequest>(read).incremental == design.incremental);
}

// A hand-made file: each balance box is entered after its bar and validated
// as on leaving it, whatever the file's order.
TEST(DesignFile, ValuesAreEnteredAsAUserMakesThem) {
  const std::string text = edited(design_text(entered(DiscKind::Incremental, {})), "bal_1scroll = \"0\"", "");
  const auto read = parse_design("bal_1scroll = \"70\"\n" + text, "d.vantor");
  ASSERT_TRUE(std::holds_alternative<DiscRequest>(read)) << std::get<DesignFileError>(read).message;
  EXPECT_EQ(std::get<DiscRequest>(read).incremental.design.channels[0].balance, "45");
  EXPECT_EQ(std::get<DiscRequest>(read).incremental.balance_bars[0], 45);
}

// Version 1 kept no mask: such a file opens with the mask's design-time
// values.  (The mask's lines are the last.)
TEST(DesignFile, AVersion1FileOpensWithTheMaskAtItsDefaults) {
  const DiscRequest design = entered(DiscKind::Incremental, {{"RES", "40"}});
  const std::string text = edited(design_text(design), "version = 2", "version = 1");
  const auto read = parse_design(text.substr(0, text.find("Mask_angle")), "d.vantor");
  ASSERT_TRUE(std::holds_alternative<DiscRequest>(read)) << std::get<DesignFileError>(read).message;
  EXPECT_TRUE(std::get<DiscRequest>(read).incremental == design.incremental);
}

TEST(DesignFile, FilesWithoutADesignAreRefused) {
  const std::string inc = design_text(entered(DiscKind::Incremental, {}));
  const std::string abs = design_text(entered(DiscKind::Absolute, {}));
  const std::pair<std::string, std::string> cases[] = {
      {"", "d.vantor is empty, not a design file"},
      {std::string("BM\x36\x10\x0e\0\0\0", 8), "d.vantor, line 1: cannot be read as a design file"},
      {"[package]\nname = \"disc\"\n", "d.vantor: not a design file: it gives no version"},
      {std::string(kMaxDesignFileBytes + 1, '#'), "d.vantor is larger than 4 MiB"},
      {inc.substr(0, inc.find("CH2_SL") + 10), "d.vantor, line 17: cannot be read as a design file"},
      {inc.substr(0, inc.find("balance1")), "d.vantor: balance1 is missing"},
      {edited(abs, "version = 2", "version = 3"), "line 2: version 3 is newer than this program reads (2)"},
      {edited(inc, "Mask_windows = \"4\"\n", ""), "d.vantor: Mask_windows is missing"},
      {inc + "Zoom_txt = \"10\"\n", "line 34: an incremental design keeps no control named \"Zoom_txt\""},
      {abs + "ED = \"3\"\n", "line 15: cannot be read as a design file: Error while parsing key-value pair: "
                             "cannot redefine existing string 'ED'"},
      {edited(abs, "ED = \"2\"", "ED = 2"), "line 4: ED takes a text in double quotes, not 2"},
      {edited(abs, "abs_bal = 0", "abs_bal = 46"), "line 14: abs_bal takes a whole number from -45 to 45, not 46"},
      {edited(abs, "\"grey_type\"", "\"Gray\""), "\"Absolute Type\" takes \"Bin_type\", \"grey_type\" or \"gray_full_type\", not \"Gray\""},
      {edited(abs, "S1 = \"1\"", "S1 = \"" + std::string(kMaxTextLength + 1, '1') + "\""), "line 7: S1 holds at most"},
      // Regression: letters outside a string once reached a branch that the
      // TOML library had marked unreachable.
      {"S\u00e9 = 1\n", "d.vantor, line 1: "},
      {"version = 1 \u00e9\n", "d.vantor, line 1: "},
      {"x = 1\n\u3041", "d.vantor, line 2: "},
      {"\uff21 = 2", "d.vantor, line 1: "},
  };
  const std::filesystem::path file = std::filesystem::path(testing::TempDir()) / "d.vantor";
  for (const auto& [text, says] : cases) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
    const auto read = read_design_file(file.string(), "d.vantor");
    ASSERT_TRUE(std::holds_alternative<DesignFileError>(read)) << says;
    EXPECT_NE(std::get<DesignFileError>(read).message.find(says), std::string::npos)
        << std::get<DesignFileError>(read).message;
  }
}

}  // namespace
}  // namespace vantor
