// Whole designs read from bytes and the ways of drawing them that must give
// the same pixels, shared by the fuzz target fuzz_export and the random
// differential test of the renderers (tests/core/drawing_identity_test.cpp).
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "absolute/absolute_renderer.h"
#include "fuzz_input.h"
#include "incremental/incremental_renderer.h"
#include "reference_raster.h"
#include "surface/figures.h"

namespace vantor::fuzz {

// A design of either kind, about 0.2 to 0.7 in across, on a canvas of 40 to
// 80 pixels a side that it fills or overlaps.
struct DesignCase {
  bool absolute = false;
  AbsoluteDesign abs;
  IncrementalDesign inc = IncrementalDesign::defaults();
  Polarity polarity = Polarity::Normal;
  int width = 0, height = 0;
  double ppi = 96;

  DrawOutcome draw(Surface& s) const { return absolute ? render_absolute(abs, s) : render_incremental(inc, polarity, s); }
};

inline double fraction(Input& in) { return in.raw<std::uint16_t>() / 65535.0; }

inline DesignCase design_case(Input& in) {
  DesignCase d;
  const std::uint8_t kind = in.byte();
  d.absolute = kind & 1;
  d.polarity = kind & 2 ? Polarity::Inverse : Polarity::Normal;
  const Unit unit = kind & 4 ? Unit::Millimetre : Unit::Inch;
  const double inch = unit == Unit::Inch ? 1.0 : 25.4;
  const auto length = [&](double lo, double hi) { return (lo + (hi - lo) * fraction(in)) * inch; };
  if (d.absolute) {
    AbsoluteDesign& a = d.abs;
    a.unit = unit;
    const std::uint8_t n = in.byte();
    a.resolution_exp = n & 0x80 ? 0.5 + 8.5 * fraction(in) : 1 + n % 11;
    a.code_type = kind & 8 ? CodeType::Binary : kind & 64 ? CodeType::GrayFull : CodeType::Grey;
    a.edge_mode = static_cast<AbsEdgeMode>(in.byte() % 3);
    a.encoder_diameter = length(0.2, 0.7), a.shaft_diameter = length(0.0, 0.15);
    a.slot_length = length(0.002, 0.05), a.edge_distance = length(-0.01, 0.05);
    a.balance = static_cast<std::int16_t>(in.byte() % 91 - 45);
    if (kind & 16) a.scale_num = 0.5 + fraction(in);
  } else {
    IncrementalDesign& c = d.inc;
    c.unit = unit;
    c.encoder_diameter = std::to_string(length(0.3, 0.7)), c.shaft_diameter = std::to_string(length(0.0, 0.1));
    const std::uint8_t res = in.byte();
    c.resolution = std::to_string(1 + (res & 0x80 ? in.raw<std::uint16_t>() % 400 : res % 40));
    c.zoom = 50 + in.byte() % 100;
    for (ChannelTrack& ch : c.channels) {
      const std::uint8_t b = in.byte();
      ch.on = b % 5 != 0;
      ch.type = static_cast<ChannelType>(b / 5 % 3);
      ch.edge_mode = b & 0x80 ? IncEdgeMode::User : IncEdgeMode::Default;
      ch.slot_length = std::to_string(length(0.005, 0.05)), ch.edge_distance = std::to_string(length(0.0, 0.03));
      ch.balance = std::to_string(in.byte() % 91 - 45);
    }
  }
  d.width = 40 + in.byte() % 40, d.height = 30 + in.byte() % 40;
  d.ppi = kind & 32 ? 60 + 100 * fraction(in) : 96.0;
  return d;
}

// "" when the design gives the same pixels drawn on one surface (every
// shortcut of the surface in use, its figures recorded in log), by the log
// reference (pixel by pixel from the rules), on windows of a third of the
// canvas, and on one window moved from band to band; else the first
// difference.
inline std::string check_ways(const DesignCase& d, std::vector<Figure>& log) {
  const int width = d.width, height = d.height, band = height / 3 + 1;
  Surface drawn(width, height, d.ppi);
  drawn.set_recorder(&log);
  (void)d.draw(drawn);
  drawn.set_recorder(nullptr);
  const auto at = [](int i, int j) { return " differs at pixel " + std::to_string(i) + "," + std::to_string(j); };
  const test::LogReference reference(log);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width));
  for (int j = 0; j < height; ++j) {
    reference.row(j, 0, row);
    for (int i = 0; i < width; ++i)
      if (row[i] != static_cast<std::uint8_t>(drawn.pixel(i, j))) return "the log reference" + at(i, j);
  }
  Surface moved = Surface::window_of(width, height, d.ppi, 0, 0, width, band);
  for (int top = 0; top < height; top += band) {
    Surface window = Surface::window_of(width, height, d.ppi, 0, top, width, band);
    moved.move_window(0, top);
    (void)d.draw(window), (void)d.draw(moved);
    for (const Surface* s : {&window, &moved})
      for (int j = 0; j < band && top + j < height; ++j)
        for (int i = 0; i < width; ++i)
          if (s->pixel(i, j) != drawn.pixel(i, top + j)) return (s == &window ? "a band" : "a moved band") + at(i, top + j);
  }
  return "";
}

inline std::string check_ways(const DesignCase& d) {
  std::vector<Figure> log;
  return check_ways(d, log);
}

}  // namespace vantor::fuzz
