// The sensor mask of an incremental design: the fixed plate that the disc
// turns under.  Each channel that is on gets a group of windows on its own
// track's ring; a window is as wide as one slot of the track at balance 0
// (half a cycle) and the windows of a group stand one cycle apart, centred
// on the mask angle.  Every track's windows stand at the same angles, so the
// quarter cycle by which the disc turns channel B against channel A is what
// puts the light through A's and B's windows in quadrature; an Index track
// has one window, lit once per turn.  The mask is drawn by the incremental
// renderer (IncDrawing::SensorMask), with the disc's radii, pitch and scale.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "incremental/incremental_design.h"

namespace vantor {

// Mask_windows at most: as many as a track may have slots.
inline constexpr int kMaxMaskWindows = 200000;

// Mask_angle as typed: degrees, any finite number; nullopt for a text that
// is no number.
std::optional<double> mask_angle_degrees(std::string_view text);
// Mask_windows as typed: a whole number from 1 to kMaxMaskWindows ("4",
// "4.0", "4e0"); nullopt otherwise.
std::optional<int> mask_window_count(std::string_view text);

// A window's arc, radians counter-clockwise on screen from 3 o'clock, from
// `start` to `end` (through 0 when start > end), each in (0, 2pi].
struct MaskArc {
  double start = 0, end = 0;
};

// The windows of one group: `count` arcs of `width` radians whose middles
// stand `cycle` radians apart, the group centred on `angle_degrees`
// (clockwise from 12 o'clock).  The order is counter-clockwise.
std::vector<MaskArc> mask_window_arcs(double angle_degrees, int count, double cycle, double width);

}  // namespace vantor
