// Pinholes: pixels inside a filled figure's outline that the figure does
// not cover, so that they keep the colour they had before it.  The figure's
// pixels (fill, outline and radii together) are a wall, and a pixel it does
// not cover is a pinhole when
//   - no 4-connected path of uncovered pixels joins it to the outside
//     (a one-pixel outline drawn with 8-connected lines stops every
//     4-connected path, so this is what the eye sees as enclosed), or
//   - the figure covers both its neighbours in its row, or both in its
//     column: a gap one pixel wide in the figure, such as a nick between a
//     radius's last pixel and the fill, open only to one side.
// The figure is drawn by the surface under test; the identity tests hold its
// pixels to the reference.
#pragma once

#include <ostream>
#include <vector>

#include "surface/figures.h"
#include "surface/surface.h"

namespace vantor::test {

struct CanvasPixel {
  int i, j;
  bool operator==(const CanvasPixel&) const = default;
  friend void PrintTo(const CanvasPixel& p, std::ostream* os) { *os << "(" << p.i << ", " << p.j << ")"; }
};

// The pinholes of one figure on a canvas (canvas_width x canvas_height at
// pixels_per_inch), row by row; none for a figure without a fill.  Only the
// figure's bounding box, widened by two pixels and clipped to the canvas, is
// searched: the canvas's border counts as outside.
std::vector<CanvasPixel> figure_pinholes(const Figure& figure, int canvas_width, int canvas_height,
                                         double pixels_per_inch);

// The pinholes of a whole drawing: pinholes of a filled figure of the log
// that no later figure covers and whose colour in `drawing` (the log drawn
// on the whole canvas) is not that figure's fill colour, each pixel once, in
// order of rows.
std::vector<CanvasPixel> drawing_pinholes(const std::vector<Figure>& log, const Surface& drawing);

}  // namespace vantor::test
