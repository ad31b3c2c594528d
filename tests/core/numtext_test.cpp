// The text <-> number rules of the design windows.
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

struct Accepted {
  const char* text;
  double value;
};

const Accepted kAccepted[] = {
    {"2", 2.0},          {"0.1875", 0.1875},     {" 16 ", 16.0},       {"\t-45\t", -45.0},
    {"+3", 3.0},         {"1.", 1.0},            {".5", 0.5},          {"-.5", -0.5},
    {"00012", 12.0},     {"1E+3", 1000.0},       {"-7.25e-1", -0.725}, {"0e999999", 0.0},
    {"1.7976931348623157e308", std::numeric_limits<double>::max()},
    {"1e-310", 1e-310},  // subnormal, still representable
    {"1e-400", 0.0},     // too small for a double: rounds to zero
    {"-1e-400", 0.0},
    {"123456789012345678901234567890", 1.2345678901234568e29},
};

TEST(ParseNumber, AcceptsDecimalNumbers) {
  for (const Accepted& a : kAccepted) {
    SCOPED_TRACE(a.text);
    const std::optional<double> v = parse_number(a.text);
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(*v, a.value);
  }
}

const char* const kRefused[] = {
    "", " ", "\t", "inf", "-inf", "infinity", "nan", "NaN", "0x10", "0X1p3", "1,5", "2 3", "1e", "1e+",
    "e5", ".", "-", "+", "+-1", "--1", "- 1", "1.2.3", "1e5.5", "1e 5", "12a", "a12", "1_000", "1'000",
    "$5", "5%", "1\n", "\n1", "\xef\xbc\x91" /* fullwidth 1 */, "1e400", "-1e400", "1e99999999999999999999",
    // 1 followed by 400 zeros: too large for a double without any exponent.
    "10000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
    "00000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
    "00000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
    "0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000",
};

TEST(ParseNumber, RefusesWhatIsNotADecimalNumber) {
  for (const char* text : kRefused) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(parse_number(text).has_value());
  }
}

TEST(IntegerText, ShortestForm) {
  const std::pair<long long, const char*> cases[] = {
      {-45, "-45"}, {0, "0"}, {12, "12"}, {100, "100"}, {std::numeric_limits<long long>::min(), "-9223372036854775808"}};
  for (const auto& [value, text] : cases) EXPECT_EQ(integer_text(value), text);
}

TEST(GeneralText, FifteenSignificantDigits) {
  const std::pair<double, const char*> cases[] = {
      {2.0, "2"},           {0.1 + 0.2, "0.3"},     {-2.5, "-2.5"},     {-0.0, "0"},
      {2.0 / 3.0, "0.666666666666667"},             {123456789012345.0, "123456789012345"},
      {999999999999999.9, "1E+15"},  // rounds up to 16 digits: exponent form
      {1e20, "1E+20"},      {1e100, "1E+100"},      {0.0001, "0.0001"}, {0.00001, "1E-05"},
      {1.5e-7, "1.5E-07"},  {-3.25e-12, "-3.25E-12"},
  };
  for (const auto& [value, text] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(general_text(value), text);
  }
}

TEST(RoundToInt16, HalfToEvenAndRange) {
  const std::pair<double, std::optional<std::int16_t>> cases[] = {
      {12.5, 12},         {13.5, 14},          {-0.5, 0},       {0.5, 0},         {1.5, 2},
      {-1.5, -2},         {7.6, 8},            {-7.6, -8},      {2.4999, 2},      {45.0, 45},
      {32767.0, 32767},   {32767.4, 32767},    {32767.5, {}},   {-32768.5, -32768}, {-32769.0, {}},
      {1e300, {}},        {std::nan(""), {}},  {std::numeric_limits<double>::infinity(), {}},
  };
  for (const auto& [value, expected] : cases) {
    SCOPED_TRACE(value);
    EXPECT_EQ(round_to_int16(value), expected);
  }
}

