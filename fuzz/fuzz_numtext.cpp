// Fuzzes the number rules for crashes and their invariants: general_text
// reads back within its fifteen digits and is a fixed point, integer_text
// reads back exactly, parse_number gives finite values only,
// round_to_int16 rounds half to even within the int16 range, and the
// balance validation clamps to -45 ... 45 and agrees with parse_number.
#include <cfloat>
#include <cmath>

#include "common/numtext.h"
#include "fuzz_input.h"

namespace {

using namespace vantor;

void check_number(double v) {
  const std::string text = general_text(v);
  if (!std::isfinite(v)) return;
  const std::optional<double> back = parse_number(text);
  // Fifteen digits round the largest doubles up past the range.
  FUZZ_CHECK(back || std::fabs(v) > 1.797693134862315e308, text);
  if (!back) return;
  FUZZ_CHECK(std::fabs(*back - v) <= std::fabs(v) * 5.2e-15 + DBL_TRUE_MIN, text);
  FUZZ_CHECK(std::fabs(v) < DBL_MIN || general_text(*back) == text, text);
  const std::optional<std::int16_t> r = round_to_int16(v);
  const double want = std::nearbyint(v);  // to nearest, ties to even
  FUZZ_CHECK(want < -32768.0 || want > 32767.0 ? !r : r && *r == want, text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vantor::fuzz::Input in(data, size);
  const std::uint8_t mode = in.byte();
  const double d = in.raw<double>();
  const long long ll = in.raw<long long>();
  std::string text(in.rest());
  if (mode & 1)  // the characters of numbers, digits weighted
    for (char& c : text) c = "0123456789012345678901234567890123456789..--++eE \t"[static_cast<std::uint8_t>(c) % 50];

  check_number(d);
  check_number(static_cast<double>(static_cast<std::int32_t>(ll)) / 4.0);  // the halves
  FUZZ_CHECK(parse_number(integer_text(ll)) == static_cast<double>(ll), integer_text(ll));
  const std::optional<double> typed = parse_number(text);
  FUZZ_CHECK(!typed || std::isfinite(*typed), text);
  if (typed) check_number(*typed);
  const std::optional<BalanceValidation> b = validate_balance(text);
  FUZZ_CHECK(b.has_value() == typed.has_value(), text);
  if (!b) return 0;
  FUZZ_CHECK(b->value >= -45 && b->value <= 45 && round_to_int16(*parse_number(b->text)) == b->value, b->text);
  FUZZ_CHECK(b->text == (*typed > 45 ? "45" : *typed < -45 ? "-45" : text), b->text);
  return 0;
}
