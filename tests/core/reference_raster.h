// A slow, per-pixel rasteriser that applies the pixel rules of surface.h
// literally: every operation tests every pixel of the raster.  The tests
// compare the surface against it.
#pragma once

#include <cstdint>
#include <vector>

#include "surface/surface.h"

namespace vantor::test {

class ReferenceRaster {
 public:
  // A white raster; u is pixels per unit.
  ReferenceRaster(int width, int height, double pixels_per_unit);

  void set_fill(FillStyle style, Colour colour) {
    fill_style_ = style;
    fill_colour_ = colour;
  }

  void cls();
  bool circle(float x, float y, float r, Colour c);
  bool circle(float x, float y, float r, Colour c, float a1, float a2);
  bool line(float x1, float y1, float x2, float y2, Colour c);
  void pset(float x, float y, Colour c);

  int width() const { return width_; }
  int height() const { return height_; }
  const std::vector<std::uint8_t>& pixels() const { return pixels_; }
  Colour pixel(int i, int j) const { return static_cast<Colour>(pixels_[static_cast<std::size_t>(j) * width_ + i]); }

 private:
  template <class Covered>
  void paint(Colour c, Covered covered);
  void pixel_line(double x1, double y1, double x2, double y2, Colour c);

  int width_;
  int height_;
  double u_;
  std::vector<std::uint8_t> pixels_;
  FillStyle fill_style_ = FillStyle::Transparent;
  Colour fill_colour_ = Colour::Black;
};

}  // namespace vantor::test
