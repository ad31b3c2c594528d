// Inc_form's controls by name (common/control_fields.h).
#pragma once

#include <array>

#include "common/control_fields.h"
#include "incremental/incremental_design.h"

namespace vantor {

// What the controls of Inc_form hold that entries can change: the design
// that Draw reads, and the balance scroll bars.  Draw reads the balance from
// the boxes, not the bars, but where a bar stands decides whether leaving
// its box rewrites the box: the box takes the bar's value only when the bar
// moves.
struct IncFormValues {
  IncrementalDesign design = IncrementalDesign::defaults();
  std::array<int, 3> balance_bars{};  // balance1 ... balance3

  bool operator==(const IncFormValues&) const = default;
};

// Every control of Inc_form that holds a value, in the window's order: the
// option groups "Units", "Channel n Type" and "Channel n Edge Distance", the
// text boxes, the check boxes CHn_on, the balance scroll bars balance1 ...
// balance3 with their boxes bal_1scroll ... bal_3scroll, the display
// Zoom_txt, which shows the zoom slider ZoomCTRL, and the display zoom_diam;
// then the text boxes of the Sensor Mask dialog, Mask_angle and
// Mask_windows (incremental/sensor_mask.h), kept by design files from
// version 2.
const ControlTable<IncFormValues>& incremental_fields();

}  // namespace vantor
