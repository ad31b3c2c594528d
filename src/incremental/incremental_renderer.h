// Draws an incremental code disc on a surface, reading and converting each
// field of the design at the step that needs it.  What was drawn before a
// failure stays on the surface.
#pragma once

#include "common/messages.h"
#include "incremental/incremental_design.h"
#include "surface/surface.h"

namespace vantor {

// Normal: black disc material, white slots, every length times zoom / 100.
// Inverse: the negative (black slots, white disc with a thin black rim,
// black shaft hole), always at 100 %; zoom_diam is not written.
enum class Polarity { Normal, Inverse };

// The most slots a track may have: a resolution whose slot loop would draw
// more (any N above 200000.5) is refused with Message::ResolutionTooHigh at
// the step that converts it, over the disc already drawn, when a channel
// that is on and not an Index would draw its slots.  Fractional, zero and
// negative resolutions are not refused here.
inline constexpr double kMaxSlotsPerTrack = 200000.0;

// What the drawing is: the disc, or its sensor mask (sensor_mask.h).  The
// mask is drawn by the same steps, on the same radii and at the same scale
// and zoom; only the slots are the mask's windows.  Its figures carry the
// disc's parts (the windows are a track's Slot figures), so every reader
// of a disc's figures reads a mask as a disc.
enum class IncDrawing { Disc, SensorMask };

// Draws the disc centred on the surface, in the design's unit (the
// surface's unit is set first), from the rim inwards.  Angles are radians,
// counter-clockwise on screen from 3 o'clock.  The first failure ends the
// drawing and leaves on the surface what the steps before it drew:
//   - a field that does not convert, S2 or RES equal to 0, a result that
//     is not finite or does not fit in single precision, or a figure the
//     surface refuses: Message::InvalidEntry;
//   - a track's inner edge below the centre: Message::SlotsTooLong, over
//     the disc;
//   - too many slots: Message::ResolutionTooHigh, over the disc;
//   - the mask only, after the pitch and the balances, over the disc:
//     Message::MaskEntryInvalid for a Mask_angle that is no number or a
//     Mask_windows that is no whole number from 1, MaskWindowsDoNotFit
//     when a channel that is on and not an Index would have more windows
//     than RES (the cycles on a turn), MaskWindowsOverlap when the rings of
//     two channels that are on overlap (touching is allowed).
// A failure before the surface is cleared (S1, S2, slot lengths, diameters)
// leaves the previous image.  zoom_diam is set once the diameters are
// known, before the surface is cleared.  Every figure is recorded with
// the part of the disc it draws (Surface::set_part).
DrawOutcome render_incremental(const IncrementalDesign& design, Polarity polarity, Surface& surface,
                               IncDrawing drawing = IncDrawing::Disc);

}  // namespace vantor
