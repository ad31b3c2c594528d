// The text <-> number rules of the design windows, in the C locale and
// under a decimal-comma locale.
#include "common/numtext.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <locale>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace vantor {
namespace {

struct Parsed {
  std::string text;
  std::optional<double> value;  // nullopt: refused
};

const Parsed kParsed[] = {
    {"2", 2.0}, {" 16 ", 16.0}, {"\t-45\t", -45.0}, {"+3", 3.0}, {"1.", 1.0}, {"-.5", -0.5}, {"1E+3", 1000.0},
    {"-7.25e-1", -0.725}, {"0e999999", 0.0}, {"1.7976931348623157e308", std::numeric_limits<double>::max()},
    {"1e-310", 1e-310}, {"-1e-400", 0.0}, {"123456789012345678901234567890", 1.2345678901234568e29},
    {"", {}}, {"\t", {}}, {"inf", {}}, {"nan", {}}, {"0x10", {}}, {"1,5", {}}, {"2 3", {}}, {"1e", {}}, {"e5", {}},
    {".", {}}, {"+-1", {}}, {"1e5.5", {}}, {"12a", {}}, {"1\n", {}}, {"\xef\xbc\x91", {}}, {"1e400", {}},
    {"1e99999999999999999999", {}}, {"1" + std::string(400, '0'), {}},
    // Regression: the decimal exponent of the leading digit was counted
    // only up to a million digits, so a longer text had its exponent's sign
    // decided by the saturated count.
    {"1" + std::string(2'000'000, '0') + "e-1500000", {}},
    {"0." + std::string(1'500'000, '0') + "1e1000000", 0.0},
    {"-0." + std::string(1'500'000, '0') + "1e1000000", -0.0},
    {"0." + std::string(1'500'000, '0') + "1e1500400", {}},
    {"1" + std::string(2'000'000, '0') + "e-1999700", 1e300},
};

const std::pair<double, const char*> kGeneral[] = {
    {0.1 + 0.2, "0.3"}, {-0.0, "0"}, {2.0 / 3.0, "0.666666666666667"}, {123456789012345.0, "123456789012345"},
    {999999999999999.9, "1E+15"}, {1e100, "1E+100"}, {0.0001, "0.0001"}, {0.00001, "1E-05"}, {-3.25e-12, "-3.25E-12"}};

const std::pair<double, std::optional<std::int16_t>> kRounded[] = {
    {12.5, 12}, {13.5, 14}, {-0.5, 0}, {-1.5, -2}, {7.6, 8}, {32767.4, 32767}, {32767.5, {}}, {-32768.5, -32768},
    {-32769.0, {}}, {std::nan(""), {}}, {std::numeric_limits<double>::infinity(), {}}};

void expect_the_rules() {
  for (const Parsed& p : kParsed) EXPECT_EQ(parse_number(p.text), p.value) << p.text.substr(0, 40);
  for (const auto& [v, text] : kGeneral) EXPECT_EQ(general_text(v), text);
  for (const auto& [v, rounded] : kRounded) EXPECT_EQ(round_to_int16(v), rounded) << v;
  EXPECT_EQ(integer_text(std::numeric_limits<long long>::min()), "-9223372036854775808");
}

TEST(NumText, Rules) { expect_the_rules(); }

// glibc's setlocale keeps a small allocation for good when LOCPATH is set.
struct LeakCheckPause {
#if defined(__SANITIZE_ADDRESS__)
  LeakCheckPause() { __lsan_disable(); }
  ~LeakCheckPause() { __lsan_enable(); }
#endif
};

// A locale with a decimal comma, made current; one is generated with
// localedef into a temporary directory (LOCPATH) when none is installed.
bool use_comma_locale() {
  [[maybe_unused]] const LeakCheckPause pause;
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "vantor-numtext-locale";
  for (int attempt = 0; attempt < 2; ++attempt) {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"})
      if (std::setlocale(LC_ALL, name) && std::localeconv()->decimal_point[0] == ',') {
        try {
          std::locale::global(std::locale(name));
        } catch (const std::runtime_error&) {
        }
        return true;
      }
    std::filesystem::create_directories(dir);
    if (std::system(("localedef -i de_DE -f UTF-8 '" + (dir / "de_DE.UTF-8").string() + "' >/dev/null 2>&1").c_str()) &&
        !std::filesystem::exists(dir / "de_DE.UTF-8"))
      return false;
    setenv("LOCPATH", dir.c_str(), 1);
  }
  return false;
}

TEST(NumText, RulesUnderACommaLocale) {
  if (!use_comma_locale()) GTEST_SKIP() << "no locale with a decimal comma can be made on this machine";
  expect_the_rules();
  [[maybe_unused]] const LeakCheckPause pause;
  std::setlocale(LC_ALL, "C");
  std::locale::global(std::locale::classic());
}

}  // namespace
}  // namespace vantor
