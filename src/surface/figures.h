// The figure log: the calls a Surface accepted, in order, each with its
// arguments as called (in the unit in force) and in canvas pixels, and the
// drawing state it was drawn with.  It is the one description of a drawing
// that does not depend on a raster: a log replayed on a surface of the same
// canvas size and density gives the same pixels, and a writer for another
// medium (a vector file, another rasteriser) reads the same records.
#pragma once

#include <cstdint>
#include <vector>

#include "surface/surface.h"

namespace vantor {

enum class FigureKind : std::uint8_t {
  Cls,     // the whole canvas in the background colour
  Circle,  // a full circle: fill (when fill_style is Solid), then outline
  Arc,     // an arc or sector: fill, outline on the arc, then the radii
  Line,
  PSet,
};

struct Figure {
  FigureKind kind = FigureKind::Cls;

  // The unit the call was made in, and u, pixels per unit.
  ScaleMode unit = ScaleMode::Twip;
  double pixels_per_unit = 1.0;

  // As called, in the unit.  Circle and Arc: centre (x1, y1), radius r.
  // Arc: the angles a1, a2 as given (radians; a negative angle closes the
  // figure with a radius).  Line: from (x1, y1) to (x2, y2).  PSet: (x1, y1).
  float x1 = 0, y1 = 0, x2 = 0, y2 = 0, r = 0, a1 = 0, a2 = 0;

  // The same in canvas pixels, double(value) * u: centre or first point
  // (px1, py1), second point (px2, py2), radius pr.
  double px1 = 0, py1 = 0, px2 = 0, py2 = 0, pr = 0;

  // Arc: the arc's start and end in [0, 2pi] as the surface reads a1 and a2
  // (magnitudes, a full turn within kFullTurnSlack taken as 2pi, a start of
  // 2pi as 0); counter-clockwise on screen from 3 o'clock, through 0 when
  // start > end.
  double start = 0, end = 0;

  // Outline colour for Circle and Arc, the colour of a Line or PSet.
  Colour colour = Colour::Black;
  // The fill in force at the call.
  FillStyle fill_style = FillStyle::Transparent;
  Colour fill_colour = Colour::Black;

  // What the figure is part of, as the renderer said (Surface::set_part).
  FigurePart part;

  // Whether the figure has a fill: a Circle with FillStyle Solid, an Arc
  // with both angles negative and FillStyle Solid.
  bool filled() const {
    if (kind == FigureKind::Circle) return fill_style == FillStyle::Solid;
    return kind == FigureKind::Arc && a1 < 0.0f && a2 < 0.0f && fill_style == FillStyle::Solid;
  }
  // Arc: whether the radius at the start (a1) or the end (a2) is drawn.
  bool start_radius() const { return kind == FigureKind::Arc && a1 < 0.0f; }
  bool end_radius() const { return kind == FigureKind::Arc && a2 < 0.0f; }
};

// Issues the log's calls on the surface, each in its own unit, with its own
// fill state and its part (a recording of the replay is the log again).
// The surface is left in the state of the last figure.
void replay(const std::vector<Figure>& log, Surface& surface);

// The canvas rows where a figure's pixels may be seen, top and bottom
// inclusive, widened by a few pixels for the rounding of the rasterisers: a
// cls's are all rows; an arc that a later filled disc of its centre covers
// (a track's slot, and the track's mask) has only the rows of its pixels
// outside that disc.  A figure outside the canvas's rows may get rows
// beyond it.
struct FigureRows {
  int top = 0, bottom = 0;
};
std::vector<FigureRows> figure_rows(const std::vector<Figure>& log);

// Issues those of the log's calls whose rows (`rows`, figure_rows of the
// log) meet the surface's window: the window gets the pixels of replaying
// the whole log, for a fraction of the calls when it is a band of a large
// canvas.  The surface is left in the state of the last call issued.
void replay(const std::vector<Figure>& log, const std::vector<FigureRows>& rows, Surface& surface);

}  // namespace vantor
