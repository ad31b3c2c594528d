// Text <-> number rules shared by both designers.  Locale-independent.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantor {

// Reads a decimal number: optional blanks, optional sign, digits with an
// optional decimal point (at least one digit in all), optional exponent
// (e or E, optional sign, at least one digit), optional blanks.  Blanks are
// spaces and tabs.  Anything else ("", "inf", "nan", "0x10", "1,5", "2 3")
// or a value too large for a double ("1e400") gives nullopt.  A value too
// small for a double rounds to zero.
std::optional<double> parse_number(std::string_view text);

// Shortest decimal form of a whole number: "-45", "0", "100".
std::string integer_text(long long value);

// General form with at most 15 significant digits, no trailing zeros, no
// thousands separator, '.' as decimal point: 2 -> "2", 0.1 -> "0.1",
// 1e20 -> "1E+20", 1.5e-7 -> "1.5E-07" (exponent form below 1e-4 and from
// 1e15 on).
std::string general_text(double value);

// Round half to even to a 16-bit signed integer; nullopt when the value
// does not fit (or is not finite).
std::optional<std::int16_t> round_to_int16(double value);

// A balance runs from -kBalanceLimit to kBalanceLimit.
inline constexpr int kBalanceLimit = 45;

// The validation of a balance text box.  Given what the box holds, returns
// the text it holds afterwards (clamped to the limit, "45" or "-45", when
// the typed value lies beyond) and the scroll-bar value it moves to (round
// half to even).  A text that does not convert leaves the box and the
// scroll bar as they are: nullopt.
struct BalanceValidation {
  std::string text;
  std::int16_t value;
};
std::optional<BalanceValidation> validate_balance(std::string_view text);

}  // namespace vantor
