// The disc of a drawing as concentric rings: the rim, the shaft hole and the
// tracks of slots, read from the figure log by what each figure is
// (FigurePart, which the renderers record with every figure).  It is the
// one description of where the rings and slots lie; the crop, the vector
// writers and the design report read it.
//
// The picture is read as the painter leaves it: a track's mask covers
// everything inside its radius, so a later mask can narrow (or remove) an
// earlier track; tracks left without an open area are dropped.  Edges drawn
// as one-pixel outlines (the black rim and shaft outlines of the drawing)
// are not part of the geometry: the radii are the figures' own.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "common/messages.h"
#include "surface/figures.h"

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
  // The ring in the unit, 0 <= inner < outer: sectors open in inner < r <=
  // outer.
  double inner = 0, outer = 0;
  // The track's slots: the union of its sectors as disjoint intervals, by
  // increasing start (one that runs through 0 last), never empty.
  std::vector<AngleInterval> slot_arcs;
  // true: the slots are White (clear) on a Black disc, the normal drawing;
  // false: Black slots on a White disc (the inverse drawing).
  bool slots_open = true;

  // The angles (radians) of the narrowest slot and of the narrowest bar
  // between two slots; 2pi for a track whose one slot is the whole ring
  // (and so has no bar).
  struct Narrowest {
    double slot, bar;
  };
  Narrowest narrowest() const;
  // The angle of the bar from slot k's end to the next slot's start, in
  // (0, 2pi]; k < slot_arcs.size(), and slot k is not the whole ring.
  double bar_after(std::size_t k) const;
};

struct DiscGeometry {
  // The disc's figure in canvas pixels, as drawn (a radius may be negative);
  // has_disc is false when the log holds no disc.  Set even when the disc
  // is not analysed.
  bool has_disc = false;
  double centre_px = 0, centre_py = 0, rim_px = 0;

  // Empty when the disc is analysed; else why not, and nothing below is set.
  std::string problem = "the drawing is empty";

  // In the unit of the geometry.
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

// The geometry of a drawing's figure log made at `dpi` canvas pixels per
// inch, with lengths in `unit`.  Not analysed (problem set): a log without
// a filled disc, a disc without area, a centre mark outside the shaft hole.
DiscGeometry disc_geometry(const std::vector<Figure>& log, double dpi, Unit unit);

// An arc about the disc centre, in the unit of the geometry: from angle
// `start` (radians, counter-clockwise from 3 o'clock, y up) over `sweep`
// (positive counter-clockwise, negative clockwise, at most a full turn each
// way).  Radius 0 is the centre itself.
struct OutlineArc {
  double radius = 0, start = 0, sweep = 0;
  double end() const { return start + sweep; }
};

// A closed outline: its arcs in order, each joined to the next, and the
// last to the first, by a straight edge (none where the ends meet).  Every
// outline is counter-clockwise as a whole: filled with the even-odd rule, an
// outline inside another is a hole in it.
struct DiscOutline {
  DiscPart part = DiscPart::Disc;  // Disc (the rim), ShaftHole or Slot
  int track = -1;                  // Slot: its index into DiscGeometry::tracks
  std::vector<OutlineArc> arcs;
};

// The disc as it is made: the rim, the shaft hole and every slot, each one
// closed outline, none crossing another.  A slot is an annular sector: its
// outer arc counter-clockwise, a radial edge, its inner arc clockwise back,
// a radial edge (a slot through angle 0 is one outline; a track without
// inner radius gives sectors from the centre).  A slot that is the whole
// ring is its outer circle counter-clockwise and its inner circle
// clockwise, joined by an edge there and back along angle 0.
struct DiscOutlines {
  // Empty when the outlines describe the drawing; else why they do not,
  // and `outlines` is empty.
  std::string problem;
  std::vector<DiscOutline> outlines;  // the rim, the shaft hole (if any), the slots track by track
  bool separate() const { return problem.empty(); }
};

// The outlines of an analysed geometry whose tracks neither meet each other
// nor reach into the shaft hole or to the rim.  The one-pixel outlines that
// the picture draws on the rim and inside the shaft hole are not part of
// them: the radii are the figures' own.
DiscOutlines disc_outlines(const DiscGeometry& disc);

}  // namespace vantor
