// Fuzzes the number rules: parse_number against the C library's strtod on
// texts that the grammar admits, integer_text and general_text against
// printf, round_to_int16 against nearbyint, and the balance validation's
// clamping.
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "common/numtext.h"
#include "fuzz_input.h"

namespace {

using vantor::general_text;
using vantor::parse_number;

std::string show(std::string_view text) {
  std::string s = "\"";
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') {
      s.push_back(static_cast<char>(c));
    } else {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\x%02x", c);
      s += buffer;
    }
  }
  return s + "\"";
}

std::string show(double v) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.17g (%a)", v, v);
  return buffer;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The grammar of a decimal number, written out independently: the body
// between the blanks, sign included, or nullopt when the text is not one.
std::optional<std::string> number_body(std::string_view t) {
  std::size_t b = 0, e = t.size();
  while (b < e && is_blank(t[b])) ++b;
  while (e > b && is_blank(t[e - 1])) --e;
  const std::string body(t.substr(b, e - b));
  std::size_t i = 0;
  if (i < body.size() && (body[i] == '+' || body[i] == '-')) ++i;
  std::size_t mantissa_digits = 0;
  while (i < body.size() && is_digit(body[i])) ++i, ++mantissa_digits;
  if (i < body.size() && body[i] == '.') {
    ++i;
    while (i < body.size() && is_digit(body[i])) ++i, ++mantissa_digits;
  }
  if (mantissa_digits == 0) return std::nullopt;
  if (i < body.size() && (body[i] == 'e' || body[i] == 'E')) {
    ++i;
    if (i < body.size() && (body[i] == '+' || body[i] == '-')) ++i;
    std::size_t exponent_digits = 0;
    while (i < body.size() && is_digit(body[i])) ++i, ++exponent_digits;
    if (exponent_digits == 0) return std::nullopt;
  }
  if (i != body.size()) return std::nullopt;
  return body;
}

void check_parse(std::string_view text) {
  const std::optional<double> got = parse_number(text);
  const std::optional<std::string> body = number_body(text);
  if (!body) {
    FUZZ_CHECK(!got, "parse_number accepted a non-number: " + show(text) + " -> " + show(*got));
    return;
  }
  errno = 0;
  char* end = nullptr;
  const double want = std::strtod(body->c_str(), &end);
  const bool range_error = errno == ERANGE;
  FUZZ_CHECK(end == body->c_str() + body->size(), "strtod stopped early on " + show(*body));
  if (range_error && std::isinf(want)) {
    FUZZ_CHECK(!got, "parse_number accepted an overflow: " + show(text) + " -> " + show(*got));
    return;
  }
  FUZZ_CHECK(got.has_value(), "parse_number refused a number: " + show(text));
  FUZZ_CHECK(std::isfinite(*got), "parse_number gave a non-finite value for " + show(text));
  FUZZ_CHECK(std::signbit(*got) == std::signbit(want), "sign differs for " + show(text));
  if (range_error) {
    // Below the normal range: the correctly rounded value or zero.
    FUZZ_CHECK(*got == want || *got == 0.0,
               "underflow of " + show(text) + ": " + show(*got) + " vs strtod " + show(want));
  } else {
    FUZZ_CHECK(*got == want, "value of " + show(text) + ": " + show(*got) + " vs strtod " + show(want));
  }
}

void check_integer_text(long long v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%lld", v);
  const std::string text = vantor::integer_text(v);
  FUZZ_CHECK(text == buffer, "integer_text(" + std::string(buffer) + ") = " + text);
  const std::optional<double> back = parse_number(text);
  FUZZ_CHECK(back && *back == static_cast<double>(v), "integer_text does not read back: " + text);
}

