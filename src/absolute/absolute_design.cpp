#include "absolute/absolute_design.h"

#include <cmath>
#include <initializer_list>
#include <limits>
#include <optional>

#include "common/numtext.h"

namespace vantor {

AbsoluteGeometry absolute_geometry(const AbsoluteDesign& d) {
  AbsoluteGeometry g{};
  g.scale = d.scale_num / d.scale_den;
  g.slot_length = g.scale * d.slot_length;
  g.outer_radius = (d.encoder_diameter / 2) * g.scale;
  g.shaft_radius = (d.shaft_diameter / 2) * g.scale;
  switch (d.edge_mode) {
    case AbsEdgeMode::Default:
      g.first_track_outer = g.outer_radius - g.slot_length;
      break;
    case AbsEdgeMode::User:
      g.first_track_outer = g.outer_radius - g.scale * d.edge_distance;
      break;
    case AbsEdgeMode::Auto:
      g.slot_length = (g.outer_radius - 2 * g.shaft_radius) / (2 * d.resolution_exp);
      g.first_track_outer = g.outer_radius - g.slot_length;
      break;
  }
  return g;
}

namespace {

// The number of tracks the renderer's counter runs through: i = N - 1,
// N - 2, ... while i >= 0.
double track_count(double n) { return n >= 1 ? std::floor(n - 1) + 1 : 0; }

// Every length must survive the hand-over to the surface in single precision.
bool fits_single(double v) { return std::fabs(v) <= std::numeric_limits<float>::max(); }

}  // namespace

std::variant<AbsoluteDesign, Message> build_absolute_design(const AbsoluteEntries& e) {
  AbsoluteDesign d;
  d.unit = e.unit;
  d.edge_mode = e.edge_mode;
  d.code_type = e.code_type;
  d.balance = e.balance;

  struct Field {
    const std::string& text;
    double& value;
  };
  for (Field f : {Field{e.resolution_exp, d.resolution_exp}, Field{e.scale_num, d.scale_num},
                  Field{e.scale_den, d.scale_den}, Field{e.slot_length, d.slot_length},
                  Field{e.encoder_diameter, d.encoder_diameter}, Field{e.shaft_diameter, d.shaft_diameter}}) {
    const std::optional<double> v = parse_number(f.text);
    if (!v) return Message::InvalidEntry;
    f.value = *v;
  }
  if (d.edge_mode == AbsEdgeMode::User) {
    const std::optional<double> v = parse_number(e.edge_distance);
    if (!v) return Message::InvalidEntry;
    d.edge_distance = *v;
  }
  if (d.scale_den == 0) return Message::InvalidEntry;
  if (d.edge_mode == AbsEdgeMode::Auto && d.resolution_exp == 0) return Message::InvalidEntry;
  if (d.resolution_exp > kMaxResolutionExp) return Message::AbsResolutionTooHigh;

  const AbsoluteGeometry g = absolute_geometry(d);
  const double tracks = track_count(d.resolution_exp);
  const double innermost_outer = g.first_track_outer - 2 * g.slot_length * (tracks > 0 ? tracks - 1 : 0);
  for (double v : {g.scale, g.slot_length, g.outer_radius, g.shaft_radius, g.shaft_radius / 4, g.first_track_outer,
                   g.first_track_outer - g.slot_length, innermost_outer, innermost_outer - g.slot_length})
    if (!fits_single(v)) return Message::InvalidEntry;
  return d;
}

}  // namespace vantor
