// Whole-raster comparisons for the fuzz targets.  They live in their own
// file, compiled without coverage instrumentation: they are oracles, not
// code under test, and instrumenting their per-pixel loops would only slow
// the fuzzing down.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>

namespace vantor::fuzz {

// The first pixel (i, j) outside the box [i0, i1] x [j0, j1] (inclusive,
// any range) whose value differs between the two w x h rasters.
std::optional<std::pair<int, int>> first_change_outside(const std::uint8_t* before, const std::uint8_t* after, int w,
                                                        int h, double i0, double j0, double i1, double j1);

// The index of the first of n bytes that is neither 0x00 nor 0xFF.
std::optional<std::size_t> first_grey(const std::uint8_t* pixels, std::size_t n);

// The index of the first of n bytes that differs.
std::optional<std::size_t> first_difference(const std::uint8_t* a, const std::uint8_t* b, std::size_t n);

// The first pixel (i, j) of the ww x wh window at (left, top) of a w x h
// canvas whose value differs from the canvas pixel (left + i, top + j).
std::optional<std::pair<int, int>> first_crop_difference(const std::uint8_t* canvas, int w, int h,
                                                         const std::uint8_t* window, int ww, int wh, int left,
                                                         int top);

}  // namespace vantor::fuzz