void check_general_text(double v) {
  const std::string text = general_text(v);
  if (!std::isfinite(v)) return;  // no contract beyond not crashing
  if (v == 0.0) {
    FUZZ_CHECK(text == "0", "general_text of zero is " + text);
    return;
  }
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15G", v);
  FUZZ_CHECK(text == buffer, "general_text(" + show(v) + ") = " + text + ", printf gives " + buffer);
  for (char c : text)
    FUZZ_CHECK(is_digit(c) || c == '-' || c == '+' || c == '.' || c == 'E', "stray character in " + text);

  const std::optional<double> back = parse_number(text);
  // Fifteen digits round the largest doubles up past the double range
  // ("1.79769313486232E+308"): such a text cannot be read back.
  if (!back) {
    FUZZ_CHECK(std::fabs(v) > 1.797693134862315e308, "general_text does not read back: " + show(v) + " -> " + text);
    return;
  }
  const double tolerance = std::fabs(v) * 5.2e-15 + std::numeric_limits<double>::denorm_min();
  FUZZ_CHECK(std::fabs(*back - v) <= tolerance, "round trip of " + show(v) + " via " + text + " gives " + show(*back));
  if (std::fabs(v) >= DBL_MIN) {
    // Fifteen digits survive a double, so the text is a fixed point.
    FUZZ_CHECK(general_text(*back) == text, "general_text is not stable: " + text + " -> " + general_text(*back));
  }
}

void check_round(double v) {
  const std::optional<std::int16_t> got = vantor::round_to_int16(v);
  if (!std::isfinite(v)) {
    FUZZ_CHECK(!got, "round_to_int16 of a non-finite value");
    return;
  }
  const double want = std::nearbyint(v);  // the default mode: to nearest, ties to even
  if (want < -32768.0 || want > 32767.0) {
    FUZZ_CHECK(!got, "round_to_int16(" + show(v) + ") should not fit");
  } else {
    FUZZ_CHECK(got && *got == want, "round_to_int16(" + show(v) + ")");
  }
}

void check_balance(std::string_view text) {
  const std::optional<double> typed = parse_number(text);
  const std::optional<vantor::BalanceValidation> got = vantor::validate_balance(text);
  FUZZ_CHECK(got.has_value() == typed.has_value(), "validate_balance converts what parse_number does not: " + show(text));
  if (!got) return;
  FUZZ_CHECK(got->value >= -45 && got->value <= 45, "balance value out of range for " + show(text));
  const std::optional<double> shown = parse_number(got->text);
  FUZZ_CHECK(shown && *shown >= -45.0 && *shown <= 45.0, "balance text out of range: " + show(got->text));
  FUZZ_CHECK(vantor::round_to_int16(*shown) == got->value, "balance value does not match its text " + show(got->text));
  if (*typed > 45.0) {
    FUZZ_CHECK(got->text == "45", "clamp above gives " + show(got->text));
  } else if (*typed < -45.0) {
    FUZZ_CHECK(got->text == "-45", "clamp below gives " + show(got->text));
  } else {
    FUZZ_CHECK(got->text == text, "an in-range text was changed: " + show(text) + " -> " + show(got->text));
  }
}

// Maps bytes onto the characters of numbers, digits weighted, so that most
// texts are near-misses or members of the grammar.
char numeric_char(std::uint8_t b) {
  static constexpr char kAlphabet[] = "0123456789012345678901234567890123456789..--++eE \t";
  return kAlphabet[b % (sizeof kAlphabet - 1)];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vantor::fuzz::Input in(data, size);
  const std::uint8_t mode = in.byte();
  const double d = in.raw<double>();
  const long long ll = in.raw<long long>();
  std::string text(in.rest());
  if (mode & 1)
    for (char& c : text) c = numeric_char(static_cast<std::uint8_t>(c));

  check_parse(text);
  check_balance(text);
  check_integer_text(ll);
  check_general_text(d);
  check_round(d);
  // The same rules on the number the text holds, when it holds one.
  if (const std::optional<double> v = parse_number(text)) {
    check_general_text(*v);
    check_round(*v);
  }
  // A small double from the integer bits, to reach the halves.
  check_round(static_cast<double>(static_cast<std::int32_t>(ll)) / 4.0);
  return 0;
}
