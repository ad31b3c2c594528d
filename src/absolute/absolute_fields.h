// Abs_form's controls by name (common/control_fields.h).
#pragma once

#include "absolute/absolute_design.h"
#include "common/control_fields.h"

namespace vantor {

// Every control of Abs_form that holds a value, in the window's order: the
// text boxes, the option groups "Units", "Absolute Type" and "Edge
// Distance", the balance scroll bar abs_bal and its echo abs_bal_txt, which
// Draw ignores and which is therefore no input.
const ControlTable<AbsoluteEntries>& absolute_fields();

}  // namespace vantor
