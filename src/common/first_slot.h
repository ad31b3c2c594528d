// Where the first slot of a track starts.  Both renderers start a track's
// first slot a little past the angle 0, at -lead (a negative angle, so that
// the figure is a closed sector even when the track's phase is 0).  The
// lead is 0.001 rad; a slot narrower than twice that starts halfway in, so
// that its start never lies at or past its end, which would make the
// figure run round the whole track and open it all.
#pragma once

namespace vantor {

// slot: the slot's angular width in radians, balance included.  A slot of
// width 0 or less keeps the lead of 0.001.
inline double first_slot_lead(double slot) { return slot > 0 && slot < 0.002 ? slot / 2 : 0.001; }

}  // namespace vantor
