// Surface arguments drawn from a fuzz input, shared by the targets that
// issue surface calls.
#pragma once

#include <cstdint>
#include <iterator>
#include <limits>

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

}  // namespace vantor::fuzz
