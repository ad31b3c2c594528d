// Gerber X2 (RS-274X) writer of an Artwork: the photoplot of the disc.
//
// The file states %FSLAX46Y46*% (six decimals: 1 nm in millimetres, 1 uin
// in inches) and %MOMM*% or %MOIN*% after the artwork's unit.  Its origin is
// the region's bottom-left corner, y upward, so that the plot is the picture
// as seen on screen, not mirrored: a canvas point (px, py) lies at
// x = artwork.x(px), y = artwork.height() - artwork.y(py).  Angles, which the
// figures count counter-clockwise on screen from 3 o'clock, stay
// counter-clockwise in that frame (G03).
//
// Black is dark (%LPD*%), White clear (%LPC*%), figures in painter's order;
// the polarity is stated only when it changes.  Fills are regions (G36/G37)
// bounded by straight segments and arcs; one-pixel outlines and lines are
// strokes of a circular aperture one canvas pixel wide, a PSet is the flash
// of a square aperture of one pixel.  Arc end points are computed from the
// centre and radius in double and rounded to the format's resolution, the
// centre offset taken from the rounded points; with the centre rounded too,
// start and end lie at the same distance from it within 2 sqrt(2) units of
// the last digit.
//
// Only what lies in the region is plotted: figures that miss the region are
// left out, and when anything drawn reaches outside it, clear rectangles
// around the region close the file.
#pragma once

#include <string>

#include "export/artwork.h"

namespace vantor {

// The complete file, ending with M02*.
std::string gerber_file(const Artwork& art);

}  // namespace vantor