TEST(ValidateBalance, ClampsSilentlyAndRoundsHalfToEven) {
  struct Case {
    const char* typed;
    const char* text;
    std::int16_t value;
  };
  const Case cases[] = {
      {"60", "45", 45},        {"-60", "-45", -45},     {"45", "45", 45},        {"-45", "-45", -45},
      {"45.4", "45", 45},      {"100", "45", 45},       {"-45.3", "-45", -45},   {"-1000", "-45", -45},
      {"1e300", "45", 45},     {"7.6", "7.6", 8},       {"12.5", "12.5", 12},    {"13.5", "13.5", 14},
      {"-0.5", "-0.5", 0},     {" 30 ", " 30 ", 30},    {"1e1", "1e1", 10},      {"0", "0", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    const std::optional<BalanceValidation> v = validate_balance(c.typed);
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(v->text, c.text);
    EXPECT_EQ(v->value, c.value);
  }
}

TEST(ValidateBalance, NonNumericLeavesEverythingAlone) {
  for (const char* typed : {"", "abc", "1,5", "1e400", "nan"}) {
    SCOPED_TRACE(typed);
    EXPECT_FALSE(validate_balance(typed).has_value());
  }
}

// glibc's setlocale keeps a small allocation for good when LOCPATH is set;
// it is not ours to free, so the leak checker does not count it.
struct LeakCheckPause {
#if defined(__SANITIZE_ADDRESS__)
  LeakCheckPause() { __lsan_disable(); }
  ~LeakCheckPause() { __lsan_enable(); }
#endif
};

// A locale whose decimal separator is a comma, made current for the life of
// the object.  When none is installed, one is generated with localedef into
// a temporary directory (LOCPATH); without localedef the test is skipped.
class CommaLocale {
 public:
  CommaLocale() {
    if (!try_names()) {
      const std::filesystem::path dir = std::filesystem::temp_directory_path() / "vantor-numtext-locale";
      std::filesystem::create_directories(dir);
      const std::string command =
          "localedef -i de_DE -f UTF-8 '" + (dir / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
      if (std::filesystem::exists(dir / "de_DE.UTF-8") || std::system(command.c_str()) == 0 ||
          std::filesystem::exists(dir / "de_DE.UTF-8")) {
        setenv("LOCPATH", dir.c_str(), 1);
        try_names();
      }
    }
  }
  ~CommaLocale() {
    [[maybe_unused]] const LeakCheckPause pause;
    std::setlocale(LC_ALL, "C");
    std::locale::global(std::locale::classic());
  }
  bool active() const { return active_; }

 private:
  bool try_names() {
    [[maybe_unused]] const LeakCheckPause pause;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "de_DE"}) {
      if (std::setlocale(LC_ALL, name) && std::localeconv()->decimal_point[0] == ',') {
        try {
          std::locale::global(std::locale(name));
        } catch (const std::runtime_error&) {
        }
        active_ = true;
        return true;
      }
    }
    return false;
  }
  bool active_ = false;
};

TEST(NumTextUnderCommaLocale, SameRulesAsInTheCLocale) {
  CommaLocale locale;
  if (!locale.active()) GTEST_SKIP() << "no locale with a decimal comma can be made on this machine";
  for (const Accepted& a : kAccepted) {
    SCOPED_TRACE(a.text);
    EXPECT_EQ(parse_number(a.text), a.value);
  }
  for (const char* text : kRefused) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(parse_number(text).has_value());
  }
  EXPECT_EQ(general_text(0.5), "0.5");
  EXPECT_EQ(general_text(1.5e-7), "1.5E-07");
  EXPECT_EQ(integer_text(-1234567), "-1234567");
  ASSERT_TRUE(validate_balance("12.5").has_value());
  EXPECT_EQ(validate_balance("12.5")->value, 12);
}

}  // namespace
}  // namespace vantor
