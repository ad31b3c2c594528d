// Aids for assembly, drawn on request over an export of a disc or a mask
// (ExportRequest::marks): a centre target of cross hairs and concentric
// rings round the rim (and, on request, inside the shaft hole), the outer
// cut line on the rim, a scale bar in the design's unit with ticks, and a
// title block naming the design's parameters and the resolution.
//
// All of them are at true size, whatever the design's scale and zoom, and
// lie outside the disc, except the cut line, which is the rim's own
// outline pixels, and the target in the shaft hole when asked for: the
// picture inside the disc is the same with and without them.  They are
// drawn in the colour that stands out from what they lie on (black on the
// white outside the disc and in the normal drawing's shaft hole, white in
// the inverse drawing's black hole), recorded as DiscPart::Aid.
#pragma once

#include <string>
#include <vector>

#include "geometry/disc_geometry.h"
#include "surface/surface.h"

namespace vantor {

struct ExportRequest;

// Where the aids go for a disc, in the geometry's unit, and the canvas
// pixels they cover.
struct AssemblyAids {
  bool drawn = false;  // false: the geometry holds no disc, nothing is drawn
  Unit unit = Unit::Inch;
  double cx = 0, cy = 0, rim = 0, shaft = 0;  // the disc, in the unit
  bool target_in_hole = false;
  bool dark = true;  // the hole is white: the target in it is black
  // The scale bar: its left end and baseline, its length, the tick step,
  // ticks upwards (every fifth longer, every tenth longest).
  double bar_left = 0, bar_y = 0, bar_length = 0, tick_step = 0, tick_height = 0;
  int ticks = 0;
  double text_height = 0, text_top = 0;  // the title block's lines, from text_top down
  std::vector<std::string> title;
  // The canvas pixels that the aids may cover: [left, right) x [top, bottom).
  double left_px = 0, top_px = 0, right_px = 0, bottom_px = 0;
};

// The aids of the request's drawing whose geometry is given (at the
// request's density).
AssemblyAids assembly_aids(const DiscGeometry& geometry, const ExportRequest& request);

// Draws them on a surface (a whole canvas or a window of one) after the
// drawing; the surface is left in the design's unit.
void draw_assembly_aids(const AssemblyAids& aids, Surface& surface);

}  // namespace vantor
