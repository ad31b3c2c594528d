// Draws an absolute (Binary, Grey or full-turn Gray code) disc on a surface, centred on it,
// at true size in the design's unit times the scale ratio.  From the
// outside in: a black disc of the encoder diameter; one ring of white slots
// per track, the outermost (least significant bit, 2^(N-1) slots) first, the
// innermost (most significant bit, one slot of half a turn) last; the white
// shaft hole outlined in black; a black centre cross with arms of a quarter
// of the hole's radius.
//
// Angles run counter-clockwise from 3 o'clock.  Slot j (even) of track i
// covers j..j+1 sectors of pi / 2^i each, lengthened at its counter-
// clockwise end by balance / 90 of a sector; Grey turns every track by half
// a sector.  GrayFull draws track i >= 1 as Grey draws track i - 1 (sectors
// of pi / 2^(i-1), turned by half a sector), so that step k of 2 pi / 2^N
// reads k ^ (k >> 1), and its innermost track (i = 0) as one slot over the
// second half-turn.  The first slot of every track starts 0.001 rad late.
//
// All geometry is double precision; every coordinate, radius and angle is
// rounded to single precision only as it is handed to the surface.  Radii
// below zero draw nothing.  The renderer leaves the surface in the unit of
// the design, FillColor black, FillStyle Solid, DrawWidth 1.
#pragma once

#include "absolute/absolute_design.h"
#include "surface/surface.h"

namespace vantor {

// The renderer's own ceiling, far above the window's kMaxResolutionExp
// (which build_absolute_design applies): a resolution_exp above it, where
// the 2^N - 1 sector calls would take hours (2^40 of them for a typed 40),
// draws nothing.
inline constexpr double kMaxDrawableResolutionExp = 24.0;

// Draws the design; Message::InvalidEntry when the surface refused a figure
// (a length beyond single precision, which build_absolute_design does not
// let through), the drawing then stopping where it was.  A resolution_exp
// above kMaxDrawableResolutionExp draws nothing and gives
// Message::InvalidEntry.  Every figure is recorded with the part of the disc
// it draws (Surface::set_part).
DrawOutcome render_absolute(const AbsoluteDesign& design, Surface& surface);

}  // namespace vantor
