// Where the first slot of a track starts.  Both renderers start a track's
// first slot a little past the angle 0, at -lead (a negative angle, so that
// the figure is a closed sector even when the track's phase is 0).  The
// lead is 0.001 rad; a slot no wider than the lead starts halfway in
// instead, since its start would lie at or past its end and the figure
// would run round the whole track and open it all.
#pragma once

namespace vantor {

inline constexpr double kFirstSlotLead = 0.001;

// slot: the slot's angular width in radians, balance included.  A slot of
// width 0 or less keeps the lead.
inline double first_slot_lead(double slot) { return slot > 0 && slot <= kFirstSlotLead ? slot / 2 : kFirstSlotLead; }

}  // namespace vantor
