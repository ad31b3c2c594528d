// The disc as an AutoCAD R12 ASCII DXF drawing of outlines, as photomask
// and laser shops take it: only closed, zero-width POLYLINEs (arcs as vertex
// bulges, full circles as two half-circle vertices), no hatching.
//
// The file holds the outlines of disc_outlines (geometry/disc_geometry.h),
// at true size in the design's unit ($INSUNITS and $MEASUREMENT state it),
// with the disc centre at (0, 0) and y up:
//   layer RIM    the disc's outer edge;
//   layer SHAFT  the shaft hole (absent when the shaft has no radius);
//   layer SLOTS  one outline per slot: an annular sector (outer arc
//                counter-clockwise, radial edge, inner arc back, radial
//                edge); a slot through angle 0 is one outline; a slot that
//                is the whole ring is its two circles.
// In the normal drawing the slots and the shaft hole are open (clear) and
// the disc between them is dark.  In the inverse drawing the same outlines
// bound the other areas: the disc inside RIM is open except the slots and
// the shaft hole, which are dark.  The negative exchanges dark and clear,
// outside RIM as well; the mirror negates x (and every bulge).  The file's
// leading comments say which areas are dark.  The centre mark inside the
// shaft hole is a drawing aid and is not written.
#pragma once

#include <string>

#include "export/artwork.h"

namespace vantor {

struct DxfOutcome {
  std::string file;     // the DXF text, when refusal is empty
  std::string refusal;  // one or two sentences for the user, else empty
};

// Refuses a disc whose open areas are not separate outlines: tracks that
// overlap or touch, a track that reaches into the shaft hole or to the rim,
// or a drawing that is not a disc of concentric tracks.
DxfOutcome dxf_file(const Artwork& artwork);

}  // namespace vantor
