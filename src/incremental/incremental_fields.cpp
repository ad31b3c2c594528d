#include "incremental/incremental_fields.h"

#include <string>

namespace vantor {

namespace {

using Field = ControlField<IncFormValues>;

Field text_box(std::string name, std::string IncrementalDesign::*member) {
  return {.name = std::move(name),
          .kind = ControlKind::TextBox,
          .text = [member](IncFormValues& v) -> std::string& { return v.design.*member; }};
}

Field channel_text(int n, std::string name, std::string ChannelTrack::*member) {
  return {.name = std::move(name),
          .kind = ControlKind::TextBox,
          .text = [n, member](IncFormValues& v) -> std::string& { return v.design.channels[n].*member; }};
}

Field unit_option(std::string name, Unit unit) {
  return {.name = std::move(name),
          .kind = ControlKind::Option,
          .group = "Units",
          .selected = [unit](const IncFormValues& v) { return v.design.unit == unit; },
          .select = [unit](IncFormValues& v) { v.design.unit = unit; }};
}

Field type_option(int n, std::string name, ChannelType type) {
  return {.name = std::move(name),
          .kind = ControlKind::Option,
          .group = "Channel " + std::to_string(n + 1) + " Type",
          .selected = [n, type](const IncFormValues& v) { return v.design.channels[n].type == type; },
          .select = [n, type](IncFormValues& v) { v.design.channels[n].type = type; }};
}

Field edge_option(int n, std::string name, IncEdgeMode mode) {
  return {.name = std::move(name),
          .kind = ControlKind::Option,
          .group = "Channel " + std::to_string(n + 1) + " Edge Distance",
          .selected = [n, mode](const IncFormValues& v) { return v.design.channels[n].edge_mode == mode; },
          .select = [n, mode](IncFormValues& v) { v.design.channels[n].edge_mode = mode; }};
}

ControlTable<IncFormValues> make_table() {
  ControlTable<IncFormValues> t;
  t.push_back(text_box("ED", &IncrementalDesign::encoder_diameter));
  t.push_back(text_box("DD", &IncrementalDesign::shaft_diameter));
  t.push_back(text_box("RES", &IncrementalDesign::resolution));
  t.push_back(text_box("S1", &IncrementalDesign::scale_num));
  t.push_back(text_box("S2", &IncrementalDesign::scale_den));
  t.push_back(unit_option("Unit_in", Unit::Inch));
  t.push_back(unit_option("Unit_mm", Unit::Millimetre));
  for (int n = 0; n < 3; ++n) {
    const std::string ch = "CH" + std::to_string(n + 1);
    t.push_back(type_option(n, ch + "_A", ChannelType::A));
    t.push_back(type_option(n, ch + "_B", ChannelType::B));
    t.push_back(type_option(n, ch + "_I", ChannelType::Index));
    t.push_back({.name = ch + "_on",
                 .kind = ControlKind::CheckBox,
                 .flag = [n](IncFormValues& v) -> bool& { return v.design.channels[n].on; }});
    t.push_back(channel_text(n, ch + "_SL", &ChannelTrack::slot_length));
    t.push_back(edge_option(n, ch + "_ED_Def", IncEdgeMode::Default));
    t.push_back(edge_option(n, ch + "_ED_U", IncEdgeMode::User));
    t.push_back(channel_text(n, ch + "_ED", &ChannelTrack::edge_distance));
  }
  for (int n = 0; n < 3; ++n) {
    const std::string bar = "balance" + std::to_string(n + 1);
    const std::string box = "bal_" + std::to_string(n + 1) + "scroll";
    t.push_back({.name = bar,
                 .kind = ControlKind::Position,
                 .min = -kBalanceLimit,
                 .max = kBalanceLimit,
                 .single_step = 1,
                 .page_step = 10,
                 .position = [n](const IncFormValues& v) { return v.balance_bars[n]; },
                 .set_position = [n](IncFormValues& v, int value) { v.balance_bars[n] = value; },
                 .partner = box});
    Field field = channel_text(n, box, &ChannelTrack::balance);
    field.partner = bar;
    t.push_back(std::move(field));
  }
  t.push_back({.name = "Zoom_txt", .kind = ControlKind::Display, .note = "it shows ZoomCTRL's position; set ZoomCTRL"});
  t.push_back({.name = "zoom_diam",
               .kind = ControlKind::Display,
               .shown = "2",
               .note = "Draw writes the zoomed diameter into it"});
  t.push_back({.name = "ZoomCTRL",
               .kind = ControlKind::Position,
               .min = 10,
               .max = 500,
               .single_step = 5,
               .page_step = 10,
               .position = [](const IncFormValues& v) { return v.design.zoom; },
               .set_position = [](IncFormValues& v, int value) { v.design.zoom = value; },
               .partner = "Zoom_txt"});
  for (auto [name, member] : {std::pair{"Mask_angle", &IncrementalDesign::mask_angle},
                              std::pair{"Mask_windows", &IncrementalDesign::mask_windows}}) {
    Field field = text_box(name, member);
    field.since_version = 2;
    t.push_back(std::move(field));
  }
  return t;
}

}  // namespace

const ControlTable<IncFormValues>& incremental_fields() {
  static const ControlTable<IncFormValues> table = make_table();
  return table;
}

}  // namespace vantor
