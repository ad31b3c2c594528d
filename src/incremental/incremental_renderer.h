// Draws an incremental code disc on a surface, reading and converting each
// field of the design at the step that needs it.  What was drawn before a
// failure stays on the surface.
#pragma once

#include <optional>
#include <string>

#include "common/messages.h"
#include "incremental/incremental_design.h"
#include "surface/surface.h"

namespace vantor {

// Normal: black disc material, white slots, drawn at the zoom.
// Inverse: the negative, always at 100 %, and zoom_diam is not written.
enum class Polarity { Normal, Inverse };

// The most slots a track may have.  A larger resolution is refused with
// Message::ResolutionTooHigh at the step that converts it (the black disc is
// then on the surface, as for any failure of that step).
inline constexpr double kMaxSlotsPerTrack = 200000.0;

struct IncrementalOutcome {
  // The text for zoom_diam, when the drawing got as far as writing it.
  std::optional<std::string> zoom_diam;
  Message message = Message::None;
};

IncrementalOutcome render_incremental(const IncrementalDesign& design, Polarity polarity,
                                      Surface& surface);

}  // namespace vantor
