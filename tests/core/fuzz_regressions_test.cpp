// Inputs that once went wrong in the core, found by the fuzz targets in
// fuzz/ or while writing them.  Each case is the smallest input known to
// show the fault; they stay here so that the fault does not come back.
#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>

#include "common/numtext.h"
#include "design_file/design_file.h"
#include "reference_raster.h"
#include "surface/surface.h"

namespace vantor {
namespace {

// parse_number tells an overflow from an underflow by the decimal exponent
// of the leading digit.  It used to count the digits only up to a million,
// so a text with more digits than that had its exponent's sign decided by
// the saturated count: 1e500 written with two million digits read as 0, and
// 1e-500001 written with a million and a half read as an overflow.
struct LongNumber {
  const char* name;
  std::string text;
  std::optional<double> value;
};

TEST(FuzzRegressions, ParseNumberWithMoreThanAMillionDigits) {
  const LongNumber cases[] = {
      {"overflow, two million integer digits", "1" + std::string(2'000'000, '0') + "e-1500000", std::nullopt},
      {"underflow, a million and a half fraction digits", "0." + std::string(1'500'000, '0') + "1e1000000", 0.0},
      {"negative underflow", "-0." + std::string(1'500'000, '0') + "1e1000000", -0.0},
      {"overflow with a positive exponent", "0." + std::string(1'500'000, '0') + "1e1500400", std::nullopt},
      {"in range, two million digits", "1" + std::string(2'000'000, '0') + "e-1999700", 1e300},
  };
  for (const LongNumber& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<double> v = parse_number(c.text);
    ASSERT_EQ(v.has_value(), c.value.has_value());
    if (v) {
      EXPECT_EQ(*v, *c.value);
    }
  }
}

// The client area of the picture is a pixel count.  At densities whose
// area does not fit an int the size used to wrap around to a negative or
// an arbitrary positive number (1e10 ppi gave a width of -333202105), and
// from about 1e18 ppi the rounded twips overflowed a long, so the
// difference of the two roundings was a signed overflow (1e19 ppi).
// Computed in double instead, 1e308 ppi made both roundings infinite and
// their difference NaN, which was then converted to int.
TEST(FuzzRegressions, PictureSizeIsNeverNegative) {
  for (double ppi : {3e8, 1e10, 1e17, 1e19, 1e20, 1e300, 1e308, std::numeric_limits<double>::max()}) {
    SCOPED_TRACE(ppi);
    EXPECT_GE(Surface::picture_width(ppi), 0);
    EXPECT_GE(Surface::picture_height(ppi), 0);
  }
}

// The disc rule compares squares in double.  When the radius in pixels
// passes about 1.3e154 its square is infinite, and so is the squared
// distance of every pixel far enough away: the rule as written then covers
// them, however far outside the disc they lie.  The span rasteriser bounds
// the rows by the true disc and leaves them white, so the two disagree.
// Found at 2.1e272 ppi; the smallest case is a one-pixel raster with a disc
// of radius 2e200 pixels whose centre is 3e200 pixels below it.
TEST(FuzzRegressions, DiscWhoseSquaresOverflowMatchesTheRule) {
  Surface surface(1, 1, 1e200);
  surface.set_scale_mode(ScaleMode::Inch);
  surface.set_fill_style(FillStyle::Solid);
  test::ReferenceRaster reference(1, 1, surface.pixels_per_unit());
  reference.set_fill(FillStyle::Solid, Colour::Black);
  ASSERT_TRUE(surface.circle(0.0f, 3.0f, 2.0f));
  ASSERT_TRUE(reference.circle(0.0f, 3.0f, 2.0f, Colour::Black));
  EXPECT_EQ(surface.pixel(0, 0), reference.pixel(0, 0));
}

// A design file with a letter outside a string: the TOML library asked
// whether é was whitespace and reached a branch it had marked unreachable.
// Letters from each range that did so, as a key and after a value.
TEST(FuzzRegressions, DesignFileWithLettersOutsideStrings) {
  for (const char* text : {"Sé = 1\n", "version = 1 \u00e9\n", "x = 1\n\u3041", "\uff21 = 2"}) {
    SCOPED_TRACE(text);
    const auto read = parse_design(text, "d.vantor");
    ASSERT_TRUE(std::holds_alternative<DesignFileError>(read));
    EXPECT_EQ(std::get<DesignFileError>(read).message.rfind("d.vantor, line ", 0), 0u);
  }
}

}  // namespace
}  // namespace vantor
