#include "incremental/sensor_mask.h"

#include <cmath>
#include <numbers>

#include "common/numtext.h"

namespace vantor {

namespace {

constexpr double kTurn = 2 * std::numbers::pi;

// In (0, 2pi]: an arc's end at 0 is the end of the turn, and a start at 2pi
// is read by the surface as 0.
double in_turn(double a) {
  double t = std::fmod(a, kTurn);
  if (t <= 0) t += kTurn;
  return t;
}

}  // namespace

std::optional<double> mask_angle_degrees(std::string_view text) {
  const std::optional<double> v = parse_number(text);
  if (!v || !std::isfinite(*v)) return std::nullopt;
  return v;
}

std::optional<int> mask_window_count(std::string_view text) {
  const std::optional<double> v = parse_number(text);
  if (!v || !(*v >= 1 && *v <= kMaxMaskWindows) || std::floor(*v) != *v) return std::nullopt;
  return static_cast<int>(*v);
}

std::vector<MaskArc> mask_window_arcs(double angle_degrees, int count, double cycle, double width) {
  const double centre = (90.0 - std::fmod(angle_degrees, 360.0)) * std::numbers::pi / 180.0;
  std::vector<MaskArc> arcs;
  arcs.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
  for (int k = 0; k < count; ++k) {
    const double middle = centre + (k - (count - 1) / 2.0) * cycle;
    arcs.push_back({in_turn(middle - width / 2), in_turn(middle + width / 2)});
  }
  return arcs;
}

}  // namespace vantor
