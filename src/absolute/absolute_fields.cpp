#include "absolute/absolute_fields.h"

#include <string>

namespace vantor {

namespace {

using Field = ControlField<AbsoluteEntries>;

Field text_box(std::string name, std::string AbsoluteEntries::*member) {
  return {.name = std::move(name),
          .kind = ControlKind::TextBox,
          .text = [member](AbsoluteEntries& e) -> std::string& { return e.*member; }};
}

template <class Enum>
Field option(std::string name, std::string group, Enum AbsoluteEntries::*member, Enum value) {
  return {.name = std::move(name),
          .kind = ControlKind::Option,
          .group = std::move(group),
          .selected = [member, value](const AbsoluteEntries& e) { return e.*member == value; },
          .select = [member, value](AbsoluteEntries& e) { e.*member = value; }};
}

ControlTable<AbsoluteEntries> make_table() {
  ControlTable<AbsoluteEntries> t;
  t.push_back(text_box("ED", &AbsoluteEntries::encoder_diameter));
  t.push_back(text_box("DD", &AbsoluteEntries::shaft_diameter));
  t.push_back(text_box("Res_exp", &AbsoluteEntries::resolution_exp));
  t.push_back(text_box("S1", &AbsoluteEntries::scale_num));
  t.push_back(text_box("S2", &AbsoluteEntries::scale_den));
  t.push_back(option("Unit_in", "Units", &AbsoluteEntries::unit, Unit::Inch));
  t.push_back(option("Unit_mm", "Units", &AbsoluteEntries::unit, Unit::Millimetre));
  t.push_back(option("Bin_type", "Absolute Type", &AbsoluteEntries::code_type, CodeType::Binary));
  t.push_back(option("grey_type", "Absolute Type", &AbsoluteEntries::code_type, CodeType::Grey));
  t.push_back(option("gray_full_type", "Absolute Type", &AbsoluteEntries::code_type, CodeType::GrayFull));
  t.push_back(text_box("SL_in", &AbsoluteEntries::slot_length));
  t.push_back(option("CH1_ED_Def", "Edge Distance", &AbsoluteEntries::edge_mode, AbsEdgeMode::Default));
  t.push_back(option("CH1_ED_U", "Edge Distance", &AbsoluteEntries::edge_mode, AbsEdgeMode::User));
  t.push_back(text_box("CH1_ED", &AbsoluteEntries::edge_distance));
  t.push_back(option("CH1_ED_Auto", "Edge Distance", &AbsoluteEntries::edge_mode, AbsEdgeMode::Auto));
  t.push_back({.name = "abs_bal",
               .kind = ControlKind::Position,
               .min = -kBalanceLimit,
               .max = kBalanceLimit,
               .single_step = 1,
               .page_step = 10,
               .position = [](const AbsoluteEntries& e) { return int{e.balance}; },
               .set_position = [](AbsoluteEntries& e, int value) { e.balance = static_cast<std::int16_t>(value); },
               .partner = "abs_bal_txt"});
  t.push_back({.name = "abs_bal_txt",
               .kind = ControlKind::Display,
               .note = "Draw takes the balance from the scroll bar, never from this box; set abs_bal"});
  return t;
}

}  // namespace

const ControlTable<AbsoluteEntries>& absolute_fields() {
  static const ControlTable<AbsoluteEntries> table = make_table();
  return table;
}

}  // namespace vantor
