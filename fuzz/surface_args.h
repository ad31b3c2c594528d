// Surface arguments drawn from a fuzz input, shared by the targets that
// issue surface calls.
#pragma once

#include <cstdint>
#include <iterator>
#include <limits>
#include <numbers>

#include "fuzz_input.h"
#include "surface/surface.h"

namespace vantor::fuzz {

inline ScaleMode scale_mode(std::uint8_t b) {
  switch (b % 3) {
    case 0:
      return ScaleMode::Twip;
    case 1:
      return ScaleMode::Inch;
  }
  return ScaleMode::Millimetre;
}

inline Colour colour(Input& in) { return in.byte() & 1 ? Colour::White : Colour::Black; }

// NaN, infinities, the float limits, denormals, signed zeros and the sizes
// around the surface's far-point bound.
inline float special_float(Input& in) {
  static constexpr float kSpecial[] = {
      std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::quiet_NaN(),
      std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
      std::numeric_limits<float>::max(), -std::numeric_limits<float>::max(),
      std::numeric_limits<float>::min(), std::numeric_limits<float>::denorm_min(), -0.0f, 0.0f, 1e30f, -1e30f,
      3e8f, -3e8f, 2.68435456e8f, 1e10f, 0.5f, 1.0f, -1.0f, 1e-30f};
  return kSpecial[in.byte() % std::size(kSpecial)];
}

// An angle in radians: raw bits, a special value, around the full turn and
// the edges of its slack, a landmark, or anywhere on the turn; either sign.
inline float angle(Input& in) {
  constexpr double kTwoPi = 2 * std::numbers::pi;
  const std::uint8_t kind = in.byte();
  const float sign = kind & 0x80 ? -1.0f : 1.0f;
  switch (kind % 8) {
    case 0:
      return in.raw<float>();
    case 1:
      return special_float(in);
    case 2: {
      static constexpr double kOffsets[] = {0,     1e-7,    -1e-7,    1.7e-7, 2e-6,   -2e-6, 3.99e-6, 4e-6,
                                            -4e-6, 4.01e-6, -4.01e-6, 4.5e-6, -4.5e-6, 1e-5, -1e-5,  1e-3};
      return sign * static_cast<float>(kTwoPi + kOffsets[in.byte() % std::size(kOffsets)]);
    }
    case 3: {
      static constexpr float kAngles[] = {0.0f,
                                          6.2831855f,
                                          static_cast<float>(std::numbers::pi),
                                          static_cast<float>(std::numbers::pi / 2),
                                          static_cast<float>(3 * std::numbers::pi / 2),
                                          static_cast<float>(std::numbers::pi / 4),
                                          0.001f,
                                          1e-7f,
                                          1e-30f,
                                          std::numeric_limits<float>::denorm_min()};
      return sign * kAngles[in.byte() % std::size(kAngles)];
    }
  }
  return sign * static_cast<float>(in.raw<std::uint16_t>() / 65535.0 * kTwoPi);
}

}  // namespace vantor::fuzz
