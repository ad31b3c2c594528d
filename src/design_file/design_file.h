// Design files (.vantor): one design window's controls as the user left
// them, so that a window or vantor-render can take the design up again.
// The file is TOML, one value a line: the format's version, the kind of
// design, then every control of the window's field table
// (incremental_fields(), absolute_fields()) in the table's order:
//
//   version = 2
//   kind = "absolute"
//   ED = "2"                   a text box: its text exactly as typed
//   Units = "Unit_in"          an option group, by its group's name: the
//                              name of its selected button
//   abs_bal = -5               a scroll bar or slider: its position
//   CH1_on = true              (incremental) a check box: true or false
//
// Displays are not kept: each shows a position that is kept, or what Draw
// wrote.  A control that a version keeps first (ControlField::since_version,
// the Sensor Mask's Mask_angle and Mask_windows in version 2) may be left
// out of an older file and keeps its design-time value.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>

#include "request/request.h"

namespace vantor {

inline constexpr int kDesignFileVersion = 2;
inline constexpr std::string_view kDesignFileExtension = "vantor";  // without the dot
// A larger file is refused unread; every text box at its longest still fits.
inline constexpr std::size_t kMaxDesignFileBytes = std::size_t{4} << 20;

// True for a file name that ends in ".vantor", in any case.
bool is_design_file_name(std::string_view path);

// The file's text for the design of design.kind: its window's values, one
// line each.  design.inverse is not kept.
std::string design_text(const DiscRequest& design);

// Why a file holds no design this program can take: one sentence naming the
// file and, where there is one, the line and the key.
struct DesignFileError {
  std::string message;
};

// The design in a file's text: a freshly opened window of its kind, with the
// file's values entered as a user makes them (enter_controls, in the table's
// order: a balance box is validated as when the focus leaves it).  `name`
// names the file in messages.  Refused: text that is not TOML or not a
// design, a version newer than kDesignFileVersion, a key that names no
// control or names one twice, a control the file leaves out (one that its
// version keeps), a value of the
// wrong type or one that its control cannot hold (a position outside the
// bar's range, a text over kMaxTextLength characters).  A text may hold
// control characters, as a box into which they were pasted does.  inverse
// is false.
std::variant<DiscRequest, DesignFileError> parse_design(std::string_view text, std::string_view name);

// The design in the file at `path` (in the platform's encoding), as
// parse_design reads it; also refused: a file that cannot be read, an empty
// one and one larger than kMaxDesignFileBytes.
std::variant<DiscRequest, DesignFileError> read_design_file(const std::string& path, std::string_view name);

}  // namespace vantor
