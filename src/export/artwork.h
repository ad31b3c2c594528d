// Artwork: one design's drawing as the files for manufacture see it.  It is
// the figure log of the drawing (surface/figures.h) made on the image
// window's canvas at the export's density, with the part of the canvas that
// the file covers and the unit that the file states.  Every export writer
// reads an Artwork and only writes; none of them knows a design.
//
// Conventions for the writers
//   - A figure's pixel fields (px1, py1, px2, py2, pr) are canvas pixels at
//     `dpi`, x to the right, y downward.  The file's origin is the region's
//     top-left corner; a point p lies at (p - region.left) / dpi inches
//     across and (p - region.top) / dpi inches down.
//   - Sizes are true: 1 inch of disc is 1 inch in the file, stated in the
//     design's unit (`unit`), inches or millimetres.
//   - Colour::Black is dark (opaque, emulsion, copper); Colour::White is
//     clear (open, where light passes).  Figures paint over each other in
//     the order given.
//   - Outlines and lines are one canvas pixel wide: a circle's outline lies
//     in the pixel just inside its radius, i.e. a stroke of width 1 pixel
//     centred on radius pr - 0.5; a line runs between the centres of the
//     pixels that hold its end points (the surface's Line rule); a PSet is
//     the square of its pixel.  At a density P the vector file therefore
//     matches the raster at P away from edges.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/messages.h"
#include "geometry/disc_geometry.h"
#include "request/disc_job.h"
#include "surface/figures.h"

namespace vantor {

struct Artwork {
  std::vector<Figure> figures;
  DiscGeometry geometry;  // the disc the figures draw, in `unit`
  double dpi = 96.0;
  int canvas_width = 0, canvas_height = 0;
  PixelRect region;  // the canvas pixels the file covers
  Unit unit = Unit::Inch;
  // The film options (ExportRequest), which every writer applies: mirror,
  // x mirrored about the region's middle (the file reads as the picture
  // seen from behind); negative, dark and clear exchanged over the whole
  // region.
  bool mirror = false, negative = false;
  // The edge compensation the figures include (micrometres), and the process
  // the design report checks against.
  double bias_um = 0;
  std::optional<Process> process{};
  // The figures draw an incremental design's sensor mask: its windows are
  // the tracks' slots.
  bool sensor_mask = false;

  // Canvas pixels to the file's unit, measured from the region's left or
  // top edge (lengths: `length`).
  double length(double pixels) const { return pixels / dpi * (unit == Unit::Millimetre ? kMillimetresPerInch : 1.0); }
  double x(double px) const { return length(px - region.left); }
  double y(double py) const { return length(py - region.top); }
  double width() const { return length(region.width); }
  double height() const { return length(region.height); }
};

// The drawing of the request (its design, polarity, density and crop) as
// Artwork.  A design that the window would refuse gives the window's message
// and no artwork, and so does a bias the disc cannot take (its refusal).  The figures are recorded on a one-pixel window of the
// canvas, so recording costs next to nothing but the calls.
struct ArtworkOutcome {
  Message message = Message::None;
  std::string refusal;  // the bias's (DiscRecording), with message None
  Artwork artwork;      // meaningful when message is None and refusal empty
};
ArtworkOutcome record_artwork(const ExportRequest& request);

}  // namespace vantor
