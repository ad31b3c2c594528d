// Draws an absolute (Binary or Grey code) disc on a surface.  The design has
// been checked by build_absolute_design; radii below zero draw nothing.
#pragma once

#include "absolute/absolute_design.h"
#include "surface/surface.h"

namespace vantor {

// Returns false only when the surface refused a figure (which a checked
// design does not produce).
bool render_absolute(const AbsoluteDesign& design, Surface& surface);

}  // namespace vantor
