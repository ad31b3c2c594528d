// The disc of an Artwork as concentric rings: the rim, the shaft hole and the
// tracks of slots, read from the figure log as the two renderers draw it.
//
// The shape that is read (every circle and arc on one centre):
//   Cls; the disc, a filled Circle in the disc colour D (Black in the normal
//   drawing, White in the inverse one); then per track a group of filled
//   Arc sectors on one circle in the other colour, followed by a filled
//   Circle in D (the mask) that covers the sectors inside the track's inner
//   edge; a mask with no sectors before it (a channel that is off) only
//   paints D; then the shaft hole, the first
//   filled Circle not in D; after it only the centre mark (lines and circles
//   inside the shaft hole).  Any other log is not analysed: `problem` says
//   why, and nothing else is meaningful.
//
// The picture is read as the painter leaves it: a mask covers everything
// inside its radius, so a later mask can narrow (or remove) an earlier track;
// tracks left without an open area are dropped.  Edges drawn as one-pixel
// outlines (the black rim and shaft outlines of the drawing) are not part of
// the geometry: the radii are the figures' own.
#pragma once

#include <string>
#include <vector>

#include "export/artwork.h"

namespace vantor {

// An interval of angle on a track, radians, counter-clockwise on screen (and
// in a y-up frame) from 3 o'clock, both ends inclusive, each in [0, 2pi].
// start > end: the interval runs through angle 0.  start 0 with end 2pi: the
// whole circle.
struct AngleInterval {
  double start = 0, end = 0;
  double sweep() const;  // in (0, 2pi]
  bool full_turn() const;
};

struct DiscTrack {
  // The ring in the artwork's unit, 0 <= inner < outer: sectors open in
  // inner < r <= outer.
  double inner = 0, outer = 0;
  // The track's slots: the union of its sectors as disjoint intervals, by
  // increasing start (one that runs through 0 last), never empty.
  std::vector<AngleInterval> slot_arcs;
  // true: the slots are White (clear) on a Black disc, the normal drawing;
  // false: Black slots on a White disc (the inverse drawing).
  bool slots_open = true;
};

struct DiscTracks {
  std::string problem;  // empty when the log has the shape above

  // In the artwork's unit; the centre in the artwork's frame (from the
  // region's top-left corner, y downward).
  double centre_x = 0, centre_y = 0;
  double rim_radius = 0;
  double shaft_radius = 0;  // 0 when there is no shaft hole
  bool inverse = false;     // the disc is White (open) with dark slots

  // From the rim inwards, in drawing order (track 1 is tracks[0]).
  std::vector<DiscTrack> tracks;

  // Tracks whose rings [inner, outer] meet (overlap or touch) in the final
  // picture, as pairs (earlier, later) of indices into `tracks`.
  std::vector<std::pair<int, int>> overlaps;
  // Indices of tracks that reach into or touch the shaft hole (inner <=
  // shaft_radius, with a shaft hole), and of tracks that reach the rim or
  // beyond (outer >= rim_radius): their slots run into the hole or off the
  // disc.
  std::vector<int> into_shaft;
  std::vector<int> beyond_rim;

  bool analysed() const { return problem.empty(); }
};

DiscTracks disc_tracks(const Artwork& artwork);

}  // namespace vantor
