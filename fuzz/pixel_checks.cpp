#include "pixel_checks.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vantor::fuzz {

std::optional<std::pair<int, int>> first_change_outside(const std::uint8_t* before, const std::uint8_t* after, int w,
                                                        int h, double i0, double j0, double i1, double j1) {
  const std::size_t n = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
  if (n == 0 || std::memcmp(before, after, n) == 0) return std::nullopt;
  for (int j = 0; j < h; ++j) {
    const bool row_in = j >= j0 && j <= j1;
    for (int i = 0; i < w; ++i) {
      const std::size_t k = static_cast<std::size_t>(j) * w + i;
      if (before[k] != after[k] && !(row_in && i >= i0 && i <= i1)) return std::pair{i, j};
    }
  }
  return std::nullopt;
}

std::optional<std::size_t> first_grey(const std::uint8_t* pixels, std::size_t n) {
  for (std::size_t k = 0; k < n; ++k)
    if (pixels[k] != 0x00 && pixels[k] != 0xFF) return k;
  return std::nullopt;
}

std::optional<std::size_t> first_difference(const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
  if (std::memcmp(a, b, n) == 0) return std::nullopt;
  return static_cast<std::size_t>(std::mismatch(a, a + n, b).first - a);
}

std::optional<std::pair<int, int>> first_crop_difference(const std::uint8_t* canvas, int w, int h,
                                                         const std::uint8_t* window, int ww, int wh, int left,
                                                         int top) {
  for (int j = 0; j < wh; ++j)
    for (int i = 0; i < ww; ++i) {
      const int ci = left + i, cj = top + j;
      if (ci < 0 || ci >= w || cj < 0 || cj >= h) continue;
      if (canvas[static_cast<std::size_t>(cj) * w + ci] != window[static_cast<std::size_t>(j) * ww + i])
        return std::pair{i, j};
    }
  return std::nullopt;
}

}  // namespace vantor::fuzz
