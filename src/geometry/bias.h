// Edge compensation: a drawing's figure log with every edge of its slots
// and of its shaft hole moved outward by a signed bias, so that a process
// that moves edges (a kerf, undercut, toner spread) makes the disc as
// designed.  A slot's outer radius grows by the bias and its track's mask
// shrinks by it; its sides turn about the centre by bias / (the track's
// middle radius), so they move by exactly the bias there and the slot
// stays a sector of its ring.  The shaft hole's radius grows by the bias
// and the centre mark inside it is scaled with it.  The rim stays.
//
// The changed calls are replayed, so the log is one a renderer could have
// made: the raster bands, the vector writers and the geometry all read it.
#pragma once

#include <string>
#include <vector>

#include "geometry/disc_geometry.h"
#include "surface/figures.h"
#include "surface/surface.h"

namespace vantor {

struct BiasOutcome {
  // Not empty: the bias would close a slot or the shaft hole, or join
  // slots, tracks, the rim or the shaft hole, and `figures` is empty.  One
  // sentence naming the track as the design report counts it: "A bias of
  // 1000.0 µm joins the slots of track 2 (counted from the rim) to those of
  // track 1."
  std::string refusal;
  std::vector<Figure> figures;
};

// `log` is a drawing and `disc` its geometry (disc_geometry of the log at
// the probe's density, in `unit`); `bias_um` is micrometres, positive
// outward.  The figures are replayed on `probe`, a surface of the drawing's
// canvas and density (a one-pixel window of it costs nothing), which is
// drawn on.  A bias of 0 gives the log as it is; a drawing that is not an
// analysed disc takes no other bias.
BiasOutcome apply_bias(const std::vector<Figure>& log, const DiscGeometry& disc, double bias_um, Unit unit,
                       Surface& probe);

// "+50.00 µm", "-12.50 µm": a bias as the report and the refusals write it.
std::string bias_text(double bias_um);

}  // namespace vantor
