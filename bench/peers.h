// The benchmark's peers: QPainter and cairo drawing a figure log the way a
// C++ program would draw the disc with them, aliased, on an image of the
// canvas's size in the library's fast format.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "surface/figures.h"

namespace vantor::bench {

class Peer {
 public:
  virtual ~Peer() = default;
  virtual const char* name() const = 0;
  // Draws the whole log on the peer's image, in canvas pixels.
  virtual void draw(const std::vector<Figure>& log) = 0;
};

// QImage::Format_RGB32, antialiasing off; pies as QPainterPath arcs in
// floating-point degrees, outlines with a cosmetic one-pixel pen.
std::unique_ptr<Peer> make_qpainter(int width, int height);
// An image surface (CAIRO_FORMAT_RGB24), CAIRO_ANTIALIAS_NONE, line width
// one; pies with cairo_arc_negative.
std::unique_ptr<Peer> make_cairo(int width, int height);

}  // namespace vantor::bench
