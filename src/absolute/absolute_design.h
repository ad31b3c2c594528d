// The absolute design: the window's entries as typed, and the record that
// the renderer draws, built from them by converting every field up front.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "common/messages.h"

namespace vantor {

enum class AbsEdgeMode { Default, User, Auto };
// Grey: every track turned by half its sector, so each code is met twice a
// turn; GrayFull: the reflected binary Gray code over the whole turn, each
// code once.
enum class CodeType { Grey, Binary, GrayFull };

// The largest resolution_exp that is drawn.  A disc takes 2^N - 1 sector
// calls, so every further bit doubles the time of a drawing: on the screen
// picture 18 bits take about half a second for a 2 in disc and about one
// second for a disc that fills the picture.  A larger value is refused with
// Message::AbsResolutionTooHigh, whose text names this limit.
inline constexpr double kMaxResolutionExp = 18.0;

// What the user typed into Abs_form, with its option choices.
struct AbsoluteEntries {
  Unit unit = Unit::Inch;
  std::string resolution_exp = "6";  // Res_exp
  std::string scale_num = "1";       // S1
  std::string scale_den = "1";       // S2
  std::string encoder_diameter = "2";   // ED
  std::string shaft_diameter = "0.1875";  // DD
  std::string slot_length = "0.06125";  // SL_in
  AbsEdgeMode edge_mode = AbsEdgeMode::Auto;
  std::string edge_distance = "0.125";  // CH1_ED, read only in User mode
  CodeType code_type = CodeType::Grey;
  std::int16_t balance = 0;  // the scroll bar abs_bal, never its text box

  bool operator==(const AbsoluteEntries&) const = default;
};

// The numbers of one drawing.  Lengths are in `unit`, before scaling by
// scale_num / scale_den.
struct AbsoluteDesign {
  Unit unit = Unit::Inch;
  double resolution_exp = 6;  // N, the number of tracks; not rounded
  double scale_num = 1;
  double scale_den = 1;
  double encoder_diameter = 2;
  double shaft_diameter = 0.1875;
  double slot_length = 0.06125;  // replaced by the computed one in Auto mode
  AbsEdgeMode edge_mode = AbsEdgeMode::Auto;
  double edge_distance = 0.125;  // used only in User mode
  CodeType code_type = CodeType::Grey;
  std::int16_t balance = 0;  // +-kBalanceLimit, 90ths of a sector added to each slot's end
};

// The scaled radii of a design, in `unit`, double precision.
//   slot_length        SL, the radial length of every slot and of every gap
//                      between tracks (computed in Auto mode)
//   outer_radius       R, the rim
//   shaft_radius       Rs
//   first_track_outer  E of the outermost track; track n (0 = outermost)
//                      lies between first_track_outer - 2 n SL and that
//                      less SL.
// Radii may come out negative (the tracks do not fit); nothing is checked.
struct AbsoluteGeometry {
  double scale;
  double slot_length;
  double outer_radius;
  double shaft_radius;
  double first_track_outer;
};
AbsoluteGeometry absolute_geometry(const AbsoluteDesign& design);

// Converts the entries, checked in this order: a field that does not
// convert (CH1_ED only in User mode), S2 equal to 0 or Res_exp equal to 0 in
// Auto mode gives Message::InvalidEntry; a resolution_exp above
// kMaxResolutionExp gives Message::AbsResolutionTooHigh; a radius or length
// of the drawing that is not finite in single precision gives
// Message::InvalidEntry.  Zero, negative and fractional resolutions are
// accepted as typed.
std::variant<AbsoluteDesign, Message> build_absolute_design(const AbsoluteEntries& entries);

}  // namespace vantor
