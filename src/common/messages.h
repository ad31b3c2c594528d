// The texts of the designers' message boxes, exactly as the user sees them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantor {

inline constexpr std::string_view kAppTitle = "Vantor";

enum class Message {
  None,
  InvalidEntry,       // a field that does not convert, a division by zero, ...
  SlotsTooLong,       // the tracks need more room than the disc radius
  ResolutionTooHigh,  // the drawing would take longer than anyone waits
  AbsResolutionTooHigh,  // Res_exp on Abs_form above kMaxResolutionExp (18)
  // The sensor mask (incremental/sensor_mask.h):
  MaskEntryInvalid,      // Mask_angle not a number, Mask_windows not a whole number from 1
  MaskWindowsDoNotFit,   // more windows than cycles on a turn
  MaskWindowsOverlap,    // the rings of two channels that are on overlap
};

inline constexpr std::string_view message_text(Message m) {
  switch (m) {
    case Message::InvalidEntry:
      return "Invalid Parameter Entry.  Either improper slot/distances specified or a non-numeric "
             "value is entered.";
    case Message::SlotsTooLong:
      return "Slot Lengths extend past the radius of the encoder";
    case Message::ResolutionTooHigh:
      return "The resolution is too high to draw.  Res. may be at most 200000 slots per track.";
    case Message::AbsResolutionTooHigh:
      return "The resolution is too high to draw.  Res. may be at most 18 (262144 positions per "
             "turn).";
    case Message::MaskEntryInvalid:
      return "Invalid Sensor Mask entry.  The mask angle is a number of degrees and the number of windows a "
             "whole number from 1.";
    case Message::MaskWindowsDoNotFit:
      return "Too many mask windows.  The windows of a track stand one cycle apart, so at most Res. of them "
             "fit on a turn.";
    case Message::MaskWindowsOverlap:
      return "The mask windows of two channels overlap: their tracks share a ring.  Give the tracks edge "
             "distances that keep them apart.";
    case Message::None:
      break;
  }
  return {};
}

// How a drawing ended: the message its window shows (None when the drawing
// is complete) and, for the incremental "Draw", the text for zoom_diam once
// the drawing got as far as writing it.
struct DrawOutcome {
  Message message = Message::None;
  std::optional<std::string> zoom_diam;
};

enum class Unit { Inch, Millimetre };

}  // namespace vantor
