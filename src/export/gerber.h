// Gerber X2 (RS-274X) writer of an Artwork: the photoplot of the disc.
//
// The file states %FSLAX46Y46*% (six decimals: 1 nm in millimetres, 1 uin
// in inches) and %MOMM*% or %MOIN*% after the artwork's unit.  Its origin is
// the region's bottom-left corner, y upward, so that the plot is the picture
// as seen on screen: a canvas point (px, py) lies at x = artwork.x(px),
// y = artwork.height() - artwork.y(py).  Angles, which the figures count
// counter-clockwise on screen from 3 o'clock, stay counter-clockwise in that
// frame (G03; G02 clockwise).  Mirrored (artwork.mirror), x runs from the
// region's right edge, x = artwork.width() - artwork.x(px), and every arc's
// sense is exchanged.
//
// Black is dark (%LPD*%), White clear (%LPC*%); the polarity is stated only
// when it changes.  The negative (artwork.negative) starts with a dark
// region over the whole region and exchanges dark and clear after it.
//
// A disc with separate outlines (disc_outlines, geometry/disc_geometry.h)
// is one dark region, and the shaft hole and each slot are clear regions
// over it, each one contour: a slot's outer arc counter-clockwise, a radial
// segment, its inner arc clockwise (G02), a radial segment back.  In the
// inverse drawing the shaft hole and the slots are dark regions and the rim
// a one-pixel stroke.  The centre mark and the aids for assembly follow as
// drawn.  Any other drawing
// is written figure by figure in painter's order.
//
// Fills are regions (G36/G37) bounded by straight segments and arcs; one-
// pixel outlines and lines are strokes of a circular aperture one canvas
// pixel wide, a PSet is the flash of a square aperture of one pixel.  Arc
// end points are computed from the centre and radius in double and rounded
// to the format's resolution, the centre offset taken from the rounded
// points; with the centre rounded too, start and end lie at the same
// distance from it within 2 sqrt(2) units of the last digit.
//
// Only what lies in the region is plotted: figures that miss the region are
// left out, and when anything drawn reaches outside it, clear rectangles
// around the region close the file (clear in the negative too).
#pragma once

#include <string>

#include "export/artwork.h"

namespace vantor {

// The complete file, ending with M02*.
std::string gerber_file(const Artwork& art);

}  // namespace vantor
