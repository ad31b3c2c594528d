#include "common/numtext.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace vantor {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The decimal exponent of the leading significant digit of a validated,
// unsigned number text, saturated far beyond the range of a double: 0 for
// "1.5", 2 for "123", -3 for "0.0012", 309 for "1e309".  Only its sign is
// used, to tell an overflow from an underflow.
long leading_exponent(std::string_view digits_and_exponent) {
  constexpr long kSaturate = std::numeric_limits<long>::max() / 20;  // beyond any text's length
  std::size_t i = 0;
  const std::size_t n = digits_and_exponent.size();
  long integer_digits = 0;
  bool significant = false;
  long first_fraction_nonzero = 0;  // 1-based index of the first non-zero fraction digit
  for (; i < n && is_digit(digits_and_exponent[i]); ++i) {
    if (digits_and_exponent[i] != '0') significant = true;
    if (significant && integer_digits < kSaturate) ++integer_digits;
  }
  if (i < n && digits_and_exponent[i] == '.') {
    ++i;
    long index = 0;
    for (; i < n && is_digit(digits_and_exponent[i]); ++i) {
      if (index < kSaturate) ++index;
      if (!significant && first_fraction_nonzero == 0 && digits_and_exponent[i] != '0')
        first_fraction_nonzero = index;
    }
  }
  const long position = significant ? integer_digits - 1 : -first_fraction_nonzero;
  long exponent = 0;
  if (i < n && (digits_and_exponent[i] == 'e' || digits_and_exponent[i] == 'E')) {
    ++i;
    bool negative = false;
    if (i < n && (digits_and_exponent[i] == '+' || digits_and_exponent[i] == '-')) negative = digits_and_exponent[i++] == '-';
    for (; i < n && is_digit(digits_and_exponent[i]); ++i)
      if (exponent < kSaturate) exponent = exponent * 10 + (digits_and_exponent[i] - '0');
    if (negative) exponent = -exponent;
  }
  return position + exponent;
}

}  // namespace

std::optional<double> parse_number(std::string_view text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && is_blank(text[begin])) ++begin;
  while (end > begin && is_blank(text[end - 1])) --end;
  std::string_view body = text.substr(begin, end - begin);

  bool negative = false;
  if (!body.empty() && (body[0] == '+' || body[0] == '-')) {
    negative = body[0] == '-';
    body.remove_prefix(1);
  }

  // Validate the grammar here; std::from_chars would accept "inf", "nan"
  // and a few other forms that are not decimal numbers.
  std::size_t i = 0;
  std::size_t digits = 0;
  while (i < body.size() && is_digit(body[i])) ++i, ++digits;
  if (i < body.size() && body[i] == '.') {
    ++i;
    while (i < body.size() && is_digit(body[i])) ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < body.size() && (body[i] == 'e' || body[i] == 'E')) {
    ++i;
    if (i < body.size() && (body[i] == '+' || body[i] == '-')) ++i;
    std::size_t exponent_digits = 0;
    while (i < body.size() && is_digit(body[i])) ++i, ++exponent_digits;
    if (exponent_digits == 0) return std::nullopt;
  }
  if (i != body.size()) return std::nullopt;

  double value = 0.0;
  const auto [ptr, ec] = std::from_chars(body.data(), body.data() + body.size(), value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    // Beyond the range of a double in one direction or the other.
    if (leading_exponent(body) >= 0) return std::nullopt;
    value = 0.0;
  } else if (ec != std::errc() || ptr != body.data() + body.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

std::string integer_text(long long value) {
  std::array<char, 24> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return std::string(buffer.data(), result.ptr);
}

std::string general_text(double value) {
  if (value == 0.0) return "0";  // also for -0
  std::array<char, 64> buffer{};
  // to_chars with a precision formats like printf's %.15g in the C locale.
  const auto result =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::general, 15);
  std::string text(buffer.data(), result.ptr);
  for (char& c : text)
    if (c == 'e') c = 'E';
  return text;
}

std::optional<std::int16_t> round_to_int16(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  double rounded = std::round(value);  // halves away from zero
  if (std::fabs(value - std::trunc(value)) == 0.5 && std::fmod(rounded, 2.0) != 0.0)
    rounded -= std::copysign(1.0, value);  // a half goes to the even neighbour instead
  if (rounded < std::numeric_limits<std::int16_t>::min() || rounded > std::numeric_limits<std::int16_t>::max())
    return std::nullopt;
  return static_cast<std::int16_t>(rounded);
}

std::optional<BalanceValidation> validate_balance(std::string_view text) {
  std::string result(text);
  const std::optional<double> x = parse_number(result);
  if (!x) return std::nullopt;
  if (*x > kBalanceLimit) result = integer_text(kBalanceLimit);
  // The text is read again after the upper clamp, as the handler does.
  const std::optional<double> y = parse_number(result);
  if (!y) return std::nullopt;
  if (*y < -kBalanceLimit) result = integer_text(-kBalanceLimit);
  const std::optional<double> z = parse_number(result);
  if (!z) return std::nullopt;
  const std::optional<std::int16_t> value = round_to_int16(*z);
  if (!value) return std::nullopt;
  return BalanceValidation{result, *value};
}

}  // namespace vantor
