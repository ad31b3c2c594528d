// The absolute design: the window's entries as typed, and the record that
// the renderer draws, built from them by converting every field up front.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "common/messages.h"

namespace vantor {

enum class AbsEdgeMode { Default, User, Auto };
enum class CodeType { Grey, Binary };

// The most tracks the window draws.  2^N - 1 sectors are drawn, so every
// further bit doubles the time; a larger resolution_exp is refused with
// Message::ResolutionTooHigh.
inline constexpr double kMaxResolutionExp = 20.0;

// What the user typed into Abs_form, with its option choices.
struct AbsoluteEntries {
  Unit unit = Unit::Inch;
  std::string resolution_exp = "6";  // Res_exp
  std::string scale_num = "1";       // S1
  std::string scale_den = "1";       // S2
  std::string encoder_diameter = "2";
  std::string shaft_diameter = "0.1875";
  std::string slot_length = "0.06125";  // SL_in
  AbsEdgeMode edge_mode = AbsEdgeMode::Auto;
  std::string edge_distance = "0.125";  // CH1_ED, read only in User mode
  CodeType code_type = CodeType::Grey;
  std::int16_t balance = 0;  // the scroll bar abs_bal, never its text box
};

struct AbsoluteDesign {
  Unit unit = Unit::Inch;
  double resolution_exp = 6;  // not rounded
  double scale_num = 1;
  double scale_den = 1;
  double encoder_diameter = 2;
  double shaft_diameter = 0.1875;
  double slot_length = 0.06125;
  AbsEdgeMode edge_mode = AbsEdgeMode::Auto;
  double edge_distance = 0.125;
  CodeType code_type = CodeType::Grey;
  std::int16_t balance = 0;
};

// Converts the entries.  A field that does not convert, S2 equal to 0,
// Res_exp equal to 0 in Auto mode, or a derived length that is not finite
// gives Message::InvalidEntry; a resolution_exp above kMaxResolutionExp gives
// Message::ResolutionTooHigh.
std::variant<AbsoluteDesign, Message> build_absolute_design(const AbsoluteEntries& entries);

}  // namespace vantor
